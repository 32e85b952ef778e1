// Text functions. Positions and lengths count characters; binary comparison matches the
// UTF-8 bytes directly, text comparison matches case-folded code points (the folding keeps
// one code point per character, so positions found in the folded text hold for the original).
#include <unicode/uchar.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/automation/interrupt.h"
#include "platform/automation/limits.h"
#include "platform/automation/object.h"
#include "platform/text/casefold.h"
#include "platform/vbscript/lib_common.h"
#include "platform/vbscript/library.h"

namespace quillet::platform::vbscript {

namespace lib {
namespace {

using am::Variant;

constexpr size_t kMaxString = size_t{1} << 28;

// Called as results grow, so a long-running build of text also stops at the time-out and
// at the memory ceiling of the running script.
void checkSize(size_t n) {
  if (n > kMaxString) am::raise(am::err::kOutOfStringSpace);
  am::checkStringSize(n);
  am::pollInterrupt();
}

// Text comparison folds the whole input first. A script loop whose every statement folds
// megabytes reaches the interpreter's own time check only after many seconds, so such a
// call looks at the clock itself.
void checkTimeBeforeFolding(std::string_view text) {
  if (text.size() >= (size_t{1} << 16)) am::interruptPoint();
}

// Character position (0-based) of `needle` in `hay` at or after character `from`.
size_t findChars(std::string_view hay, std::string_view needle, size_t from,
                 am::CompareMode mode) {
  if (mode == am::CompareMode::Binary) {
    size_t at = hay.find(needle, byteOffset(hay, from));
    return at == std::string::npos ? std::string::npos : charIndex(hay, at);
  }
  checkTimeBeforeFolding(hay);
  std::u32string h = foldU32(hay), n = foldU32(needle);
  return h.find(n, from);
}

// Character position of the last `needle` that ends at or before character `end`.
size_t rfindChars(std::string_view hay, std::string_view needle, size_t end,
                  am::CompareMode mode) {
  if (mode == am::CompareMode::Binary) {
    size_t endByte = byteOffset(hay, end);
    if (needle.size() > endByte) return std::string::npos;
    size_t at = hay.rfind(needle, endByte - needle.size());
    return at == std::string::npos ? std::string::npos : charIndex(hay, at);
  }
  checkTimeBeforeFolding(hay);
  std::u32string h = foldU32(hay), n = foldU32(needle);
  if (n.size() > end) return std::string::npos;
  return h.rfind(n, end - n.size());
}

Variant fnAsc(BuiltinCall& c) {
  std::string s = strArg(c, 0);
  if (c.failed()) return {};
  if (s.empty()) return invalidCall(c);
  std::u32string u = toU32(s.substr(0, byteOffset(s, 1)));
  return Variant(static_cast<int16_t>(ansiOf(u[0])));
}

// The first UTF-16 code unit, as a signed Integer.
int16_t firstUnit(const std::string& s) {
  std::u32string u = toU32(s.substr(0, byteOffset(s, 1)));
  char32_t cp = u[0];
  if (cp >= 0xDC80 && cp <= 0xDCFF) cp = fromAnsi(static_cast<uint8_t>(cp - 0xDC00));
  uint32_t unit = cp >= 0x10000 ? 0xD800 + ((cp - 0x10000) >> 10) : cp;
  return static_cast<int16_t>(unit >= 0x8000 ? static_cast<int32_t>(unit) - 0x10000
                                             : static_cast<int32_t>(unit));
}

Variant fnAscW(BuiltinCall& c) {
  std::string s = strArg(c, 0);
  if (c.failed()) return {};
  if (s.empty()) return invalidCall(c);
  return Variant(firstUnit(s));
}

Variant fnAscB(BuiltinCall& c) {
  std::string s = strArg(c, 0);
  if (c.failed()) return {};
  if (s.empty()) return invalidCall(c);
  return Variant(static_cast<uint8_t>(firstUnit(s) & 0xFF));
}

Variant fnChr(BuiltinCall& c) {
  int32_t n = longArg(c, 0);
  if (c.failed()) return {};
  if (n < 0 || n > 255) return invalidCall(c);
  std::string out;
  appendUtf8(out, fromAnsi(static_cast<uint8_t>(n)));
  return Variant(std::move(out));
}

Variant fnChrW(BuiltinCall& c) {
  int32_t n = longArg(c, 0);
  if (c.failed()) return {};
  if (n < -32768 || n > 65535) return invalidCall(c);
  if (n < 0) n += 65536;
  std::string out;
  appendUtf8(out, static_cast<char32_t>(n));
  return Variant(std::move(out));
}

Variant fnChrB(BuiltinCall& c) {
  int32_t n = longArg(c, 0);
  if (c.failed()) return {};
  if (n < 0 || n > 255) return invalidCall(c);
  std::string out;
  appendUtf8(out, static_cast<char32_t>(n));
  return Variant(std::move(out));
}

// The searches templates make most: two texts held as values, by bytes, from the start or
// from a whole-number position an earlier search gave. False when the full rules decide.
bool quickInStr(BuiltinCall& c, Variant& result) {
  size_t n = c.count();
  if (n != 2 && n != 3) return false;
  const Variant& hay = c.arg(n - 2);
  const Variant& needle = c.arg(n - 1);
  if (!hay.isString() || !needle.isString()) return false;
  size_t from = 0;
  if (n == 3) {
    const Variant& start = c.arg(0);
    int32_t s;
    if (start.type() == am::VarType::Long)
      s = start.asLong();
    else if (start.type() == am::VarType::Integer)
      s = start.asInteger();
    else
      return false;
    if (s < 1) return false;
    from = static_cast<size_t>(s - 1);
    // Beyond the first character a byte position is a character position only in ASCII.
    if (from > 0 && !asciiText(hay)) return false;
  }
  std::string_view s1 = hay.asString(), s2 = needle.asString();
  if (from >= s1.size()) {
    result = Variant(int32_t{0});
  } else if (s2.empty()) {
    result = Variant(static_cast<int32_t>(from + 1));
  } else {
    size_t at = s1.find(s2, from);
    if (at != std::string_view::npos && from == 0 && hay.textKind() != am::Variant::kTextAscii)
      at = charIndex(s1, at);
    result = Variant(at == std::string_view::npos ? int32_t{0} : static_cast<int32_t>(at + 1));
  }
  return true;
}

// Out of line, so the quick searches pay for none of its frame.
[[gnu::noinline]] Variant inStrByTheRules(BuiltinCall& c) {
  size_t first = 0;
  int64_t start = 1;
  if (c.count() >= 3) {
    start = longArg(c, 0);
    if (c.failed()) return {};
    if (start < 1) return invalidCall(c);
    first = 1;
  }
  am::CompareMode mode = compareArg(c, first + 2);
  if (c.failed()) return {};
  if (isNull(c, first) || isNull(c, first + 1)) return Variant::null();
  // The texts are read in place: a search from one hit to the next in a long page must
  // neither copy the page nor count its characters again.
  bool plain = plainArgs(c, first, first + 1);
  std::string h1, h2;
  std::string_view s1 = textArg(c, first, h1, plain);
  std::string_view s2 = textArg(c, first + 1, h2, plain);
  if (c.failed()) return {};
  if (mode == am::CompareMode::Binary &&
      (s1.data() == h1.data() ? isAsciiText(s1) : asciiText(c.arg(first)))) {
    int64_t bytes = static_cast<int64_t>(s1.size());
    if (bytes == 0 || start > bytes) return Variant(int32_t{0});
    if (s2.empty()) return Variant(static_cast<int32_t>(start));
    size_t at = s1.find(s2, static_cast<size_t>(start - 1));
    return Variant(at == std::string::npos ? int32_t{0} : static_cast<int32_t>(at + 1));
  }
  int64_t len = static_cast<int64_t>(charLen(s1));
  if (len == 0) return Variant(int32_t{0});
  if (start > len) return Variant(int32_t{0});
  if (s2.empty()) return Variant(static_cast<int32_t>(start));
  size_t at = findChars(s1, s2, static_cast<size_t>(start - 1), mode);
  return Variant(at == std::string::npos ? int32_t{0} : static_cast<int32_t>(at + 1));
}

Variant fnInStr(BuiltinCall& c) {
  if (Variant r; quickInStr(c, r)) return r;
  return inStrByTheRules(c);
}

Variant fnInStrRev(BuiltinCall& c) {
  int32_t start = optLong(c, 2, -1);
  if (c.failed()) return {};
  if (start == 0 || start < -1) return invalidCall(c);
  am::CompareMode mode = compareArg(c, 3);
  if (c.failed()) return {};
  // Unlike InStr, InStrRev takes no Null text.
  if (isNull(c, 0) || isNull(c, 1)) return c.fail(am::err::kInvalidUseOfNull);
  bool plain = plainArgs(c, 0, 1);
  std::string h1, h2;
  std::string_view s1 = textArg(c, 0, h1, plain);
  std::string_view s2 = textArg(c, 1, h2, plain);
  if (c.failed()) return {};
  if (mode == am::CompareMode::Binary && (s1.data() == h1.data() ? isAsciiText(s1) : asciiText(c.arg(0)))) {
    int64_t bytes = static_cast<int64_t>(s1.size());
    if (bytes == 0) return Variant(int32_t{0});
    if (start == -1) start = static_cast<int32_t>(bytes);
    if (start > bytes) return Variant(int32_t{0});
    if (s2.empty()) return Variant(start);
    if (s2.size() > static_cast<size_t>(start)) return Variant(int32_t{0});
    size_t at = s1.rfind(s2, static_cast<size_t>(start) - s2.size());
    return Variant(at == std::string::npos ? int32_t{0} : static_cast<int32_t>(at + 1));
  }
  int64_t len = static_cast<int64_t>(charLen(s1));
  if (len == 0) return Variant(int32_t{0});
  if (start == -1) start = static_cast<int32_t>(len);
  if (start > len) return Variant(int32_t{0});
  if (s2.empty()) return Variant(start);
  size_t at = rfindChars(s1, s2, static_cast<size_t>(start), mode);
  return Variant(at == std::string::npos ? int32_t{0} : static_cast<int32_t>(at + 1));
}

// The one-dimensional array of an argument, or null with the error recorded.
const am::SafeArray* oneDimArray(BuiltinCall& c, size_t i) {
  const Variant& v = c.arg(i);
  if (v.isNull()) return c.fail(am::err::kInvalidUseOfNull), nullptr;
  if (!v.isArray()) return c.fail(am::err::kTypeMismatch), nullptr;
  const am::SafeArray& a = v.asArray();
  if (a.dimensions() != 1) return invalidCall(c), nullptr;
  return &a;
}

Variant fnJoin(BuiltinCall& c) {
  const am::SafeArray* arr = oneDimArray(c, 0);
  if (!arr) return {};
  const am::SafeArray& a = *arr;
  std::string delim = c.has(1) ? strArg(c, 1) : std::string(" ");
  if (c.failed()) return {};
  // Texts are measured first, so the result is allocated once at its final size.
  size_t total = 0;
  for (const Variant& v : a.data())
    if (v.isString()) total += v.asString().size();
  if (!a.data().empty()) total += delim.size() * (a.data().size() - 1);
  checkSize(total);
  am::TextBuilder out(total);
  bool firstItem = true;
  for (const Variant& v : a.data()) {
    if (!firstItem) out += delim;
    firstItem = false;
    if (v.isString()) {
      out += v.asString();
    } else {
      std::string part;
      if (int32_t e = am::tryCStr(v.isObject() ? am::valueOf(v) : v, part)) return c.fail(e);
      out += part;
    }
    checkSize(out.size());
  }
  return out.take();
}

// Case mapping character by character: UCase("straße") keeps its length, as VB's does.
template <bool Upper> Variant caseMapped(BuiltinCall& c) {
  if (isNull(c, 0)) return Variant::null();
  if (c.has(0) && c.arg(0).isString() && asciiText(c.arg(0))) {
    // ASCII text is mapped byte by byte straight into the result, through a stack buffer.
    std::string_view s = c.arg(0).asString();
    char buf[256];
    auto map = [&](size_t at, size_t k) {
      for (size_t i = 0; i < k; ++i) {
        const char ch = s[at + i];
        buf[i] = Upper ? (ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 32) : ch)
                       : (ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch + 32) : ch);
      }
      return std::string_view(buf, k);
    };
    if (s.size() <= sizeof buf) return Variant(map(0, s.size()));
    am::TextBuilder out(s.size());
    for (size_t at = 0; at < s.size(); at += sizeof buf)
      out.append(map(at, std::min(sizeof buf, s.size() - at)));
    return out.take();
  }
  std::string s = strArg(c, 0);
  if (c.failed()) return {};
  if (text::isAscii(s)) return Variant(Upper ? text::toUpper(s) : text::toLower(s));
  std::u32string u = toU32(s);
  for (char32_t& ch : u)
    if (ch < 0xD800 || ch > 0xDFFF)
      ch = static_cast<char32_t>(Upper ? u_toupper(static_cast<UChar32>(ch))
                                       : u_tolower(static_cast<UChar32>(ch)));
  return Variant(fromU32(u));
}
Variant fnLCase(BuiltinCall& c) {
  return caseMapped<false>(c);
}
Variant fnUCase(BuiltinCall& c) {
  return caseMapped<true>(c);
}

Variant fnLeft(BuiltinCall& c) {
  int32_t n = longArg(c, 1);
  if (c.failed()) return {};
  if (n < 0) return invalidCall(c);
  if (isNull(c, 0)) return Variant::null();
  std::string hold;
  std::string_view s = textArg(c, 0, hold, plainArgs(c, 0, 0));
  if (c.failed()) return {};
  return Variant(s.substr(0, byteOffset(s, static_cast<size_t>(n))));
}

Variant fnRight(BuiltinCall& c) {
  int32_t n = longArg(c, 1);
  if (c.failed()) return {};
  if (n < 0) return invalidCall(c);
  if (isNull(c, 0)) return Variant::null();
  std::string hold;
  std::string_view s = textArg(c, 0, hold, plainArgs(c, 0, 0));
  if (c.failed()) return {};
  size_t len = s.data() != hold.data() && asciiText(c.arg(0)) ? s.size() : charLen(s);
  if (static_cast<size_t>(n) >= len) return Variant(s);
  return Variant(s.substr(byteOffset(s, len - static_cast<size_t>(n))));
}

Variant fnMid(BuiltinCall& c) {
  int32_t start = longArg(c, 1);
  if (c.failed()) return {};
  if (start < 1) return invalidCall(c);
  int32_t n = c.has(2) ? longArg(c, 2) : INT32_MAX;
  if (c.failed()) return {};
  if (n < 0) return invalidCall(c);
  if (isNull(c, 0)) return Variant::null();
  std::string hold;
  std::string_view s = textArg(c, 0, hold, plainArgs(c, 0, 0));
  if (c.failed()) return {};
  if (s.data() != hold.data() && asciiText(c.arg(0))) {
    size_t from = static_cast<size_t>(start - 1);
    if (from >= s.size()) return Variant("");
    return Variant(s.substr(from, static_cast<size_t>(n)));
  }
  size_t from = byteOffset(s, static_cast<size_t>(start - 1));
  if (from >= s.size()) return Variant("");
  std::string_view rest = std::string_view(s).substr(from);
  return Variant(std::string(rest.substr(0, byteOffset(rest, static_cast<size_t>(n)))));
}

Variant fnLen(BuiltinCall& c) {
  if (isNull(c, 0)) return Variant::null();
  if (c.arg(0).isString() && asciiText(c.arg(0)))
    return Variant(static_cast<int32_t>(c.arg(0).asString().size()));
  std::string s = strArg(c, 0);
  if (c.failed()) return {};
  return Variant(static_cast<int32_t>(charLen(s)));
}

Variant fnLenB(BuiltinCall& c) {
  if (isNull(c, 0)) return Variant::null();
  std::string s = strArg(c, 0);
  if (c.failed()) return {};
  int32_t units = 0;
  for (char32_t cp : toU32(s))
    units += cp >= 0x10000 ? 2 : 1;
  return Variant(units * 2);
}

Variant trimmed(BuiltinCall& c, bool left, bool right) {
  if (isNull(c, 0)) return Variant::null();
  std::string s = strArg(c, 0);
  if (c.failed()) return {};
  size_t b = 0, e = s.size();
  if (left)
    while (b < e && s[b] == ' ')
      ++b;
  if (right)
    while (e > b && s[e - 1] == ' ')
      --e;
  return Variant(s.substr(b, e - b));
}
Variant fnLTrim(BuiltinCall& c) {
  return trimmed(c, true, false);
}
Variant fnRTrim(BuiltinCall& c) {
  return trimmed(c, false, true);
}
Variant fnTrim(BuiltinCall& c) {
  return trimmed(c, true, true);
}

// Replacement and splitting work on one of two representations: the UTF-8 bytes for binary
// comparison, folded code points for text comparison.
template <class S> using ViewOf = std::basic_string_view<typename S::value_type>;
template <class S, class Out = S>
Out replaceIn(ViewOf<S> orig, ViewOf<S> hay, ViewOf<S> find, ViewOf<S> with, size_t from,
              int64_t count) {
  // Hits are found first, so the result is allocated once at its final size; their places
  // are kept (a text is under 4 GB), so a long page is searched once, not twice.
  std::vector<uint32_t> hits;
  for (size_t at = hay.find(find, from);
       at != S::npos && (count < 0 || static_cast<int64_t>(hits.size()) < count);
       at = hay.find(find, at + find.size()))
    hits.push_back(static_cast<uint32_t>(at));
  size_t rest = orig.size() - from;
  if (with.size() >= find.size()) {
    size_t grow = hits.size() * (with.size() - find.size());
    checkSize(rest + grow);
    rest += grow;
  } else {
    rest -= hits.size() * (find.size() - with.size());
  }
  Out out;
  out.reserve(rest);
  size_t pos = from;
  for (size_t at : hits) {
    out.append(orig.substr(pos, at - pos));
    out += with;
    checkSize(out.size());
    pos = at + find.size();
  }
  out.append(orig.substr(pos));
  return out;
}

[[gnu::noinline]] Variant replaceByTheRules(BuiltinCall& c) {
  std::string hold;
  std::string_view expr = textArg(c, 0, hold, plainArgs(c, 0, 5));
  std::string find = strArg(c, 1);
  std::string with = strArg(c, 2);
  int32_t start = optLong(c, 3, 1);
  if (c.failed()) return {};
  if (start < 1) return invalidCall(c);
  int32_t count = optLong(c, 4, -1);
  if (c.failed()) return {};
  if (count < -1) return invalidCall(c);
  am::CompareMode mode = compareArg(c, 5);
  if (c.failed()) return {};
  size_t from = byteOffset(expr, static_cast<size_t>(start - 1));
  if (from >= expr.size()) return Variant("");
  if (find.empty() || count == 0) return Variant(expr.substr(from));
  if (mode == am::CompareMode::Binary)
    return replaceIn<std::string, am::TextBuilder>(expr, expr, find, with, from, count).take();
  checkTimeBeforeFolding(expr);
  std::u32string orig = toU32(expr), hay = foldU32(expr);
  return Variant(fromU32(replaceIn<std::u32string>(orig, hay, foldU32(find), toU32(with),
                                                   static_cast<size_t>(start - 1), count)));
}

Variant fnReplace(BuiltinCall& c) {
  // Three texts held as values: nothing to convert, so nothing is copied before the work.
  if (c.count() == 3 && c.arg(0).isString() && c.arg(1).isString() && c.arg(2).isString()) {
    std::string_view expr = c.arg(0).asString(), find = c.arg(1).asString();
    if (expr.empty()) return Variant("");
    if (find.empty()) return c.arg(0);
    return replaceIn<std::string, am::TextBuilder>(expr, expr, find, c.arg(2).asString(), 0, -1)
        .take();
  }
  return replaceByTheRules(c);
}

template <class S>
std::vector<S> splitIn(const S& orig, const S& hay, const S& delim, int64_t limit) {
  std::vector<S> parts;
  size_t pos = 0;
  while (limit < 0 || static_cast<int64_t>(parts.size()) + 1 < limit) {
    size_t at = hay.find(delim, pos);
    if (at == S::npos) break;
    parts.push_back(orig.substr(pos, at - pos));
    pos = at + delim.size();
  }
  parts.push_back(orig.substr(pos));
  return parts;
}

Variant fnSplit(BuiltinCall& c) {
  std::string expr = strArg(c, 0);
  std::string delim = c.has(1) ? strArg(c, 1) : std::string(" ");
  int32_t limit = optLong(c, 2, -1);
  if (c.failed()) return {};
  if (limit < -1) return invalidCall(c);
  am::CompareMode mode = compareArg(c, 3);
  if (c.failed()) return {};
  std::vector<Variant> values;
  if (expr.empty() || limit == 0) return Variant(am::SafeArray::fromValues({}));
  if (delim.empty()) {
    values.emplace_back(expr);
  } else if (mode == am::CompareMode::Binary) {
    for (auto& p : splitIn<std::string>(expr, expr, delim, limit))
      values.emplace_back(std::move(p));
  } else {
    checkTimeBeforeFolding(expr);
    for (auto& p : splitIn<std::u32string>(toU32(expr), foldU32(expr), foldU32(delim), limit))
      values.emplace_back(fromU32(p));
  }
  return Variant(am::SafeArray::fromValues(std::move(values)));
}

Variant fnSpace(BuiltinCall& c) {
  int32_t n = longArg(c, 0);
  if (c.failed()) return {};
  if (n < 0) return invalidCall(c);
  checkSize(static_cast<size_t>(n));
  return Variant(std::string(static_cast<size_t>(n), ' '));
}

Variant fnStrComp(BuiltinCall& c) {
  am::CompareMode mode = compareArg(c, 2);
  if (c.failed()) return {};
  if (isNull(c, 0) || isNull(c, 1)) return Variant::null();
  std::string a = strArg(c, 0), b = strArg(c, 1);
  if (c.failed()) return {};
  int r = mode == am::CompareMode::Text ? am::compareText(a, b) : am::compareBinary(a, b);
  return Variant(static_cast<int16_t>(r < 0 ? -1 : r > 0 ? 1 : 0));
}

Variant fnString(BuiltinCall& c) {
  int32_t n = longArg(c, 0);
  if (c.failed()) return {};
  if (n < 0) return invalidCall(c);
  if (isNull(c, 1)) return Variant::null();
  Variant ch = value(c, 1);
  std::string unit;
  if (ch.isString()) {
    if (ch.asString().empty()) return invalidCall(c);
    unit = ch.asString().substr(0, byteOffset(ch.asString(), 1));
  } else {
    int32_t code;
    if (int32_t e = am::tryCLng(ch, code)) return c.fail(e);
    if (code < 0) return invalidCall(c);
    appendUtf8(unit, fromAnsi(static_cast<uint8_t>(code % 256)));
  }
  checkSize(static_cast<size_t>(n) * unit.size());
  std::string out;
  out.reserve(static_cast<size_t>(n) * unit.size());
  for (int32_t i = 0; i < n; ++i)
    out += unit;
  return Variant(std::move(out));
}

Variant fnStrReverse(BuiltinCall& c) {
  std::string s = strArg(c, 0);
  if (c.failed()) return {};
  std::u32string u = toU32(s);
  std::reverse(u.begin(), u.end());
  return Variant(fromU32(u));
}

Variant fnFilter(BuiltinCall& c) {
  const am::SafeArray* arr = oneDimArray(c, 0);
  if (!arr) return {};
  std::string match = strArg(c, 1);
  bool include = true;
  if (c.has(2))
    if (int32_t e = am::tryCBool(value(c, 2), include)) return c.fail(e);
  am::CompareMode mode = compareArg(c, 3);
  if (c.failed()) return {};
  std::vector<Variant> out;
  for (const Variant& v : arr->data()) {
    std::string s;
    if (int32_t e = am::tryCStr(v.isObject() ? am::valueOf(v) : v, s)) return c.fail(e);
    bool found = findChars(s, match, 0, mode) != std::string::npos;
    if (found == include) out.emplace_back(std::move(s));
  }
  return Variant(am::SafeArray::fromValues(std::move(out)));
}

bool keptByEscape(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '@' ||
         c == '*' || c == '_' || c == '+' || c == '-' || c == '.' || c == '/';
}

Variant fnEscape(BuiltinCall& c) {
  if (isNull(c, 0)) return Variant::null();
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  auto unit = [&](uint32_t u) {
    out += "%u";
    for (int shift = 12; shift >= 0; shift -= 4)
      out += hex[(u >> shift) & 0xF];
  };
  std::string s = strArg(c, 0);
  if (c.failed()) return {};
  for (char32_t cp : toU32(s)) {
    if (cp >= 0xDC80 && cp <= 0xDCFF) cp = fromAnsi(static_cast<uint8_t>(cp - 0xDC00));
    if (keptByEscape(cp)) {
      out += static_cast<char>(cp);
    } else if (cp < 256) {
      out += '%';
      out += hex[cp >> 4];
      out += hex[cp & 0xF];
    } else if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return Variant(std::move(out));
}

int hexValue(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

Variant fnUnescape(BuiltinCall& c) {
  if (isNull(c, 0)) return Variant::null();
  std::string s = strArg(c, 0);
  if (c.failed()) return {};
  std::u32string in = toU32(s);
  std::u32string out;
  auto hexAt = [&](size_t i, size_t n) -> int32_t {
    if (i + n > in.size()) return -1;
    int32_t v = 0;
    for (size_t k = 0; k < n; ++k) {
      int h = hexValue(in[i + k]);
      if (h < 0) return -1;
      v = v * 16 + h;
    }
    return v;
  };
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '%') {
      int32_t v;
      if (i + 1 < in.size() && (in[i + 1] == 'u' || in[i + 1] == 'U') &&
          (v = hexAt(i + 2, 4)) >= 0) {
        // Join a surrogate pair written as two escapes.
        int32_t low;
        if (v >= 0xD800 && v <= 0xDBFF && i + 12 <= in.size() && in[i + 6] == '%' &&
            (in[i + 7] == 'u' || in[i + 7] == 'U') && (low = hexAt(i + 8, 4)) >= 0xDC00 &&
            low <= 0xDFFF) {
          out.push_back(0x10000 + ((static_cast<char32_t>(v) - 0xD800) << 10) +
                        (static_cast<char32_t>(low) - 0xDC00));
          i += 11;
        } else {
          out.push_back(static_cast<char32_t>(v));
          i += 5;
        }
        continue;
      }
      if ((v = hexAt(i + 1, 2)) >= 0) {
        out.push_back(static_cast<char32_t>(v));
        i += 2;
        continue;
      }
    }
    out.push_back(in[i]);
  }
  return Variant(fromU32(out));
}

const Builtin kStringBuiltins[] = {
    {"Asc", 1, 1, fnAsc},
    {"AscW", 1, 1, fnAscW},
    {"AscB", 1, 1, fnAscB},
    {"Chr", 1, 1, fnChr},
    {"ChrW", 1, 1, fnChrW},
    {"ChrB", 1, 1, fnChrB},
    {"InStr", 2, 4, fnInStr},
    {"InStrRev", 2, 4, fnInStrRev},
    {"Join", 1, 2, fnJoin},
    {"LCase", 1, 1, fnLCase},
    {"UCase", 1, 1, fnUCase},
    {"Left", 2, 2, fnLeft},
    {"Right", 2, 2, fnRight},
    {"Mid", 2, 3, fnMid},
    {"Len", 1, 1, fnLen},
    {"LenB", 1, 1, fnLenB},
    {"LTrim", 1, 1, fnLTrim},
    {"RTrim", 1, 1, fnRTrim},
    {"Trim", 1, 1, fnTrim},
    {"Replace", 3, 6, fnReplace},
    {"Split", 1, 4, fnSplit},
    {"Space", 1, 1, fnSpace},
    {"StrComp", 2, 3, fnStrComp},
    {"String", 2, 2, fnString},
    {"StrReverse", 1, 1, fnStrReverse},
    {"Filter", 2, 4, fnFilter},
    {"Escape", 1, 1, fnEscape},
    {"Unescape", 1, 1, fnUnescape},
};

} // namespace

