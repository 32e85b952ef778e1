// A whole model: a database with tables, fields, charts with trendlines, menu items made the
// way the menu refresh makes them, and phrase overrides of every kind; then renames and
// deletions of a table, a field and a chart, checking every store the cascades reach.
#include <gtest/gtest.h>

#include "core/identifiers.h"
#include "elements/model_env.h"
#include "model/database.h"

using namespace quillet;
using namespace quillet::model;
using platform::automation::Variant;
using quillet::testing::ModelTest;

namespace {

class ModelIntegrationTest : public ModelTest {
protected:
  void SetUp() override {
    dbs = platform::automation::makeRef<RUZDatabases>();
    dbs->Add("Shop");
    db = dbs->Item(Variant("Shop"));
    auto tables = db->Tables();
    for (const char* t : {"Customers", "Orders", "Products"}) {
      ASSERT_TRUE(tables->Add(t));
      Ref<RUZTable> table = tables->Item(Variant(t));
      table->setTblType("TABLE");
      for (const char* f : {"Id", "Name", "Total"})
        table->Fields()->Add(t, f);
    }
    Ref<RUZTable> orders = tables->Item(Variant("Orders"));
    for (const char* c : {"Sales", "Volume"}) {
      orders->Charts()->Add("Orders", c);
      Ref<elements::RUZChart> chart = orders->Charts()->Item(Variant(c));
      for (const char* tl : {"Trendline1", "Trendline2"})
        chart->Trendlines()->Add(tl);
    }
    // Menu items as the refresh adds them: a "Table" item per table, a "Chart" item per
    // chart under its table's item.
    for (const char* t : {"Customers", "Orders", "Products"})
      menus()->AddMenu(-1, t, -1, "", "", 0, "", t, "Table");
    int32_t ordersId = menus()->GetItemByTableName("Table", "Orders")->MenuId;
    for (const char* c : {"Sales", "Volume"})
      menus()->AddMenu(-1, c, ordersId, "", "", 0, "", std::string("Orders|") + c, "Chart");
    menus()->AddMenu(-1, "Home", -1, "", "", 0, "", "default.aspx", "Link", true);

    lang()->SetProjectPhrase("de", "ProjName", "Laden");
    for (const char* t : {"Customers", "Orders"})
      lang()->SetTablePhrase("de", t, "TblCaption", std::string("T:") + t);
    lang()->SetChartPhrase("de", "Orders", "Sales", "ChartCaption", "Umsatz");
    lang()->SetChartPhrase("de", "Orders", "Volume", "ChartCaption", "Menge");
    lang()->SetFieldPhrase("de", "Orders", "Total", "FldCaption", "Summe");
    lang()->SetFieldPhrase("de", "Orders", "Name", "FldCaption", "Bezeichnung");
    lang()->SetFieldPhrase("de", "Products", "Name", "FldCaption", "Produkt");
    lang()->SetMenuPhrase("de", std::to_string(ordersId), "MenuText", "Bestellungen");
  }

  Ref<RUZTables> tables() { return db->Tables(); }
  std::vector<std::string> menuUrls() {
    std::vector<std::string> out;
    for (int32_t i = 1; i <= menus()->Count(); ++i)
      out.push_back(menus()->at(i)->MenuUrl);
    return out;
  }
  std::vector<std::string> seqs(const Ref<RUZTables>& t) {
    std::vector<std::string> out;
    for (auto& x : t->items().list())
      out.push_back(x->TblName() + ":" + std::to_string(x->TblSeq()));
    return out;
  }

