#include "platform/text/utf8.h"

namespace quillet::platform::text {

size_t charLengthAt(std::string_view s, size_t pos) {
  if (pos >= s.size()) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(s.data()) + pos;
  const size_t left = s.size() - pos;
  const unsigned char c = p[0];
  if (c < 0x80) return 1;
  size_t len;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF)
    len = 2;
  else if (c == 0xE0)
    len = 3, lo = 0xA0;
  else if (c == 0xED)
    len = 3, hi = 0x9F;
  else if (c >= 0xE1 && c <= 0xEF)
    len = 3;
  else if (c == 0xF0)
    len = 4, lo = 0x90;
  else if (c >= 0xF1 && c <= 0xF3)
    len = 4;
  else if (c == 0xF4)
    len = 4, hi = 0x8F;
  else
    return 1;
  if (left < len || p[1] < lo || p[1] > hi) return 1;
  for (size_t k = 2; k < len; ++k)
    if ((p[k] & 0xC0) != 0x80) return 1;
  return len;
}

char32_t decodeChar(std::string_view s, size_t& pos) {
  size_t len = charLengthAt(s, pos);
  if (len == 0) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(s.data()) + pos;
  pos += len;
  switch (len) {
  case 1:
    return p[0] < 0x80 ? p[0] : kReplacementChar;
  case 2:
    return (char32_t(p[0] & 0x1F) << 6) | (p[1] & 0x3F);
  case 3:
    return (char32_t(p[0] & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
  default:
    return (char32_t(p[0] & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) |
           (char32_t(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
  }
}

void appendChar(std::string& out, char32_t c) {
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementChar;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string charToUtf8(char32_t c) {
  std::string s;
  appendChar(s, c);
  return s;
}

size_t countChars(std::string_view s) {
  size_t n = 0;
  for (size_t pos = 0; pos < s.size(); pos += charLengthAt(s, pos))
    ++n;
  return n;
}

size_t byteOffsetOfChar(std::string_view s, size_t charIndex) {
  size_t pos = 0;
  for (size_t i = 0; i < charIndex && pos < s.size(); ++i)
    pos += charLengthAt(s, pos);
  return pos;
}

size_t charIndexOfByte(std::string_view s, size_t byteOffset) {
  size_t n = 0, pos = 0;
  while (pos < s.size()) {
    size_t len = charLengthAt(s, pos);
    if (byteOffset < pos + len) return n;
    pos += len;
    ++n;
  }
  return n;
}

std::string_view substrChars(std::string_view s, size_t start, size_t count) {
  size_t b = byteOffsetOfChar(s, start);
  if (count == std::string_view::npos) return s.substr(b);
  size_t e = b;
  for (size_t i = 0; i < count && e < s.size(); ++i)
    e += charLengthAt(s, e);
  return s.substr(b, e - b);
}

std::u16string utf16Units(char32_t c) {
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementChar;
  if (c < 0x10000) return std::u16string(1, static_cast<char16_t>(c));
  c -= 0x10000;
  return {static_cast<char16_t>(0xD800 + (c >> 10)), static_cast<char16_t>(0xDC00 + (c & 0x3FF))};
}

std::u16string toUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();)
    out += utf16Units(decodeChar(utf8, pos));
  return out;
}

std::string fromUtf16(std::u16string_view u) {
  std::string out;
  out.reserve(u.size());
  for (size_t i = 0; i < u.size(); ++i) {
    char32_t c = u[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < u.size() && u[i + 1] >= 0xDC00 &&
        u[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00);
      ++i;
    }
    appendChar(out, c);
  }
  return out;
}

} // namespace quillet::platform::text
