// Change detection and synchronisation against a SQLite database whose schema changes
// between two reads.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files/files.h"
#include "project/state.h"
#include "sync/sync_env.h"

namespace quillet::testing {
namespace {

const char* kShop = "CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT, city TEXT);"
                    "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer INTEGER, total REAL,"
                    " note TEXT, Status TEXT);"
                    "CREATE TABLE temp (a INTEGER);"
                    "CREATE VIEW big AS SELECT id, total FROM orders;";

class Synchronise : public SyncTest {
protected:
  void SetUp() override {
    file = sqliteFile("shop.db", kShop);
    loadSqlite(file);
    ASSERT_EQ(err(), "");
    sync::SaveTableKeys(*proj->DB());
  }
  int16_t check() {
    return platform::automation::CInt(
        platform::automation::invoke(proj.get(), "CheckDB", platform::automation::kMethod));
  }
  void synchronize() {
    platform::automation::invoke(proj.get(), "SynchronizeDB", platform::automation::kMethod);
  }
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (auto& t : proj->DB()->Tables()->items().list())
      out.push_back(t->TblName());
    return out;
  }
  std::string file;
};

TEST_F(Synchronise, CheckCountsTheDifferences) {
  EXPECT_EQ(check(), 0);
  struct Case {
    const char* sql;
    int16_t count;
  } cases[] = {
      {"ALTER TABLE temp ADD COLUMN b TEXT", 3},  // changed table, new field, remainder
      {"ALTER TABLE temp DROP COLUMN b", 0},      // back in step
      {"ALTER TABLE orders DROP COLUMN note", 1}, // the field count differs
      {"CREATE TABLE extra (x INTEGER, y INTEGER)", 1 + 1 + 2},
      {"DROP TABLE extra", 1},
      {"DROP TABLE temp", 1 + 1 + 1}, // deleted table and its field
  };
  for (const Case& c : cases) {
    makeSqlite(file, c.sql);
    EXPECT_EQ(check(), c.count) << c.sql;
  }
  EXPECT_EQ(err(), "");
}

TEST_F(Synchronise, FollowsTheCatalogueAndKeepsTheUsersSettings) {
  ptable("customers")->setTblCaption("Clients");
  pfield("orders", "total")->setFldCaption("Amount");
  pfield("orders", "Status")->setFldCaption("State");
  auto cust = pfield("orders", "customer");
  cust->setValue("FldTagLnkTbl", Variant("customers"));
  cust->setValue("FldTagLnkFld", Variant("id"));
  cust->setValue("FldTagLnkDisplay", Variant("name"));
  proj->setProjName("Shop");
  makeSqlite(file, "ALTER TABLE orders ADD COLUMN shipped TEXT;"
                   "ALTER TABLE orders DROP COLUMN note;"
                   "ALTER TABLE orders RENAME COLUMN Status TO status;"
                   "ALTER TABLE customers RENAME TO clients;"
                   "DROP TABLE temp;"
                   "CREATE TABLE products (id INTEGER PRIMARY KEY, title TEXT);"
                   "DROP VIEW big; CREATE VIEW big2 AS SELECT id FROM orders;");
  EXPECT_GT(check(), 0);
  ui->answer("clients=customers"); // tables: the renamed one keeps its settings
  ui->answer("<cancel>");          // views: map nothing
  synchronize();
  ASSERT_EQ(err(), "");

  EXPECT_EQ(names(), (std::vector<std::string>{"clients", "orders", "products", "big2"}));
  EXPECT_EQ(ptable("clients")->TblCaption(), "Clients");
  EXPECT_EQ(fields("orders"),
            (std::vector<std::string>{"id", "customer", "total", "status", "shipped"}));
  EXPECT_EQ(pfield("orders", "total")->FldCaption(), "Amount");
  EXPECT_EQ(pfield("orders", "status")->FldCaption(), "State")
      << "a name that changed only in letter case keeps its settings";
  EXPECT_EQ(platform::automation::CStr(cust->value("FldTagLnkTbl")), "clients");
  EXPECT_TRUE(menus()->MenuHasTable("Table", "clients"));
  EXPECT_TRUE(menus()->MenuHasTable("Table", "products"));
  EXPECT_FALSE(menus()->MenuHasTable("Table", "temp"));
  EXPECT_FALSE(menus()->MenuHasTable("Table", "customers"));

  std::string log = proj->SyncLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(std::filesystem::path(log).filename().string().substr(0, 5), "Shop_");
  std::string text = platform::files::readFile(log);
  for (const char* line : {
           "CHANGED : (TABLE) customers - Rename customers to clients\r\n",
           "ADDED   : (Field) orders->shipped\r\n",
           "DELETED : (Field) orders->note\r\n",
           "CHANGED : (Field) orders->Status - Rename Status to status\r\n",
           "CHANGED : (Field) orders->customer - Rename lookup table from customers to clients\r\n",
           "DELETED : (TABLE) temp\r\n",
           "DELETED : (Field) temp->a\r\n",
           "ADDED   : (TABLE) products\r\n",
           "DELETED : (VIEW) big\r\n",
           "ADDED   : (VIEW) big2\r\n",
       })
    EXPECT_NE(text.find(line), std::string::npos) << line << text;

  EXPECT_EQ(check(), 0) << "in step afterwards";
  // A second run with nothing to do writes no log.
  synchronize();
  EXPECT_EQ(proj->SyncLog(), "");
}

TEST_F(Synchronise, ACatalogueThatCannotBeReadLosesNothing) {
  ASSERT_EQ(names().size(), 4u);
  std::filesystem::remove(file);
  std::filesystem::create_directory(file); // neither a file nor readable as a database
  EXPECT_EQ(check(), -1);
  EXPECT_NE(err(), "");
  ctx().ProjErr.clear();
  synchronize();
  EXPECT_NE(err(), "");
  EXPECT_EQ(names(), (std::vector<std::string>{"customers", "orders", "temp", "big"}));
  EXPECT_EQ(fields("orders").size(), 5u);
  EXPECT_EQ(proj->SyncLog(), "");
}

TEST_F(Synchronise, AKeyQuestionClosedWithoutAnAnswerKeepsTheKey) {
  makeSqlite(file, "CREATE TABLE k (a INTEGER, b INTEGER, PRIMARY KEY (a));");
  synchronize();
  ASSERT_EQ(err(), "");
  EXPECT_EQ(ptable("k")->TblKey(), "a");
  makeSqlite(file, "DROP TABLE k; CREATE TABLE k (a INTEGER, b INTEGER, PRIMARY KEY (b));");
  synchronize(); // nobody answers
  EXPECT_EQ(ptable("k")->TblKey(), "a");
  EXPECT_TRUE(pfield("k", "a")->FldIsPrimaryKey());
  EXPECT_FALSE(pfield("k", "b")->FldIsPrimaryKey());
  ui->answer("Update");
  synchronize();
  EXPECT_EQ(ptable("k")->TblKey(), "b");
  EXPECT_TRUE(pfield("k", "b")->FldIsPrimaryKey());
}

TEST_F(Synchronise, LoadingAProjectOffersTheUpdate) {
  proj->setAutoSync(true);
  std::string kvz = env.path("shop.kvz").string();
  proj->Save(kvz);
  ASSERT_EQ(err(), "");
  makeSqlite(file, "ALTER TABLE orders ADD COLUMN shipped TEXT;");

  for (const char* answer : {"", "Update"}) {
    ctx().ProjErr.clear();
    if (*answer) ui->answer(answer);
    auto other = platform::automation::makeRef<project::RUZ>();
    other->Load(kvz);
    EXPECT_EQ(err(), "") << answer;
    auto orders = other->DB()->Tables()->Item(Variant("orders"));
    EXPECT_EQ(orders->Fields()->FieldExist(Variant("shipped")), std::string(answer) == "Update")
        << "closing the question keeps the stored definition";
  }
}

} // namespace
} // namespace quillet::testing

