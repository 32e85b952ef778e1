#include "lib_helpers.h"
#include "platform/automation/members.h"
#include "platform/ui/ui.h"

namespace vbslib_test {
namespace {

const Variant kNull = Variant::null();

class Numbers : public LibTest {};

TEST_F(Numbers, RoundingIsBankersAndKeepsTheSubtype) {
  check({
      {"Round", {D(2.5)}, "Double:2"},
      {"Round", {D(3.5)}, "Double:4"},
      {"Round", {D(-2.5)}, "Double:-2"},
      {"Round", {D(1.2345), L(2)}, "Double:1.23"},
      {"Round", {D(0.125), L(2)}, "Double:0.12"},
      {"Round", {Variant(2.5f)}, "Single:2"},
      {"Round", {I(7)}, "Integer:7"},
      {"Round", {S("2.5")}, "Double:2"},
      {"Round", {Variant(am::Currency{25000})}, "Currency:2"},
      {"Round", {kNull}, "Null"},
      {"Round", {D(1.5), L(-1)}, "err:5"},
      {"CInt", {D(2.5)}, "Integer:2"},
      {"CInt", {D(3.5)}, "Integer:4"},
      {"CInt", {D(32767.5)}, "err:6"},
      {"CInt", {kNull}, "err:94"},
      {"CInt", {S("abc")}, "err:13"},
      {"CLng", {S(" 12 ")}, "Long:12"},
      {"CByte", {L(256)}, "err:6"},
      {"CBool", {S("True")}, "Boolean:True"},
      {"CBool", {L(0)}, "Boolean:False"},
      {"CDbl", {S("1e3")}, "Double:1000"},
      {"CStr", {Variant(true)}, "String:True"},
      {"Fix", {D(-2.7)}, "Double:-2"},
      {"Fix", {D(-0.5)}, "Double:0"},
      {"Int", {D(-0.0)}, "Double:0"},
      {"Int", {D(-2.7)}, "Double:-3"},
      {"Int", {I(-3)}, "Integer:-3"},
      {"Int", {S("-2.5")}, "Double:-3"},
      {"Fix", {kNull}, "Null"},
      {"Int", {date(2024, 1, 31, 12)}, "Date:1/31/2024"},
      {"Abs", {I(-5)}, "Integer:5"},
      {"Abs", {I(-32768)}, "Long:32768"},
      {"Abs", {D(-1.5)}, "Double:1.5"},
      {"Abs", {kNull}, "Null"},
      {"Abs", {Variant()}, "Integer:0"},
      {"Sgn", {D(-0.1)}, "Integer:-1"},
      {"Sgn", {L(0)}, "Integer:0"},
  });
}

TEST_F(Numbers, CIntReadsTheLocalesSeparators) {
  EXPECT_EQ(run("CInt", {S("1,5")}), "Integer:15"); // "," groups digits in English
  EXPECT_EQ(run("CDbl", {S("1,234.5")}), "Double:1234.5");
  setLocale(1031);
  EXPECT_EQ(run("CInt", {S("1,5")}), "Integer:2"); // and is the decimal point in German
  EXPECT_EQ(run("CInt", {S("2,5")}), "Integer:2");
  EXPECT_EQ(run("CDbl", {S("1.234,5")}), "Double:1234,5");
  EXPECT_EQ(run("IsNumeric", {S("1,5")}), "Boolean:True");
  EXPECT_EQ(am::CLng(call("GetLocale")), 1031);
  EXPECT_EQ(am::CLng(call("SetLocale", {S("en-US")})), 1031);
  EXPECT_EQ(run("CInt", {S("1,5")}), "Integer:15");
  EXPECT_EQ(err("SetLocale", {L(99999)}), 5);
}

TEST_F(Numbers, HexAndOctFollowTheSubtypeWidth) {
  check({
      {"Hex", {I(-1)}, "String:FFFF"},
      {"Hex", {L(-1)}, "String:FFFFFFFF"},
      {"Hex", {L(255)}, "String:FF"},
      {"Hex", {D(-32769)}, "String:FFFF7FFF"},
      {"Hex", {D(10.5)}, "String:A"},
      {"Hex", {D(11.5)}, "String:C"},
      {"Hex", {Variant()}, "String:0"},
      {"Hex", {kNull}, "Null"},
      {"Hex", {D(4294967296.0)}, "err:6"},
      {"Oct", {I(-1)}, "String:177777"},
      {"Oct", {L(8)}, "String:10"},
  });
}

TEST_F(Numbers, MathFunctions) {
  check({
      {"Sqr", {L(16)}, "Double:4"},
      {"Sqr", {L(-1)}, "err:5"},
      {"Log", {L(0)}, "err:5"},
      {"Exp", {L(1000)}, "err:6"},
      {"Exp", {L(0)}, "Double:1"},
      {"Atn", {L(0)}, "Double:0"},
      {"Sin", {kNull}, "Null"},
  });
  EXPECT_NEAR(am::CDbl(call("Atn", {L(1)})) * 4, 3.14159265358979, 1e-12);
  EXPECT_NEAR(am::CDbl(call("Cos", {L(0)})), 1.0, 1e-15);
}

TEST_F(Numbers, RndRepeatsAfterANegativeSeedAndStaysBelowOne) {
  double a = am::CDbl(call("Rnd", {L(-7)}));
  double a2 = am::CDbl(call("Rnd"));
  double b = am::CDbl(call("Rnd", {L(-7)}));
  double b2 = am::CDbl(call("Rnd"));
  EXPECT_EQ(a, b);
  EXPECT_EQ(a2, b2);
  EXPECT_EQ(am::CDbl(call("Rnd", {L(0)})), b2);
  call("Randomize", {L(42)});
  for (int i = 0; i < 1000; ++i) {
    double r = am::CDbl(call("Rnd"));
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
  }
  EXPECT_EQ(call("Rnd").type(), am::VarType::Single);
}

class Widget : public am::Object {
  QUILLET_OBJECT(Widget)
public:
  std::string name() const { return "w"; }
};
QUILLET_DEFINE_CLASS(Widget) {
  b.get("Name", &Widget::name).defaultMember("Name");
}

TEST_F(Numbers, TypeInformation) {
  Variant arr(am::SafeArray::fromValues({I(1)}));
  Variant obj(am::makeRef<Widget>());
  struct T {
    Variant v;
    const char* typeName;
    int varType;
  } table[] = {
      {Variant(), "Empty", 0},
      {kNull, "Null", 1},
      {I(1), "Integer", 2},
      {L(1), "Long", 3},
      {Variant(1.0f), "Single", 4},
      {D(1), "Double", 5},
      {Variant(am::Currency{10000}), "Currency", 6},
      {date(2024, 1, 1), "Date", 7},
      {S("x"), "String", 8},
      {obj, "Widget", 9},
      {Variant::nothing(), "Nothing", 9},
      {Variant::error(5), "Error", 10},
      {Variant(true), "Boolean", 11},
      {Variant(uint8_t{1}), "Byte", 17},
      {arr, "Variant()", 8204},
  };
  for (const T& t : table) {
    EXPECT_EQ(am::CStr(call("TypeName", {t.v})), t.typeName);
    EXPECT_EQ(am::CLng(call("VarType", {t.v})), t.varType) << t.typeName;
  }
  EXPECT_TRUE(am::CBool(call("IsObject", {obj})));
  EXPECT_TRUE(am::CBool(call("IsObject", {Variant::nothing()})));
  EXPECT_FALSE(am::CBool(call("IsObject", {S("x")})));
  EXPECT_TRUE(am::CBool(call("IsArray", {arr})));
  EXPECT_TRUE(am::CBool(call("IsEmpty", {Variant()})));
  EXPECT_FALSE(am::CBool(call("IsEmpty", {S("")})));
  EXPECT_TRUE(am::CBool(call("IsNull", {kNull})));
}

TEST_F(Numbers, IsNumericOfTextForms) {
  struct T {
    Variant v;
    bool numeric;
  } table[] = {
      {S("12"), true},
      {S(" 12 "), true},
      {S("-1.5e3"), true},
      {S("&HFF"), true},
      {S("1,000"), true},
      {S("$5"), true},
      {S("(5)"), true},
      {S("12abc"), false},
      {S(""), false},
      {S("  "), false},
      {S("1.2.3"), false},
      {Variant(), true},
      {Variant(true), true},
      {kNull, false},
      {date(2024, 1, 1), false},
      {D(1.5), true},
      {Variant::nothing(), false},
  };
  for (const T& t : table)
    EXPECT_EQ(am::CBool(call("IsNumeric", {t.v})), t.numeric)
        << (t.v.isString() ? t.v.asString() : std::string("non-text"));
}

TEST_F(Numbers, ArraysAndBounds) {
  Variant a = call("Array", {I(1), S("b"), D(3)});
  EXPECT_EQ(show(a), "[1|b|3]");
  EXPECT_EQ(am::CLng(call("UBound", {a})), 2);
  EXPECT_EQ(am::CLng(call("LBound", {a, L(1)})), 0);
  EXPECT_EQ(err("UBound", {a, L(2)}), 9);
  EXPECT_EQ(err("UBound", {S("x")}), 13);
  Variant grid(am::SafeArray::create({{1, 3}, {0, 5}}));
  EXPECT_EQ(am::CLng(call("UBound", {grid, L(1)})), 3);
  EXPECT_EQ(am::CLng(call("UBound", {grid, L(2)})), 4);
  EXPECT_EQ(am::CLng(call("LBound", {grid})), 1);
  EXPECT_EQ(am::CLng(call("UBound", {call("Array")})), -1);
}

TEST_F(Numbers, EngineAndColour) {
  check({
      {"ScriptEngine", {}, "String:VBScript"},
      {"RGB", {L(255), L(0), L(0)}, "Long:255"},
      {"RGB", {L(1), L(2), L(300)}, "Long:16712193"},
      {"RGB", {L(-1), L(0), L(0)}, "err:5"},
      {"GetObject", {S("x.y")}, "err:429"},
      {"CreateObject", {S("No.Such.Class")}, "err:429"},
  });
  EXPECT_GE(am::CLng(call("ScriptEngineMajorVersion")), 5);
}

TEST_F(Numbers, ConstantsAreFoundWithoutRegardToCase) {
  const vbs::BuiltinConstant* c = vbs::findBuiltinConstant("VBCRLF");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(am::CStr(c->value), "\r\n");
  EXPECT_EQ(am::CLng(vbs::findBuiltinConstant("vbObjectError")->value), -2147221504);
  EXPECT_EQ(am::CLng(vbs::findBuiltinConstant("vbTextCompare")->value), 1);
  EXPECT_EQ(am::CLng(vbs::findBuiltinConstant("vbLongDate")->value), 1);
  EXPECT_EQ(am::CLng(vbs::findBuiltinConstant("vbUseDefault")->value), -2);
  EXPECT_EQ(am::CLng(vbs::findBuiltinConstant("vbString")->value), 8);
  EXPECT_EQ(am::CLng(vbs::findBuiltinConstant("vbYellow")->value), 0xFFFF);
  EXPECT_EQ(vbs::findBuiltinConstant("vbNoSuch"), nullptr);
  EXPECT_NE(vbs::findBuiltin("instrrev"), nullptr);
  EXPECT_EQ(vbs::findBuiltin("Eval"), nullptr); // the engine's own
  // Every entry is reachable by its name.
  for (const vbs::Builtin& b : vbs::builtinFunctions())
    EXPECT_EQ(vbs::findBuiltin(b.name), &b);
}

} // namespace
} // namespace vbslib_test

