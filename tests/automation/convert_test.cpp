#include <gtest/gtest.h>

#include "support/errors.h"

#include <cmath>

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"

using namespace quillet::platform::automation;
using quillet::testing::errorOf;

namespace {

class ConvertTest : public ::testing::Test {
protected:
  Context::Scope scope;
};

TEST_F(ConvertTest, WholeNumbersRoundHalfToEvenAndOverflowAtTheEdges) {
  struct Case {
    Variant in;
    int expected; // value when err == 0
    int err;
  };
  const Case intCases[] = {
      {Variant(2.5), 2, 0},
      {Variant(3.5), 4, 0},
      {Variant(-2.5), -2, 0},
      {Variant(-3.5), -4, 0},
      {Variant(0.5), 0, 0},
      {Variant(1.5), 2, 0},
      {Variant(32767.4), 32767, 0},
      {Variant(32767.5), 0, 6},
      {Variant(-32768.5), -32768, 0},
      {Variant(-32768.6), 0, 6},
      {Variant("12"), 12, 0},
      {Variant(" 7 "), 7, 0},
      {Variant("2.5"), 2, 0},
      {Variant("abc"), 0, 13},
      {Variant(""), 0, 13},
      {Variant(true), -1, 0},
      {Variant(), 0, 0},
      {Variant::null(), 0, 94},
      {Variant(Currency{25000}), 2, 0},
      {Variant(Currency{35000}), 4, 0},
      {Variant("&HFF"), 255, 0},
      {Variant("&HFFFF"), -1, 0},
      {Variant("1e3"), 1000, 0},
      {Variant("(5)"), -5, 0},
  };
  for (const Case& c : intCases) {
    SCOPED_TRACE(c.in.isString() ? c.in.asString() : std::to_string(c.in.varType()));
    int16_t got = 0;
    int e = errorOf([&] { got = CInt(c.in); });
    EXPECT_EQ(e, c.err);
    if (!c.err) {
      EXPECT_EQ(got, c.expected);
    }
  }
  EXPECT_EQ(CLng(Variant(2147483647.4)), 2147483647);
  EXPECT_EQ(errorOf([] { CLng(Variant(2147483647.5)); }), 6);
  EXPECT_EQ(errorOf([] { CLng(Variant(-2147483648.6)); }), 6);
  EXPECT_EQ(CLng(Variant(-2147483648.4)), -2147483647 - 1);
  EXPECT_EQ(CByte(Variant(255.4)), 255);
  EXPECT_EQ(errorOf([] { CByte(Variant(255.5)); }), 6);
  EXPECT_EQ(CByte(Variant(-0.5)), 0);
  EXPECT_EQ(errorOf([] { CByte(Variant(-0.6)); }), 6);
}

TEST_F(ConvertTest, BooleansFromTextAndNumbers) {
  EXPECT_TRUE(CBool(Variant("True")));
  EXPECT_TRUE(CBool(Variant("tRUE")));
  EXPECT_FALSE(CBool(Variant("False")));
  EXPECT_TRUE(CBool(Variant("1")));
  EXPECT_FALSE(CBool(Variant("0")));
  EXPECT_TRUE(CBool(Variant(0.1)));
  EXPECT_FALSE(CBool(Variant()));
  EXPECT_EQ(errorOf([] { CBool(Variant("yes")); }), 13);
  EXPECT_EQ(errorOf([] { CBool(Variant::null()); }), 94);
}

TEST_F(ConvertTest, NumberTextMatchesVb) {
  struct Case {
    Variant in;
    const char* text;
  };
  const Case cases[] = {
      {Variant(1.0 / 3.0), "0.333333333333333"},
      {Variant(1e20), "1E+20"},
      {Variant(0.1 + 0.2), "0.3"},
      {Variant(1e15), "1E+15"},
      {Variant(1e14), "100000000000000"},
      {Variant(123456789012345678.0), "1.23456789012346E+17"},
      {Variant(0.0001), "0.0001"},
      {Variant(0.00001), "1E-05"},
      {Variant(-2.5), "-2.5"},
      {Variant(-0.0), "0"},
      {Variant(static_cast<float>(0.1)), "0.1"},
      {Variant(static_cast<float>(1.0 / 3.0)), "0.3333333"},
      {Variant(Currency{15000}), "1.5"},
      {Variant(Currency{-12345}), "-1.2345"},
      {Variant(int16_t(-32768)), "-32768"},
      {Variant(true), "True"},
      {Variant(), ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CStr(c.in), c.text);
  EXPECT_EQ(errorOf([] { CStr(Variant::null()); }), 94);
}

TEST_F(ConvertTest, LocaleDecidesSeparators) {
  Context::current().locale = *Locale::byLcid(1031);
  EXPECT_EQ(CStr(Variant(1.5)), "1,5");
  EXPECT_DOUBLE_EQ(CDbl(Variant("1,5")), 1.5);
  EXPECT_DOUBLE_EQ(CDbl(Variant("1.234,5")), 1234.5);
  Context::current().locale = *Locale::byLcid(1033);
  EXPECT_DOUBLE_EQ(CDbl(Variant("1,5")), 15); // a group separator in English
  EXPECT_DOUBLE_EQ(CDbl(Variant("$1,234.50")), 1234.5);
}

// Bare digit runs take a shortcut; texts on either side of its limits must read as the full
// rules read them.
TEST_F(ConvertTest, NumericTextAtTheEdgesOfPlainDigits) {
  struct Case {
    int lcid;
    const char* text;
    double expected; // when err == 0
    int err;
  };
  const Case cases[] = {
      {1033, "12", 12, 0},
      {1033, "007", 7, 0},
      {1033, "-12", -12, 0},
      {1033, "+12", 12, 0},
      {1033, "12-", -12, 0},
      {1033, "- 12", -12, 0},
      {1033, " 12", 12, 0},
      {1033, "12\t", 12, 0},
      {1033, "9007199254740992", 9007199254740992.0, 0},
      {1033, "9007199254740993", 9007199254740992.0, 0}, // rounds as a Double does
      {1033, "18446744073709551617", 18446744073709551616.0, 0},
      {1033, "1,000", 1000, 0},
      {1033, "1.5", 1.5, 0},
      {1033, "1e3", 1000, 0},
      {1033, "&h10", 16, 0},
      {1033, "$12", 12, 0},
      {1033, "(12)", -12, 0},
      {1031, "1.000", 1000, 0},
      {1031, "12", 12, 0},
      {1031, "-1,5", -1.5, 0},
      {1033, "", 0, 13},
      {1033, "-", 0, 13},
      {1033, "+", 0, 13},
      {1033, "--1", 0, 13},
      {1033, "1-2", 0, 13},
      {1033, "12a", 0, 13},
      {1033, "\xEF\xBC\x91", 0, 13}, // a full-width digit one
      {1033, "1e400", 0, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " in " + std::to_string(c.lcid));
    double got = -1;
    EXPECT_EQ(tryParseNumber(c.text, *Locale::byLcid(c.lcid), got), c.err);
    if (!c.err) {
      EXPECT_EQ(got, c.expected);
    }
  }
  // A negative zero keeps its sign whichever way it is read.
  for (const char* text : {"-0", "-000", " -0", "0-"}) {
    double got = 1;
    ASSERT_EQ(tryParseNumber(text, Locale::invariant(), got), 0) << text;
    EXPECT_TRUE(got == 0 && std::signbit(got)) << text;
  }
  std::string huge(400, '9');
  double got = 0;
  EXPECT_EQ(tryParseNumber(huge, Locale::invariant(), got), 6);
  EXPECT_EQ(tryParseNumber("-" + huge, Locale::invariant(), got), 6);
}

TEST_F(ConvertTest, DateTextRoundTrips) {
  const char* texts[] = {
      "1/31/2024", "12/30/1899 1:05:09 PM", "2/29/2000 11:59:59 PM", "3:04:05 AM", "1/1/100",
      "12/31/9999"};
  for (const char* t : texts) {
    SCOPED_TRACE(t);
    DateTime d = CDate(Variant(t));
    EXPECT_EQ(CStr(Variant(d)), t == std::string("12/30/1899 1:05:09 PM") ? "1:05:09 PM" : t);
  }
  EXPECT_EQ(CStr(Variant::fromDate(0)), "12:00:00 AM");
  EXPECT_EQ(CStr(Variant::fromDate(45322.5)), "1/31/2024 12:00:00 PM");
  // Before the epoch the fraction is still a positive time of day.
  EXPECT_EQ(CStr(Variant::fromDate(-1.25)), "12/29/1899 6:00:00 AM");
  EXPECT_DOUBLE_EQ(CDate(Variant("2024-01-31")).serial, 45322);
  EXPECT_DOUBLE_EQ(CDate(Variant("January 31, 2024")).serial, 45322);
  EXPECT_DOUBLE_EQ(CDate(Variant("31 Jan 2024")).serial, 45322);
  EXPECT_EQ(errorOf([] { CDate(Variant("2/30/2024")); }), 13);
  EXPECT_EQ(errorOf([] { CDate(Variant("soon")); }), 13);
  Context::current().locale = *Locale::byLcid(1031);
  EXPECT_DOUBLE_EQ(CDate(Variant("31.01.2024")).serial, 45322);
  EXPECT_EQ(CStr(Variant::fromDate(45322.75)), "31.01.2024 18:00:00");
}

TEST_F(ConvertTest, DateSerialsRollOver) {
  EXPECT_DOUBLE_EQ(*makeDate(2024, 13, 1), *makeDate(2025, 1, 1));
  EXPECT_DOUBLE_EQ(*makeDate(2024, 3, 0), *makeDate(2024, 2, 29));
  EXPECT_DOUBLE_EQ(*makeDate(2024, 0, 1), *makeDate(2023, 12, 1));
  EXPECT_FALSE(makeDate(10000, 1, 1));
  EXPECT_EQ(weekdayOf(0), 7);     // 30 December 1899 was a Saturday
  EXPECT_EQ(weekdayOf(45322), 4); // 31 January 2024 was a Wednesday
  DateParts p = splitDate(45322.99998);
  EXPECT_EQ(p.day, 31);
  EXPECT_EQ(p.second, 58);
  // Times round to the nearest second, which can be the next day.
  EXPECT_EQ(splitDate(45322.999999).day, 1);
}

} // namespace
