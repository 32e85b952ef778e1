#include <gtest/gtest.h>

#include "support/errors.h"

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/automation/operators.h"

using namespace quillet::platform::automation;
using quillet::testing::errorOf;

namespace {

class OperatorsTest : public ::testing::Test {
protected:
  Context::Scope scope;
};

struct Result {
  VarType type;
  std::string text;
};

Result r(const Variant& v) {
  return {v.type(), v.isNull() ? "Null" : CStr(v)};
}

TEST_F(OperatorsTest, ArithmeticResultTypesAndPromotion) {
  struct Case {
    const char* name;
    Variant got;
    VarType type;
    const char* text;
  };
  const Case cases[] = {
      {"int+int", opAdd(Variant(int16_t(1)), Variant(int16_t(2))), VarType::Integer, "3"},
      {"int overflow to long", opAdd(Variant(int16_t(32767)), Variant(int16_t(1))), VarType::Long,
       "32768"},
      {"long overflow to double", opAdd(Variant(int32_t(2147483647)), Variant(int16_t(1))),
       VarType::Double, "2147483648"},
      {"byte overflow to int", opAdd(Variant(uint8_t(255)), Variant(uint8_t(1))), VarType::Integer,
       "256"},
      {"byte*byte", opMul(Variant(uint8_t(2)), Variant(uint8_t(3))), VarType::Byte, "6"},
      {"bool+bool", opAdd(Variant(true), Variant(true)), VarType::Integer, "-2"},
      {"empty+empty", opAdd(Variant(), Variant()), VarType::Integer, "0"},
      {"empty+long", opAdd(Variant(), Variant(int32_t(5))), VarType::Long, "5"},
      {"empty+string", opAdd(Variant(), Variant("x")), VarType::String, "x"},
      {"str+str", opAdd(Variant("1"), Variant("2")), VarType::String, "12"},
      {"str+num", opAdd(Variant("1"), Variant(int16_t(2))), VarType::Double, "3"},
      {"single+long", opAdd(Variant(1.5f), Variant(int32_t(1))), VarType::Double, "2.5"},
      {"single+int", opAdd(Variant(1.5f), Variant(int16_t(1))), VarType::Single, "2.5"},
      {"date+num", opAdd(Variant::fromDate(45322), Variant(int16_t(1))), VarType::Date, "2/1/2024"},
      {"date-date", opSub(Variant::fromDate(45322), Variant::fromDate(45320)), VarType::Double,
       "2"},
      {"cur*cur", opMul(Variant(Currency{15000}), Variant(Currency{15000})), VarType::Currency,
       "2.25"},
      {"div", opDiv(Variant(int16_t(1)), Variant(int16_t(3))), VarType::Double,
       "0.333333333333333"},
      {"intdiv", opIntDiv(Variant(7.5), Variant(int16_t(2))), VarType::Long, "4"},
      {"intdiv ints", opIntDiv(Variant(int16_t(7)), Variant(int16_t(2))), VarType::Integer, "3"},
      {"mod sign", opMod(Variant(int16_t(-7)), Variant(int16_t(3))), VarType::Integer, "-1"},
      {"mod rounds", opMod(Variant(5.5), Variant(int16_t(4))), VarType::Long, "2"},
      {"pow", opPow(Variant(int16_t(2)), Variant(int16_t(10))), VarType::Double, "1024"},
      {"neg int min", opNeg(Variant(int16_t(-32768))), VarType::Long, "32768"},
      {"neg empty", opNeg(Variant()), VarType::Integer, "0"},
      {"concat num", opConcat(Variant(int16_t(1)), Variant(2.5)), VarType::String, "12.5"},
      {"concat null", opConcat(Variant::null(), Variant("a")), VarType::String, "a"},
      {"not int", opNot(Variant(int16_t(0))), VarType::Integer, "-1"},
      {"and bool", opAnd(Variant(true), Variant(false)), VarType::Boolean, "False"},
      {"and int", opAnd(Variant(int16_t(12)), Variant(int16_t(10))), VarType::Integer, "8"},
      {"or long", opOr(Variant(int32_t(1)), Variant(int16_t(2))), VarType::Long, "3"},
      {"null and false", opAnd(Variant::null(), Variant(false)), VarType::Boolean, "False"},
      {"null or true", opOr(Variant::null(), Variant(true)), VarType::Boolean, "True"},
      {"imp", opImp(Variant(true), Variant(false)), VarType::Boolean, "False"},
      {"eqv", opEqv(Variant(false), Variant(false)), VarType::Boolean, "True"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Result got = r(c.got);
    EXPECT_EQ(got.type, c.type);
    EXPECT_EQ(got.text, c.text);
  }
}

TEST_F(OperatorsTest, NullPropagatesAndErrorsAreVbs) {
  for (auto op : {opAdd, opSub, opMul, opDiv, opIntDiv, opMod, opPow, opXor})
    EXPECT_TRUE(op(Variant::null(), Variant(int16_t(1))).isNull());
  EXPECT_TRUE(opAnd(Variant::null(), Variant(true)).isNull());
  EXPECT_TRUE(opConcat(Variant::null(), Variant::null()).isNull());
  EXPECT_TRUE(opNeg(Variant::null()).isNull());
  EXPECT_EQ(errorOf([] { opDiv(Variant(int16_t(1)), Variant(int16_t(0))); }), 11);
  EXPECT_EQ(errorOf([] { opDiv(Variant(), Variant()); }), 6);
  EXPECT_EQ(errorOf([] { opIntDiv(Variant(int16_t(1)), Variant(0.4)); }), 11);
  EXPECT_EQ(errorOf([] { opAdd(Variant("a"), Variant(int16_t(1))); }), 13);
  EXPECT_EQ(errorOf([] { opMul(Variant(1e300), Variant(1e300)); }), 6);
  EXPECT_EQ(errorOf([] { opAdd(Variant(Currency{INT64_MAX}), Variant(Currency{1})); }), 6);
}

TEST_F(OperatorsTest, Comparisons) {
  struct Case {
    const char* name;
    Variant a, b;
    CompareMode mode;
    int expected; // -1, 0, 1; 2 = Null
  };
  const Case cases[] = {
      {"ints", Variant(int16_t(1)), Variant(int32_t(2)), CompareMode::Binary, -1},
      {"int vs double", Variant(int16_t(2)), Variant(2.0), CompareMode::Binary, 0},
      {"number below text", Variant(int16_t(5)), Variant("5"), CompareMode::Binary, -1},
      {"text above number", Variant("1"), Variant(100.0), CompareMode::Binary, 1},
      {"empty is zero", Variant(), Variant(int16_t(0)), CompareMode::Binary, 0},
      {"empty is empty text", Variant(), Variant(""), CompareMode::Binary, 0},
      {"empty below text", Variant(), Variant("a"), CompareMode::Binary, -1},
      {"binary case", Variant("a"), Variant("B"), CompareMode::Binary, 1},
      {"text case", Variant("a"), Variant("B"), CompareMode::Text, -1},
      {"text equal", Variant("\xC3\x84rger"), Variant("\xC3\xA4RGER"), CompareMode::Text, 0},
      {"bool numeric", Variant(true), Variant(int16_t(-1)), CompareMode::Binary, 0},
      {"null", Variant::null(), Variant(int16_t(1)), CompareMode::Binary, 2},
      {"dates", Variant::fromDate(2), Variant::fromDate(1), CompareMode::Binary, 1},
      {"currency", Variant(Currency{10001}), Variant(Currency{10000}), CompareMode::Binary, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto got = compare(c.a, c.b, c.mode);
    EXPECT_EQ(got ? *got : 2, c.expected);
  }
  EXPECT_TRUE(opEq(Variant::null(), Variant::null()).isNull());
  EXPECT_TRUE(isTrue(opLe(Variant(int16_t(1)), Variant(int16_t(1)))));
  EXPECT_FALSE(isTrue(Variant::null()));
}

} // namespace