namespace vbslib_test {
namespace {

TEST_F(Numbers, MessageAndInputBoxesGoThroughTheUi) {
  namespace ui = quillet::platform::ui;
  // Without an interface, questions take the choice that changes nothing.
  EXPECT_EQ(am::CLng(call("MsgBox", {S("Go?"), L(4)})), 7);
  EXPECT_EQ(am::CLng(call("MsgBox", {S("Go?"), L(3)})), 2);
  EXPECT_EQ(am::CLng(call("MsgBox", {S("Done")})), 1);
  EXPECT_EQ(am::CStr(call("InputBox", {S("Name?")})), "");

  auto scripted = std::make_shared<ui::ScriptedUi>();
  ui::install(scripted);
  scripted->answer("Yes");
  scripted->answer("typed");
  scripted->answer("<cancel>");
  EXPECT_EQ(run("MsgBox", {S("Go?"), L(4 + 32), S("Title")}), "Integer:6");
  EXPECT_EQ(run("InputBox", {S("Name?"), S("T"), S("def")}), "String:typed");
  EXPECT_EQ(run("InputBox", {S("Again?")}), "String:");
  ASSERT_EQ(scripted->asked().size(), 3u);
  EXPECT_EQ(scripted->asked()[0].title, "Title");
  EXPECT_EQ(scripted->asked()[0].prompt, "Go?");
  EXPECT_EQ(scripted->asked()[1].prompt, "Name?");
}

} // namespace
} // namespace vbslib_test
