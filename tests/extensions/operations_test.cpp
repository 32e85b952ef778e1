// The extension operations of the project object over a database with tables, charts and
// fields, with the fixture definition files sales.xml and audit.xml.
#include <gtest/gtest.h>

#include "core/registry.h"
#include "ext_env.h"

using namespace quillet;
using namespace quillet::extensions;
using platform::automation::CStr;
using platform::automation::Variant;
using quillet::testing::ExtTest;

namespace {

class OperationsTest : public ExtTest {
protected:
  std::string projAttrs(const std::string& e) { return attrs(*ext(e)->PROJ()->Properties(), 0); }
  std::string dbAttrs(const std::string& e) {
    return attrs(*ext(e)->PROJ()->DB()->Properties(), 1);
  }
  std::string tblAttrs(const std::string& e, const char* t) {
    auto node = ext(e)->existingTables()->items().find(t);
    return node ? attrs(*node->Properties(), 2) : "no entry";
  }
};

TEST_F(OperationsTest, AddExtensionWithoutDefinitions) {
  EXPECT_FALSE(AddExtension(access, "", "a.zip", "sales.xml"));
  EXPECT_EQ(exts()->Count(), 0);
  ASSERT_TRUE(AddExtension(access, "Plain", "plain.zip", ""));
  ASSERT_TRUE(AddExtension(access, "Lost", "lost.zip", "missing.xml"));
  for (const char* name : {"Plain", "Lost"}) {
    EXPECT_TRUE(ext(name)->Enabled());
    EXPECT_FALSE(ext(name)->IsExtended());
  }
  EXPECT_EQ(ext("Lost")->Template(), "lost.zip");
  EXPECT_TRUE(DeleteExtension("plain"));
  EXPECT_FALSE(DeleteExtension("plain"));
  EXPECT_EQ(ext("Lost")->Seq(), 1);
}

TEST_F(OperationsTest, AddExtensionBeforeAndAfterTheDatabase) {
  ASSERT_TRUE(AddExtension(access, "Sales", "sales.zip", "sales.xml"));
  EXPECT_EQ(projAttrs("Sales"), "Theme=blue");
  EXPECT_EQ(ext("Sales")->PROJ()->DBCnt(), 0);
  ASSERT_TRUE(SetExtProjAtt(access, "Sales", "theme", Variant("red")));

  makeDatabase();
  addTable("Staged", {"Id"}, {})->setTblLoaded(false);
  ext("Sales")->setEnabled(false);
  ASSERT_TRUE(AddExtension(access, "sales", "sales2.zip", "sales.xml"));
  EXPECT_TRUE(ext("Sales")->Enabled());
  EXPECT_EQ(projAttrs("Sales"), "Theme=red");
  EXPECT_EQ(dbAttrs("Sales"), "Audited=True");
  EXPECT_EQ(tree("Sales"), "Orders:1(Sales:1,Volume:2|Id:1,Total:2) Customers:2(|Id:1,Name:2)");
  EXPECT_EQ(tblAttrs("Sales", "Orders"), "Color=red;PageSize=20");
  auto mask = ext("Sales")->existingTables()->items().find("Orders")->Fields()->items().find("Id");
  EXPECT_EQ(attrs(*mask->Properties(), 2), "Mask='###';Width=120");
}

TEST_F(OperationsTest, ConditionsDecideWhichEntriesAreMade) {
  makeDatabase();
  conditions->answers["TblType=TABLE@Customers/-"] = false;
  conditions->answers["FldType=3@Orders/Total"] = false;
  ASSERT_TRUE(AddExtension(access, "Sales", "", "sales.xml"));
  ASSERT_TRUE(AddExtension(access, "Audit", "", "audit.xml"));
  EXPECT_EQ(tree("Sales"), "Orders:1(Sales:1,Volume:2|Id:1,Total:2)");
  // audit.xml: the field level has a condition; its chart level sits under a second Table.
  EXPECT_EQ(tree("Audit"), "Orders:1(Sales:1,Volume:2|Id:1) Customers:2(|Id:1,Name:2)");
  // Table and field conditions see their table and field as the project's current ones; a
  // chart condition sees its table.
  EXPECT_EQ(conditions->seen,
            (std::vector<std::string>{"TblType=TABLE@Orders/-", "TblType=TABLE@Customers/-",
                                      "FldType=3@Orders/Id", "FldType=3@Orders/Total",
                                      "FldType=3@Customers/Id", "FldType=3@Customers/Name"}));
  EXPECT_FALSE(curTable);
  EXPECT_FALSE(curField);
}

TEST_F(OperationsTest, OperationsKeepTheRunsCurrentTableAndField) {
  makeDatabase();
  curTable = table("Customers");
  curField = Ref<platform::automation::Object>(table("Customers")->Fields()->items().find("Name"));
  access.database->Tables()->Item(Variant("Customers"));
  ASSERT_TRUE(AddExtension(access, "Audit", "", "audit.xml"));
  ASSERT_TRUE(SetExtFldAtt(access, "Audit", "Orders", "Total", "Trail", Variant("none")));
  EXPECT_EQ(curTable.get(), table("Customers").get());
  EXPECT_EQ(static_cast<model::RUZField*>(curField.get())->FldName(), "Name");
  EXPECT_EQ(access.database->Tables()->curName(), "Customers");
}

TEST_F(OperationsTest, NewChartEntryTakesOverTheOldAppearanceSettings) {
  env.write("ext/chart.xml", R"(<Project><Database><Table><Chart>
      <attribute name="numDivLines" type="Integer" default="2"/>
      <attribute name="yAxisMinValue" type="Long"/>
      <attribute name="rotateNames" type="Boolean"/>
    </Chart></Table></Database></Project>)");
  access.extensionsFolder = env.path("ext").string();
  makeDatabase();
  auto charts = table("Orders")->Charts();
  auto sales = charts->items().find("Sales");
  sales->setChartNumGridLines(5);
  sales->setChartChartBgColor("EEEEEE");
  sales->setChartYAxisMinValue(-10);
  auto volume = charts->items().find("Volume");
  volume->setChartNumGridLines(-1);
  ASSERT_TRUE(AddExtension(access, "Look", "", "chart.xml"));
  auto entries = ext("Look")->existingTables()->items().find("Orders")->Charts();
  EXPECT_EQ(attrs(*entries->items().find("Sales")->Properties(), 2),
            "numDivLines=5;yAxisMinValue=-10;rotateNames=<empty>");
  EXPECT_EQ(sales->ChartNumGridLines(), 0);
  EXPECT_EQ(sales->ChartYAxisMinValue(), 0);
  EXPECT_EQ(sales->ChartChartBgColor(), "EEEEEE"); // not declared: stays on the chart
  EXPECT_EQ(attrs(*entries->items().find("Volume")->Properties(), 2),
            "numDivLines=2;yAxisMinValue=<empty>;rotateNames=<empty>");
  EXPECT_EQ(volume->ChartNumGridLines(), -1);
  definitions.load(access.extensionsFolder, "chart.xml");
  EXPECT_FALSE(
      AddExtendedChart(access, "Look", "Orders", "Sales", definitions.level(Level::Chart)));
}

TEST_F(OperationsTest, SettersCreateMissingEntriesOnDemand) {
  makeDatabase();
  table("Customers")->setTblLoaded(false);
  exts()->Add("Audit");
  ext("Audit")->setXmlFile("audit.xml");
  // Table entry, then field entry with its defaults, then the value.
  ASSERT_TRUE(SetExtFldAtt(access, "Audit", "Customers", "Name", "Trail", Variant("short")));
  EXPECT_EQ(tree("Audit"), "Customers:1(|Name:1)");
  EXPECT_EQ(tblAttrs("Audit", "Customers"), "Tracked=True");
  EXPECT_EQ(shown(GetExtFldAtt(access, "Audit", "Customers", "name", "trail")), "short");

  conditions->answers["FldType=3"] = false;
  EXPECT_FALSE(SetExtFldAtt(access, "Audit", "Orders", "Id", "Trail", Variant("x")));
  EXPECT_EQ(tree("Audit"), "Customers:1(|Name:1) Orders:2(|)");

  EXPECT_FALSE(SetExtTblAtt(access, "Audit", "Orders", "Undeclared", Variant(1)));
  EXPECT_EQ(tblAttrs("Audit", "Orders"), "Tracked=True");
  EXPECT_FALSE(SetExtTblAtt(access, "Audit", "Absent", "Tracked", Variant(false)));
  EXPECT_FALSE(SetExtTblAtt(access, "Absent", "Orders", "Tracked", Variant(false)));
  ASSERT_TRUE(SetExtChartAtt(access, "Audit", "Orders", "volume", "Stamp", Variant(2.0)));
  EXPECT_EQ(shown(GetExtChartAtt(access, "Audit", "Orders", "Volume", "Stamp")), "2");

  // Values are stored as given.
  ASSERT_TRUE(AddExtension(access, "Audit", "", "audit.xml"));
  ASSERT_TRUE(SetExtProjAtt(access, "Audit", "Owner", Variant(int16_t{12})));
  EXPECT_EQ(ext("Audit")->PROJ()->Properties()->find("Owner")->Value().type(),
            platform::automation::VarType::Integer);
  ASSERT_TRUE(SetExtDbAtt(access, "Audit", "LogTable", Variant("log")));
  EXPECT_EQ(shown(GetExtDbAtt(access, "Audit", "LogTable")), "log");
}

TEST_F(OperationsTest, GettersReturnTheLivePropertyAndCreateNothing) {
  makeDatabase();
  ASSERT_TRUE(AddExtension(access, "Sales", "", "sales.xml"));
  EXPECT_TRUE(GetExtTblAtt(access, "Sales", "Staged", "Color").isNull());
  EXPECT_FALSE(ext("Sales")->existingTables()->TableExist(Variant("Staged")));
  EXPECT_TRUE(GetExtTblAtt(access, "Sales", "Orders", "Absent").isNull());
  EXPECT_TRUE(GetExtProjAtt(access, "Nobody", "Theme").isNull());
  Variant color = GetExtTblAtt(access, "Sales", "Orders", "Color");
  ASSERT_TRUE(color.isObject());
  ASSERT_TRUE(SetExtTblAtt(access, "Sales", "Orders", "Color", Variant("navy")));
  EXPECT_EQ(shown(color), "navy");
}

TEST_F(OperationsTest, WithoutADatabaseTheTableMembersAnswerFalse) {
  ASSERT_TRUE(AddExtension(access, "Sales", "", "sales.xml"));
  ctx().ProjErr = "Brindlewood: earlier";
  EXPECT_FALSE(SetExtTblAtt(access, "Sales", "Orders", "Color", Variant("x")));
  EXPECT_FALSE(SetExtChartAtt(access, "Sales", "Orders", "Sales", "numDivLines", Variant(1)));
  EXPECT_FALSE(SetExtFldAtt(access, "Sales", "Orders", "Id", "Mask", Variant("x")));
  definitions.load(access.extensionsFolder, "sales.xml");
  EXPECT_FALSE(AddExtendedField(access, "Sales", "Orders", "Id", definitions.level(Level::Field)));
  AddTableExtensionDefaults(access, "Orders");
  CopyChartToExtensions(access, "Orders", "Sales", "Copy");
  // The database level was never loaded: nothing is declared there.
  EXPECT_FALSE(SetExtDbAtt(access, "Sales", "Audited", Variant(false)));
  EXPECT_EQ(ext("Sales")->PROJ()->DBCnt(), 1);
  EXPECT_EQ(ctx().ProjErr, "Brindlewood: earlier");
}

TEST_F(OperationsTest, InstalledExtensionsComeFromTheRegistry) {
  const std::string key = extensionsRegistryKey();
  int32_t type = 1;
  auto set = [&](const std::string& sub, const char* name, const char* v) {
    core::RegSetValue("HKCU", key + "\\" + sub, name, type, Variant(v));
  };
  set("A", "Name", "Sales");
  set("A", "Template", "sales.zip");
  set("A", "XmlFile", "sales.xml");
  set("B", "Name", "Audit");
  set("B", "Template", "audit.zip");
  set("C", "Template", "nameless.zip");
  LoadExtensionsFromRegistry(access);
  ASSERT_EQ(exts()->Count(), 2);
  EXPECT_EQ(exts()->Seq(1)->Name(), "Sales");
  EXPECT_EQ(exts()->Seq(1)->XmlFile(), "sales.xml");
  EXPECT_EQ(projAttrs("Sales"), "Theme=blue");
  EXPECT_EQ(exts()->Seq(2)->Template(), "audit.zip");
  EXPECT_FALSE(exts()->Seq(2)->IsExtended());
}

TEST_F(OperationsTest, DefaultsForTablesChartsAndFieldsLoadedLater) {
  makeDatabase();
  ASSERT_TRUE(AddExtension(access, "Sales", "", "sales.xml"));
  ASSERT_TRUE(AddExtension(access, "Audit", "", "audit.xml"));
  ext("Audit")->setEnabled(false);
  addTable("Products", {"Id"}, {"Stock"});
  addTable("Staged", {"Id"}, {})->setTblLoaded(false);
  AddTableExtensionDefaults(access, "Products");
  AddTableExtensionDefaults(access, "Staged");
  EXPECT_EQ(tree("Sales"), "Orders:1(Sales:1,Volume:2|Id:1,Total:2) Customers:2(|Id:1,Name:2) "
                           "Products:3(Stock:1|Id:1)");
  EXPECT_EQ(tree("Audit"), "Orders:1(Sales:1,Volume:2|Id:1,Total:2) Customers:2(|Id:1,Name:2) "
                           "Products:3(Stock:1|Id:1)");
  ASSERT_TRUE(SetExtTblAtt(access, "Sales", "Products", "Color", Variant("teal")));
  AddTableExtensionDefaults(access, "products");
  EXPECT_EQ(tblAttrs("Sales", "Products"), "Color=teal;PageSize=20");

  auto products = table("Products");
  products->Charts()->Add("Products", "Margin");
  products->Fields()->Add("Products", "Price");
  AddChartExtensionDefaults(access, "Products", "Margin");
  AddFieldExtensionDefaults(access, "Products", "Price");
  AddFieldExtensionDefaults(access, "Products", "Absent");
  EXPECT_EQ(tree("Sales"), "Orders:1(Sales:1,Volume:2|Id:1,Total:2) Customers:2(|Id:1,Name:2) "
                           "Products:3(Stock:1,Margin:2|Id:1,Price:2)");
}

TEST_F(OperationsTest, CopyChartCarriesTheOldChartsValues) {
  makeDatabase();
  ASSERT_TRUE(AddExtension(access, "Sales", "", "sales.xml"));
  ASSERT_TRUE(AddExtension(access, "Audit", "", "audit.xml"));
  ASSERT_TRUE(SetExtChartAtt(access, "Sales", "Orders", "Sales", "numDivLines", Variant(9)));
  ASSERT_TRUE(SetExtChartAtt(access, "Audit", "Orders", "Sales", "Stamp", Variant(3.5)));
  table("Orders")->Charts()->Add("Orders", "Copy");
  // Audit already has an entry for the copy: it keeps its own values.
  ASSERT_TRUE(SetExtChartAtt(access, "Audit", "Orders", "Copy", "Stamp", Variant(7)));
  CopyChartToExtensions(access, "Orders", "Sales", "copy");
  EXPECT_EQ(shown(GetExtChartAtt(access, "Sales", "Orders", "Copy", "numDivLines")), "9");
  EXPECT_EQ(shown(GetExtChartAtt(access, "Sales", "Orders", "Copy", "canvasBgColor")), "FFFFFF");
  EXPECT_EQ(shown(GetExtChartAtt(access, "Audit", "Orders", "Copy", "Stamp")), "7");
  CopyChartToExtensions(access, "Orders", "Sales", "NotInTheModel");
  EXPECT_TRUE(GetExtChartAtt(access, "Sales", "Orders", "NotInTheModel", "numDivLines").isNull());
}

} // namespace
