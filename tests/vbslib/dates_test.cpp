#include <cmath>

#include "lib_helpers.h"

namespace vbslib_test {
namespace {

const Variant kNull = Variant::null();

class Dates : public LibTest {};

TEST_F(Dates, DateAddClampsToTheMonthEnd) {
  check({
      {"DateAdd", {S("m"), L(1), date(2024, 1, 31)}, "Date:2/29/2024"},
      {"DateAdd", {S("m"), L(1), date(2023, 1, 31)}, "Date:2/28/2023"},
      {"DateAdd", {S("M"), L(-1), date(2024, 3, 31, 10, 30)}, "Date:2/29/2024 10:30:00 AM"},
      {"DateAdd", {S("yyyy"), L(1), date(2024, 2, 29)}, "Date:2/28/2025"},
      {"DateAdd", {S("q"), L(1), date(2024, 11, 30)}, "Date:2/28/2025"},
      {"DateAdd", {S("d"), L(-1), date(2024, 3, 1)}, "Date:2/29/2024"},
      {"DateAdd", {S("ww"), L(2), date(2024, 12, 25)}, "Date:1/8/2025"},
      {"DateAdd", {S("h"), L(25), date(2024, 1, 1)}, "Date:1/2/2024 1:00:00 AM"},
      {"DateAdd", {S("n"), L(-1), date(2024, 1, 1)}, "Date:12/31/2023 11:59:00 PM"},
      {"DateAdd", {S("s"), L(90), date(1899, 12, 30)}, "Date:12:01:30 AM"},
      // Before the epoch the time of day still counts forward.
      {"DateAdd", {S("h"), L(6), date(1899, 12, 29)}, "Date:12/29/1899 6:00:00 AM"},
      {"DateAdd", {S("d"), D(1.9), date(2024, 1, 1)}, "Date:1/2/2024"},
      {"DateAdd", {S("x"), L(1), date(2024, 1, 1)}, "err:5"},
      {"DateAdd", {S("yyyy"), L(8000), date(2024, 1, 1)}, "err:5"},
      {"DateAdd", {S("d"), L(1), S("1/31/2024")}, "Date:2/1/2024"},
      {"DateAdd", {S("d"), L(1), kNull}, "Null"},
  });
}

TEST_F(Dates, DateDiffCountsBoundaries) {
  check({
      {"DateDiff", {S("yyyy"), date(2023, 12, 31), date(2024, 1, 1)}, "Long:1"},
      {"DateDiff", {S("yyyy"), date(2024, 1, 1), date(2024, 12, 31)}, "Long:0"},
      {"DateDiff", {S("m"), date(2023, 11, 30), date(2024, 2, 1)}, "Long:3"},
      {"DateDiff", {S("q"), date(2023, 12, 31), date(2024, 1, 1)}, "Long:1"},
      {"DateDiff", {S("d"), date(2024, 1, 1, 23), date(2024, 1, 2, 1)}, "Long:1"},
      {"DateDiff", {S("d"), date(2024, 1, 10), date(2024, 1, 1)}, "Long:-9"},
      {"DateDiff", {S("h"), date(2024, 1, 1, 10, 59), date(2024, 1, 1, 11, 0)}, "Long:1"},
      {"DateDiff", {S("n"), date(2024, 1, 1, 10, 0, 59), date(2024, 1, 1, 10, 1)}, "Long:1"},
      {"DateDiff", {S("s"), date(2023, 12, 31, 23, 59, 59), date(2024, 1, 1)}, "Long:1"},
      // Saturday 30 December 2023 to Tuesday 2 January 2024.
      {"DateDiff", {S("w"), date(2023, 12, 30), date(2024, 1, 2)}, "Long:0"},
      {"DateDiff", {S("ww"), date(2023, 12, 30), date(2024, 1, 2)}, "Long:1"},
      {"DateDiff", {S("ww"), date(2023, 12, 30), date(2024, 1, 2), I(2)}, "Long:1"},
      {"DateDiff", {S("ww"), date(2023, 12, 31), date(2024, 1, 2), I(2)}, "Long:1"},
      {"DateDiff", {S("ww"), date(2023, 12, 31), date(2024, 1, 2), I(1)}, "Long:0"},
      {"DateDiff", {S("ww"), date(2024, 1, 1), date(2024, 1, 7), I(3)}, "Long:1"},
      {"DateDiff", {S("w"), date(2024, 1, 1), date(2024, 1, 15)}, "Long:2"},
      {"DateDiff", {S("w"), date(2024, 1, 15), date(2024, 1, 1)}, "Long:-2"},
      {"DateDiff", {S("ww"), date(2024, 1, 15), date(2024, 1, 1)}, "Long:-2"},
      {"DateDiff", {S("yyyy"), date(1899, 12, 29, 12), date(1900, 1, 1)}, "Long:1"},
      {"DateDiff", {S("d"), date(1899, 12, 29, 18), date(1899, 12, 30, 6)}, "Long:1"},
      {"DateDiff", {S("h"), date(1899, 12, 29, 18), date(1899, 12, 30, 6)}, "Long:12"},
      {"DateDiff", {S("ww"), date(2024, 1, 1), date(2024, 1, 2), I(8)}, "err:5"},
      {"DateDiff", {S("d"), kNull, date(2024, 1, 1)}, "Null"},
  });
}

TEST_F(Dates, DatePartWeekRules) {
  check({
      {"DatePart", {S("ww"), date(2024, 1, 1)}, "Integer:1"},
      {"DatePart", {S("ww"), date(2024, 12, 31)}, "Integer:53"},
      {"DatePart", {S("ww"), date(2021, 1, 3), I(2), I(2)}, "Integer:53"},
      {"DatePart", {S("ww"), date(2021, 1, 4), I(2), I(2)}, "Integer:1"},
      {"DatePart", {S("ww"), date(2023, 1, 1), I(2), I(3)}, "Integer:52"},
      {"DatePart", {S("ww"), date(2023, 1, 2), I(2), I(3)}, "Integer:1"},
      {"DatePart", {S("w"), date(2024, 1, 1)}, "Integer:2"},
      {"DatePart", {S("w"), date(2024, 1, 1), I(2)}, "Integer:1"},
      {"DatePart", {S("y"), date(2024, 12, 31)}, "Integer:366"},
      {"DatePart", {S("q"), date(2024, 8, 1)}, "Integer:3"},
      {"DatePart", {S("n"), date(2024, 8, 1, 13, 45, 10)}, "Integer:45"},
      {"DatePart", {S("yy"), date(2024, 8, 1)}, "err:5"},
  });
}

TEST_F(Dates, SerialsPartsAndNames) {
  check({
      {"DateSerial", {L(2024), L(14), L(1)}, "Date:2/1/2025"},
      {"DateSerial", {L(2024), L(3), L(0)}, "Date:2/29/2024"},
      {"DateSerial", {L(29), L(1), L(1)}, "Date:1/1/2029"},
      {"DateSerial", {L(30), L(1), L(1)}, "Date:1/1/1930"},
      {"DateSerial", {L(10000), L(1), L(1)}, "err:5"},
      {"TimeSerial", {L(13), L(65), L(0)}, "Date:2:05:00 PM"},
      {"TimeSerial", {L(0), L(0), L(-1)}, "Date:12/29/1899 11:59:59 PM"},
      {"DateValue", {S("2/29/2024 10:00")}, "Date:2/29/2024"},
      {"TimeValue", {S("2/29/2024 10:00")}, "Date:10:00:00 AM"},
      {"Year", {date(2024, 2, 29, 23, 59, 58)}, "Integer:2024"},
      {"Month", {date(2024, 2, 29)}, "Integer:2"},
      {"Day", {S("2/29/2024")}, "Integer:29"},
      {"Hour", {date(2024, 2, 29, 23, 59, 58)}, "Integer:23"},
      {"Minute", {date(2024, 2, 29, 23, 59, 58)}, "Integer:59"},
      {"Second", {date(2024, 2, 29, 23, 59, 58)}, "Integer:58"},
      {"Hour", {date(1899, 12, 29, 6)}, "Integer:6"},
      {"Day", {kNull}, "Null"},
      {"Weekday", {date(2024, 1, 1)}, "Integer:2"},
      {"Weekday", {date(2024, 1, 1), I(2)}, "Integer:1"},
      {"MonthName", {L(2)}, "String:February"},
      {"MonthName", {L(2), Variant(true)}, "String:Feb"},
      {"MonthName", {L(13)}, "err:5"},
      {"WeekdayName", {L(1)}, "String:Sunday"},
      {"WeekdayName", {L(1), Variant(true), I(2)}, "String:Mon"},
      {"WeekdayName", {L(0)}, "err:5"},
      {"IsDate", {S("2/29/2024")}, "Boolean:True"},
      {"IsDate", {S("2/30/2024")}, "Boolean:False"},
      {"IsDate", {S("hello")}, "Boolean:False"},
      {"IsDate", {date(2024, 1, 1)}, "Boolean:True"},
      {"IsDate", {L(5)}, "Boolean:False"},
      {"CDate", {S("March 5, 2024")}, "Date:3/5/2024"},
  });
}

TEST_F(Dates, NamesAndTextFollowTheLocale) {
  setLocale(1031);
  check({
      {"MonthName", {L(3)}, "String:M\xC3\xA4rz"},
      {"WeekdayName", {L(1)}, "String:Sonntag"},
      {"FormatDateTime", {date(2024, 3, 5, 14, 7, 9), L(0)}, "String:05.03.2024 14:07:09"},
      {"FormatDateTime", {date(2024, 3, 5), L(1)}, "String:Dienstag, 5. M\xC3\xA4rz 2024"},
      {"CDate", {S("5.3.2024")}, "Date:05.03.2024"},
  });
  EXPECT_EQ(am::CLng(call("Month", {S("5.3.2024")})), 3);
}

TEST_F(Dates, ClockFunctionsAgree) {
  double now = am::CDate(call("Now")).serial;
  double today = am::CDate(call("Date")).serial;
  double time = am::CDate(call("Time")).serial;
  EXPECT_EQ(std::floor(now), today);
  EXPECT_NEAR(now - today, time, 2.0 / 86400);
  EXPECT_EQ(call("Timer").type(), am::VarType::Single);
  double timer = am::CDbl(call("Timer"));
  EXPECT_GE(timer, 0.0);
  EXPECT_LT(timer, 86401.0);
}

} // namespace
} // namespace vbslib_test