std::span<const Builtin> stringBuiltins() {
  return kStringBuiltins;
}

} // namespace lib

automation::Variant midStatement(const automation::Variant& target,
                                 const automation::Variant& start,
                                 const automation::Variant& length,
                                 const automation::Variant& replacement) {
  namespace am = automation;
  if (target.isNull()) am::raise(am::err::kInvalidUseOfNull);
  std::string s = am::CStr(target.isObject() ? am::valueOf(target) : target);
  int32_t from = am::CLng(start);
  int64_t n = INT32_MAX;
  if (!length.isMissing()) {
    n = am::CLng(length);
    if (n < 0) am::raise(am::err::kInvalidProcedureCall);
  }
  std::string with = am::CStr(replacement);
  size_t len = lib::charLen(s);
  if (from < 1 || static_cast<size_t>(from) > len) am::raise(am::err::kInvalidProcedureCall);
  n = std::min<int64_t>(
      {n, static_cast<int64_t>(lib::charLen(with)), static_cast<int64_t>(len) - from + 1});
  size_t b = lib::byteOffset(s, static_cast<size_t>(from - 1));
  size_t e = b + lib::byteOffset(std::string_view(s).substr(b), static_cast<size_t>(n));
  std::string out = s.substr(0, b);
  out += with.substr(0, lib::byteOffset(with, static_cast<size_t>(n)));
  out += s.substr(e);
  return am::Variant(std::move(out));
}

} // namespace quillet::platform::vbscript
