// Renames and deletions in the model reach every extension tree and the custom scripts.
#include <gtest/gtest.h>

#include "ext_env.h"
#include "extensions/custom_scripts.h"

using namespace quillet;
using namespace quillet::extensions;
using platform::automation::Variant;
using quillet::testing::ExtTest;

namespace {

class UpkeepTest : public ExtTest {
protected:
  void SetUp() override {
    makeDatabase();
    // Sales holds Orders spelt in capitals; Audit holds it as the model spells it, with three
    // chart nodes and two field nodes; Bare has no tree at all.
    for (const char* name : {"Sales", "Audit", "Bare"})
      exts()->Add(name);
    auto salesTables = ext("Sales")->PROJ()->DB()->Tables();
    salesTables->Add("ORDERS");
    salesTables->Add("Customers");
    auto auditTables = ext("Audit")->PROJ()->DB()->Tables();
    auditTables->Add("Customers");
    auditTables->Add("Orders");
    auditTables->Add("Archive");
    auto orders = auditTables->Item(Variant("Orders"));
    for (const char* c : {"Sales", "Volume", "Extra"})
      orders->Charts()->Add(c);
    for (const char* f : {"Id", "Total"})
      orders->Fields()->Add(f);
  }
};

TEST_F(UpkeepTest, TableRenameReachesEveryTreeInAnyLetterCase) {
  ctx().ProjErr = "Brindlewood: kept";
  ASSERT_TRUE(table("Orders") && access.database->Tables()->Change("Orders", "Purchases"));
  EXPECT_EQ(tree("Sales"), "Purchases:1(|) Customers:2(|)");
  EXPECT_EQ(tree("Audit"),
            "Customers:1(|) Purchases:2(Sales:1,Volume:2,Extra:3|Id:1,Total:2) Archive:3(|)");
  EXPECT_EQ(tree("Bare"), "no tree");
  EXPECT_EQ(ctx().ProjErr, "Brindlewood: kept");
}

TEST_F(UpkeepTest, RenameOntoANameATreeHoldsLeavesThatNode) {
  addTable("Archive2", {}, {});
  ASSERT_TRUE(access.database->Tables()->Change("Archive2", "Customers2"));
  // In the model the rename is free; Sales holds Customers, not Customers2: unchanged.
  EXPECT_EQ(tree("Sales"), "ORDERS:1(|) Customers:2(|)");
  // Rename Orders to Archive in the trees: Audit already has Archive, so Orders stays.
  ExtensionUpkeep().RenameExtensionTable("Orders", "Archive");
  EXPECT_EQ(tree("Audit"),
            "Customers:1(|) Orders:2(Sales:1,Volume:2,Extra:3|Id:1,Total:2) Archive:3(|)");
  EXPECT_EQ(tree("Sales"), "Archive:1(|) Customers:2(|)");
}

TEST_F(UpkeepTest, TableDeleteRemovesItsChartsFieldsAndRenumbers) {
  auto auditOrders = ext("Audit")->existingTables()->Item(Variant("Orders"));
  ASSERT_TRUE(access.database->Tables()->Delete("orders"));
  EXPECT_EQ(tree("Sales"), "Customers:1(|)");
  EXPECT_EQ(tree("Audit"), "Customers:1(|) Archive:2(|)");
  // The table node's own lists were emptied before it went.
  EXPECT_EQ(auditOrders->Charts()->Count(), 0);
  EXPECT_EQ(auditOrders->Fields()->Count(), 0);
  EXPECT_EQ(tree("Bare"), "no tree");
}

TEST_F(UpkeepTest, ChartAndFieldRenamesAndDeletes) {
  Ref<model::RUZTable> orders = table("Orders");
  ASSERT_TRUE(orders->Charts()->Change("Orders", "sales", "Revenue"));
  ASSERT_TRUE(orders->Fields()->Change("Orders", "ID", "OrderId"));
  EXPECT_EQ(tree("Audit"),
            "Customers:1(|) Orders:2(Revenue:1,Volume:2,Extra:3|OrderId:1,Total:2) Archive:3(|)");
  ASSERT_TRUE(orders->Charts()->Delete("Orders", Variant("Volume")));
  ASSERT_TRUE(orders->Fields()->Delete("Orders", Variant("OrderId")));
  EXPECT_EQ(tree("Audit"), "Customers:1(|) Orders:2(Revenue:1,Extra:2|Total:1) Archive:3(|)");
  // Sales holds no chart or field of Orders and stays as it was.
  EXPECT_EQ(tree("Sales"), "ORDERS:1(|) Customers:2(|)");
  EXPECT_FALSE(ext("Bare")->IsExtended());
}

TEST_F(UpkeepTest, TableRenameRenamesCustomScripts) {
  ScriptParts a{"table", "server", "Check", "vb", "list", "Orders", ""};
  ScriptParts b{"field", "server", "Check", "vb", "edit", "ORDERS", "Total"};
  ScriptParts c{"table", "server", "Check", "vb", "list", "Customers", ""};
  for (auto* p : {&a, &b, &c})
    ASSERT_TRUE(AddCustomScript(*p, "x"));
  ASSERT_TRUE(access.database->Tables()->Change("Orders", "Purchases"));
  auto list = customScriptList();
  EXPECT_EQ(list->Seq(1)->ScriptL1Key(), "Purchases");
  EXPECT_EQ(list->Seq(2)->ScriptL1Key(), "Purchases");
  EXPECT_EQ(list->Seq(3)->ScriptL1Key(), "Customers");
  a[5] = "purchases";
  EXPECT_TRUE(list->ScriptExist(a));
  // Deleting a table leaves the scripts alone.
  ASSERT_TRUE(access.database->Tables()->Delete("Customers"));
  EXPECT_EQ(list->Count(), 3);
}

} // namespace
