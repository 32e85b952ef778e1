#include "platform/automation/convert.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <vector>

#include "platform/automation/context.h"
#include "platform/automation/error.h"
#include "platform/automation/object.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"

namespace quillet::platform::automation {

const Locale& currentLocale() {
  return Context::current().locale;
}

double roundHalfEven(double x) {
  double r = std::nearbyint(x); // the default rounding mode is to nearest, ties to even
  return r == 0 ? 0.0 : r;
}

namespace {

// The value behind an object used as a plain value, or the value itself; null for Nothing.
const Variant* plain(const Variant& d, Variant& holder) {
  if (d.type() != VarType::Object) return &d;
  if (d.isNothing()) return nullptr;
  holder = valueOf(d);
  return &holder;
}

// A throwing form of a non-throwing conversion.
template <class T> T orRaise(int32_t (*convert)(const Variant&, T&), const Variant& v) {
  T r{};
  if (int32_t e = convert(v, r)) raise(e);
  return r;
}

// Numbers and dates in text may be surrounded by any of C's white space.
std::string_view trim(std::string_view s) {
  return text::trim(s, text::kCWhitespace);
}

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool startsWith(std::string_view s, std::string_view p) {
  return !p.empty() && s.size() >= p.size() && s.substr(0, p.size()) == p;
}

bool endsWith(std::string_view s, std::string_view p) {
  return !p.empty() && s.size() >= p.size() && s.substr(s.size() - p.size()) == p;
}

std::optional<double> parseRadix(std::string_view digits, int radix) {
  if (digits.empty()) return std::nullopt;
  uint64_t v = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return std::nullopt;
    if (d >= radix) return std::nullopt;
    v = v * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  // Like literals: four hex digits are a 16-bit number, more a 32-bit one.
  bool small = radix == 16 ? digits.size() <= 4 : v <= 0xFFFF;
  if (small && v <= 0xFFFF)
    return static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(v)));
  return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
}

} // namespace

std::optional<double> parseNumber(std::string_view text) {
  return parseNumber(text, currentLocale());
}

std::optional<double> parseNumber(std::string_view text, const Locale& loc) {
  double v;
  int32_t e = tryParseNumber(text, loc, v);
  if (e == err::kOverflow) raise(e);
  if (e) return std::nullopt;
  return v;
}

namespace {
// Whole numbers written as bare digits with at most a leading sign are most of the numeric
// text scripts convert (counters, ids, form fields). Up to 2^53 they are exact as a Double,
// so summing the digits gives what the general parse and strtod give; anything else (blanks,
// separators, exponents, currency, longer digit runs) is left to the general parse.
bool parsePlainWhole(std::string_view s, double& out) {
  size_t i = 0;
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    i = 1;
  }
  size_t digits = s.size() - i;
  if (digits == 0 || digits > 16) return false;
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    unsigned d = static_cast<unsigned char>(s[i]) - unsigned{'0'};
    if (d > 9) return false;
    v = v * 10 + d;
  }
  if (v > (uint64_t{1} << 53)) return false;
  double r = static_cast<double>(v);
  out = negative ? -r : r;
  return true;
}

