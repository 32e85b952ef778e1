#include "lib_helpers.h"

namespace vbslib_test {
namespace {

class Format : public LibTest {};

TEST_F(Format, NumberWithGroupingLeadingDigitAndParentheses) {
  check({
      {"FormatNumber", {D(1234567.891)}, "String:1,234,567.89"},
      {"FormatNumber", {D(1234567.891), L(0)}, "String:1,234,568"},
      {"FormatNumber", {D(-1234.5), L(2), I(-2), I(-1)}, "String:(1,234.50)"},
      {"FormatNumber", {D(-1234.5), L(2), I(-2), I(0)}, "String:-1,234.50"},
      {"FormatNumber", {D(1234.5), L(1), I(-2), I(-2), I(0)}, "String:1234.5"},
      {"FormatNumber", {D(0.5), L(2), I(0)}, "String:.50"},
      {"FormatNumber", {D(-0.5), L(2), I(0)}, "String:-.50"},
      {"FormatNumber", {D(0.5), L(2), I(-1)}, "String:0.50"},
      {"FormatNumber", {D(2.5), L(0)}, "String:3"}, // formatting rounds half away from zero
      {"FormatNumber", {D(0.125), L(2)}, "String:0.13"},
      {"FormatNumber", {D(-0.001), L(2)}, "String:0.00"},
      {"FormatNumber", {D(999.999), L(2)}, "String:1,000.00"},
      {"FormatNumber", {D(1e20), L(0)}, "String:100,000,000,000,000,000,000"},
      // Fifteen significant digits first, a tie after them going to the even digit; then
      // half away from zero to the places asked for.
      {"FormatNumber", {D(1234567890123455.0), L(0)}, "String:1,234,567,890,123,460"},
      {"FormatNumber", {D(1234567890123445.0), L(0)}, "String:1,234,567,890,123,440"},
      {"FormatNumber", {D(5e-324), L(2)}, "String:0.00"},
      {"FormatNumber", {D(0.000123), L(5)}, "String:0.00012"},
      {"FormatNumber", {S("1,234.5")}, "String:1,234.50"},
      {"FormatNumber", {S("abc")}, "err:13"},
      {"FormatNumber", {D(1), L(-3)}, "err:5"},
      {"FormatPercent", {D(0.1234)}, "String:12.34%"},
      {"FormatPercent", {D(-0.5), L(0), I(-2), I(-1)}, "String:(50%)"},
      {"FormatCurrency", {D(1234.5)}, "String:$1,234.50"},
      {"FormatCurrency", {D(-1234.5)}, "String:($1,234.50)"},
      {"FormatCurrency", {D(-1234.5), L(2), I(-2), I(0)}, "String:-$1,234.50"},
      {"FormatCurrency", {D(0.5), L(0)}, "String:$1"},
  });
}

TEST_F(Format, NumbersUnderEuropeanLocales) {
  setLocale(1031);
  check({
      {"FormatNumber", {D(1234567.891)}, "String:1.234.567,89"},
      {"FormatCurrency", {D(-1234.5)}, "String:-1.234,50 \xE2\x82\xAC"},
      {"FormatPercent", {D(0.5)}, "String:50,00%"},
  });
  setLocale(1036);
  EXPECT_EQ(am::CStr(call("FormatNumber", {D(1234.5)})), "1\xC2\xA0"
                                                         "234,50");
}

TEST_F(Format, DateTimeKinds) {
  Variant d = date(2024, 3, 5, 14, 7, 9);
  check({
      {"FormatDateTime", {d}, "String:3/5/2024 2:07:09 PM"},
      {"FormatDateTime", {d, L(1)}, "String:Tuesday, March 5, 2024"},
      {"FormatDateTime", {d, L(2)}, "String:3/5/2024"},
      {"FormatDateTime", {d, L(3)}, "String:2:07:09 PM"},
      {"FormatDateTime", {d, L(4)}, "String:14:07"},
      {"FormatDateTime", {date(1899, 12, 30), L(2)}, "String:12/30/1899"},
      {"FormatDateTime", {date(1899, 12, 30), L(0)}, "String:12:00:00 AM"},
      {"FormatDateTime", {d, L(5)}, "err:5"},
  });
  setLocale(2057);
  EXPECT_EQ(am::CStr(call("FormatDateTime", {d, L(1)})), "05 March 2024");
  EXPECT_EQ(am::CStr(call("FormatDateTime", {d, L(3)})), "14:07:09");
}

} // namespace
} // namespace vbslib_test
