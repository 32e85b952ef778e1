// Synchronisation against the PostgreSQL server of the test run, in a database of its own
// whose schema the test changes between two reads.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files/files.h"
#include "sync/servers.h"
#include "sync/sync_env.h"

namespace quillet::testing {
namespace {

constexpr const char* kDatabase = "quillet_sync_e2e";

std::string runSql(const std::string& db, const std::string& sql) {
  return runPostgres(db, sql);
}

class PostgresSync : public SyncTest {
protected:
  void SetUp() override {
    QUILLET_REQUIRE_SERVICES();
    const std::string main = serviceVar("QUILLET_PG_DATABASE");
    ASSERT_EQ(runSql(main, std::string("DROP DATABASE IF EXISTS ") + kDatabase), "");
    ASSERT_EQ(runSql(main, std::string("CREATE DATABASE ") + kDatabase), "");
    ASSERT_EQ(runSql(kDatabase,
                     "CREATE TABLE customers (id serial PRIMARY KEY, name varchar(40) NOT NULL,"
                     " city text);"
                     "CREATE TABLE orders (id serial PRIMARY KEY, customer int, total"
                     " numeric(10,2), note text, \"Status\" text);"
                     "CREATE TABLE temp (a int);"
                     "CREATE VIEW big AS SELECT id, total FROM orders;"),
              "");
    conn = withDatabase(serviceVar("QUILLET_PG_ODBC"), kDatabase);
    ASSERT_NE(conn.find(std::string("Database=") + kDatabase), std::string::npos);
    loadDB("", "OTHER", "", "", conn);
    ASSERT_EQ(err(), "");
    sync::SaveTableKeys(*proj->DB());
  }
  void TearDown() override {
    proj = nullptr;
    runSql(serviceVar("QUILLET_PG_DATABASE"),
           std::string("DROP DATABASE IF EXISTS ") + kDatabase + " WITH (FORCE)");
  }
  std::string conn;
};

TEST_F(PostgresSync, AddsDropsRetypesAndRenamesKeepingTheUsersSettings) {
  auto orders = ptable("orders");
  orders->Fields()->Item(Variant("id"))->setFldCaption("Order number");
  orders->Fields()->Item(Variant("Status"))->setFldCaption("State");
  auto cust = orders->Fields()->Item(Variant("customer"));
  cust->setValue("FldTagLnkTbl", Variant("customers"));
  cust->setValue("FldTagLnkFld", Variant("id"));
  cust->setValue("FldTagLnkDisplay", Variant("name"));
  ptable("customers")->setTblCaption("Clients");
  const int16_t before = ptable("orders")->Fields()->Item(Variant("total"))->FldType();

  ASSERT_EQ(runSql(kDatabase, "DROP VIEW big;"
                              "ALTER TABLE orders ADD COLUMN shipped date;"
                              "ALTER TABLE orders DROP COLUMN note;"
                              "ALTER TABLE orders ALTER COLUMN total TYPE double precision;"
                              "ALTER TABLE orders RENAME COLUMN \"Status\" TO status;"
                              "ALTER TABLE customers RENAME TO clients;"
                              "DROP TABLE temp;"
                              "CREATE TABLE products (id int PRIMARY KEY, title text);"
                              "CREATE VIEW big2 AS SELECT id FROM orders;"),
            "");
  int16_t found = platform::automation::CInt(
      platform::automation::invoke(proj.get(), "CheckDB", platform::automation::kMethod));
  EXPECT_GT(found, 0) << err();
  ui->answer("clients=customers");
  ui->answer("<cancel>");
  platform::automation::invoke(proj.get(), "SynchronizeDB", platform::automation::kMethod);
  ASSERT_EQ(err(), "");

  std::vector<std::string> tables;
  for (auto& t : proj->DB()->Tables()->items().list())
    tables.push_back(t->TblName());
  EXPECT_EQ(tables, (std::vector<std::string>{"clients", "orders", "products", "big2"}));
  EXPECT_EQ(ptable("clients")->TblCaption(), "Clients");
  EXPECT_EQ(fields("orders"),
            (std::vector<std::string>{"id", "customer", "total", "status", "shipped"}));
  EXPECT_EQ(orders->Fields()->Item(Variant("id"))->FldCaption(), "Order number");
  EXPECT_EQ(orders->Fields()->Item(Variant("status"))->FldCaption(), "State");
  const int16_t after = orders->Fields()->Item(Variant("total"))->FldType();
  EXPECT_NE(after, before);
  EXPECT_EQ(platform::automation::CStr(cust->value("FldTagLnkTbl")), "clients");
  EXPECT_TRUE(menus()->MenuHasTable("Table", "products"));
  EXPECT_FALSE(menus()->MenuHasTable("Table", "temp"));

  std::string text = platform::files::readFile(proj->SyncLog());
  for (std::string line : {
           std::string("CHANGED : (TABLE) customers - Rename customers to clients"),
           "CHANGED : (Field) orders->total - Changed type from " + std::to_string(before) +
               " to " + std::to_string(after),
           std::string("CHANGED : (Field) orders->Status - Rename Status to status"),
           std::string("ADDED   : (Field) orders->shipped"),
           std::string("DELETED : (Field) orders->note"),
           std::string("DELETED : (TABLE) temp"),
           std::string("ADDED   : (TABLE) products"),
           std::string("DELETED : (VIEW) big"),
           std::string("ADDED   : (VIEW) big2"),
       })
    EXPECT_NE(text.find(line + "\r\n"), std::string::npos) << line << "\n" << text;
  EXPECT_EQ(platform::automation::CInt(
                platform::automation::invoke(proj.get(), "CheckDB", platform::automation::kMethod)),
            0);
}

} // namespace
} // namespace quillet::testing
