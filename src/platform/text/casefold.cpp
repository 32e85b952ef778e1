#include "platform/text/casefold.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace quillet::platform::text {

bool isAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

namespace {
char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
char upperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
} // namespace

std::string foldCase(std::string_view s) {
  if (isAscii(s)) {
    std::string r(s);
    for (char& c : r)
      c = lowerAscii(c);
    return r;
  }
  std::string out;
  icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())))
      .foldCase()
      .toUTF8String(out);
  return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (isAscii(a) && isAscii(b)) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
  }
  return foldCase(a) == foldCase(b);
}

int compareNoCase(std::string_view a, std::string_view b) {
  if (isAscii(a) && isAscii(b)) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
      char x = lowerAscii(a[i]), y = lowerAscii(b[i]);
      if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
  }
  // UTF-8 byte order is code point order.
  int c = foldCase(a).compare(foldCase(b));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool containsNoCase(std::string_view s, std::string_view part) {
  if (isAscii(s) && isAscii(part)) {
    if (part.size() > s.size()) return false;
    for (size_t at = 0; at + part.size() <= s.size(); ++at)
      if (equalsNoCase(s.substr(at, part.size()), part)) return true;
    return false;
  }
  return foldCase(s).find(foldCase(part)) != std::string::npos;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (isAscii(s) && isAscii(prefix))
    return s.size() >= prefix.size() && equalsNoCase(s.substr(0, prefix.size()), prefix);
  return foldCase(s).starts_with(foldCase(prefix));
}

namespace {
template <class Ascii, class Icu> std::string mapCase(std::string_view s, Ascii ascii, Icu icuMap) {
  if (isAscii(s)) {
    std::string r(s);
    for (char& c : r)
      c = ascii(c);
    return r;
  }
  icu::UnicodeString u =
      icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
  std::string out;
  icuMap(u).toUTF8String(out);
  return out;
}
} // namespace

std::string toUpper(std::string_view s) {
  return mapCase(s, upperAscii, [](icu::UnicodeString& u) -> icu::UnicodeString& {
    return u.toUpper(icu::Locale::getRoot());
  });
}

std::string toLower(std::string_view s) {
  return mapCase(s, lowerAscii, [](icu::UnicodeString& u) -> icu::UnicodeString& {
    return u.toLower(icu::Locale::getRoot());
  });
}

size_t charCount(std::string_view s) {
  size_t n = 0;
  for (char c : s)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

} // namespace quillet::platform::text
