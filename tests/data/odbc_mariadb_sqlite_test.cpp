// The ODBC backend against MariaDB (server of scripts/services.sh), an SQLite file, and a
// SQL Server address where no server runs (FreeTDS).
#include <gtest/gtest.h>

#include <filesystem>

#include "files/tempdir.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/data/connection.h"
#include "services.h"
#include "support/sqlite_file.h"

namespace quillet::platform::data {
namespace {

using automation::CStr;
using quillet::testing::column;
using quillet::testing::makeSqlite;
using quillet::testing::serviceVar;
using quillet::testing::TempDir;

class MariaDb : public quillet::testing::ServerTest {
protected:
  MariaDb() : ServerTest("QUILLET_MARIADB_ODBC") {}
};

TEST_F(MariaDb, CountsAsMySqlAndListsOnlyItsOwnDatabase) {
  EXPECT_EQ(CStr(conn->property("DBMS Name")), "MariaDB");
  EXPECT_EQ(conn->kind(), DatabaseKind::MySql);
  EXPECT_EQ(CStr(conn->property("Current Catalog")), "quillet");
  auto t = conn->openSchema(SchemaKind::Tables);
  // No mysql, sys, performance_schema or information_schema tables.
  EXPECT_EQ(column(*t, "TABLE_NAME"),
            (std::vector<std::string>{"Odd Name", "customers", "orders", "active_customers"}));
  EXPECT_EQ(column(*t, "TABLE_CATALOG")[0], "quillet");
}

TEST_F(MariaDb, ColumnsKeysAndIndexes) {
  auto c = conn->openSchema(SchemaKind::Columns, {Variant(), Variant(), Variant("customers")});
  auto names = column(*c, "COLUMN_NAME");
  ASSERT_EQ(names.size(), 9u);
  // The driver reports AUTO_INCREMENT columns as nullable (an insert may leave them out).
  EXPECT_EQ(column(*c, "IS_NULLABLE"),
            (std::vector<std::string>{"True", "False", "True", "True", "True", "True", "False",
                                      "True", "True"}));
  auto pk = conn->openSchema(SchemaKind::PrimaryKeys, {Variant(), Variant(), Variant("orders")});
  EXPECT_EQ(column(*pk, "COLUMN_NAME"), (std::vector<std::string>{"order_id", "line_no"}));
  auto ix = conn->openSchema(SchemaKind::Indexes,
                             {Variant(), Variant(), Variant(), Variant(), Variant("orders")});
  std::vector<std::string> rows;
  for (ix->moveFirst(); !ix->eof(); ix->moveNext())
    rows.push_back(CStr(ix->value("INDEX_NAME")) + ":" + CStr(ix->value("COLUMN_NAME")) + ":" +
                   CStr(ix->value("UNIQUE")) + ":" + CStr(ix->value("PRIMARY_KEY")));
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows,
            (std::vector<std::string>{"PRIMARY:line_no:True:True", "PRIMARY:order_id:True:True",
                                      "orders_code_amount_idx:amount:True:False",
                                      "orders_code_amount_idx:code:True:False",
                                      "orders_customer_idx:customer_id:False:False"}));
  auto fk = conn->openSchema(SchemaKind::ForeignKeys, {Variant(), Variant(), Variant("customers")});
  EXPECT_EQ(column(*fk, "FK_NAME"), std::vector<std::string>{"orders_customer_fk"});
}

TEST_F(MariaDb, ShowFieldsAndDescribe) {
  auto f = conn->execute("SHOW FIELDS FROM `customers`");
  std::map<std::string, std::string> types;
  for (f->moveFirst(); !f->eof(); f->moveNext())
    types[CStr(f->value("Field"))] = CStr(f->value("Type"));
  EXPECT_EQ(types["size"], "enum('x,y','p(q)','plain')");
  EXPECT_EQ(types["perms"], "set('a','b','d''e')");
  auto d = conn->describe("SELECT c.id, c.name AS who FROM customers c WHERE 0=1");
  ASSERT_EQ(d->columnCount(), 2u);
  EXPECT_EQ(d->columns()[0].autoIncrement, true);
  EXPECT_EQ(d->columns()[0].baseTable, "customers");
  EXPECT_EQ(d->columns()[1].baseColumn, "name");
  EXPECT_EQ(d->columns()[1].name, "who");
  auto odd = conn->execute("SELECT `back``tick` FROM `Odd Name`");
  EXPECT_EQ(odd->columns()[0].name, "back`tick");
}

TEST_F(MariaDb, DeleteGivenAsAViewChangesNothing) {
  EXPECT_THROW(conn->describe("DELETE FROM orders"), DataError);
  EXPECT_THROW(conn->execute("SELECT * FROM orders INTO OUTFILE '/tmp/x'"), DataError);
  EXPECT_EQ(automation::CLng(conn->execute("SELECT count(*) FROM orders")->value(size_t{0})), 2);
}

TEST(MariaDbErrors, WrongPassword) {
  QUILLET_REQUIRE_SERVICES();
  automation::Context::Scope scope;
  try {
    openConnection("Driver={MariaDB};Socket=" + serviceVar("QUILLET_MARIADB_SOCKET") +
                   ";Database=quillet;Uid=quillet;Pwd={not;it}");
    FAIL() << "opened with a wrong password";
  } catch (const DataError& e) {
    EXPECT_EQ(e.number(), adoerr::kAuthenticationFailed) << e.description();
    ASSERT_FALSE(e.records().empty());
    EXPECT_EQ(e.records()[0].sqlState, "28000");
  }
}

TEST(MariaDbErrors, WindowsMySqlDriverNameIsServedByMariaDb) {
  QUILLET_REQUIRE_SERVICES();
  automation::Context::Scope scope;
  // The shape projects store: the Windows driver name and User/Password keys.
  auto c = openConnection(
      "Driver={MySQL ODBC 3.51 Driver};Socket=" + serviceVar("QUILLET_MARIADB_SOCKET") +
      ";Database=quillet;User=quillet;Password={" + serviceVar("QUILLET_MARIADB_PASSWORD") +
      "};Option=3;");
  EXPECT_EQ(c->kind(), DatabaseKind::MySql);
}

// ---- SQLite ---------------------------------------------------------------------------

class Sqlite : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(makeSqlite(
        file,
        "CREATE TABLE items (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL, "
        "price REAL DEFAULT 0, code VARCHAR(8) UNIQUE);"
        "CREATE TABLE pairs (a INTEGER, b INTEGER, note TEXT, PRIMARY KEY (a, b));"
        "CREATE INDEX pairs_note ON pairs(note);"
        "CREATE VIEW cheap AS SELECT id, name FROM items WHERE price < 10;"
        "INSERT INTO items (name, price, code) VALUES ('Tea', 3.5, 'T1'), ('Café', 12, 'C1');"));
    conn = openConnection("Driver={SQLite3};Database=" + file);
  }
  automation::Context::Scope scope;
  TempDir dir;
  std::string file = dir / "t.db";
  Ref<Connection> conn;
};

