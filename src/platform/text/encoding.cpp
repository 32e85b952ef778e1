#include "platform/text/encoding.h"
#include "platform/text/ascii.h"
#include "platform/text/utf8.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <mutex>
#include <vector>

#include <stdexcept>

namespace quillet::platform::text {

namespace {

struct CodePageEntry {
  int codePage;
  const char* converter; // a name the converter library accepts
  const char* label;     // the charset name we declare
};

// Windows code pages with their converter and charset label. Code pages not listed are
// still tried under the usual converter names (see openForCodePage()).
constexpr CodePageEntry kCodePages[] = {
    {37, "IBM037", "ibm037"},
    {437, "ibm-437", "ibm437"},
    {500, "ibm-500", "ibm500"},
    {708, "ASMO-708", "asmo-708"},
    {720, "ibm-720", "dos-720"},
    {737, "ibm-737", "ibm737"},
    {775, "ibm-775", "ibm775"},
    {850, "ibm-850", "ibm850"},
    {852, "ibm-852", "ibm852"},
    {855, "ibm-855", "ibm855"},
    {857, "ibm-857", "ibm857"},
    {858, "ibm-858", "ibm00858"},
    {860, "ibm-860", "ibm860"},
    {861, "ibm-861", "ibm861"},
    {862, "ibm-862", "dos-862"},
    {863, "ibm-863", "ibm863"},
    {864, "ibm-864", "ibm864"},
    {865, "ibm-865", "ibm865"},
    {866, "ibm-866", "cp866"},
    {869, "ibm-869", "ibm869"},
    {874, "windows-874", "windows-874"},
    {875, "ibm-875", "cp875"},
    {932, "windows-31j", "shift_jis"},
    {936, "windows-936", "gb2312"},
    {949, "windows-949", "ks_c_5601-1987"},
    {950, "windows-950", "big5"},
    {1026, "ibm-1026", "ibm1026"},
    {1047, "ibm-1047", "ibm01047"},
    {1140, "ibm-1140", "ibm01140"},
    {1141, "ibm-1141", "ibm01141"},
    {1142, "ibm-1142", "ibm01142"},
    {1143, "ibm-1143", "ibm01143"},
    {1144, "ibm-1144", "ibm01144"},
    {1145, "ibm-1145", "ibm01145"},
    {1146, "ibm-1146", "ibm01146"},
    {1147, "ibm-1147", "ibm01147"},
    {1148, "ibm-1148", "ibm01148"},
    {1149, "ibm-1149", "ibm01149"},
    {kCodePageUtf16LE, "UTF-16LE", "utf-16le"},
    {kCodePageUtf16BE, "UTF-16BE", "utf-16be"},
    {1250, "windows-1250", "windows-1250"},
    {1251, "windows-1251", "windows-1251"},
    {kCodePageWindows1252, "windows-1252", "windows-1252"},
    {1253, "windows-1253", "windows-1253"},
    {1254, "windows-1254", "windows-1254"},
    {1255, "windows-1255", "windows-1255"},
    {1256, "windows-1256", "windows-1256"},
    {1257, "windows-1257", "windows-1257"},
    {1258, "windows-1258", "windows-1258"},
    {10000, "macintosh", "macintosh"},
    {10006, "x-mac-greek", "x-mac-greek"},
    {10007, "x-mac-cyrillic", "x-mac-cyrillic"},
    {10029, "x-mac-centraleurroman", "x-mac-ce"},
    {10081, "x-mac-turkish", "x-mac-turkish"},
    {12000, "UTF-32LE", "utf-32le"},
    {12001, "UTF-32BE", "utf-32be"},
    {kCodePageAscii, "US-ASCII", "us-ascii"},
    {20866, "KOI8-R", "koi8-r"},
    {21866, "KOI8-U", "koi8-u"},
    {kCodePageLatin1, "ISO-8859-1", "iso-8859-1"},
    {28592, "ISO-8859-2", "iso-8859-2"},
    {28593, "ISO-8859-3", "iso-8859-3"},
    {28594, "ISO-8859-4", "iso-8859-4"},
    {28595, "ISO-8859-5", "iso-8859-5"},
    {28596, "ISO-8859-6", "iso-8859-6"},
    {28597, "ISO-8859-7", "iso-8859-7"},
    {28598, "ISO-8859-8", "iso-8859-8"},
    {28599, "ISO-8859-9", "iso-8859-9"},
    {28603, "ISO-8859-13", "iso-8859-13"},
    {28605, "ISO-8859-15", "iso-8859-15"},
    {38598, "ISO-8859-8-I", "iso-8859-8-i"},
    {50220, "ISO-2022-JP", "iso-2022-jp"},
    {50225, "ISO-2022-KR", "iso-2022-kr"},
    {51932, "EUC-JP", "euc-jp"},
    {51936, "GB2312", "euc-cn"},
    {51949, "EUC-KR", "euc-kr"},
    {52936, "HZ-GB-2312", "hz-gb-2312"},
    {54936, "GB18030", "gb18030"},
    {65000, "UTF-7", "utf-7"},
    {kCodePageUtf8, "UTF-8", "utf-8"},
};

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr openConverter(const std::string& name) {
  UErrorCode status = U_ZERO_ERROR;
  ConverterPtr c(ucnv_open(name.c_str(), &status));
  if (U_FAILURE(status)) return nullptr;
  return c;
}

// The converter library's canonical name for a name, "" when it has no converter.
std::string canonicalName(const std::string& name) {
  ConverterPtr c = openConverter(name);
  if (!c) return {};
  UErrorCode status = U_ZERO_ERROR;
  const char* canonical = ucnv_getName(c.get(), &status);
  return U_SUCCESS(status) && canonical ? std::string(canonical) : std::string();
}

// The canonical converter name of a table entry, resolved when first asked for: opening
// every converter of the table at once loads the mapping data of all of them (the East Asian
// ones are large) into a program that converts one code page or none.
const std::string& tableCanonicalName(size_t i) {
  static std::array<std::once_flag, std::size(kCodePages)> resolved;
  static std::array<std::string, std::size(kCodePages)> names;
  std::call_once(resolved[i], [i] { names[i] = canonicalName(kCodePages[i].converter); });
  return names[i];
}

// UTF-8 to UTF-16, malformed sequences becoming U+FFFD.
std::u16string toUChars(std::string_view utf8) {
  std::u16string out;
  if (utf8.empty()) return out;
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = 0;
  u_strFromUTF8WithSub(nullptr, 0, &length, utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD,
                       nullptr, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return out;
  status = U_ZERO_ERROR;
  out.resize(static_cast<size_t>(length));
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), length, nullptr, utf8.data(),
                       static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
  return out;
}

std::string fromUChars(const std::u16string& u) {
  std::string out;
  if (u.empty()) return out;
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = 0;
  u_strToUTF8WithSub(nullptr, 0, &length, reinterpret_cast<const UChar*>(u.data()),
                     static_cast<int32_t>(u.size()), 0xFFFD, nullptr, &status);
  status = U_ZERO_ERROR;
  out.resize(static_cast<size_t>(length));
  u_strToUTF8WithSub(out.data(), length, nullptr, reinterpret_cast<const UChar*>(u.data()),
                     static_cast<int32_t>(u.size()), 0xFFFD, nullptr, &status);
  return out;
}

// Replaces each byte that is not part of a well-formed sequence by U+FFFD.
std::string sanitizeUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    size_t j = i;
    // Longest valid prefix run.
    while (j < s.size()) {
      unsigned char c = static_cast<unsigned char>(s[j]);
      size_t len = c < 0x80                   ? 1
                   : (c >= 0xC2 && c <= 0xDF) ? 2
                   : (c >= 0xE0 && c <= 0xEF) ? 3
                   : (c >= 0xF0 && c <= 0xF4) ? 4
                                              : 0;
      if (len == 0 || j + len > s.size() || !isValidUtf8(s.substr(j, len))) break;
      j += len;
    }
    out.append(s.substr(i, j - i));
    if (j < s.size()) {
      out.append("\xEF\xBF\xBD");
      ++j;
    }
    i = j;
  }
  return out;
}

} // namespace

