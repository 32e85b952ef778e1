#include <gtest/gtest.h>

#include "core/identifiers.h"
#include "elements/model_env.h"
#include "model/table.h"

using namespace quillet;
using namespace quillet::model;
using platform::automation::Variant;
using quillet::testing::ModelTest;

namespace {

class TableTest : public ModelTest {
protected:
  Ref<RUZTables> tables = platform::automation::makeRef<RUZTables>();
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (auto& t : tables->items().list())
      out.push_back(t->TblName() + ":" + std::to_string(t->TblSeq()));
    return out;
  }
  std::vector<std::string> menuUrls() {
    std::vector<std::string> out;
    for (int32_t i = 1; i <= menus()->Count(); ++i)
      out.push_back(menus()->at(i)->MenuType + " " + menus()->at(i)->MenuUrl);
    return out;
  }
  void menu(const std::string& type, const std::string& url) {
    ASSERT_TRUE(menus()->AddMenu(-1, url, -1, "", "", 0, "", url, type, false, 0, false));
  }
};

TEST_F(TableTest, CatalogueAndRegistryDefaults) {
  setDefault(ctx().TableDefaultsKey, "TblRecPerPage", Variant(int32_t(20)), 4);
  setDefault(ctx().TableDefaultsKey, "TblExportType", Variant("csv"), 1);
  setDefault(ctx().TableDefaultsKey, "TblShowBlankListPage", Variant("True"), 1);
  RUZTable t;
  auto props = t.Properties()->list();
  ASSERT_EQ(props.size(), 64u);
  EXPECT_EQ(props[4]->Name(), "TblName");
  int fileSave = 0, sync = 0, regSave = 0;
  for (auto& p : props) {
    fileSave += p->FileSave();
    sync += p->Sync();
    regSave += p->RegSave();
  }
  EXPECT_EQ(fileSave, 57);
  EXPECT_EQ(sync, 47);
  EXPECT_EQ(regSave, 27);
  EXPECT_EQ(t.TblRecPerPage(), 20);
  EXPECT_EQ(t.TblExportType(), "csv");
  EXPECT_EQ(t.GetV("TblInlineEdit"), "False");
  EXPECT_EQ(t.GetV("TblShowBlankListPage"), "");
  t.setKey("Renamed");
  EXPECT_EQ(t.TblName(), "Renamed");
}

TEST_F(TableTest, GenerationFlagShowsTheTablesMenuItems) {
  menu("Table", "Orders");
  menu("Table", "orders");
  menu("Chart", "Orders|Sales");
  menu("Chart", "Orders");
  menu("Chart", "OrdersX|Sales");
  menu("Custom", "Orders");
  ASSERT_TRUE(menus()->AddMenu(-1, "", -1, "", "", 0, "", "", "Chart", true, 0, false));
  RUZTable t;
  t.setTblName("Orders");
  t.setTblGen(true);
  std::vector<bool> shown;
  for (int32_t i = 1; i <= menus()->Count(); ++i)
    shown.push_back(menus()->at(i)->MenuShow);
  EXPECT_EQ(shown, (std::vector<bool>{true, false, true, true, false, false, false}));
  EXPECT_TRUE(t.TblGen());
  // Only the setter touches menus.
  t.SetV("TblGen", "False");
  EXPECT_TRUE(menus()->at(1)->MenuShow);
}

TEST_F(TableTest, AddAndChangeWithTheirCascades) {
  EXPECT_TRUE(tables->Add("Orders"));
  EXPECT_FALSE(tables->Add("orders"));
  EXPECT_TRUE(tables->Add("T"));
  EXPECT_EQ(names(), (std::vector<std::string>{"Orders:1", "T:2"}));
  menu("Table", "T");
  menu("Table", "t"); // made with other capitals
  menu("Chart", "T|Sales|extra");
  menu("Chart", "TT|Sales");
  menu("Table", "Orders");
  EXPECT_FALSE(tables->Change("T", "ORDERS"));
  EXPECT_TRUE(tables->Change("T", "T"));
  EXPECT_TRUE(upkeepLog->calls.empty());

  EXPECT_TRUE(tables->Change("t", "U"));
  Ref<RUZTable> u = tables->Item(Variant("u"));
  EXPECT_EQ(u->TblName(), "U");
  EXPECT_EQ(u->TblVar(), "U");
  EXPECT_EQ(u->nameCopy(), "U");
  EXPECT_EQ(tables->curName(), "U");
  EXPECT_EQ(tables->curSeq(), 2);
  EXPECT_EQ(menuUrls(), (std::vector<std::string>{"Table U", "Table U", "Chart U|Sales|extra",
                                                  "Chart TT|Sales", "Table Orders"}));
  EXPECT_EQ(upkeepLog->calls, (std::vector<std::string>{"RenameTable T U", "Scripts T U"}));
}

