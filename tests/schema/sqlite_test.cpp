// The project loader and the record reader on an SQLite file.
#include <gtest/gtest.h>

#include "core/loader_copies.h"
#include "platform/automation/convert.h"
#include "schema/schema_reader.h"
#include "schema_env.h"

namespace quillet::schema {
namespace {

using quillet::testing::SchemaTest;

class Sqlite : public SchemaTest {
protected:
  void SetUp() override {
    path = env.path("shop.db").string();
    makeSqlite(path, R"(
      CREATE TABLE customers (id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(60) NOT NULL,
        email VARCHAR(120) UNIQUE, note TEXT DEFAULT 'x', created TIMESTAMP);
      CREATE TABLE orders (order_id INTEGER NOT NULL, line_no INTEGER NOT NULL, amount DOUBLE,
        PRIMARY KEY (order_id, line_no));
      CREATE TABLE "x; DROP TABLE orders" (a INTEGER);
      CREATE TABLE "Odd ""Name""" ("Key Col" INTEGER, "select" TEXT);
      CREATE VIEW big AS SELECT id, name FROM customers;
      INSERT INTO customers (name) VALUES ('Ann');)");
    connStr = "Driver={SQLite3};Database=" + path;
  }
  int16_t load(const std::string& table = "") {
    return db->LoadADODB(Variant("SQLITE"), Variant(""), Variant(""), Variant(""), Variant(connStr),
                         Variant(table), Variant(""));
  }
  std::string path, connStr;
};

TEST_F(Sqlite, LoadsTablesViewsKeysAndNamesThatNeedQuoting) {
  ASSERT_EQ(load(), 0) << ctx().ProjErr;
  EXPECT_EQ(tableNames(), (std::vector<std::string>{"Odd \"Name\"", "customers", "orders",
                                                    "x; DROP TABLE orders", "big"}));
  EXPECT_EQ(db->DBDBMSName(), "SQLite");
  EXPECT_EQ(db->DBQuoteS(), "`");
  auto id = field("customers", "id");
  EXPECT_TRUE(id->FldIsPrimaryKey());
  EXPECT_TRUE(id->FldAutoIncrement());
  EXPECT_FALSE(id->FldAdd());
  EXPECT_TRUE(field("customers", "name")->FldReq());
  EXPECT_TRUE(field("customers", "name")->FldRequired());
  EXPECT_FALSE(field("customers", "note")->FldReq());
  EXPECT_TRUE(field("customers", "email")->FldUniqueIdx());
  EXPECT_EQ(table("orders")->TblKey(), "line_no\r\norder_id");
  EXPECT_FALSE(field("orders", "order_id")->FldUniqueIdx());
  EXPECT_EQ(fieldNames("Odd \"Name\""), (std::vector<std::string>{"Key Col", "select"}));
  EXPECT_EQ(fieldNames("x; DROP TABLE orders"), std::vector<std::string>{"a"});
  EXPECT_EQ(table("big")->TblType(), "VIEW");
  EXPECT_EQ(table("big")->TblKey(), "");
  for (auto& t : db->Tables()->items().list()) {
    EXPECT_TRUE(t->TblLoaded()) << t->TblName();
    EXPECT_EQ(t->TblError(), "") << t->TblName();
    EXPECT_FALSE(t->TblGen()); // the table defaults leave generation to the user
  }
  // The oddly named table was read, and nothing it names was run.
  makeSqlite(path, "SELECT count(*) FROM orders;");
}

TEST_F(Sqlite, OneTableAndATableThatIsGone) {
  ASSERT_EQ(load(), 0);
  ASSERT_EQ(load("orders"), 0) << ctx().ProjErr;
  makeSqlite(path, "DROP TABLE orders;");
  EXPECT_EQ(load("orders"), 1);
  EXPECT_NE(ctx().ProjErr.find("'orders' is not in the database"), std::string::npos);
}

TEST_F(Sqlite, DynamicLoadingListsTablesWithoutReadingThem) {
  core::loaderCopies().DynamicLoadDB = true;
  ASSERT_EQ(load(), 0);
  EXPECT_EQ(table("customers")->Fields()->Count(), 0);
  EXPECT_FALSE(table("customers")->TblLoaded());
  ASSERT_EQ(load("customers"), 0);
  EXPECT_EQ(table("customers")->Fields()->Count(), 5);
  EXPECT_TRUE(table("customers")->TblLoaded());
}

TEST_F(Sqlite, TheRecordReaderReadsSqlite) {
  auto reader = platform::automation::makeRef<RUZSchema>();
  Variant name("");
  reader->LoadDB(name, "SQLITE", "", path, false, "", "", "", "", "");
  ASSERT_EQ(ctx().ProjErr, "");
  ASSERT_EQ(reader->tblcnt(), 5);
  EXPECT_EQ(reader->Tbl(0).TblName, "");
  AGSchemaTable orders = reader->Tbl(3);
  EXPECT_EQ(orders.TblName, "orders");
  EXPECT_EQ(orders.TblSeq, 3);
  EXPECT_EQ(orders.TblKey, "line_no\r\norder_id");
  EXPECT_EQ(orders.TblFldCnt, 3);
  EXPECT_TRUE(orders.TblFields.Fld[1].FldReq);
  EXPECT_THROW(reader->Tbl(6), platform::automation::Error);
  // A record handed out is a copy.
  orders.TblName = "changed";
  EXPECT_EQ(reader->Tbl(3).TblName, "orders");
  reader->LoadDB(name, "SQLITE", "", path, false, "", "", "", "", "");
  EXPECT_EQ(ctx().ProjErr, "database already loaded!");
}

TEST_F(Sqlite, RecordReaderArgumentChecks) {
  struct Case {
    const char* type;
    const char* name;
    const char* phyPath;
    const char* connStr;
    const char* error;
  } cases[] = {
      {"ACCESS", "", "", "", "invalid database path!"},
      {"sqlite", "", "", "", "invalid database path!"},
      {"ODBC", "", "", "", "invalid DBName specified!"},
      {"OLEDB", "x", "", "", "invalid connection string specified!"},
  };
  for (const Case& c : cases) {
    auto reader = platform::automation::makeRef<RUZSchema>();
    Variant name(c.name);
    reader->LoadDB(name, c.type, "p", c.phyPath, false, "", "", c.connStr, "", "");
    EXPECT_EQ(ctx().ProjErr, c.error) << c.type;
  }
  auto reader = platform::automation::makeRef<RUZSchema>();
  Variant name("mine");
  reader->LoadDB(name, "OLEDB", "", "", false, "", "", connStr, "", "");
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(platform::automation::CStr(name), "DB");
  EXPECT_EQ(reader->db().DBName, "DB");
  EXPECT_EQ(reader->db().DBType, "ODBC");
}

} // namespace
} // namespace quillet::schema

namespace quillet::schema {
namespace {

TEST_F(SchemaTest, SqliteNonAsciiNamesKeepTheirKeysAndIndexes) {
  const std::string path = env.path("ü.db").string();
  makeSqlite(path, R"(CREATE TABLE "Bücher" ("Größe" INTEGER PRIMARY KEY, "Titel ü" TEXT UNIQUE,
                        "Straße" TEXT NOT NULL);)");
  ASSERT_EQ(db->LoadADODB(Variant("SQLITE"), Variant(""), Variant(""), Variant(""),
                          Variant("Driver={SQLite3};Database=" + path), Variant(""), Variant("")),
            0)
      << ctx().ProjErr;
  EXPECT_EQ(fieldNames("Bücher"), (std::vector<std::string>{"Größe", "Titel ü", "Straße"}));
  EXPECT_EQ(table("Bücher")->TblError(), "");
  EXPECT_EQ(table("Bücher")->TblKey(), "Größe");
  EXPECT_TRUE(field("Bücher", "Größe")->FldIsPrimaryKey());
  EXPECT_TRUE(field("Bücher", "Titel ü")->FldUniqueIdx());
  EXPECT_TRUE(field("Bücher", "Straße")->FldReq());
}

} // namespace
} // namespace quillet::schema
