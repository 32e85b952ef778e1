#pragma once
// Byte-level helpers for the ASCII parts of text: trimming a chosen set of blank characters
// and lower-casing A-Z. They leave every byte beyond ASCII alone, so they are safe on UTF-8
// and independent of the C library's locale; for letter case beyond ASCII see casefold.h.
#include <string>
#include <string_view>

namespace quillet::platform::text {

// The character sets the engine trims.
inline constexpr std::string_view kSpaces = " ";
inline constexpr std::string_view kBlanks = " \t";
inline constexpr std::string_view kLineBlanks = " \t\r"; // a line's blanks and CR of CR LF
inline constexpr std::string_view kWhitespace = " \t\r\n";
inline constexpr std::string_view kCWhitespace = " \t\r\n\f\v"; // C's isspace()

inline std::string_view trimLeft(std::string_view s, std::string_view chars = kSpaces) {
  const size_t b = s.find_first_not_of(chars);
  return b == std::string_view::npos ? std::string_view() : s.substr(b);
}

inline std::string_view trimRight(std::string_view s, std::string_view chars = kSpaces) {
  const size_t e = s.find_last_not_of(chars);
  return e == std::string_view::npos ? std::string_view() : s.substr(0, e + 1);
}

inline std::string_view trim(std::string_view s, std::string_view chars = kSpaces) {
  return trimRight(trimLeft(s, chars), chars);
}

inline char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = lowerAscii(c);
  return out;
}

} // namespace quillet::platform::text