// Kept out of line so the plain whole numbers pay for none of its frame.
[[gnu::noinline]] int32_t parseGeneral(std::string_view text, const Locale& loc, double& out) {
  std::string_view s = trim(text);
  if (s.empty()) return err::kTypeMismatch;
  if (s.size() > 2 && s[0] == '&') {
    std::optional<double> r;
    if (s[1] == 'H' || s[1] == 'h') r = parseRadix(s.substr(2), 16);
    if (s[1] == 'O' || s[1] == 'o') r = parseRadix(s.substr(2), 8);
    if (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o') {
      if (!r) return err::kTypeMismatch;
      out = *r;
      return 0;
    }
  }
  bool negative = false;
  if (s.front() == '(' && s.back() == ')') {
    negative = true;
    s = trim(s.substr(1, s.size() - 2));
  }
  if (startsWith(s, loc.currencySymbol))
    s = trim(s.substr(loc.currencySymbol.size()));
  else if (endsWith(s, loc.currencySymbol))
    s = trim(s.substr(0, s.size() - loc.currencySymbol.size()));
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    if (s.front() == '-') negative = !negative;
    s = trim(s.substr(1));
  } else if (!s.empty() && (s.back() == '-' || s.back() == '+')) {
    if (s.back() == '-') negative = !negative;
    s = trim(s.substr(0, s.size() - 1));
  }
  if (startsWith(s, loc.currencySymbol)) s = trim(s.substr(loc.currencySymbol.size()));
  // Build a plain C number: digits, '.', exponent.
  std::string plainText;
  bool digits = false, seenDecimal = false, seenExp = false;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      plainText += c;
      digits = true;
      ++i;
    } else if (!seenDecimal && !seenExp && startsWith(s.substr(i), loc.decimal)) {
      plainText += '.';
      seenDecimal = true;
      i += loc.decimal.size();
    } else if (!seenDecimal && !seenExp && digits && startsWith(s.substr(i), loc.group)) {
      i += loc.group.size();
    } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && digits && !seenExp) {
      seenExp = true;
      plainText += 'e';
      ++i;
      if (i < s.size() && (s[i] == '+' || s[i] == '-')) plainText += s[i++];
      if (i >= s.size() || s[i] < '0' || s[i] > '9') return err::kTypeMismatch;
    } else {
      return err::kTypeMismatch;
    }
  }
  if (!digits) return err::kTypeMismatch;
  char* end = nullptr;
  double v = std::strtod(plainText.c_str(), &end);
  if (!end || *end != '\0') return err::kTypeMismatch;
  if (std::isinf(v)) return err::kOverflow;
  out = negative ? -v : v;
  return 0;
}
} // namespace

int32_t tryParseNumber(std::string_view text, const Locale& loc, double& out) {
  if (parsePlainWhole(text, out)) return 0;
  return parseGeneral(text, loc, out);
}

namespace {
// The number of a plain value (no object).
int32_t numberOf(const Variant& d, double& out) {
  switch (d.type()) {
  case VarType::Empty:
    out = 0;
    return 0;
  case VarType::Null:
    return err::kInvalidUseOfNull;
  case VarType::Boolean:
    out = d.asBool() ? -1 : 0;
    return 0;
  case VarType::Byte:
    out = d.asByte();
    return 0;
  case VarType::Integer:
    out = d.asInteger();
    return 0;
  case VarType::Long:
    out = d.asLong();
    return 0;
  case VarType::Single:
    out = d.asSingle();
    return 0;
  case VarType::Double:
    out = d.asDouble();
    return 0;
  case VarType::Currency:
    out = d.asCurrency().toDouble();
    return 0;
  case VarType::Date:
    out = d.asDate().serial;
    return 0;
  case VarType::String:
    return tryParseNumber(d.asString(), currentLocale(), out);
  default:
    return err::kTypeMismatch;
  }
}
} // namespace

int32_t tryCDbl(const Variant& v, double& out) {
  Variant holder;
  const Variant* d = plain(v, holder);
  if (!d) return err::kObjectNotSet;
  return numberOf(*d, out);
}

double toNumber(const Variant& v) {
  return orRaise(tryCDbl, v);
}

int32_t tryCBool(const Variant& v, bool& out) {
  Variant holder;
  const Variant* p = plain(v, holder);
  if (!p) return err::kObjectNotSet;
  const Variant& d = *p;
  switch (d.type()) {
  case VarType::Boolean:
    out = d.asBool();
    return 0;
  case VarType::String: {
    std::string_view s = trim(d.asString());
    if (text::equalsNoCase(s, "True") || text::equalsNoCase(s, "#TRUE#")) {
      out = true;
      return 0;
    }
    if (text::equalsNoCase(s, "False") || text::equalsNoCase(s, "#FALSE#")) {
      out = false;
      return 0;
    }
    double n;
    if (int32_t e = tryParseNumber(s, currentLocale(), n)) return e;
    out = n != 0;
    return 0;
  }
  case VarType::Currency:
    out = d.asCurrency().scaled != 0;
    return 0;
  default: {
    double n;
    if (int32_t e = numberOf(d, n)) return e;
    out = n != 0;
    return 0;
  }
  }
}

bool CBool(const Variant& v) {
  return orRaise(tryCBool, v);
}