TEST_F(TableTest, DeleteRunsEveryCascade) {
  for (auto n : {"A", "T", "C"})
    tables->Add(n);
  Ref<RUZTable> t = tables->Item(Variant("T"));
  for (auto c : {"C1", "C2"})
    t->Charts()->Add("T", c);
  for (auto f : {"F1", "F2"})
    t->Fields()->Add("T", f);
  // A loaded list may repeat an item; no copy survives, and the item after a deleted one is
  // not skipped.
  env.write("p.kvz", "<Project><Menu MenuID='1' MenuUrl='T'/><Menu MenuID='2' MenuUrl='T'/>"
                     "<Menu MenuID='3' MenuType='Chart' MenuUrl='T|C1'/>"
                     "<Menu MenuID='4' MenuType='Chart' MenuUrl='T|C2'/>"
                     "<Menu MenuID='5' MenuUrl='A'/>"
                     "<Menu MenuID='6' MenuType='Link' MenuCustomUrl='1' MenuUrl='T'/></Project>");
  ASSERT_TRUE(menus()->LoadMenus(env.path("p.kvz").string()));
  lang()->SetTablePhrase("en", "T", "TblCaption", "x");
  lang()->SetTablePhrase("en", "A", "TblCaption", "y");
  lang()->SetChartPhrase("en", "T", "C1", "ChartCaption", "z");
  lang()->SetFieldPhrase("en", "T", "F2", "FldCaption", "w");

  EXPECT_FALSE(tables->Delete(""));
  EXPECT_FALSE(tables->Delete("Nope"));
  EXPECT_TRUE(tables->Delete("t"));
  EXPECT_EQ(names(), (std::vector<std::string>{"A:1", "C:2"}));
  EXPECT_EQ(menuUrls(), (std::vector<std::string>{"Table A", "Link T"}));
  EXPECT_EQ(lang()->TableCount(), 1);
  EXPECT_EQ(lang()->ChartCount(), 0);
  EXPECT_EQ(lang()->FieldCount(), 0);
  EXPECT_EQ(upkeepLog->calls,
            (std::vector<std::string>{"DeleteChart T C2", "DeleteChart T C1", "DeleteTable T",
                                      "DeleteField T F2", "DeleteField T F1"}));
  // The table object still held here keeps its settings, but its children are gone.
  EXPECT_EQ(t->TblName(), "T");
  EXPECT_EQ(t->Charts()->Count(), 0);
  EXPECT_EQ(t->Fields()->Count(), 0);
}

TEST_F(TableTest, UnloadDeletesChartsThenFieldsFromTheTop) {
  tables->Add("Orders");
  Ref<RUZTable> t = tables->Item(Variant("Orders"));
  for (auto c : {"C1", "C2", "C3"})
    t->Charts()->Add("Orders", c);
  for (auto f : {"F1", "F2"})
    t->Fields()->Add("Orders", f);
  t->unload();
  EXPECT_EQ(upkeepLog->calls,
            (std::vector<std::string>{"DeleteChart Orders C3", "DeleteChart Orders C2",
                                      "DeleteChart Orders C1", "DeleteField Orders F2",
                                      "DeleteField Orders F1"}));
  // Releasing an object touches nothing else.
  upkeepLog->calls.clear();
  {
    auto other = platform::automation::makeRef<RUZTable>();
    other->setTblName("X");
    other->Fields()->Add("X", "F");
  }
  EXPECT_TRUE(upkeepLog->calls.empty());
}

TEST_F(TableTest, TypedMembersByName) {
  tables->Add("Orders");
  Variant list(static_cast<platform::automation::Object*>(tables.get()));
  Variant idx(int16_t(1));
  Variant t = platform::automation::invoke(list, "Item", platform::automation::kGetOrCall,
                                           platform::automation::ArgList(&idx, 1));
  menu("Table", "Orders");
  platform::automation::let(t, "TblGen", Variant(true));
  EXPECT_TRUE(menus()->at(1)->MenuShow);
  EXPECT_EQ(platform::automation::get(t, "TblSeq").varType(), 2);
  platform::automation::let(t, "TblName", Variant("Renamed"));
  EXPECT_EQ(tables->Item(Variant("Orders"))->nameCopy(), "Renamed");
  EXPECT_EQ(platform::automation::get(list, "curSeq").varType(), 2);
}

} // namespace
