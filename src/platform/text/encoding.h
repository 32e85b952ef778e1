#pragma once
// Character encodings by Windows code page number or by charset name, and the decoding of
// text whose encoding is told by a byte-order mark, by UTF-8 validity or by the configured
// ANSI code page. Text inside the engine is always UTF-8; bytes in other encodings only
// exist at the edges (files, declarations of generated pages).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet::platform::text {

// Windows code page numbers that the engine names in code.
inline constexpr int kCodePageUtf16LE = 1200;
inline constexpr int kCodePageUtf16BE = 1201;
inline constexpr int kCodePageWindows1252 = 1252;
inline constexpr int kCodePageLatin1 = 28591;
inline constexpr int kCodePageAscii = 20127;
inline constexpr int kCodePageUtf8 = 65001;

// One character encoding. Cheap to copy; converters are opened per conversion.
class Encoding {
public:
  // UTF-8.
  Encoding();

  // By Windows code page number (1252, 1200 UTF-16LE, 1201 UTF-16BE, 28591 ISO-8859-1,
  // 65001 UTF-8, 437, 932...); nullopt when the platform has no converter for it.
  static std::optional<Encoding> fromCodePage(int codePage);
  // By charset name, case-insensitive: "utf-8", "windows-1252", "iso-8859-1", "unicode"
  // (UTF-16LE, as Windows names it), "unicodeFFFE", "utf-16" (little-endian), "us-ascii",
  // "cp1252", or any other name the converter library knows; nullopt when unknown.
  static std::optional<Encoding> fromCharset(std::string_view name);

  static Encoding utf8();
  static Encoding utf16LE();
  static Encoding utf16BE();
  static Encoding windows1252();

  // The Windows code page number, 0 for an encoding that has none.
  int codePage() const { return codePage_; }
  // The charset name to declare in files and pages ("utf-8", "windows-1252", "utf-16le").
  const std::string& name() const { return name_; }
  bool isUtf8() const { return codePage_ == kCodePageUtf8; }
  bool isUtf16() const { return codePage_ == kCodePageUtf16LE || codePage_ == kCodePageUtf16BE; }

  // Bytes in this encoding to UTF-8. Malformed input becomes U+FFFD; nothing is dropped
  // silently. A byte-order mark in the bytes is kept as U+FEFF (see decodeText()).
  std::string decode(std::string_view bytes) const;
  // UTF-8 to bytes in this encoding. A character the encoding lacks becomes "?".
  std::string encode(std::string_view utf8) const;
  // True when every character of the UTF-8 text exists in this encoding.
  bool canEncode(std::string_view utf8) const;
  // The byte-order mark of this encoding ("" for encodings without one).
  std::string bom() const;

  friend bool operator==(const Encoding& a, const Encoding& b) {
    return a.converter_ == b.converter_;
  }

private:
  Encoding(int codePage, std::string converter, std::string name);
  int codePage_;
  std::string converter_; // the converter library's canonical name
  std::string name_;
};

enum class Bom { None, Utf8, Utf16LE, Utf16BE };
// The byte-order mark at the start of the bytes.
Bom detectBom(std::string_view bytes);
size_t bomLength(Bom bom);

// True when the bytes are well-formed UTF-8 (shortest forms, no surrogates).
bool isValidUtf8(std::string_view bytes);

struct DecodedText {
  std::string text;  // UTF-8, without the byte-order mark
  Encoding encoding; // the encoding the bytes were read in
  bool bom = false;  // whether the bytes started with a byte-order mark
};
// Decodes the bytes of a text file: by its byte-order mark (UTF-8, UTF-16LE, UTF-16BE);
// else as UTF-8 when they are valid UTF-8; else in the given ANSI encoding (the thread's
// configured one is automation::ansiEncoding(), which also offers this with it).
DecodedText decodeText(std::string_view bytes, const Encoding& ansi);
// The same, asking for the ANSI encoding only when the bytes need it: finding a converter
// costs more than reading a short file.
DecodedText decodeText(std::string_view bytes, Encoding (*ansi)());
// The bytes of UTF-8 text in an encoding, with its byte-order mark in front when asked.
std::string encodeText(std::string_view utf8, const Encoding& encoding, bool withBom);

} // namespace quillet::platform::text
