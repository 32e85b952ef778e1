// OpenSSL's digests, opened on the first hash: the library is large and most runs hash
// nothing.
#include "platform/automation/lazy_library.h"

#include <openssl/evp.h>

namespace {
constinit quillet::platform::automation::LazyLibrary libcrypto(QUILLET_SONAME_CRYPTO);
} // namespace

QUILLET_LAZY_FUNCTION(libcrypto, int, EVP_Digest,
                      (const void* data, size_t count, unsigned char* md, unsigned int* size,
                       const EVP_MD* type, ENGINE* impl),
                      (data, count, md, size, type, impl))
QUILLET_LAZY_FUNCTION(libcrypto, const EVP_MD*, EVP_md5, (), ())
QUILLET_LAZY_FUNCTION(libcrypto, const EVP_MD*, EVP_sha1, (), ())
