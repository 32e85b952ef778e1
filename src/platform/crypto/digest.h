#pragma once
// Text digests of passwords: the bytes of the UTF-8 text hashed, written as upper-case
// hexadecimal (the form ASP.NET configuration files store).
#include <string>
#include <string_view>

namespace quillet::platform::crypto {

std::string HashSHA1(std::string_view text);
std::string HashMD5(std::string_view text);

} // namespace quillet::platform::crypto
