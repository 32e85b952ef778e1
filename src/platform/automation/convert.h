#pragma once
// VB's conversion rules in one place: the C* functions (banker's rounding, overflow 6, type
// mismatch 13, Null 94), numeric text parsing, number-to-text and date text. Everything that
// converts values (ConvertValue, the condition evaluator, the script engine) uses these.
#include <charconv>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/automation/locale.h"
#include "platform/automation/variant.h"

namespace quillet::platform::automation {

bool CBool(const Variant& v);
uint8_t CByte(const Variant& v);
int16_t CInt(const Variant& v);
int32_t CLng(const Variant& v);
float CSng(const Variant& v);
double CDbl(const Variant& v);
Currency CCur(const Variant& v);
DateTime CDate(const Variant& v);
std::string CStr(const Variant& v);

// The same conversions without exceptions, for the script engine's library: the error number
// (13, 6, 94, 91) or 0, the result in `out`. Reading an object's default member runs native
// code, which may still throw.
int32_t tryCBool(const Variant& v, bool& out);
int32_t tryCByte(const Variant& v, uint8_t& out);
int32_t tryCInt(const Variant& v, int16_t& out);
int32_t tryCLng(const Variant& v, int32_t& out);
int32_t tryCSng(const Variant& v, float& out);
int32_t tryCDbl(const Variant& v, double& out);
int32_t tryCCur(const Variant& v, Currency& out);
int32_t tryCDate(const Variant& v, DateTime& out);
int32_t tryCStr(const Variant& v, std::string& out);

// The text of a whole number (Byte, Integer, Long) as CStr writes it, put in `buf` without
// allocating; nullopt for other subtypes. Keys and ids join such numbers to texts in loops.
inline std::optional<std::string_view> wholeNumberText(const Variant& v, std::span<char, 12> buf) {
  int32_t n;
  switch (v.type()) {
  case VarType::Long:
    n = v.asLong();
    break;
  case VarType::Integer:
    n = v.asInteger();
    break;
  case VarType::Byte:
    n = v.asByte();
    break;
  default:
    return std::nullopt;
  }
  auto r = std::to_chars(buf.data(), buf.data() + buf.size(), n);
  return std::string_view(buf.data(), static_cast<size_t>(r.ptr - buf.data()));
}

// Rounds half to even, as VB rounds when converting to whole numbers.
double roundHalfEven(double x);

// The numeric value of a Variant (Boolean True is -1, Empty 0, Date its serial, numeric text
// parsed); error 13 for other text and objects without a default value, 94 for Null.
double toNumber(const Variant& v);

// Parses numeric text as VB does: surrounding blanks, a sign, group separators, the decimal
// separator, an exponent, "&H"/"&O" prefixes, a currency symbol and parentheses for
// negatives. nullopt when the text is not numeric.
std::optional<double> parseNumber(std::string_view text, const Locale& loc);
std::optional<double> parseNumber(std::string_view text);
// As parseNumber, without exceptions: 0, 13 when the text is not numeric, 6 when its value
// is beyond a Double.
int32_t tryParseNumber(std::string_view text, const Locale& loc, double& out);

// Number text as CStr writes it: 15 significant digits for Double, 7 for Single,
// exponent form "1E+20" beyond that, the locale's decimal separator.
std::string formatDouble(double d, const Locale& loc, int significant = 15);
std::string formatCurrency(Currency c, const Locale& loc);

// Date parts and serials.
struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};
// The serial of a date and time; months and days outside their ranges roll over as
// DateSerial does. nullopt outside 1 January 100 .. 31 December 9999.
std::optional<double> makeDate(int year, int month, int day, int hour = 0, int minute = 0,
                               double second = 0);
DateParts splitDate(double serial);
// 1 = Sunday .. 7 = Saturday.
int weekdayOf(double serial);
// Date text as CStr writes it: date only when there is no time, time only when the date is
// 30/12/1899, else both, in the locale's short forms.
std::string formatDate(double serial, const Locale& loc);
// Parses date text (short dates in the locale's order, ISO dates, month names, times with
// AM/PM); nullopt when it is not a date.
std::optional<double> parseDate(std::string_view text, const Locale& loc);

// The locale of the current context.
const Locale& currentLocale();

} // namespace quillet::platform::automation
