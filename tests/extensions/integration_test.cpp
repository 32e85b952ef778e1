// Two extensions over a whole model: entries made as tables, charts and fields arrive,
// attributes set and read, then renames and deletions of a table, a chart and a field, with
// every extension tree and the custom scripts checked after each step.
#include <gtest/gtest.h>

#include "ext_env.h"
#include "extensions/custom_scripts.h"

using namespace quillet;
using namespace quillet::extensions;
using platform::automation::CStr;
using platform::automation::Variant;
using quillet::testing::ExtTest;

namespace {

class ExtensionIntegrationTest : public ExtTest {
protected:
  std::vector<std::string> scriptKeys() {
    std::vector<std::string> out;
    for (auto& s : customScriptList()->list())
      out.push_back(std::to_string(s->Seq()) + " " + scriptKey(s->parts()));
    return out;
  }
};

TEST_F(ExtensionIntegrationTest, TreesAndScriptsFollowTheModel) {
  makeDatabase();
  ASSERT_TRUE(AddExtension(access, "Sales", "sales.zip", "sales.xml"));
  ASSERT_TRUE(AddExtension(access, "Audit", "audit.zip", "audit.xml"));

  // Tables, charts and fields that arrive later get their entries.
  addTable("Order_Lines", {"Line_No", "Qty"}, {"Trend"});
  AddTableExtensionDefaults(access, "Order_Lines");
  auto orders = table("Orders");
  orders->Fields()->Add("Orders", "Notes");
  AddFieldExtensionDefaults(access, "Orders", "Notes");
  orders->Charts()->Add("Orders", "Margin");
  AddChartExtensionDefaults(access, "Orders", "Margin");

  const std::string all = "Orders:1(Sales:1,Volume:2,Margin:3|Id:1,Total:2,Notes:3) "
                          "Customers:2(|Id:1,Name:2) Order_Lines:3(Trend:1|Line_No:1,Qty:2)";
  EXPECT_EQ(tree("Sales"), all);
  EXPECT_EQ(tree("Audit"), all);

  // Attributes at every level.
  ASSERT_TRUE(SetExtProjAtt(access, "Sales", "Theme", Variant("dark")));
  ASSERT_TRUE(SetExtDbAtt(access, "Audit", "LogTable", Variant("trail")));
  ASSERT_TRUE(SetExtTblAtt(access, "Sales", "Orders", "Color", Variant("green")));
  ASSERT_TRUE(SetExtChartAtt(access, "Sales", "Orders", "Sales", "numDivLines", Variant(8)));
  ASSERT_TRUE(SetExtChartAtt(access, "Audit", "Orders", "Margin", "Stamp", Variant(4.5)));
  ASSERT_TRUE(SetExtFldAtt(access, "Audit", "Orders", "Total", "Trail", Variant("sum")));
  ASSERT_TRUE(SetExtFldAtt(access, "Sales", "Order_Lines", "Qty", "Width", Variant(60)));
  EXPECT_EQ(shown(GetExtProjAtt(access, "Sales", "Theme")), "dark");
  EXPECT_EQ(shown(GetExtProjAtt(access, "Audit", "Owner")), "admin");
  EXPECT_EQ(shown(GetExtDbAtt(access, "Sales", "Audited")), "True");
  EXPECT_EQ(shown(GetExtDbAtt(access, "Audit", "LogTable")), "trail");
  EXPECT_EQ(shown(GetExtTblAtt(access, "Audit", "Customers", "Tracked")), "True");

  // Custom scripts on the same tables.
  const ScriptParts onOrders{"table", "server", "Check", "vb", "list", "Orders", ""};
  const ScriptParts onTotal{"field", "server", "Sum", "vb", "edit", "ORDERS", "Total"};
  const ScriptParts onLines{"field", "server", "Sum", "vb", "edit", "Order_Lines", "Qty"};
  for (const ScriptParts* p : {&onOrders, &onTotal, &onLines})
    ASSERT_TRUE(AddCustomScript(*p, "code"));

  // Rename a table, a chart and a field (in capitals other than stored).
  auto tables = access.database->Tables();
  ASSERT_TRUE(tables->Change("orders", "Purchases"));
  ASSERT_TRUE(table("Purchases")->Charts()->Change("Purchases", "SALES", "Revenue"));
  ASSERT_TRUE(table("Order_Lines")->Fields()->Change("Order_Lines", "qty", "Quantity"));
  const std::string renamed =
      "Purchases:1(Revenue:1,Volume:2,Margin:3|Id:1,Total:2,Notes:3) "
      "Customers:2(|Id:1,Name:2) Order_Lines:3(Trend:1|Line_No:1,Quantity:2)";
  EXPECT_EQ(tree("Sales"), renamed);
  EXPECT_EQ(tree("Audit"), renamed);
  EXPECT_EQ(shown(GetExtTblAtt(access, "Sales", "Purchases", "Color")), "green");
  EXPECT_EQ(shown(GetExtChartAtt(access, "Sales", "Purchases", "Revenue", "numDivLines")), "8");
  EXPECT_EQ(shown(GetExtFldAtt(access, "Sales", "Order_Lines", "Quantity", "Width")), "60");
  EXPECT_EQ(scriptKeys(), (std::vector<std::string>{
                              "1 table_server_Check_vb_list_Purchases_",
                              "2 field_server_Sum_vb_edit_Purchases_Total",
                              "3 field_server_Sum_vb_edit_Order\\_Lines_Qty",
                          }));

  // Delete a chart, a field and a table.
  ASSERT_TRUE(table("Purchases")->Charts()->Delete("Purchases", Variant("Volume")));
  ASSERT_TRUE(table("Purchases")->Fields()->Delete("Purchases", Variant("id")));
  ASSERT_TRUE(tables->Delete("customers"));
  const std::string deleted = "Purchases:1(Revenue:1,Margin:2|Total:1,Notes:2) "
                              "Order_Lines:2(Trend:1|Line_No:1,Quantity:2)";
  EXPECT_EQ(tree("Sales"), deleted);
  EXPECT_EQ(tree("Audit"), deleted);
  EXPECT_EQ(shown(GetExtChartAtt(access, "Audit", "Purchases", "Margin", "Stamp")), "4.5");
  EXPECT_EQ(shown(GetExtFldAtt(access, "Audit", "Purchases", "Total", "Trail")), "sum");
  EXPECT_EQ(customScriptList()->Count(), 3);

  // Dropping the extensions, as unloading the database does, last first.
  EXPECT_TRUE(DeleteExtension("Audit"));
  EXPECT_TRUE(DeleteExtension("Sales"));
  EXPECT_EQ(exts()->Count(), 0);
}

} // namespace