namespace {
template <class T> int32_t integral(const Variant& v, T& out) {
  Variant holder;
  const Variant* p = plain(v, holder);
  if (!p) return err::kObjectNotSet;
  const Variant& d = *p;
  if (d.type() == VarType::Currency) {
    // Exact: round the scaled value half to even.
    int64_t s = d.asCurrency().scaled;
    int64_t q = s / Currency::kScale, r = s % Currency::kScale;
    if (r > 5000 || (r == 5000 && (q & 1)))
      ++q;
    else if (r < -5000 || (r == -5000 && (q & 1)))
      --q;
    if (q < std::numeric_limits<T>::min() || q > std::numeric_limits<T>::max())
      return err::kOverflow;
    out = static_cast<T>(q);
    return 0;
  }
  double x;
  if (int32_t e = numberOf(d, x)) return e;
  if (std::isnan(x)) return err::kOverflow;
  double r = roundHalfEven(x);
  if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
      r > static_cast<double>(std::numeric_limits<T>::max()))
    return err::kOverflow;
  out = static_cast<T>(r);
  return 0;
}
} // namespace

int32_t tryCByte(const Variant& v, uint8_t& out) {
  return integral(v, out);
}
int32_t tryCInt(const Variant& v, int16_t& out) {
  return integral(v, out);
}
int32_t tryCLng(const Variant& v, int32_t& out) {
  return integral(v, out);
}
uint8_t CByte(const Variant& v) {
  return orRaise(tryCByte, v);
}
int16_t CInt(const Variant& v) {
  return orRaise(tryCInt, v);
}
int32_t CLng(const Variant& v) {
  return orRaise(tryCLng, v);
}

int32_t tryCSng(const Variant& v, float& out) {
  double d;
  if (int32_t e = tryCDbl(v, d)) return e;
  if (std::fabs(d) > FLT_MAX) return err::kOverflow;
  out = static_cast<float>(d);
  return 0;
}
float CSng(const Variant& v) {
  return orRaise(tryCSng, v);
}

double CDbl(const Variant& v) {
  return toNumber(v);
}

int32_t tryCCur(const Variant& v, Currency& out) {
  Variant holder;
  const Variant* p = plain(v, holder);
  if (!p) return err::kObjectNotSet;
  const Variant& d = *p;
  if (d.type() == VarType::Currency) {
    out = d.asCurrency();
    return 0;
  }
  double x;
  if (int32_t e = numberOf(d, x)) return e;
  double r = roundHalfEven(x * Currency::kScale);
  if (!(r >= -9.2233720368547758e18 && r < 9.2233720368547758e18)) return err::kOverflow;
  out = Currency{static_cast<int64_t>(r)};
  return 0;
}
Currency CCur(const Variant& v) {
  return orRaise(tryCCur, v);
}

int32_t tryCDate(const Variant& v, DateTime& out) {
  Variant holder;
  const Variant* p = plain(v, holder);
  if (!p) return err::kObjectNotSet;
  const Variant& d = *p;
  if (d.type() == VarType::Date) {
    out = d.asDate();
    return 0;
  }
  if (d.type() == VarType::String) {
    auto serial = parseDate(d.asString(), currentLocale());
    if (!serial) return err::kTypeMismatch;
    out = DateTime{*serial};
    return 0;
  }
  double x;
  if (int32_t e = numberOf(d, x)) return e;
  if (x < -657434.0 || x >= 2958466.0) return err::kOverflow;
  out = DateTime{x};
  return 0;
}
DateTime CDate(const Variant& v) {
  return orRaise(tryCDate, v);
}

std::string formatDouble(double d, const Locale& loc, int significant) {
  if (d == 0) return "0";
  if (std::isnan(d)) return "-1.#IND";
  if (std::isinf(d)) return d > 0 ? "1.#INF" : "-1.#INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*G", significant, d);
  std::string s(buf);
  if (loc.decimal != ".") {
    size_t p = s.find('.');
    if (p != std::string::npos) s.replace(p, 1, loc.decimal);
  }
  return s;
}

std::string formatCurrency(Currency c, const Locale& loc) {
  int64_t s = c.scaled;
  bool neg = s < 0;
  uint64_t a = neg ? uint64_t(0) - static_cast<uint64_t>(s) : static_cast<uint64_t>(s);
  std::string out = (neg ? "-" : "") + std::to_string(a / Currency::kScale);
  uint64_t frac = a % Currency::kScale;
  if (frac) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04u", static_cast<unsigned>(frac));
    std::string f(buf);
    while (!f.empty() && f.back() == '0')
      f.pop_back();
    out += loc.decimal + f;
  }
  return out;
}