TEST_F(Sqlite, CatalogueWithoutSystemTables) {
  EXPECT_EQ(conn->kind(), DatabaseKind::SQLite);
  auto t = conn->openSchema(SchemaKind::Tables);
  EXPECT_EQ(column(*t, "TABLE_NAME"),
            (std::vector<std::string>{"items", "pairs", "cheap"})); // no sqlite_sequence
  auto c = conn->openSchema(SchemaKind::Columns, {Variant(), Variant(), Variant("items")});
  EXPECT_EQ(column(*c, "COLUMN_NAME"), (std::vector<std::string>{"id", "name", "price", "code"}));
  EXPECT_EQ(column(*c, "IS_NULLABLE")[1], "False"); // from the catalogue, not from describe
  auto pk = conn->openSchema(SchemaKind::PrimaryKeys, {Variant(), Variant(), Variant("pairs")});
  EXPECT_EQ(column(*pk, "COLUMN_NAME"), (std::vector<std::string>{"a", "b"}));
  auto ix = conn->openSchema(SchemaKind::Indexes,
                             {Variant(), Variant(), Variant(), Variant(), Variant("pairs")});
  std::vector<std::string> rows;
  for (ix->moveFirst(); !ix->eof(); ix->moveNext())
    rows.push_back(CStr(ix->value("COLUMN_NAME")) + ":" + CStr(ix->value("UNIQUE")) + ":" +
                   CStr(ix->value("PRIMARY_KEY")));
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{"a:True:True", "b:True:True", "note:False:False"}));
}

TEST_F(Sqlite, ValuesKeepNonAsciiText) {
  auto r = conn->execute("SELECT name, price FROM items ORDER BY id");
  r->moveNext();
  EXPECT_EQ(CStr(r->value("name")), "Café");
  auto d = conn->describe("SELECT id, name FROM items");
  EXPECT_EQ(d->columns()[0].autoIncrement, true);
  EXPECT_EQ(d->columns()[1].baseTable, "items");
}

TEST_F(Sqlite, WritesAreRefused) {
  EXPECT_THROW(conn->execute("PRAGMA query_only = 0"), DataError);
  EXPECT_THROW(conn->describe("UPDATE items SET price = 0"), DataError);
  EXPECT_EQ(automation::CLng(
                conn->execute("SELECT count(*) FROM items WHERE price > 0")->value(size_t{0})),
            2);
}

TEST(SqliteErrors, MissingFileIsNotCreated) {
  automation::Context::Scope scope;
  // The driver would create an empty database; a missing file must be reported instead.
  TempDir dir;
  const std::string missing = dir / "missing.db";
  try {
    openConnection("Driver={SQLite3};Database=" + missing);
    FAIL() << "opened a missing file";
  } catch (const DataError& e) {
    EXPECT_NE(e.description().find(missing), std::string::npos) << e.description();
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
}

// ---- SQL Server through FreeTDS -------------------------------------------------------

TEST(FreeTds, ConnectionAttemptFailsWithAClearError) {
  automation::Context::Scope scope;
  for (std::string cs :
       {std::string("Provider=SQLOLEDB;Data Source=127.0.0.1,9;Initial Catalog=shop;"
                    "User ID=sa;Password={a;b}"),
        std::string("Driver={SQL Server Native Client 10.0};Server=127.0.0.1,9;Database=shop;"
                    "Uid=sa;Pwd=x")}) {
    try {
      openConnection(cs);
      FAIL() << "connected to nothing";
    } catch (const DataError& e) {
      EXPECT_NE(e.description().find("Cannot connect to driver 'FreeTDS' at '127.0.0.1' port 9"),
                std::string::npos)
          << e.description();
      EXPECT_FALSE(e.records().empty());
    }
  }
}

} // namespace
} // namespace quillet::platform::data