Encoding::Encoding() : Encoding(kCodePageUtf8, "UTF-8", "utf-8") {}

Encoding::Encoding(int codePage, std::string converter, std::string name)
    : codePage_(codePage), converter_(std::move(converter)), name_(std::move(name)) {}

Encoding Encoding::utf8() {
  return Encoding();
}
Encoding Encoding::utf16LE() {
  return Encoding(kCodePageUtf16LE, "UTF-16LE", "utf-16le");
}
Encoding Encoding::utf16BE() {
  return Encoding(kCodePageUtf16BE, "UTF-16BE", "utf-16be");
}
Encoding Encoding::windows1252() {
  return *fromCodePage(kCodePageWindows1252);
}

std::optional<Encoding> Encoding::fromCodePage(int codePage) {
  for (size_t i = 0; i < std::size(kCodePages); ++i) {
    if (kCodePages[i].codePage != codePage) continue;
    const std::string& canon = tableCanonicalName(i);
    if (canon.empty()) return std::nullopt;
    return Encoding(codePage, canon, kCodePages[i].label);
  }
  if (codePage <= 0) return std::nullopt;
  // Other code pages under the names the converter library gives them.
  const std::string number = std::to_string(codePage);
  for (const std::string& candidate : {"windows-" + number, "ibm-" + number, "cp" + number}) {
    std::string c = canonicalName(candidate);
    if (!c.empty()) return Encoding(codePage, c, lowerAscii(candidate));
  }
  return std::nullopt;
}