int32_t tryCStr(const Variant& v, std::string& out) {
  Variant holder;
  const Variant* p = plain(v, holder);
  if (!p) return err::kObjectNotSet;
  const Variant& d = *p;
  char digits[12];
  if (auto whole = wholeNumberText(d, digits)) {
    out.assign(*whole); // no locale, no second string
    return 0;
  }
  switch (d.type()) {
  case VarType::Empty:
    out.clear();
    return 0;
  case VarType::Null:
    return err::kInvalidUseOfNull;
  case VarType::Boolean:
    out = d.asBool() ? "True" : "False";
    return 0;
  case VarType::Single:
    out = formatDouble(d.asSingle(), currentLocale(), 7);
    return 0;
  case VarType::Double:
    out = formatDouble(d.asDouble(), currentLocale(), 15);
    return 0;
  case VarType::Currency:
    out = formatCurrency(d.asCurrency(), currentLocale());
    return 0;
  case VarType::Date:
    out = formatDate(d.asDate().serial, currentLocale());
    return 0;
  case VarType::String:
    out = d.asString();
    return 0;
  case VarType::Error:
    out = "Error " + std::to_string(d.asErrorCode() & 0xFFFF);
    return 0;
  default:
    return err::kTypeMismatch;
  }
}

std::string CStr(const Variant& v) {
  std::string r;
  if (int32_t e = tryCStr(v, r)) raise(e);
  return r;
}

// --- dates --------------------------------------------------------------------------------

namespace {
// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const int64_t kEpoch = daysFromCivil(1899, 12, 30);

int64_t floorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}
} // namespace

std::optional<double> makeDate(int year, int month, int day, int hour, int minute, double second) {
  int64_t y = year, m = month;
  y += floorDiv(m - 1, 12);
  m = m - 1 - floorDiv(m - 1, 12) * 12 + 1;
  int64_t days = daysFromCivil(y, m, 1) + (day - 1) - kEpoch;
  double secs = hour * 3600.0 + minute * 60.0 + second;
  int64_t extraDays = static_cast<int64_t>(std::floor(secs / 86400.0));
  days += extraDays;
  secs -= static_cast<double>(extraDays) * 86400.0;
  double frac = secs / 86400.0;
  double serial = days < 0 ? static_cast<double>(days) - frac : static_cast<double>(days) + frac;
  if (serial < -657434.0 || serial >= 2958466.0) return std::nullopt;
  return serial;
}

DateParts splitDate(double serial) {
  double whole = std::trunc(serial);
  double frac = std::fabs(serial - whole);
  int64_t secs = static_cast<int64_t>(std::llround(frac * 86400.0));
  int64_t days = static_cast<int64_t>(whole);
  if (secs >= 86400) {
    secs -= 86400;
    days += serial < 0 ? -1 : 1;
  }
  DateParts p;
  civilFromDays(days + kEpoch, p.year, p.month, p.day);
  p.hour = static_cast<int>(secs / 3600);
  p.minute = static_cast<int>(secs / 60 % 60);
  p.second = static_cast<int>(secs % 60);
  return p;
}

int weekdayOf(double serial) {
  int64_t days = static_cast<int64_t>(std::trunc(serial));
  return static_cast<int>(((days % 7 + 7) % 7 + 6) % 7 + 1);
}

namespace {
std::string pad2(int v, bool lead) {
  std::string s = std::to_string(v);
  return (lead && s.size() < 2) ? "0" + s : s;
}
} // namespace

std::string formatDate(double serial, const Locale& loc) {
  DateParts p = splitDate(serial);
  double whole = std::trunc(serial);
  bool hasTime = p.hour || p.minute || p.second;
  std::string date, time;
  if (whole != 0 || !hasTime) {
    std::string d = pad2(p.day, loc.dayLeadingZero), m = pad2(p.month, loc.monthLeadingZero);
    std::string y = std::to_string(p.year);
    const std::string& s = loc.dateSeparator;
    switch (loc.dateOrder) {
    case DateOrder::MDY:
      date = m + s + d + s + y;
      break;
    case DateOrder::DMY:
      date = d + s + m + s + y;
      break;
    case DateOrder::YMD:
      date = y + s + m + s + d;
      break;
    }
  }
  if (hasTime || whole == 0) {
    int h = p.hour;
    std::string suffix;
    if (loc.hour12) {
      suffix = " " + (h < 12 ? loc.am : loc.pm);
      h = h % 12;
      if (h == 0) h = 12;
    }
    time = pad2(h, loc.hourLeadingZero) + loc.timeSeparator + pad2(p.minute, true) +
           loc.timeSeparator + pad2(p.second, true) + suffix;
  }
  if (whole == 0 && hasTime) return time;
  if (whole == 0 && !hasTime) return time; // midnight of day zero shows as a time
  if (!hasTime) return date;
  return date + " " + time;
}