namespace quillet::testing {
namespace {

TEST_F(Synchronise, CustomViewsAndReportsFollowTheirSources) {
  auto db = proj->DB();
  ASSERT_EQ(db->LoadADOCustomView(Variant(sqliteConn(file)), Variant("cv"),
                                  Variant("SELECT id, total FROM orders")),
            0)
      << err();
  ASSERT_TRUE(ptable("cv"));
  for (const char* r : {"by_orders", "by_cv"}) {
    ASSERT_TRUE(db->Tables()->Add(r));
    ptable(r)->setTblType("REPORT");
    ptable(r)->setTblLoaded(true);
  }
  ptable("by_orders")->setTblRptSrc("orders");
  ptable("by_cv")->setTblRptSrc("cv");
  ptable("by_cv")->Fields()->Add("by_cv", "stale");
  synchronize();
  ASSERT_EQ(err(), "");
  EXPECT_EQ(fields("by_orders"),
            (std::vector<std::string>{"id", "customer", "total", "note", "Status"}));
  EXPECT_EQ(fields("by_cv"), (std::vector<std::string>{"id", "total"}));
  EXPECT_EQ(check(), 0);

  // The query now fails: the view keeps its fields and its reports say why they did not
  // follow.
  makeSqlite(file, "DROP VIEW big; ALTER TABLE orders DROP COLUMN total;");
  synchronize();
  EXPECT_EQ(err(), "");
  EXPECT_EQ(fields("cv"), (std::vector<std::string>{"id", "total"}));
  EXPECT_NE(ptable("cv")->TblCustomError(), "");
  EXPECT_EQ(ptable("by_cv")->TblCustomError(), "Brindlewood: Source Table Error");
  EXPECT_EQ(fields("by_orders"), (std::vector<std::string>{"id", "customer", "note", "Status"}));

  // Names that are no custom view or report are reported.
  call("SyncCustom", "orders");
  EXPECT_EQ(err(), "Brindlewood: Custom view orders not found!");
  call("SyncReport", "nothing");
  EXPECT_EQ(err(), "Brindlewood: Report nothing not found!");
}

TEST_F(Synchronise, CustomViewConnectionStrings) {
  EXPECT_EQ(proj->DB()->DBConnstr(), sqliteConn(file));
  auto db = proj->DB();
  auto connStr = [&] {
    return platform::automation::CStr(platform::automation::invoke(proj.get(), "CustomViewConnStr",
                                                                   platform::automation::kMethod));
  };
  EXPECT_EQ(connStr(), sqliteConn(file));
  struct Case {
    const char *type, *ver, *pwd, *out;
  } cases[] = {
      {"ACCESS", "12.0", "", "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/d/shop.mdb;"},
      {"access", "4.0", "pw",
       "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/d/shop.mdb;Jet OLEDB:Database "
       "Password=pw;"},
      {"ACCESS", "", "", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/d/shop.mdb;"},
      {"ODBC", "", "", "dsn=shop;uid=;pwd="},
      {"odbc", "", "a;b}", "dsn=shop;uid=;pwd={a;b}}}"},
  };
  db->setDBPhyPath("/d/shop.mdb");
  db->setDBName("shop");
  db->setDBConnstr("");
  for (const Case& c : cases) {
    db->setDBType(c.type);
    db->setDBDBMSVer(c.ver);
    db->setDBPwd(c.pwd);
    EXPECT_EQ(connStr(), c.out) << c.type << " " << c.ver;
  }
  // An ODBC database opened with a connection string runs its custom views over it.
  db->setDBConnstr("Driver=SQLite3;Database=/d/x.db;");
  db->setDBType("ODBC");
  EXPECT_EQ(connStr(), "Driver=SQLite3;Database=/d/x.db;");
}

} // namespace
} // namespace quillet::testing

namespace quillet::testing {
namespace {

TEST_F(Synchronise, AStepThatFailsLeavesNoSynchronisationScopeBehind) {
  auto db = proj->DB();
  ASSERT_EQ(db->LoadADOCustomView(Variant(sqliteConn(file)), Variant("cv"),
                                  Variant("SELECT id, total FROM orders")),
            0)
      << err();
  ASSERT_TRUE(db->Tables()->Add("by_cv"));
  ptable("by_cv")->setTblType("REPORT");
  ptable("by_cv")->setTblLoaded(true);
  ptable("by_cv")->setTblRptSrc("cv");
  auto& hooks = dynamic_cast<sync::SyncHooks&>(project::syncHooks());

  // The log cannot be written: its folder is a file.
  std::string& reports = project::projectState().ReportFolder;
  const std::string kept = reports;
  reports = env.path("blocked").string();
  platform::files::writeFile(reports, "not a folder");
  makeSqlite(file, "ALTER TABLE orders ADD COLUMN shipped TEXT;");
  EXPECT_THROW(
      platform::automation::invoke(proj.get(), "SynchronizeDB", platform::automation::kMethod),
      platform::automation::Error);
  reports = kept;
  EXPECT_EQ(hooks.scope(), "");

  // So a custom view synchronised alone still brings its reports along.
  ptable("cv")->setTblCustomSQL("SELECT id, total, shipped FROM orders");
  ctx().ProjErr.clear();
  call("SyncCustom", "cv");
  EXPECT_EQ(err(), "");
  EXPECT_EQ(fields("cv"), (std::vector<std::string>{"id", "total", "shipped"}))
      << ptable("cv")->TblCustomError();
  EXPECT_EQ(fields("by_cv"), (std::vector<std::string>{"id", "total", "shipped"}));
}

} // namespace
} // namespace quillet::testing
