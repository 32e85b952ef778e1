#include "platform/vbscript/builtins.h"
#include <optional> // operators.h uses it without including it

#include <unicode/uchar.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/automation/context.h"
#include "platform/automation/object.h"
#include "platform/text/ascii.h"
#include "platform/text/utf8.h"
#include "platform/vbscript/lib_common.h"

namespace quillet::platform::vbscript {

namespace lib {

// --- UTF-8 ----------------------------------------------------------------------------------

namespace {
// Bytes of the ASCII run at the start of `s`, eight at a time.
size_t asciiPrefix(std::string_view s) {
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if (w & 0x8080808080808080ULL) break;
  }
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80)
    ++i;
  return i;
}
} // namespace

// An ASCII run counts one character per byte; the rest is measured character by character.
size_t charLen(std::string_view s) {
  size_t a = asciiPrefix(s);
  return a + text::countChars(s.substr(a));
}
size_t byteOffset(std::string_view s, size_t chars) {
  size_t a = asciiPrefix(s.substr(0, std::min(chars, s.size())));
  if (a == chars || a == s.size()) return a;
  return a + text::byteOffsetOfChar(s.substr(a), chars - a);
}
size_t charIndex(std::string_view s, size_t bytes) {
  size_t a = asciiPrefix(s.substr(0, std::min(bytes, s.size())));
  if (a == bytes) return a;
  return a + text::charIndexOfByte(s.substr(a), bytes - a);
}

bool isAsciiText(std::string_view s) {
  return asciiPrefix(s) == s.size();
}

bool asciiText(const am::Variant& v) {
  if (v.textKind() == am::Variant::kTextUnknown)
    v.noteTextKind(isAsciiText(v.asString()) ? am::Variant::kTextAscii : am::Variant::kTextWide);
  return v.textKind() == am::Variant::kTextAscii;
}

bool plainArgs(const BuiltinCall& call, size_t from, size_t to) {
  for (size_t i = from; i <= to && i < call.count(); ++i)
    if (call.arg(i).isObject()) return false;
  return true;
}

std::string_view textArg(BuiltinCall& call, size_t i, std::string& hold, bool plain) {
  if (plain && call.has(i) && call.arg(i).isString()) return call.arg(i).asString();
  hold = strArg(call, i);
  return hold;
}

std::u32string toU32(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80 && text::charLengthAt(s, i) == 1) { // a stray byte, kept as a marker
      out.push_back(0xDC00 + c);
      ++i;
    } else {
      out.push_back(text::decodeChar(s, i));
    }
  }
  return out;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c >= 0xDC80 && c <= 0xDCFF) // a raw byte kept from invalid input
    out.push_back(static_cast<char>(c - 0xDC00));
  else
    text::appendChar(out, c);
}

std::string fromU32(std::u32string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char32_t c : s)
    appendUtf8(out, c);
  return out;
}

std::u32string foldU32(std::string_view s) {
  std::u32string u = toU32(s);
  for (char32_t& c : u)
    if (c >= 0x80 || (c >= 'A' && c <= 'Z'))
      c = static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
  return u;
}

namespace {
// windows-1252 at 0x80..0x9F; the five unassigned codes map to the C1 controls.
constexpr char16_t kAnsiHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
} // namespace

char32_t fromAnsi(uint8_t code) {
  if (code >= 0x80 && code < 0xA0) return kAnsiHigh[code - 0x80];
  return code;
}

int ansiOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (kAnsiHigh[i] == c) return 0x80 + i;
  return '?';
}

// --- Arguments ------------------------------------------------------------------------------

const am::Locale& callLocale(const BuiltinCall& call) {
  const am::Locale& current = am::currentLocale();
  if (call.host && call.host->locale() != current.lcid)
    if (const am::Locale* l = am::Locale::byLcid(call.host->locale())) return *l;
  return current;
}

am::Variant value(const BuiltinCall& call, size_t i) {
  if (!call.has(i)) return am::Variant();
  const am::Variant& v = call.arg(i);
  if (v.isObject()) return am::valueOf(v);
  return v;
}

std::string strArg(BuiltinCall& call, size_t i) {
  if (call.has(i) && call.arg(i).isString()) return std::string(call.arg(i).asString());
  std::string s;
  if (int32_t e = am::tryCStr(value(call, i), s)) call.fail(e);
  return s;
}
int32_t longArg(BuiltinCall& call, size_t i) {
  int32_t n = 0;
  if (int32_t e = am::tryCLng(value(call, i), n)) call.fail(e);
  return n;
}
double numArg(BuiltinCall& call, size_t i) {
  double n = 0;
  if (int32_t e = am::tryCDbl(value(call, i), n)) call.fail(e);
  return n;
}

int32_t optLong(BuiltinCall& call, size_t i, int32_t fallback) {
  return call.has(i) ? longArg(call, i) : fallback;
}

am::CompareMode compareArg(BuiltinCall& call, size_t i, am::CompareMode fallback) {
  if (!call.has(i)) return fallback;
  int32_t m = longArg(call, i);
  if (m == 0) return am::CompareMode::Binary;
  if (m == 1 || m == 2) return am::CompareMode::Text;
  invalidCall(call);
  return fallback;
}

bool tristateArg(BuiltinCall& call, size_t i, bool fallback) {
  if (!call.has(i)) return fallback;
  int32_t t = longArg(call, i);
  if (t == -2) return fallback;
  return t != 0;
}

} // namespace lib

// --- Constants ------------------------------------------------------------------------------

