// One project through one round of schema changes on each database of the test run:
// PostgreSQL and MariaDB servers and a SQLite file. The project is read, the user changes
// settings, adds a custom view and an extension, the database changes (columns added,
// dropped, retyped and renamed in letter case, tables renamed, in letter case too, dropped
// and added, a view replaced), and the synchronisation must follow while keeping what the
// user did.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "extensions/operations.h"
#include "platform/files/files.h"
#include "project/state.h"
#include "sync/servers.h"
#include "sync/sync_env.h"

namespace quillet::testing {
namespace {

namespace automation = platform::automation;

struct Dialect {
  const char* name;
  const char* create;
  const char* change;
};

const Dialect kDialects[] = {
    {"postgres",
     "CREATE TABLE customers (id int PRIMARY KEY, name varchar(40) NOT NULL, city text);"
     "CREATE TABLE orders (id int PRIMARY KEY, customer int, total numeric(10,2), note text,"
     " \"Status\" text);"
     "CREATE TABLE temp (a int);"
     "CREATE TABLE \"Items\" (id int PRIMARY KEY, label text);"
     "CREATE VIEW big AS SELECT id, total FROM orders;",
     "DROP VIEW big;"
     "ALTER TABLE orders ADD COLUMN shipped date;"
     "ALTER TABLE orders DROP COLUMN note;"
     "ALTER TABLE orders ALTER COLUMN total TYPE double precision;"
     "ALTER TABLE orders RENAME COLUMN \"Status\" TO status;"
     "ALTER TABLE customers RENAME TO clients;"
     "ALTER TABLE \"Items\" RENAME TO items;"
     "DROP TABLE temp;"
     "CREATE TABLE products (id int PRIMARY KEY, title text);"
     "CREATE VIEW big2 AS SELECT id FROM orders;"},
    {"mariadb",
     "CREATE TABLE customers (id int PRIMARY KEY, name varchar(40) NOT NULL, city text);"
     "CREATE TABLE orders (id int PRIMARY KEY, customer int, total decimal(10,2), note text,"
     " `Status` text);"
     "CREATE TABLE temp (a int);"
     "CREATE TABLE `Items` (id int PRIMARY KEY, label text);"
     "CREATE VIEW big AS SELECT id, total FROM orders;",
     "DROP VIEW big;"
     "ALTER TABLE orders ADD COLUMN shipped date;"
     "ALTER TABLE orders DROP COLUMN note;"
     "ALTER TABLE orders MODIFY total double;"
     "ALTER TABLE orders CHANGE `Status` `status` text;"
     "RENAME TABLE customers TO clients;"
     "RENAME TABLE `Items` TO items;"
     "DROP TABLE temp;"
     "CREATE TABLE products (id int PRIMARY KEY, title text);"
     "CREATE VIEW big2 AS SELECT id FROM orders;"},
    {"sqlite",
     "CREATE TABLE customers (id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL, city TEXT);"
     "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer INTEGER, total REAL, note TEXT,"
     " Status TEXT);"
     "CREATE TABLE temp (a INTEGER);"
     "CREATE TABLE Items (id INTEGER PRIMARY KEY, label TEXT);"
     "CREATE VIEW big AS SELECT id, total FROM orders;",
     // SQLite alters a column's type or a name's letter case only by making the table anew.
     "DROP VIEW big;"
     "CREATE TABLE orders2 (id INTEGER PRIMARY KEY, customer INTEGER, total TEXT,"
     " status TEXT, shipped DATE);"
     "DROP TABLE orders; ALTER TABLE orders2 RENAME TO orders;"
     "ALTER TABLE customers RENAME TO clients;"
     "ALTER TABLE Items RENAME TO items_; ALTER TABLE items_ RENAME TO items;"
     "DROP TABLE temp;"
     "CREATE TABLE products (id INTEGER PRIMARY KEY, title TEXT);"
     "CREATE VIEW big2 AS SELECT id FROM orders;"},
};

constexpr const char* kAudit = R"(<?xml version="1.0" encoding="utf-8"?>
<Project>
  <Database>
    <Table>
      <attribute name="Tracked" type="String" default="yes"/>
      <Field>
        <attribute name="Trail" type="String" default="full"/>
      </Field>
    </Table>
  </Database>
</Project>
)";

class EndToEnd : public SyncTest, public ::testing::WithParamInterface<Dialect> {
protected:
  void SetUp() override {
    const std::string name = GetParam().name;
    if (name == "sqlite") {
      file = sqliteFile("shop.db", GetParam().create);
      loadSqlite(file);
    } else {
      QUILLET_REQUIRE_SERVICES();
      // Each test has a database of its own: the tests of a run go side by side.
      const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
      const std::string suffix = test.find("Follows") == 0 ? "_sync_full" : "_sync_lost";
      database = (name == "postgres" ? std::string("quillet")
                                     : serviceVar("QUILLET_MARIADB_DATABASE")) +
                 suffix;
      dropDatabase();
      if (name == "postgres")
        ASSERT_EQ(runPostgres(serviceVar("QUILLET_PG_DATABASE"), "CREATE DATABASE " + database),
                  "");
      else
        ASSERT_EQ(runMariaDb("", "CREATE DATABASE " + database + " CHARACTER SET utf8mb4",
                             scratch()),
                  "");
      ASSERT_EQ(run(GetParam().create), "");
      std::string base =
          serviceVar(name == "postgres" ? "QUILLET_PG_ODBC" : "QUILLET_MARIADB_ODBC");
      loadDB("", "OTHER", "", "", withDatabase(base, database));
    }
    ASSERT_EQ(err(), "");
    sync::SaveTableKeys(*proj->DB());
  }
  void TearDown() override {
    proj = nullptr;
    if (!database.empty()) dropDatabase();
  }
  void dropDatabase() {
    if (std::string(GetParam().name) == "postgres")
      runPostgres(serviceVar("QUILLET_PG_DATABASE"),
                  "DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
    else
      runMariaDb("", "DROP DATABASE IF EXISTS " + database, scratch());
  }
  std::string scratch() { return env.path("mariadb").string(); }
  std::string run(const std::string& sql) {
    const std::string name = GetParam().name;
    if (name == "postgres") return runPostgres(database, sql);
    if (name == "mariadb") return runMariaDb(database, sql, scratch());
    makeSqlite(file, sql.c_str());
    return "";
  }
  int16_t check() {
    return automation::CInt(automation::invoke(proj.get(), "CheckDB", automation::kMethod));
  }
  std::vector<std::string> sortedTables() {
    std::vector<std::string> out;
    for (auto& t : proj->DB()->Tables()->items().list())
      out.push_back(t->TblName());
    std::sort(out.begin(), out.end());
    return out;
  }
  // An attribute's text; "" when the tree has no entry for it.
  static std::string textOf(const Variant& v) {
    return v.isNull() || v.isEmpty() ? std::string() : automation::CStr(v);
  }
  std::string tableAtt(const std::string& t) {
    extensions::ProjectAccess a = proj->extensionAccess();
    return textOf(extensions::GetExtTblAtt(a, "Audit", t, "Tracked"));
  }
  std::string fieldAtt(const std::string& t, const std::string& f) {
    extensions::ProjectAccess a = proj->extensionAccess();
    return textOf(extensions::GetExtFldAtt(a, "Audit", t, f, "Trail"));
  }
  std::string file, database;
};

TEST_P(EndToEnd, FollowsTheDatabaseAndKeepsWhatTheUserDid) {
  // What the user did to the project.
  ptable("customers")->setTblCaption("Clients");
  ptable("Items")->setTblCaption("Things");
  pfield("orders", "id")->setFldCaption("Number");
  pfield("orders", "Status")->setFldCaption("State");
  auto customer = pfield("orders", "customer");
  customer->setValue("FldTagLnkTbl", Variant("customers"));
  customer->setValue("FldTagLnkFld", Variant("id"));
  customer->setValue("FldTagLnkDisplay", Variant("name"));
  proj->setProjName("Shop");
  std::vector<Variant> view{Variant("cv"), Variant("SELECT id, total FROM orders"),
                            Variant(false)};
  automation::invoke(proj.get(), "LoadCustomView", automation::kMethod, automation::ArgList(view));
  ASSERT_EQ(err(), "");
  std::filesystem::create_directories(env.path("ext"));
  platform::files::writeFile(env.path("ext/audit.xml").string(), kAudit);
  project::projectState().ExtensionsFolder = env.path("ext").string();
  {
    extensions::ProjectAccess a = proj->extensionAccess();
    ASSERT_TRUE(extensions::AddExtension(a, "Audit", "", "audit.xml"));
    ASSERT_TRUE(extensions::SetExtTblAtt(a, "Audit", "customers", "Tracked", Variant("no")));
    ASSERT_TRUE(
        extensions::SetExtFldAtt(a, "Audit", "orders", "Status", "Trail", Variant("custom")));
  }
  ASSERT_EQ(tableAtt("orders"), "yes");
  ASSERT_EQ(check(), 0) << err();
  const int16_t totalType = pfield("orders", "total")->FldType();
  const int16_t viewTotalType = pfield("cv", "total")->FldType();

  ASSERT_EQ(run(GetParam().change), "");
  EXPECT_GT(check(), 0);
  ui->answer("clients=customers"); // tables: the renamed one keeps its settings
  ui->answer("<cancel>");          // views: map nothing
  automation::invoke(proj.get(), "SynchronizeDB", automation::kMethod);
  ASSERT_EQ(err(), "");

  // The project follows the database.
  EXPECT_EQ(sortedTables(), (std::vector<std::string>{"big2", "clients", "cv", "items", "orders",
                                                      "products"}));
  EXPECT_EQ(fields("orders"),
            (std::vector<std::string>{"id", "customer", "total", "status", "shipped"}));
  const int16_t newType = pfield("orders", "total")->FldType();
  EXPECT_NE(newType, totalType);
  EXPECT_EQ(pfield("cv", "total")->FldType(), newType) << "the custom view ran its query again";
  EXPECT_EQ(ptable("big2")->TblType(), "VIEW");
  EXPECT_EQ(fields("products"), (std::vector<std::string>{"id", "title"}));

  // What the user did stays, under the new names.
  EXPECT_EQ(ptable("clients")->TblCaption(), "Clients");
  EXPECT_EQ(ptable("items")->TblCaption(), "Things") << "a table renamed in letter case";
  EXPECT_EQ(pfield("orders", "id")->FldCaption(), "Number");
  EXPECT_EQ(pfield("orders", "status")->FldCaption(), "State") << "a field renamed in letter case";
  EXPECT_EQ(automation::CStr(customer->value("FldTagLnkTbl")), "clients");
  EXPECT_EQ(automation::CStr(customer->value("FldTagLnkDisplay")), "name");

  // Menus: one item per loaded table under its current name.
  for (const char* t : {"clients", "orders", "items", "products", "big2", "cv"})
    EXPECT_TRUE(menus()->MenuHasTable("Table", t)) << t;
  for (const char* t : {"customers", "Items", "temp", "big"})
    EXPECT_FALSE(menus()->MenuHasTable("Table", t)) << t;

  // The extension's tree: kept values follow renames, new objects get the defaults, what
  // was dropped is gone.
  EXPECT_EQ(tableAtt("clients"), "no");
  EXPECT_EQ(tableAtt("items"), "yes");
  EXPECT_EQ(tableAtt("products"), "yes");
  EXPECT_EQ(tableAtt("temp"), "");
  EXPECT_EQ(fieldAtt("orders", "status"), "custom");
  EXPECT_EQ(fieldAtt("orders", "shipped"), "full");
  EXPECT_EQ(fieldAtt("orders", "note"), "");

  // The log says what happened, one line per change.
  const std::string log = proj->SyncLog();
  ASSERT_NE(log, "");
  EXPECT_EQ(std::filesystem::path(log).filename().string().substr(0, 5), "Shop_");
  const std::string text = platform::files::readFile(log);
  EXPECT_EQ(text.rfind("# Software: Brindlewood\r\n", 0), 0u);
  const std::string retyped =
      std::to_string(totalType) + " to " + std::to_string(newType) + "\r\n";
  for (const std::string& line : {
           std::string("CHANGED : (TABLE) customers - Rename customers to clients\r\n"),
           std::string("CHANGED : (TABLE) Items - Rename Items to items\r\n"),
           std::string("CHANGED : (Field) orders->Status - Rename Status to status\r\n"),
           "CHANGED : (Field) orders->total - Changed type from " + retyped,
           "CHANGED : (Field) cv->total - Change type from " + std::to_string(viewTotalType) +
               " to " + std::to_string(newType) + "\r\n",
           std::string("CHANGED : (Field) orders->customer - Rename lookup table from customers"
                       " to clients\r\n"),
           std::string("ADDED   : (Field) orders->shipped\r\n"),
           std::string("DELETED : (Field) orders->note\r\n"),
           std::string("DELETED : (TABLE) temp\r\n"),
           std::string("DELETED : (Field) temp->a\r\n"),
           std::string("ADDED   : (TABLE) products\r\n"),
           std::string("ADDED   : (Field) products->title\r\n"),
           std::string("DELETED : (VIEW) big\r\n"),
           std::string("ADDED   : (VIEW) big2\r\n"),
       })
    EXPECT_NE(text.find(line), std::string::npos) << line << text;

  // In step afterwards: nothing to count and nothing to log.
  EXPECT_EQ(check(), 0) << err();
  automation::invoke(proj.get(), "SynchronizeDB", automation::kMethod);
  EXPECT_EQ(err(), "");
  EXPECT_EQ(proj->SyncLog(), "");
}

TEST_P(EndToEnd, ACatalogueThatCannotBeReadLosesNothing) {
  const std::vector<std::string> before = sortedTables();
  const size_t orderFields = fields("orders").size();
  auto db = proj->DB();
  if (file.empty()) {
    db->setDBConnstr(withDatabase(db->DBConnstr(), database + "_missing"));
  } else {
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
  }
  EXPECT_EQ(check(), -1);
  EXPECT_NE(err(), "");
  ctx().ProjErr.clear();
  automation::invoke(proj.get(), "SynchronizeDB", automation::kMethod);
  EXPECT_NE(err(), "") << "the reason is left for the caller";
  EXPECT_EQ(sortedTables(), before);
  EXPECT_EQ(fields("orders").size(), orderFields);
  EXPECT_TRUE(menus()->MenuHasTable("Table", "orders"));
  EXPECT_EQ(proj->SyncLog(), "");
}

INSTANTIATE_TEST_SUITE_P(Databases, EndToEnd, ::testing::ValuesIn(kDialects),
                         [](const ::testing::TestParamInfo<Dialect>& i) { return i.param.name; });

} // namespace
} // namespace quillet::testing