  Ref<RUZDatabases> dbs;
  Ref<RUZDatabase> db;
};

TEST_F(ModelIntegrationTest, RenameAndDeleteKeepEveryStoreInStep) {
  Ref<RUZTable> orders = tables()->Item(Variant("Orders"));

  // Rename a chart, a field and the table (in other capitals than stored).
  ASSERT_TRUE(orders->Charts()->Change("Orders", "sales", "Revenue"));
  ASSERT_TRUE(orders->Fields()->Change("Orders", "TOTAL", "Amount"));
  ASSERT_TRUE(tables()->Change("orders", "Purchases"));
  EXPECT_EQ(orders->TblVar(), "Purchases");
  EXPECT_EQ(orders->Fields()->Item(Variant("Amount"))->FldVar(), "x_Amount");
  EXPECT_EQ(menuUrls(),
            (std::vector<std::string>{"Customers", "Purchases", "Products", "Purchases|Revenue",
                                      "Purchases|Volume", "default.aspx"}));
  EXPECT_EQ(upkeepLog->calls,
            (std::vector<std::string>{"RenameChart Orders Sales Revenue",
                                      "RenameField Orders Total Amount",
                                      "RenameTable Orders Purchases", "Scripts Orders Purchases"}));
  // Renames leave the overrides under the names they were filed with.
  EXPECT_EQ(lang()->GetTablePhrase("de", "Orders", "TblCaption"), "T:Orders");
  EXPECT_EQ(lang()->ChartCount(), 2);
  upkeepLog->calls.clear();

  // Delete a chart and a field of the renamed table, then another table.
  ASSERT_TRUE(orders->Charts()->Delete("Purchases", Variant("VOLUME")));
  EXPECT_EQ(orders->Charts()->Item(Variant("Revenue"))->ChartSeq(), 1);
  ASSERT_TRUE(orders->Fields()->Delete("Purchases", Variant("Id")));
  EXPECT_EQ(orders->Fields()->Item(Variant("Amount"))->FldSeq(), 2);
  ASSERT_TRUE(tables()->Delete("customers"));
  EXPECT_EQ(seqs(tables()), (std::vector<std::string>{"Purchases:1", "Products:2"}));
  EXPECT_EQ(menuUrls(), (std::vector<std::string>{"Purchases", "Products", "Purchases|Revenue",
                                                  "default.aspx"}));
  EXPECT_EQ(upkeepLog->calls,
            (std::vector<std::string>{"DeleteChart Purchases Volume", "DeleteField Purchases Id",
                                      "DeleteTable Customers", "DeleteField Customers Total",
                                      "DeleteField Customers Name", "DeleteField Customers Id"}));
  EXPECT_EQ(lang()->TableCount(), 1); // Customers' went; Orders' stays under its old name
  EXPECT_EQ(lang()->TableItem(1)->fields[1], "Orders");
  // The chart's overrides were filed under the table's old name, so they stay.
  EXPECT_EQ(lang()->ChartCount(), 2);
  EXPECT_EQ(lang()->FieldCount(), 3);
  EXPECT_EQ(lang()->MenuCount(), 1);
  EXPECT_EQ(lang()->ProjectCount(), 1);

  // The chart kept its trendlines; the menu tree still sorts under the renamed table.
  Ref<elements::RUZChart> revenue = orders->Charts()->Item(Variant("Revenue"));
  EXPECT_EQ(revenue->Trendlines()->Count(), 2);
  menus()->Sort();
  EXPECT_EQ(menuUrls(), (std::vector<std::string>{"Purchases", "Purchases|Revenue", "Products",
                                                  "default.aspx"}));

  // Dropping the database unloads what is left, with every cascade.
  upkeepLog->calls.clear();
  dbs->Delete(Variant("Shop"));
  EXPECT_EQ(dbs->Count(), 0);
  EXPECT_EQ(menuUrls(), (std::vector<std::string>{"default.aspx"}));
  EXPECT_EQ(lang()->ChartCount(), 2); // filed under the table's old name
  EXPECT_EQ(lang()->FieldCount(), 2); // Orders' (old table name) records
  EXPECT_EQ(lang()->GetFieldPhrase("de", "Products", "Name", "FldCaption"), "");
  EXPECT_EQ(upkeepLog->calls.front(), "DeleteTable Products");
  EXPECT_EQ(upkeepLog->calls.back(), "DeleteField Purchases Name");
}

} // namespace