namespace {

BuiltinConstant num(const char* name, int32_t v) {
  if (v >= -32768 && v <= 32767) return {name, Variant(static_cast<int16_t>(v))};
  return {name, Variant(v)};
}
// Constants that are Long whatever their value (colours, some message box flags).
BuiltinConstant lng(const char* name, int32_t v) {
  return {name, Variant(v)};
}

const std::vector<BuiltinConstant>& constantTable() {
  static const std::vector<BuiltinConstant> table = {
      // Strings.
      {"vbCr", Variant("\r")},
      {"vbLf", Variant("\n")},
      {"vbCrLf", Variant("\r\n")},
      {"vbNewLine", Variant("\r\n")},
      {"vbTab", Variant("\t")},
      {"vbFormFeed", Variant("\f")},
      {"vbVerticalTab", Variant("\v")},
      {"vbNullChar", Variant(std::string(1, '\0'))},
      {"vbNullString", Variant("")},
      // Comparison.
      num("vbBinaryCompare", 0),
      num("vbTextCompare", 1),
      num("vbDatabaseCompare", 2),
      // Colours.
      lng("vbBlack", 0x000000),
      lng("vbRed", 0x0000FF),
      lng("vbGreen", 0x00FF00),
      lng("vbYellow", 0x00FFFF),
      lng("vbBlue", 0xFF0000),
      lng("vbMagenta", 0xFF00FF),
      lng("vbCyan", 0xFFFF00),
      lng("vbWhite", 0xFFFFFF),
      // Days and weeks.
      num("vbUseSystemDayOfWeek", 0),
      num("vbSunday", 1),
      num("vbMonday", 2),
      num("vbTuesday", 3),
      num("vbWednesday", 4),
      num("vbThursday", 5),
      num("vbFriday", 6),
      num("vbSaturday", 7),
      num("vbUseSystem", 0),
      num("vbFirstJan1", 1),
      num("vbFirstFourDays", 2),
      num("vbFirstFullWeek", 3),
      // Date formats.
      num("vbGeneralDate", 0),
      num("vbLongDate", 1),
      num("vbShortDate", 2),
      num("vbLongTime", 3),
      num("vbShortTime", 4),
      // Message boxes.
      num("vbOKOnly", 0),
      num("vbOKCancel", 1),
      num("vbAbortRetryIgnore", 2),
      num("vbYesNoCancel", 3),
      num("vbYesNo", 4),
      num("vbRetryCancel", 5),
      num("vbCritical", 16),
      num("vbQuestion", 32),
      num("vbExclamation", 48),
      num("vbInformation", 64),
      num("vbDefaultButton1", 0),
      num("vbDefaultButton2", 256),
      num("vbDefaultButton3", 512),
      num("vbDefaultButton4", 768),
      num("vbApplicationModal", 0),
      num("vbSystemModal", 4096),
      lng("vbMsgBoxHelpButton", 16384),
      num("vbMsgBoxSetForeground", 65536),
      num("vbMsgBoxRight", 524288),
      num("vbMsgBoxRtlReading", 1048576),
      num("vbOK", 1),
      num("vbCancel", 2),
      num("vbAbort", 3),
      num("vbRetry", 4),
      num("vbIgnore", 5),
      num("vbYes", 6),
      num("vbNo", 7),
      // Tristate.
      num("vbUseDefault", -2),
      num("vbTrue", -1),
      num("vbFalse", 0),
      // VarType.
      num("vbEmpty", 0),
      num("vbNull", 1),
      num("vbInteger", 2),
      num("vbLong", 3),
      num("vbSingle", 4),
      num("vbDouble", 5),
      num("vbCurrency", 6),
      num("vbDate", 7),
      num("vbString", 8),
      num("vbObject", 9),
      num("vbError", 10),
      num("vbBoolean", 11),
      num("vbVariant", 12),
      num("vbDataObject", 13),
      num("vbDecimal", 14),
      num("vbByte", 17),
      num("vbArray", 8192),
      // Errors raised by components start here.
      num("vbObjectError", static_cast<int32_t>(0x80040000u)),
  };
  return table;
}

const std::vector<Builtin>& functionTable() {
  static const std::vector<Builtin> table = [] {
    std::vector<Builtin> all;
    for (auto group : {lib::stringBuiltins(), lib::conversionBuiltins(), lib::dateBuiltins(),
                       lib::formatBuiltins(), lib::miscBuiltins()})
      all.insert(all.end(), group.begin(), group.end());
    return all;
  }();
  return table;
}

} // namespace

const Builtin* findBuiltin(std::string_view name) {
  static const std::unordered_map<std::string, const Builtin*> index = [] {
    std::unordered_map<std::string, const Builtin*> m;
    for (const Builtin& b : functionTable())
      m.emplace(text::lowerAscii(b.name), &b);
    return m;
  }();
  auto it = index.find(text::lowerAscii(name));
  return it == index.end() ? nullptr : it->second;
}

const BuiltinConstant* findBuiltinConstant(std::string_view name) {
  static const std::unordered_map<std::string, const BuiltinConstant*> index = [] {
    std::unordered_map<std::string, const BuiltinConstant*> m;
    for (const BuiltinConstant& c : constantTable())
      m.emplace(text::lowerAscii(c.name), &c);
    return m;
  }();
  auto it = index.find(text::lowerAscii(name));
  return it == index.end() ? nullptr : it->second;
}

std::span<const Builtin> builtinFunctions() {
  return functionTable();
}
std::span<const BuiltinConstant> builtinConstants() {
  return constantTable();
}

} // namespace quillet::platform::vbscript
