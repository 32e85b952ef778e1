#pragma once
// Small text, path and file helpers shared by the whole engine: charset names for code
// pages, captions and compact names made from names, the documents folder, progress
// percentages, time stamps, sorted line lists, trailing separators and whole text files in
// whatever encoding they were saved.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/automation/variant.h"

namespace quillet::core {

namespace automation = ::quillet::platform::automation;
using automation::Variant;

// The system code page (the configured ANSI code page, as decimal text) and its charset
// name, per thread; empty until InitSystemCharset runs.
struct SystemCharsetInfo {
  std::string SystemCodePage;
  std::string SystemCharset;
};
const SystemCharsetInfo& SystemCharsetValues();
void InitSystemCharset();

// The charset name generated pages declare for a code page, or "".
std::string CodePageToCharset(const Variant& codePage);
// "order_date" -> "order date", "CustomerID" -> "Customer ID".
std::string NameToCaption(std::string_view name);
std::string SplitWordCase(std::string_view word);
// The text without any "/" and blank.
std::string CompactName(std::string_view text);

inline constexpr int32_t kFolderDocuments = 5;
// The path of a special folder: 5 is the documents folder ($XDG_DOCUMENTS_DIR, else
// ~/Documents); "" for any other id.
std::string GetSpecialFolderPath(int32_t windowHandle, int32_t folderId);

// done / total as a whole percentage (halves to even); a total of 0 counts as 1, done is
// capped at total.
int16_t CalcPercent(int32_t done, int32_t total);
// "yyyy/mm/dd hh:nn:ss" for a date or date text, else the value as text.
std::string FormatTimestamp(const Variant& value);
// The value's text with leading zeros up to width characters; error 5 when it is longer.
std::string ZeroPad(const Variant& value, int32_t width);
// The CR LF separated lines sorted ascending by their trimmed text (stable).
std::string SortTextLines(std::string_view text);
// The trimmed path ending in a separator: the one the path already uses ("\" for a path
// written the Windows way), else "/".
std::string AddBackslash(std::string_view path);

// The whole text of a file decoded by its byte-order mark (UTF-8, UTF-16LE, UTF-16BE),
// else as UTF-8 when valid, else in the ANSI code page; Empty when it cannot be read.
Variant ReadTextFile(const Variant& path);
// "UTF-8", "UNICODE BIG", "UNICODE" or "" from the file's first bytes.
std::string DetectFileEncoding(const Variant& path);
// The file decoded as UTF-8 without its byte-order mark ("" when it cannot be read).
std::string ReadUtf8File(const Variant& path);
// The bytes as one number in upper-case hexadecimal without leading zeros ("0" for none).
std::string BytesToHex(std::string_view bytes);

struct WinVersionInfo {
  int32_t PlatformId = 0;
  std::string Name;
  std::string Version;
  std::string ServicePack;
  std::string Build;
};
// The operating system's identity: platform 2, its name, and its release as major.minor
// with the next number as build.
void GetWinVersion(WinVersionInfo& info);

} // namespace quillet::core
