#pragma once
// Character-level access to UTF-8 text, for the string functions that count characters
// rather than bytes. A character is one well-formed UTF-8 sequence (one code point); a byte
// that belongs to no well-formed sequence counts as one character of its own, so every
// byte string has a definite length and nothing is lost when it is cut.
#include <cstddef>
#include <string>
#include <string_view>

namespace quillet::platform::text {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// Length in bytes of the character starting at byte pos (1 for a stray byte, 0 at the end).
size_t charLengthAt(std::string_view s, size_t pos);
// The code point at byte pos, advancing pos past it. A stray byte gives U+FFFD.
char32_t decodeChar(std::string_view s, size_t& pos);
// Appends the UTF-8 form of a code point (surrogates and values above U+10FFFF become
// U+FFFD).
void appendChar(std::string& out, char32_t c);
std::string charToUtf8(char32_t c);

// Number of characters.
size_t countChars(std::string_view s);
// Byte offset of the character with 0-based index charIndex; s.size() when the index is at
// or past the end.
size_t byteOffsetOfChar(std::string_view s, size_t charIndex);
// 0-based character index of the character containing byte offset (the count of
// characters before it); the character count for an offset at or past the end.
size_t charIndexOfByte(std::string_view s, size_t byteOffset);
// Up to count characters starting at the 0-based character index start; empty when start
// is past the end.
std::string_view substrChars(std::string_view s, size_t start,
                             size_t count = std::string_view::npos);

// UTF-16 code units of one code point (one unit, or a surrogate pair).
std::u16string utf16Units(char32_t c);
// Whole-text conversions between UTF-8 and UTF-16 (stray bytes and lone surrogates become
// U+FFFD).
std::u16string toUtf16(std::string_view utf8);
std::string fromUtf16(std::u16string_view utf16);

} // namespace quillet::platform::text
