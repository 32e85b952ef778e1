// Loading and unloading a database and its tables through the project object's members.
#include <gtest/gtest.h>

#include "model/loaders.h"
#include "schema/register.h"
#include "sync/sync_env.h"

namespace quillet::testing {
namespace {

const char* kShop = "CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT);"
                    "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer INTEGER, total REAL);"
                    "CREATE VIEW big_orders AS SELECT * FROM orders WHERE total > 100;";

class DatabaseLoad : public SyncTest {};

TEST_F(DatabaseLoad, ArgumentChecksStopBeforeAnyDatabaseIsMade) {
  struct Case {
    std::string type, phyPath, connStr, error;
  } cases[] = {
      {"access", "", "", "invalid database path!"},
      {"POSTGRESQL", "", "", "invalid connection string specified!"},
  };
  for (const Case& c : cases) {
    loadDB("", c.type, "C:\\data\\shop.mdb", c.phyPath, c.connStr);
    EXPECT_EQ(err(), c.error) << c.type;
    EXPECT_FALSE(proj->DB());
    EXPECT_EQ(proj->Databases()->Count(), 0);
  }
  EXPECT_EQ(sync::accessDatabaseKey("C:\\data\\shop.mdb"), "shop.mdb");
  EXPECT_EQ(sync::accessDatabaseKey("/srv/data/shop.mdb"), "shop.mdb");
  EXPECT_EQ(sync::accessDatabaseKey("shop.mdb"), "shop.mdb");
}

TEST_F(DatabaseLoad, LoadsEveryTableWithMenusAndRefusesASecondLoad) {
  std::string file = sqliteFile("shop.db", kShop);
  loadSqlite(file);
  ASSERT_EQ(err(), "");
  ASSERT_TRUE(proj->DB());
  EXPECT_EQ(proj->DB()->Tables()->Count(), 3);
  ASSERT_TRUE(ptable("orders"));
  EXPECT_TRUE(ptable("orders")->TblLoaded());
  EXPECT_TRUE(menus()->MenuHasTable("Table", "orders"));
  EXPECT_TRUE(menus()->MenuHasTable("Table", "customers"));

  loadSqlite(file);
  EXPECT_EQ(err(), "database already loaded!");
  EXPECT_EQ(proj->DB()->Tables()->Count(), 3);
}

TEST_F(DatabaseLoad, AFailedLoadLeavesNoDatabase) {
  std::string missing = env.path("none/absent.db").string();
  loadSqlite(missing);
  EXPECT_NE(err(), "");
  EXPECT_FALSE(proj->DB());
  EXPECT_EQ(proj->Databases()->Count(), 0);
  // The project can load another database afterwards.
  std::string file = sqliteFile("shop.db", kShop);
  loadSqlite(file);
  EXPECT_EQ(err(), "");
  EXPECT_TRUE(proj->DB());
}

TEST_F(DatabaseLoad, TablesLoadAndUnloadOneAtATime) {
  std::string file = sqliteFile("shop.db", kShop);
  call("LoadTable", "orders");
  EXPECT_EQ(err(), "Brindlewood: Database not loaded!");
  call("UnLoadTable", "orders");
  EXPECT_EQ(err(), "Brindlewood: Database not loaded!");

  proj->setDynamicLoadDB(true);
  loadSqlite(file);
  ASSERT_EQ(err(), "");
  ASSERT_TRUE(ptable("orders"));
  EXPECT_FALSE(ptable("orders")->TblLoaded());
  EXPECT_FALSE(menus()->MenuHasTable("Table", "orders"));

  call("UnLoadTable", "orders");
  EXPECT_EQ(err(), "Brindlewood: Table orders not loaded!");
  call("LoadTable", "Orders"); // the exact search misses; the list refuses the case twin
  EXPECT_EQ(err(), "Brindlewood: Table Orders cannot be added!");
  call("UnLoadTable", "Orders");
  EXPECT_EQ(err(), "Brindlewood: Table Orders not found!");

  call("LoadTable", "orders");
  EXPECT_EQ(err(), "");
  EXPECT_TRUE(ptable("orders")->TblLoaded());
  EXPECT_EQ(ptable("orders")->Fields()->Count(), 3);
  EXPECT_TRUE(menus()->MenuHasTable("Table", "orders"));
  call("LoadTable", "orders");
  EXPECT_EQ(err(), "Brindlewood: Table orders already loaded!");

  // A table the catalogue no longer has is reported, not taken for loaded.
  call("LoadTable", "gone");
  EXPECT_NE(err(), "");
  ASSERT_TRUE(ptable("gone"));
  EXPECT_FALSE(ptable("gone")->TblLoaded());

  call("UnLoadTable", "orders");
  EXPECT_EQ(err(), "");
  EXPECT_EQ(ptable("orders")->Fields()->Count(), 0);
  EXPECT_FALSE(ptable("orders")->TblLoaded());
  EXPECT_FALSE(ptable("orders")->TblGen());
  // The table is still listed, so its menu item stays, hidden with TblGen.
  auto item = menus()->GetItemByTableName("Table", "orders");
  ASSERT_TRUE(item);
  EXPECT_FALSE(item->MenuShow);
}

TEST_F(DatabaseLoad, UnloadDropsDatabaseMenusAndSecuritySettings) {
  platform::automation::invoke(proj.get(), "UnLoadDB", platform::automation::kMethod);
  EXPECT_EQ(err(), "");
  std::string file = sqliteFile("shop.db", kShop);
  loadSqlite(file);
  ASSERT_TRUE(proj->DB());
  proj->setSecTbl("customers");
  proj->setSecLoginIDFld("name");
  menus()->AddMenu(-1, "Home", -1, {}, {}, 0, {}, "default.asp", "Custom");
  ctx().ProjErr = "stale";
  platform::automation::invoke(proj.get(), "UnLoadDB", platform::automation::kMethod);
  EXPECT_FALSE(proj->DB());
  EXPECT_EQ(proj->Databases()->Count(), 0);
  EXPECT_EQ(menus()->Count(), 0);
  EXPECT_EQ(proj->SecTbl(), "");
  EXPECT_EQ(proj->SecLoginIDFld(), "");
  EXPECT_EQ(err(), "");
}

TEST_F(DatabaseLoad, RefreshMenusAddsChartItemsAndDropsThoseOfMissingTables) {
  std::string file = sqliteFile("shop.db", kShop);
  loadSqlite(file);
  ASSERT_TRUE(proj->DB());
  auto orders = ptable("orders");
  orders->setTblList(false);
  for (const char* c : {"Sales", "Trend", "Mix"})
    orders->Charts()->Add("orders", c);
  menus()->AddMenu(-1, "old", -1, {}, {}, 0, {}, "Gone|Sales", "Chart");
  // Items of present tables stay as they are; only missing ones are added.
  for (int32_t i = menus()->Count(); i >= 1; --i)
    if (menus()->at(i)->MenuUrl == "orders") menus()->DeleteMenu(menus()->at(i)->MenuId);
  syncHooksRefresh();
  EXPECT_FALSE(menus()->MenuHasTable("Chart", "Gone|Sales"));
  auto item = menus()->GetItemByTableName("Table", "orders");
  ASSERT_TRUE(item);
  EXPECT_FALSE(item->MenuShow);
  EXPECT_EQ(item->MenuDisplayOrder, -1);
  int32_t orderSum = 0;
  for (int32_t i = 1; i <= menus()->Count(); ++i) {
    auto* m = menus()->at(i);
    if (m->MenuType != "Chart") continue;
    EXPECT_EQ(m->MenuParentId, item->MenuId);
    orderSum += m->MenuDisplayOrder;
  }
  EXPECT_EQ(orderSum, 100 + 200 + 300);
}

} // namespace
} // namespace quillet::testing