std::optional<Encoding> Encoding::fromCharset(std::string_view rawName) {
  const std::string name = lowerAscii(trim(rawName, kCWhitespace));
  if (name.empty()) return std::nullopt;
  // Windows' own names for UTF-16: "unicode" and "utf-16" mean little-endian.
  if (name == "unicode" || name == "utf-16" || name == "ucs-2" || name == "utf16") return utf16LE();
  if (name == "unicodefffe") return utf16BE();
  if (name == "utf8") return utf8();
  std::string canon = canonicalName(name);
  if (canon.empty()) return std::nullopt;
  for (size_t i = 0; i < std::size(kCodePages); ++i)
    if (tableCanonicalName(i) == canon)
      return Encoding(kCodePages[i].codePage, canon, kCodePages[i].label);
  return Encoding(0, canon, name);
}

std::string Encoding::decode(std::string_view bytes) const {
  if (isUtf8()) return isValidUtf8(bytes) ? std::string(bytes) : sanitizeUtf8(bytes);
  if (bytes.empty()) return {};
  ConverterPtr c = openConverter(converter_);
  // Unreachable in practice: an Encoding only exists for a name whose converter opened.
  if (!c) throw std::runtime_error("No converter for " + name_);
  UErrorCode status = U_ZERO_ERROR;
  int32_t length =
      ucnv_toUChars(c.get(), nullptr, 0, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return {};
  std::u16string u(static_cast<size_t>(length), u'\0');
  status = U_ZERO_ERROR;
  ucnv_reset(c.get());
  ucnv_toUChars(c.get(), reinterpret_cast<UChar*>(u.data()), length, bytes.data(),
                static_cast<int32_t>(bytes.size()), &status);
  return fromUChars(u);
}

std::string Encoding::encode(std::string_view utf8) const {
  if (isUtf8()) return isValidUtf8(utf8) ? std::string(utf8) : sanitizeUtf8(utf8);
  if (utf8.empty()) return {};
  ConverterPtr c = openConverter(converter_);
  // Unreachable in practice: an Encoding only exists for a name whose converter opened.
  if (!c) throw std::runtime_error("No converter for " + name_);
  UErrorCode status = U_ZERO_ERROR;
  if (!isUtf16()) ucnv_setSubstChars(c.get(), "?", 1, &status);
  status = U_ZERO_ERROR;
  std::u16string u = toUChars(utf8);
  int32_t length = ucnv_fromUChars(c.get(), nullptr, 0, reinterpret_cast<const UChar*>(u.data()),
                                   static_cast<int32_t>(u.size()), &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return {};
  std::string out(static_cast<size_t>(length), '\0');
  status = U_ZERO_ERROR;
  ucnv_reset(c.get());
  ucnv_fromUChars(c.get(), out.data(), length, reinterpret_cast<const UChar*>(u.data()),
                  static_cast<int32_t>(u.size()), &status);
  return out;
}

bool Encoding::canEncode(std::string_view utf8) const {
  if (isUtf8() || isUtf16() || codePage_ == 12000 || codePage_ == 12001 || codePage_ == 54936 ||
      codePage_ == 65000)
    return isValidUtf8(utf8);
  if (!isValidUtf8(utf8)) return false;
  ConverterPtr c = openConverter(converter_);
  if (!c) return false;
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setFromUCallBack(c.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  std::u16string u = toUChars(utf8);
  std::vector<char> buffer(u.size() * 4 + 16);
  status = U_ZERO_ERROR;
  ucnv_fromUChars(c.get(), buffer.data(), static_cast<int32_t>(buffer.size()),
                  reinterpret_cast<const UChar*>(u.data()), static_cast<int32_t>(u.size()),
                  &status);
  return U_SUCCESS(status);
}

std::string Encoding::bom() const {
  switch (codePage_) {
  case kCodePageUtf8:
    return "\xEF\xBB\xBF";
  case kCodePageUtf16LE:
    return "\xFF\xFE";
  case kCodePageUtf16BE:
    return "\xFE\xFF";
  case 12000:
    return std::string("\xFF\xFE\0\0", 4);
  case 12001:
    return std::string("\0\0\xFE\xFF", 4);
  default:
    return {};
  }
}

Bom detectBom(std::string_view b) {
  if (b.size() >= 3 && b.substr(0, 3) == "\xEF\xBB\xBF") return Bom::Utf8;
  if (b.size() >= 2 && b.substr(0, 2) == "\xFF\xFE") return Bom::Utf16LE;
  if (b.size() >= 2 && b.substr(0, 2) == "\xFE\xFF") return Bom::Utf16BE;
  return Bom::None;
}

size_t bomLength(Bom bom) {
  switch (bom) {
  case Bom::Utf8:
    return 3;
  case Bom::Utf16LE:
  case Bom::Utf16BE:
    return 2;
  case Bom::None:
    break;
  }
  return 0;
}

bool isValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    size_t len = charLengthAt(s, i);
    // A lone byte of 0x80 or above is one that starts no valid sequence.
    if (len == 1 && static_cast<unsigned char>(s[i]) >= 0x80) return false;
    i += len;
  }
  return true;
}

namespace {

template <typename AnsiEncoding> DecodedText decodeWith(std::string_view bytes, AnsiEncoding ansi) {
  DecodedText r;
  Bom bom = detectBom(bytes);
  std::string_view body = bytes.substr(bomLength(bom));
  r.bom = bom != Bom::None;
  switch (bom) {
  case Bom::Utf8:
    r.encoding = Encoding::utf8();
    break;
  case Bom::Utf16LE:
    r.encoding = Encoding::utf16LE();
    break;
  case Bom::Utf16BE:
    r.encoding = Encoding::utf16BE();
    break;
  case Bom::None:
    r.encoding = isValidUtf8(body) ? Encoding::utf8() : ansi();
    break;
  }
  r.text = r.encoding.decode(body);
  return r;
}

} // namespace

DecodedText decodeText(std::string_view bytes, const Encoding& ansi) {
  return decodeWith(bytes, [&ansi] { return ansi; });
}

DecodedText decodeText(std::string_view bytes, Encoding (*ansi)()) {
  return decodeWith(bytes, ansi);
}

std::string encodeText(std::string_view utf8, const Encoding& encoding, bool withBom) {
  std::string out = withBom ? encoding.bom() : std::string();
  out += encoding.encode(utf8);
  return out;
}

} // namespace quillet::platform::text
