#include "platform/crypto/digest.h"

#include <openssl/evp.h>

#include "platform/automation/error.h"

namespace quillet::platform::crypto {

namespace {

std::string digestHex(const EVP_MD* md, std::string_view text) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  if (!EVP_Digest(text.data(), text.size(), out, &len, md, nullptr))
    automation::raise(automation::err::kInvalidProcedureCall);
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(len * 2);
  for (unsigned int i = 0; i < len; ++i) {
    hex.push_back(kHex[out[i] >> 4]);
    hex.push_back(kHex[out[i] & 15]);
  }
  return hex;
}

} // namespace

std::string HashSHA1(std::string_view text) {
  return digestHex(EVP_sha1(), text);
}

std::string HashMD5(std::string_view text) {
  return digestHex(EVP_md5(), text);
}

} // namespace quillet::platform::crypto
