#include <gtest/gtest.h>

#include "core/test_env.h"
#include "extensions/services.h"
#include "template/condition.h"

namespace quillet::testing {
namespace {

using namespace templating;
using platform::automation::makeRef;

class ConditionTest : public CoreTest {
protected:
  ConditionTest() {
    scope.project = makeRef<core::AGProperties>();
    scope.database = makeRef<core::AGProperties>();
    scope.table = makeRef<core::AGProperties>();
    scope.field = makeRef<core::AGProperties>();
    scope.controls = controls.get();
    set(*scope.project, "ProgramLanguage", "String", Variant(std::string("VB")));
    set(*scope.database, "DBType", "String", Variant(std::string("ACCESS")));
    set(*scope.table, "TblType", "String", Variant(std::string("TABLE")));
    set(*scope.table, "TblRecPerPage", "Integer", Variant(int16_t(20)));
    set(*scope.table, "TblMax", "Integer", Variant(int16_t(20)));
    set(*scope.table, "TblAdd", "Boolean", Variant(true));
    set(*scope.field, "FldHtmlTag", "String", Variant(std::string("TEXT")));
    auto c = makeRef<RUZControl>();
    c->CtrlID = "MyList";
    c->CtrlType = "table";
    c->CtrlSpace = true;
    controls->AddControl(*c);
    controls->Item(Variant(1));
  }
  static void set(core::AGProperties& bag, const char* name, const char* type, Variant v) {
    bag.Add(name, type);
    bag.Item(name)->setValue(v);
  }
  bool holds(const std::string& cond) {
    ConditionResult r = evaluateCondition(cond, scope);
    EXPECT_EQ(r.error, "") << cond;
    return r.holds;
  }

  Ref<RUZControls> controls = makeRef<RUZControls>();
  ConditionScope scope;
};

TEST_F(ConditionTest, Clauses) {
  struct Case {
    const char* cond;
    bool holds;
  } cases[] = {
      {"", true},
      {",", true}, // two empty clauses, both malformed
      {"ctrl/ctrltype/eq/table|report", true},
      {"ctrl/ctrltype/eq/field|report", false},
      {"CTRL/CtrlType/EQ/table", true},
      {"ctrl/ctrltype/eq/Table", false},
      {"ctrl/ctrltype/eq/", false},
      {"ctrl/ctrltype/xx/nothing", true},
      {"ctrl/ctrlid/in/list", true},
      {"ctrl/ctrlid/ni/LIST", false},
      {"ctrl/ctrlid/ni/grid", true},
      {"ctrl /ctrltype/eq/field", true},    // malformed object
      {"ctrl/ctrlremark/eq/x", true},       // not a testable attribute
      {"ctrl/ctrltype/eq", true},           // three parts
      {"ctrl/ctrlspace/eq/True", true},     // Boolean against its text
      {"ctrl/ctrlspace/eq/-1", true},       // and against a number
      {"ctrl/ctrltype/eq/ 'table' ", true}, // list values are stripped of quotes
      {"proj/programlanguage/eq/VB", true},
      {"db/DBType/ne/ACCESS", false},
      {"table/TblType/eq/TABLE,field/FldHtmlTag/eq/TEXT", true},
      {"table/TblType/eq/TABLE,field/FldHtmlTag/eq/SELECT", false},
      {"table/TblRecPerPage/gt/5", true},
      {"table/TblRecPerPage/lt/100", true}, // numbers, not texts
      {"table/TblRecPerPage/eq/%TblMax", true},
      {"table/TblRecPerPage/eq/7|%TblMax", true},
      {"table/TblRecPerPage/lt/%TblMax", false},
      {"table/TblAdd/gt/False", true}, // "1" > "0"
      {"table/TblAdd/eq/true", true},
      {"table/TblAdd/eq/0", false},
      {"table/TblNew/eq/", false},
      {"table/TblNew/eq/''", true}, // an absent setting reads as empty text
  };
  for (const auto& c : cases)
    EXPECT_EQ(holds(c.cond), c.holds) << c.cond;
}

TEST_F(ConditionTest, ProjectSettingOutsideTheBagReadsThroughGetV) {
  scope.getV = [](const std::string& name) {
    return name == "Custom" ? Variant(std::string("on")) : Variant();
  };
  EXPECT_TRUE(holds("proj/Custom/eq/on"));
  EXPECT_FALSE(holds("proj/Custom/eq/off"));
  EXPECT_FALSE(scope.project->PropertyExist(Variant(std::string("Custom"))));
}

TEST_F(ConditionTest, TableClauseWithoutTableHoldsButFieldClauseIsReported) {
  scope.table = nullptr;
  EXPECT_TRUE(holds("table/TblType/eq/VIEW"));
  scope.field = nullptr;
  ConditionResult r = evaluateCondition("field/FldHtmlTag/eq/TEXT", scope);
  EXPECT_FALSE(r.holds);
  EXPECT_NE(r.error.find("field"), std::string::npos);

  EXPECT_FALSE(EvalCondition("field/FldHtmlTag/eq/TEXT", scope));
  EXPECT_NE(ctx().ProjErr.find("field/FldHtmlTag/eq/TEXT"), std::string::npos) << ctx().ProjErr;
}

TEST_F(ConditionTest, FunctionClauses) {
  std::vector<std::string> ran;
  scope.runFunction = [&](const std::string& name) {
    ran.push_back(name);
    if (name == "Broken") throw platform::automation::Error(5, "Invalid call");
    return Variant(std::string(name == "Count" ? "12" : "yes"));
  };
  EXPECT_TRUE(holds(" Function/ Count/Integer/gt/9 "));
  EXPECT_FALSE(holds("function/Count/Integer/lt/9"));
  EXPECT_TRUE(holds("function/Flag/String/eq/yes"));
  // The third clause is not reached after the second fails.
  ran.clear();
  EXPECT_FALSE(holds("function/Flag/String/eq/yes,ctrl/ctrltype/eq/field,function/Other/x/eq/1"));
  EXPECT_EQ(ran, std::vector<std::string>{"Flag"});

  ConditionResult r = evaluateCondition("function/Broken/String/eq/x", scope);
  EXPECT_FALSE(r.holds);
  EXPECT_NE(r.error.find("Invalid call"), std::string::npos);

  scope.runFunction = nullptr; // no script host: the value is empty
  EXPECT_TRUE(holds("function/Count/Integer/eq/0"));
}

TEST_F(ConditionTest, ControlClauseWithoutCurrentControlIsReported) {
  auto none = makeRef<RUZControls>();
  scope.controls = none.get();
  EXPECT_FALSE(evaluateCondition("ctrl/ctrltype/eq/table", scope).error.empty());
}

TEST_F(ConditionTest, InstalledForTheExtensionLayer) {
  platform::automation::Object* seen = nullptr;
  installConditionEvaluator([&](platform::automation::Object* project) {
    seen = project;
    return scope;
  });
  auto token = makeRef<core::AGProperties>();
  EXPECT_FALSE(extensions::templateServices().EvalCondition("ctrl/ctrltype/eq/field", token.get()));
  EXPECT_TRUE(extensions::templateServices().EvalCondition("ctrl/ctrltype/eq/table", token.get()));
  EXPECT_EQ(seen, token.get());
}

} // namespace
} // namespace quillet::testing
