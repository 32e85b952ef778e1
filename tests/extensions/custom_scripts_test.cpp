// Custom scripts: keys, matching, numbering and the project object's three members.
#include <gtest/gtest.h>

#include "ext_env.h"
#include "extensions/custom_scripts.h"
#include "platform/automation/members.h"

using namespace quillet;
using namespace quillet::extensions;
using platform::automation::makeRef;
using platform::automation::Variant;
using quillet::testing::ExtTest;

namespace {

class CustomScriptTest : public ExtTest {
protected:
  static ScriptParts parts(std::string l1, std::string l2 = "", std::string name = "Check") {
    return {"table", "server", std::move(name), "vb", "list", std::move(l1), std::move(l2)};
  }
  std::vector<std::string> seqs() {
    std::vector<std::string> out;
    for (auto& s : customScriptList()->list())
      out.push_back(s->ScriptName() + ":" + std::to_string(s->Seq()));
    return out;
  }
};

TEST_F(CustomScriptTest, AddFindsPresentScriptsAndNeedsTheFirstFourParts) {
  auto list = makeRef<RUZCustomScripts>();
  EXPECT_EQ(list->curName(), "");
  EXPECT_EQ(list->curSeq(), "0");
  EXPECT_FALSE(list->Add({"table", "server", "Check", "", "", "", ""}));
  EXPECT_EQ(list->Count(), 0);
  ASSERT_TRUE(list->Add({"table", "server", "Check", "vb", "", "", ""}));
  EXPECT_EQ(list->curName(), "table_server_Check_vb___");
  ASSERT_TRUE(list->Add(parts("Orders")));
  // Other capitals in any part find the same script.
  EXPECT_TRUE(list->Add({"TABLE", "Server", "check", "VB", "LIST", "orders", ""}));
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(list->curSeq(), "2");
  EXPECT_EQ(list->curName(), "TABLE_Server_check_VB_LIST_orders_");
}

TEST_F(CustomScriptTest, PartsHoldingTheSeparatorNeverShareAKey) {
  // Joined plainly both would be "table_server_Check_vb_list_Order_Lines_".
  ScriptParts a = parts("Order_Lines");
  ScriptParts b = parts("Order", "Lines_");
  EXPECT_NE(scriptKey(a), scriptKey(b));
  ASSERT_TRUE(AddCustomScript(a, "code a"));
  ASSERT_TRUE(AddCustomScript(b, "code b"));
  auto list = customScriptList();
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(list->ScriptItem(a)->ScriptCode(), "code a");
  EXPECT_EQ(list->ScriptItem(b)->ScriptCode(), "code b");
  EXPECT_EQ(scriptKey({"a\\", "_b", "", "", "", "", ""}), "a\\\\_\\_b_____");
}

TEST_F(CustomScriptTest, DeleteRenumbersAndLeavesTheDeletedOneCurrent) {
  for (const char* n : {"One", "Two", "Three"})
    ASSERT_TRUE(AddCustomScript(parts("Orders", "", n), n));
  EXPECT_FALSE(DeleteCustomScript(parts("Orders", "", "Absent")));
  EXPECT_EQ(seqs(), (std::vector<std::string>{"One:1", "Two:2", "Three:3"}));
  EXPECT_TRUE(DeleteCustomScript(parts("orders", "", "two")));
  EXPECT_EQ(seqs(), (std::vector<std::string>{"One:1", "Three:2"}));
  EXPECT_FALSE(customScriptList()->Seq(3));
  EXPECT_EQ(customScriptList()->curName(), "table_server_two_vb_list_orders_");
}

TEST_F(CustomScriptTest, DeleteOfAScriptWhosePartsChangedRemovesThatScript) {
  for (const char* n : {"One", "Two", "Three"})
    ASSERT_TRUE(AddCustomScript(parts("Orders", "", n), n));
  auto list = customScriptList();
  // A key part set through the script itself: its key still spells the old parts.
  list->ScriptItem(parts("Orders", "", "Two"))->setScriptL1Key("Customers");
  EXPECT_TRUE(list->ScriptExist(parts("Customers", "", "Two")));
  EXPECT_TRUE(DeleteCustomScript(parts("Customers", "", "Two")));
  EXPECT_EQ(seqs(), (std::vector<std::string>{"One:1", "Three:2"}));
}

TEST_F(CustomScriptTest, ChangeRenamesByTableNameInAnyCase) {
  auto list = customScriptList();
  ASSERT_TRUE(list->Add(parts("Orders")));
  ASSERT_TRUE(list->Add(parts("ORDERS", "Total")));
  ASSERT_TRUE(list->Add(parts("Purchases", "Total")));
  EXPECT_FALSE(list->Change("", "X"));
  EXPECT_FALSE(list->Change("orders", "Purchases"));
  // The second script would take the third's key: it keeps its table.
  EXPECT_EQ(list->Seq(1)->ScriptL1Key(), "Purchases");
  EXPECT_EQ(list->Seq(1)->scriptKeyField(), "table_server_Check_vb_list_Purchases_");
  EXPECT_EQ(list->Seq(2)->ScriptL1Key(), "ORDERS");
  EXPECT_TRUE(list->ScriptExist(parts("purchases")));
  EXPECT_FALSE(list->ScriptExist(parts("Orders")));
  EXPECT_EQ(list->Count(), 3);
}

TEST_F(CustomScriptTest, ProjectMembersSetTheCode) {
  EXPECT_FALSE(UpdateCustomScript(parts("Orders"), "x"));
  EXPECT_EQ(customScriptList()->Count(), 0);
  ASSERT_TRUE(AddCustomScript(parts("Orders"), "first"));
  ASSERT_TRUE(AddCustomScript(parts("Orders"), "second"));
  EXPECT_EQ(customScriptList()->Seq(1)->ScriptCode(), "second");
  ASSERT_TRUE(UpdateCustomScript(parts("Orders"), "third"));
  EXPECT_EQ(customScriptList()->Seq(1)->ScriptCode(), "third");
  EXPECT_FALSE(AddCustomScript({"", "server", "n", "vb", "", "", ""}, "x"));
}

TEST_F(CustomScriptTest, ScriptsCallTheListByName) {
  namespace a = platform::automation;
  Variant list(static_cast<a::Object*>(customScriptList().get()));
  std::vector<Variant> args{Variant("table"), Variant("server"), Variant("Check"), Variant("vb"),
                            Variant("list"),  Variant("Orders"), Variant("")};
  EXPECT_TRUE(a::CBool(a::invoke(list, "Add", a::kMethod, a::ArgList(args))));
  Variant s = a::invoke(list, "ScriptItem", a::kGetOrCall, a::ArgList(args));
  a::let(s, "ScriptCode", Variant("Response.Write 1"));
  EXPECT_EQ(customScriptList()->Seq(1)->ScriptCode(), "Response.Write 1");
  EXPECT_EQ(a::CStr(a::get(list, "curSeq")), "1");
  EXPECT_THROW(a::invoke(list, "Add", a::kMethod, a::ArgList(args.data(), 3)), a::Error);
}

} // namespace