namespace {
struct DateToken {
  enum Kind { Number, Word, Colon, Sep } kind;
  std::string text;
  int value = 0;
  int digits = 0;
};

int monthFromWord(const std::string& w, const Locale& loc) {
  for (const Locale* l : {&loc, &Locale::invariant()}) {
    for (int i = 0; i < 12; ++i) {
      if (text::equalsNoCase(w, l->monthNames[static_cast<size_t>(i)])) return i + 1;
      std::string a = l->monthAbbrevs[static_cast<size_t>(i)];
      if (!a.empty() && a.back() == '.') a.pop_back();
      if (!a.empty() && text::equalsNoCase(w, a)) return i + 1;
    }
  }
  return 0;
}

bool isDayWord(const std::string& w, const Locale& loc) {
  for (const Locale* l : {&loc, &Locale::invariant()})
    for (size_t i = 0; i < 7; ++i)
      if (text::equalsNoCase(w, l->dayNames[i]) || text::equalsNoCase(w, l->dayAbbrevs[i]))
        return true;
  return false;
}

// Dates written without a year fall in the current one.
int currentYear() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

int fullYear(const DateToken& t) {
  if (t.digits <= 2) return t.value < 30 ? 2000 + t.value : 1900 + t.value;
  return t.value;
}
} // namespace