namespace quillet::testing {
namespace {

// A loader that reads a table but has something to say about it (as a reader that could
// not read every column does).
class PartialLoader : public model::SchemaLoaders {
public:
  void LoadFld_DAO(model::RUZField&, const V&) override {}
  void LoadFld_ADO(model::RUZField&, const V&) override {}
  void LoadTbl_DAO(model::RUZTable&, const V&, bool) override {}
  void LoadView_DAO(model::RUZTable&, const V&, bool) override {}
  void Load_ADO(model::RUZTable&, const V&, const V&, bool) override {}
  void SetupMySQLFld(model::RUZTable&, const V&, const V&, const std::string&) override {}
  std::string MySQLTagValues(const std::string&) override { return {}; }
  void SetupPostgreSqlFld(model::RUZTable&, const V&, const V&, const std::string&) override {}
  void Load_ADOCustomView(model::RUZTable&, const V&, const std::string&,
                          const std::string&) override {}
  void ParseCustomSql(model::RUZTable&) override {}
  int16_t LoadADODB(model::RUZDatabase& db, const V&, const V&, const V&, const V&, const V&,
                    const V& tableName, const V&) override {
    auto t = db.Tables()->Item(tableName);
    t->Fields()->Add(t->TblName(), "id");
    t->setTblLoaded(true);
    core::state().ProjErr = "column x could not be read";
    return 0;
  }
  int16_t LoadADOCustomView(model::RUZDatabase&, const V&, const V&, const V&) override {
    return 1;
  }
  int16_t LoadDAODB(model::RUZDatabase&, const V&, const V&, const V&, const V&, const V&,
                    const V&) override {
    return 1;
  }
};

TEST_F(DatabaseLoad, ATableLoadedInPartKeepsTheLoadersWord) {
  std::string file = sqliteFile("shop.db", kShop);
  proj->setDynamicLoadDB(true);
  loadSqlite(file);
  ASSERT_EQ(err(), "");
  struct Restore {
    ~Restore() { schema::registerSchemaClasses(); }
  } restore;
  model::registerSchemaLoaders(std::make_shared<PartialLoader>());
  ctx().ProjErr = "an older message";
  call("LoadTable", "orders");
  EXPECT_EQ(err(), "column x could not be read");
  EXPECT_TRUE(ptable("orders")->TblLoaded());
  EXPECT_TRUE(menus()->MenuHasTable("Table", "orders"));
}

} // namespace
} // namespace quillet::testing
