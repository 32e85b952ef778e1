// Date and time functions. Serials are days since 30 December 1899; before that day the
// whole part is negative while the time of day is still a positive fraction, so arithmetic
// works on (day number, seconds into the day) and never on the raw serial.
#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/automation/object.h"
#include "platform/vbscript/lib_common.h"

namespace quillet::platform::vbscript::lib {

DayTime splitSerial(double serial) {
  DayTime dt;
  dt.day = static_cast<int64_t>(std::trunc(serial));
  dt.seconds = std::round(std::fabs(serial - static_cast<double>(dt.day)) * 86400.0);
  if (dt.seconds >= 86400) {
    dt.day += 1;
    dt.seconds = 0;
  }
  return dt;
}

double joinSerial(int64_t day, double seconds) {
  double f = seconds / 86400.0;
  return day >= 0 ? static_cast<double>(day) + f : static_cast<double>(day) - f;
}

namespace {

using am::Variant;

constexpr int64_t kFirstDay = -657434; // 1 January 100
constexpr int64_t kLastDay = 2958465;  // 31 December 9999

std::string twoDigits(int v) {
  std::string s = std::to_string(v);
  return s.size() < 2 ? "0" + s : s;
}

std::string padded(int v, bool lead) {
  return lead ? twoDigits(v) : std::to_string(v);
}

} // namespace

std::string shortDateText(double serial, const am::Locale& loc) {
  am::DateParts p = am::splitDate(static_cast<double>(splitSerial(serial).day));
  std::string d = padded(p.day, loc.dayLeadingZero), m = padded(p.month, loc.monthLeadingZero);
  std::string y = std::to_string(p.year);
  const std::string& s = loc.dateSeparator;
  switch (loc.dateOrder) {
  case am::DateOrder::DMY:
    return d + s + m + s + y;
  case am::DateOrder::YMD:
    return y + s + m + s + d;
  default:
    return m + s + d + s + y;
  }
}

std::string longDateText(double serial, const am::Locale& loc) {
  int64_t day = splitSerial(serial).day;
  am::DateParts p = am::splitDate(static_cast<double>(day));
  int wd = am::weekdayOf(static_cast<double>(day));
  const std::string& pat = loc.longDate;
  std::string out;
  for (size_t i = 0; i < pat.size();) {
    char c = pat[i];
    if (c == '\'') { // quoted literal
      size_t end = pat.find('\'', i + 1);
      if (end == std::string::npos) end = pat.size();
      out += pat.substr(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    char lc = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lc != 'd' && lc != 'm' && lc != 'y') {
      out += c;
      ++i;
      continue;
    }
    size_t n = 0;
    while (i + n < pat.size() && (pat[i + n] == c))
      ++n;
    i += n;
    if (lc == 'd') {
      if (n >= 4)
        out += loc.dayNames[wd - 1];
      else if (n == 3)
        out += loc.dayAbbrevs[wd - 1];
      else
        out += padded(p.day, n == 2);
    } else if (lc == 'm') {
      if (n >= 4)
        out += loc.monthNames[p.month - 1];
      else if (n == 3)
        out += loc.monthAbbrevs[p.month - 1];
      else
        out += padded(p.month, n == 2);
    } else {
      out += n <= 2 ? twoDigits(p.year % 100) : std::to_string(p.year);
    }
  }
  return out;
}

std::string longTimeText(double serial, const am::Locale& loc) {
  int secs = static_cast<int>(splitSerial(serial).seconds);
  int h = secs / 3600, m = secs / 60 % 60, s = secs % 60;
  const std::string& sep = loc.timeSeparator;
  if (!loc.hour12) return padded(h, loc.hourLeadingZero) + sep + twoDigits(m) + sep + twoDigits(s);
  int h12 = h % 12 == 0 ? 12 : h % 12;
  return padded(h12, loc.hourLeadingZero) + sep + twoDigits(m) + sep + twoDigits(s) + " " +
         (h < 12 ? loc.am : loc.pm);
}

std::string shortTimeText(double serial, const am::Locale& loc) {
  int secs = static_cast<int>(splitSerial(serial).seconds);
  return twoDigits(secs / 3600) + loc.timeSeparator + twoDigits(secs / 60 % 60);
}

namespace {

double dateArg(BuiltinCall& c, size_t i) {
  am::DateTime d{};
  if (int32_t e = am::tryCDate(value(c, i), d)) c.fail(e);
  return d.serial;
}

int64_t absSeconds(double serial) {
  DayTime dt = splitSerial(serial);
  return dt.day * 86400 + static_cast<int64_t>(dt.seconds);
}

Variant fromAbsSeconds(BuiltinCall& c, int64_t abs) {
  int64_t day = abs >= 0 ? abs / 86400 : -((-abs + 86399) / 86400);
  int64_t secs = abs - day * 86400;
  if (day < kFirstDay || day > kLastDay) return invalidCall(c);
  return Variant::fromDate(joinSerial(day, static_cast<double>(secs)));
}

int daysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

// The day number of a date, or 0 with error 5 recorded when it is out of range.
int64_t dayOf(BuiltinCall& c, int year, int month, int day) {
  std::optional<double> s = am::makeDate(year, month, day);
  if (!s) return invalidCall(c), 0;
  return static_cast<int64_t>(*s);
}

std::string intervalArg(BuiltinCall& c) {
  std::string s = strArg(c, 0);
  for (char& ch : s)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return s;
}

int firstDayArg(BuiltinCall& c, size_t i, const am::Locale& loc) {
  int32_t f = optLong(c, i, 1);
  if (c.failed()) return 1;
  if (f < 0 || f > 7) return invalidCall(c), 1;
  return f == 0 ? loc.firstDayOfWeek : f;
}

int firstWeekArg(BuiltinCall& c, size_t i) {
  int32_t f = optLong(c, i, 1);
  if (c.failed()) return 1;
  if (f < 0 || f > 3) return invalidCall(c), 1;
  return f == 0 ? 1 : f;
}

// Weekday counted from the given first day: 1 .. 7.
int weekdayFrom(int64_t day, int firstDay) {
  return (am::weekdayOf(static_cast<double>(day)) - firstDay + 7) % 7 + 1;
}

int64_t weekStart(int64_t day, int firstDay) {
  return day - (weekdayFrom(day, firstDay) - 1);
}

int64_t firstWeekStart(BuiltinCall& c, int year, int firstDay, int firstWeek) {
  int64_t jan1 = dayOf(c, year, 1, 1);
  int before = weekdayFrom(jan1, firstDay) - 1; // days of the week before 1 January
  switch (firstWeek) {
  case 2:
    return before <= 3 ? jan1 - before : jan1 - before + 7; // at least four days
  case 3:
    return before == 0 ? jan1 : jan1 - before + 7; // a full week
  default:
    return jan1 - before; // the week of 1 January
  }
}

Variant fnDateAdd(BuiltinCall& c) {
  std::string iv = intervalArg(c);
  double number = std::trunc(numArg(c, 1));
  if (c.failed()) return {};
  if (isNull(c, 2)) return Variant::null();
  double serial = dateArg(c, 2);
  if (c.failed()) return {};
  if (!(std::fabs(number) <= 1e10)) return invalidCall(c); // also refuses NaN
  auto n = static_cast<int64_t>(number);
  DayTime dt = splitSerial(serial);
  auto addMonths = [&](int64_t months) {
    am::DateParts p = am::splitDate(static_cast<double>(dt.day));
    int64_t total = static_cast<int64_t>(p.year) * 12 + (p.month - 1) + months;
    int64_t year = total >= 0 ? total / 12 : -((-total + 11) / 12);
    int month = static_cast<int>(total - year * 12) + 1;
    if (year < 100 || year > 9999) return invalidCall(c);
    int day = std::min(p.day, daysInMonth(static_cast<int>(year), month));
    int64_t d = dayOf(c, static_cast<int>(year), month, day);
    if (c.failed()) return Variant();
    return Variant::fromDate(joinSerial(d, dt.seconds));
  };
  if (iv == "yyyy") return addMonths(n * 12);
  if (iv == "q") return addMonths(n * 3);
  if (iv == "m") return addMonths(n);
  if (iv == "y" || iv == "d" || iv == "w") return fromAbsSeconds(c, absSeconds(serial) + n * 86400);
  if (iv == "ww") return fromAbsSeconds(c, absSeconds(serial) + n * 7 * 86400);
  if (iv == "h") return fromAbsSeconds(c, absSeconds(serial) + n * 3600);
  if (iv == "n") return fromAbsSeconds(c, absSeconds(serial) + n * 60);
  if (iv == "s") return fromAbsSeconds(c, absSeconds(serial) + n);
  return invalidCall(c);
}

int64_t floorDiv(int64_t a, int64_t b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

Variant fnDateDiff(BuiltinCall& c) {
  std::string iv = intervalArg(c);
  if (c.failed()) return {};
  if (isNull(c, 1) || isNull(c, 2)) return Variant::null();
  double s1 = dateArg(c, 1), s2 = dateArg(c, 2);
  if (c.failed()) return {};
  const am::Locale& loc = callLocale(c);
  int firstDay = firstDayArg(c, 3, loc);
  firstWeekArg(c, 4);
  if (c.failed()) return {};
  DayTime a = splitSerial(s1), b = splitSerial(s2);
  am::DateParts pa = am::splitDate(static_cast<double>(a.day));
  am::DateParts pb = am::splitDate(static_cast<double>(b.day));
  int64_t r;
  if (iv == "yyyy")
    r = pb.year - pa.year;
  else if (iv == "q")
    r = (pb.year * 4 + (pb.month - 1) / 3) - (pa.year * 4 + (pa.month - 1) / 3);
  else if (iv == "m")
    r = (pb.year * 12 + pb.month) - (pa.year * 12 + pa.month);
  else if (iv == "y" || iv == "d")
    r = b.day - a.day;
  else if (iv == "w")
    r = (b.day - a.day) / 7;
  else if (iv == "ww")
    r = (weekStart(b.day, firstDay) - weekStart(a.day, firstDay)) / 7;
  else if (iv == "h")
    r = floorDiv(absSeconds(s2), 3600) - floorDiv(absSeconds(s1), 3600);
  else if (iv == "n")
    r = floorDiv(absSeconds(s2), 60) - floorDiv(absSeconds(s1), 60);
  else if (iv == "s")
    r = absSeconds(s2) - absSeconds(s1);
  else
    return invalidCall(c);
  return Variant::fromInt64(r);
}

Variant fnDatePart(BuiltinCall& c) {
  std::string iv = intervalArg(c);
  if (c.failed()) return {};
  if (isNull(c, 1)) return Variant::null();
  double serial = dateArg(c, 1);
  if (c.failed()) return {};
  const am::Locale& loc = callLocale(c);
  int firstDay = firstDayArg(c, 2, loc);
  int firstWeek = firstWeekArg(c, 3);
  if (c.failed()) return {};
  DayTime dt = splitSerial(serial);
  am::DateParts p = am::splitDate(static_cast<double>(dt.day));
  int secs = static_cast<int>(dt.seconds);
  int r;
  if (iv == "yyyy")
    r = p.year;
  else if (iv == "q")
    r = (p.month - 1) / 3 + 1;
  else if (iv == "m")
    r = p.month;
  else if (iv == "y")
    r = static_cast<int>(dt.day - dayOf(c, p.year, 1, 1)) + 1;
  else if (iv == "d")
    r = p.day;
  else if (iv == "w")
    r = weekdayFrom(dt.day, firstDay);
  else if (iv == "ww") {
    int64_t start = firstWeekStart(c, p.year, firstDay, firstWeek);
    if (dt.day < start) start = firstWeekStart(c, p.year - 1, firstDay, firstWeek);
    r = static_cast<int>((dt.day - start) / 7) + 1;
  } else if (iv == "h")
    r = secs / 3600;
  else if (iv == "n")
    r = secs / 60 % 60;
  else if (iv == "s")
    r = secs % 60;
  else
    return invalidCall(c);
  if (c.failed()) return {};
  return Variant(static_cast<int16_t>(r));
}

// Three Integer arguments, or false with the error recorded.
bool threeIntegers(BuiltinCall& c, int32_t (&out)[3]) {
  for (size_t i = 0; i < 3; ++i) {
    int16_t n;
    if (int32_t e = am::tryCInt(value(c, i), n)) return c.fail(e), false;
    out[i] = n;
  }
  return true;
}

Variant fnDateSerial(BuiltinCall& c) {
  int32_t ymd[3];
  if (!threeIntegers(c, ymd)) return {};
  int32_t y = ymd[0], m = ymd[1], d = ymd[2];
  if (y >= 0 && y <= 29)
    y += 2000;
  else if (y >= 30 && y <= 99)
    y += 1900;
  std::optional<double> s = am::makeDate(y, m, d);
  if (!s) return invalidCall(c);
  return Variant::fromDate(*s);
}

Variant fnTimeSerial(BuiltinCall& c) {
  int32_t hms[3];
  if (!threeIntegers(c, hms)) return {};
  int64_t total = static_cast<int64_t>(hms[0]) * 3600 + static_cast<int64_t>(hms[1]) * 60 + hms[2];
  return fromAbsSeconds(c, total);
}

Variant fnDateValue(BuiltinCall& c) {
  if (isNull(c, 0)) return Variant::null();
  double serial = dateArg(c, 0);
  if (c.failed()) return {};
  return Variant::fromDate(joinSerial(splitSerial(serial).day, 0));
}

Variant fnTimeValue(BuiltinCall& c) {
  if (isNull(c, 0)) return Variant::null();
  double serial = dateArg(c, 0);
  if (c.failed()) return {};
  return Variant::fromDate(joinSerial(0, splitSerial(serial).seconds));
}

template <int Part> Variant datePartOf(BuiltinCall& c) {
  if (isNull(c, 0)) return Variant::null();
  double serial = dateArg(c, 0);
  if (c.failed()) return {};
  DayTime dt = splitSerial(serial);
  int secs = static_cast<int>(dt.seconds);
  am::DateParts p = am::splitDate(static_cast<double>(dt.day));
  int r = Part == 0   ? p.year
          : Part == 1 ? p.month
          : Part == 2 ? p.day
          : Part == 3 ? secs / 3600
          : Part == 4 ? secs / 60 % 60
                      : secs % 60;
  return Variant(static_cast<int16_t>(r));
}

Variant fnWeekday(BuiltinCall& c) {
  if (isNull(c, 0)) return Variant::null();
  int firstDay = firstDayArg(c, 1, callLocale(c));
  if (c.failed()) return {};
  double serial = dateArg(c, 0);
  if (c.failed()) return {};
  return Variant(static_cast<int16_t>(weekdayFrom(splitSerial(serial).day, firstDay)));
}

Variant fnMonthName(BuiltinCall& c) {
  int32_t m = longArg(c, 0);
  if (c.failed()) return {};
  if (m < 1 || m > 12) return invalidCall(c);
  bool abbrev = false;
  if (c.has(1))
    if (int32_t e = am::tryCBool(value(c, 1), abbrev)) return c.fail(e);
  const am::Locale& loc = callLocale(c);
  return Variant(abbrev ? loc.monthAbbrevs[m - 1] : loc.monthNames[m - 1]);
}

Variant fnWeekdayName(BuiltinCall& c) {
  int32_t w = longArg(c, 0);
  if (c.failed()) return {};
  if (w < 1 || w > 7) return invalidCall(c);
  bool abbrev = false;
  if (c.has(1))
    if (int32_t e = am::tryCBool(value(c, 1), abbrev)) return c.fail(e);
  const am::Locale& loc = callLocale(c);
  int firstDay = firstDayArg(c, 2, loc);
  if (c.failed()) return {};
  int index = (w - 1 + firstDay - 1) % 7;
  return Variant(abbrev ? loc.dayAbbrevs[index] : loc.dayNames[index]);
}

Variant fnIsDate(BuiltinCall& c) {
  Variant v = c.arg(0);
  if (v.isObject() && !v.isNothing()) {
    try {
      v = am::valueOf(v);
    } catch (const am::Error&) {
      return Variant(false);
    }
  }
  if (v.type() == am::VarType::Date) return Variant(true);
  if (v.isString()) return Variant(am::parseDate(v.asString(), callLocale(c)).has_value());
  return Variant(false);
}

struct LocalNow {
  int64_t day;
  double seconds;
};

LocalNow localNow() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  auto day =
      static_cast<int64_t>(am::makeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday).value_or(0));
  return {day, tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec};
}

Variant fnDate(BuiltinCall&) {
  return Variant::fromDate(joinSerial(localNow().day, 0));
}
Variant fnTime(BuiltinCall&) {
  return Variant::fromDate(joinSerial(0, localNow().seconds));
}
Variant fnNow(BuiltinCall&) {
  LocalNow n = localNow();
  return Variant::fromDate(joinSerial(n.day, n.seconds));
}
Variant fnTimer(BuiltinCall&) {
  return Variant(static_cast<float>(timerSeconds()));
}

const Builtin kDateBuiltins[] = {
    {"Date", 0, 0, fnDate},
    {"Time", 0, 0, fnTime},
    {"Now", 0, 0, fnNow},
    {"Timer", 0, 0, fnTimer},
    {"DateAdd", 3, 3, fnDateAdd},
    {"DateDiff", 3, 5, fnDateDiff},
    {"DatePart", 2, 4, fnDatePart},
    {"DateSerial", 3, 3, fnDateSerial},
    {"DateValue", 1, 1, fnDateValue},
    {"TimeSerial", 3, 3, fnTimeSerial},
    {"TimeValue", 1, 1, fnTimeValue},
    {"Year", 1, 1, datePartOf<0>},
    {"Month", 1, 1, datePartOf<1>},
    {"Day", 1, 1, datePartOf<2>},
    {"Hour", 1, 1, datePartOf<3>},
    {"Minute", 1, 1, datePartOf<4>},
    {"Second", 1, 1, datePartOf<5>},
    {"Weekday", 1, 2, fnWeekday},
    {"MonthName", 1, 2, fnMonthName},
    {"WeekdayName", 1, 3, fnWeekdayName},
    {"IsDate", 1, 1, fnIsDate},
};

} // namespace

std::span<const Builtin> dateBuiltins() {
  return kDateBuiltins;
}

} // namespace quillet::platform::vbscript::lib