std::optional<double> parseDate(std::string_view textIn, const Locale& loc) {
  std::string_view s = trim(textIn);
  if (s.size() >= 2 && s.front() == '#' && s.back() == '#') s = trim(s.substr(1, s.size() - 2));
  if (s.empty()) return std::nullopt;
  std::vector<DateToken> toks;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (std::isdigit(c)) {
      DateToken t{DateToken::Number, {}, 0, 0};
      while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        if (t.digits < 9) t.value = t.value * 10 + (s[i] - '0');
        ++t.digits;
        t.text += s[i++];
      }
      toks.push_back(t);
    } else if (std::isalpha(c) || c >= 0x80) {
      DateToken t{DateToken::Word, {}, 0, 0};
      while (i < s.size() && (std::isalpha(static_cast<unsigned char>(s[i])) ||
                              static_cast<unsigned char>(s[i]) >= 0x80))
        t.text += s[i++];
      if (i < s.size() && s[i] == '.') ++i; // abbreviations like "Jan."
      toks.push_back(t);
    } else if (c == ':' || startsWith(s.substr(i), loc.timeSeparator)) {
      toks.push_back({DateToken::Colon, ":", 0, 0});
      i += (c == ':') ? 1 : loc.timeSeparator.size();
    } else if (c == '/' || c == '-' || c == '.' || c == ',' || isBlank(static_cast<char>(c))) {
      if (c != ',' && !isBlank(static_cast<char>(c)))
        toks.push_back({DateToken::Sep, std::string(1, static_cast<char>(c)), 0, 0});
      ++i;
    } else {
      return std::nullopt;
    }
  }
  // Time: number ':' number [':' number] [AM|PM].
  int hour = 0, minute = 0, second = 0;
  bool hasTime = false;
  std::vector<DateToken> rest;
  for (size_t i = 0; i < toks.size(); ++i) {
    if (toks[i].kind == DateToken::Number && i + 2 < toks.size() + 0 && i + 1 < toks.size() &&
        toks[i + 1].kind == DateToken::Colon) {
      if (hasTime || i + 2 >= toks.size() || toks[i + 2].kind != DateToken::Number)
        return std::nullopt;
      hasTime = true;
      hour = toks[i].value;
      minute = toks[i + 2].value;
      i += 2;
      if (i + 2 < toks.size() && toks[i + 1].kind == DateToken::Colon &&
          toks[i + 2].kind == DateToken::Number) {
        second = toks[i + 2].value;
        i += 2;
      }
      if (i + 1 < toks.size() && toks[i + 1].kind == DateToken::Word) {
        const std::string& w = toks[i + 1].text;
        bool am = text::equalsNoCase(w, "AM") || text::equalsNoCase(w, "A") ||
                  (!loc.am.empty() && text::equalsNoCase(w, loc.am));
        bool pm = text::equalsNoCase(w, "PM") || text::equalsNoCase(w, "P") ||
                  (!loc.pm.empty() && text::equalsNoCase(w, loc.pm));
        if (am || pm) {
          if (hour < 1 || hour > 12) return std::nullopt;
          if (am && hour == 12) hour = 0;
          if (pm && hour != 12) hour += 12;
          ++i;
        }
      }
      if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
      continue;
    }
    if (toks[i].kind == DateToken::Number && i + 1 < toks.size() &&
        toks[i + 1].kind == DateToken::Word) {
      // "10 PM" without minutes.
      const std::string& w = toks[i + 1].text;
      bool am = text::equalsNoCase(w, "AM"), pm = text::equalsNoCase(w, "PM");
      if (am || pm) {
        if (hasTime || toks[i].value < 1 || toks[i].value > 12) return std::nullopt;
        hasTime = true;
        hour = toks[i].value % 12 + (pm ? 12 : 0);
        ++i;
        continue;
      }
    }
    rest.push_back(toks[i]);
  }
  std::vector<DateToken> nums, words;
  for (const DateToken& t : rest) {
    if (t.kind == DateToken::Number)
      nums.push_back(t);
    else if (t.kind == DateToken::Word) {
      if (isDayWord(t.text, loc)) continue;
      words.push_back(t);
    }
  }
  int year = 1899, month = 12, day = 30;
  bool hasDate = false;
  if (words.size() > 1) return std::nullopt;
  if (words.size() == 1) {
    month = monthFromWord(words[0].text, loc);
    if (!month) return std::nullopt;
    hasDate = true;
    if (nums.size() == 2) {
      // "January 31, 2024" / "31 January 2024" / "2024 January 31"
      if (nums[0].digits >= 3) {
        year = nums[0].value;
        day = nums[1].value;
      } else {
        day = nums[0].value;
        year = fullYear(nums[1]);
      }
    } else if (nums.size() == 1) {
      if (nums[0].value > 31 || nums[0].digits >= 3) {
        year = fullYear(nums[0]);
        day = 1;
      } else {
        day = nums[0].value;
        year = currentYear();
      }
    } else {
      return std::nullopt;
    }
  } else if (nums.size() == 3) {
    hasDate = true;
    int a = nums[0].value, b = nums[1].value;
    if (nums[0].digits >= 3 || a > 31) {
      year = nums[0].digits >= 3 ? a : fullYear(nums[0]);
      month = b;
      day = nums[2].value;
    } else {
      year = fullYear(nums[2]);
      if (loc.dateOrder == DateOrder::DMY) {
        day = a;
        month = b;
      } else {
        month = a;
        day = b;
      }
      // An impossible month with a possible day: read the other way round.
      if (month > 12 && day <= 12) std::swap(month, day);
    }
  } else if (nums.size() == 2) {
    hasDate = true;
    int a = nums[0].value, b = nums[1].value;
    if (nums[1].digits >= 3 || (b > 31 && a <= 12)) {
      month = a;
      year = fullYear(nums[1]);
      day = 1;
    } else {
      year = currentYear();
      if (loc.dateOrder == DateOrder::DMY) {
        day = a;
        month = b;
      } else {
        month = a;
        day = b;
      }
      if (month > 12 && day <= 12) std::swap(month, day);
    }
  } else if (!nums.empty()) {
    return std::nullopt;
  }
  if (!hasDate && !hasTime) return std::nullopt;
  if (hasDate) {
    if (month < 1 || month > 12 || day < 1 || year < 100 || year > 9999) return std::nullopt;
    static const int mdays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int maxDay = month == 2 ? (leap ? 29 : 28) : mdays[month - 1];
    if (day > maxDay) return std::nullopt;
  }
  return makeDate(year, month, day, hour, minute, second);
}

} // namespace quillet::platform::automation
