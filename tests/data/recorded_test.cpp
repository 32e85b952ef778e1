// Recorded catalogues: replay of hand-written recordings of databases that cannot run
// here, and capture from live connections.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
using quillet::testing::TempDir;
namespace fs = std::filesystem;

const std::string kFixtures = QUILLET_TEST_DIR "/fixtures/";

Ref<Connection> recorded(const std::string& file) {
  return openConnection("Provider=Quillet.Recorded;Data Source=" + file);
}

TEST(Recorded, SqlServerCatalogueReplays) {
  automation::Context::Scope scope;
  auto c = recorded(kFixtures + "sqlserver_catalogue.json");
  EXPECT_EQ(c->kind(), DatabaseKind::SqlServer);
  EXPECT_EQ(CStr(c->property("DBMS Version")), "15.00.2000");
  auto tables = c->openSchema(SchemaKind::Tables);
  EXPECT_EQ(column(*tables, "TABLE_NAME"),
            (std::vector<std::string>{"Customers", "Order Lines", "Big Customers"}));
  // Restrictions filter the unrestricted recording, in ADO's criteria positions.
  auto pk = c->openSchema(28, Variant(automation::SafeArray::fromValues(
                                  {Variant(), Variant(), Variant("Order Lines")})));
  EXPECT_EQ(column(*pk, "COLUMN_NAME"), (std::vector<std::string>{"OrderNo", "LineNo"}));
  auto ix = c->openSchema(SchemaKind::Indexes,
                          {Variant(), Variant(), Variant(), Variant(), Variant("Customers")});
  EXPECT_EQ(column(*ix, "PRIMARY_KEY"), (std::vector<std::string>{"True", "False"}));
  auto cols = c->openSchema(SchemaKind::Columns, {Variant(), Variant(), Variant("Customers")});
  EXPECT_EQ(column(*cols, "IS_NULLABLE"), (std::vector<std::string>{"False", "False", "True"}));
  // Statements replay by their text, blanks normalised.
  auto d = c->describe("SELECT *   FROM [dbo].[Customers]\n WHERE 0=1");
  EXPECT_EQ(d->columnCount(), 3u);
  EXPECT_EQ(d->columns()[0].type, ado::kGUID);
  EXPECT_EQ(d->rowCount(), 0u);
  auto def = c->execute(
      "SELECT t.table_name, c.column_name, c.data_type, c.is_nullable, c.column_default FROM "
      "INFORMATION_SCHEMA.TABLES t, INFORMATION_SCHEMA.Columns c WHERE t.table_name = c.table_name "
      "AND t.table_name = 'Customers' AND c.column_name = 'CustomerKey'");
  EXPECT_EQ(CStr(def->value(size_t{4})), "(newid())");
  auto since = c->execute("SELECT Since FROM Customers");
  EXPECT_EQ(since->value(size_t{0}).type(), automation::VarType::Date);
  EXPECT_EQ(automation::CStr(automation::Variant(
                automation::splitDate(since->value(size_t{0}).asDate().serial).day)),
            "29");
  since->moveNext();
  EXPECT_TRUE(since->value(size_t{0}).isNull());
}

TEST(Recorded, RecordedFailuresAndMissingResultsRaise) {
  automation::Context::Scope scope;
  auto c = recorded(kFixtures + "sqlserver_catalogue.json");
  try {
    c->describe("SELECT * FROM [Gone]");
    FAIL();
  } catch (const DataError& e) {
    EXPECT_EQ(e.description(), "Invalid object name 'Gone'.");
    ASSERT_EQ(c->errors().size(), 1u);
    EXPECT_EQ(c->errors()[0].sqlState, "42S02");
  }
  try {
    c->execute("SELECT 1");
    FAIL();
  } catch (const DataError& e) {
    EXPECT_NE(e.description().find("holds no result for the statement: SELECT 1"),
              std::string::npos);
  }
  EXPECT_THROW(c->openSchema(SchemaKind::ForeignKeys), DataError);
}

TEST(Recorded, OracleTriggerQuery) {
  automation::Context::Scope scope;
  auto c = recorded(kFixtures + "oracle_catalogue.json");
  EXPECT_EQ(c->kind(), DatabaseKind::Oracle);
  auto hr = c->openSchema(SchemaKind::Tables, {Variant(), Variant("HR")});
  EXPECT_EQ(column(*hr, "TABLE_NAME"), (std::vector<std::string>{"EMPLOYEES", "DEPTS"}));
  auto t = c->execute(
      "SELECT trigger_body FROM all_triggers WHERE owner='HR' AND table_name='EMPLOYEES' AND "
      "triggering_event='INSERT' AND trigger_type='BEFORE EACH ROW' AND status='ENABLED'");
  EXPECT_NE(CStr(t->value("trigger_body")).find(":NEW.\"EMP_ID\""), std::string::npos);
}

TEST(Recorded, BadFilesGiveClearErrors) {
  automation::Context::Scope scope;
  TempDir tmp;
  const fs::path dir = tmp.path();
  std::ofstream(dir / "broken.json")
      << "{\"format\": \"quillet-recorded-catalogue\", \"schemas\": [";
  std::ofstream(dir / "other.json") << "{\"hello\": 1}";
  std::ofstream(dir / "badrow.json")
      << R"({"format": "quillet-recorded-catalogue", "schemas": [{"kind": 20,
      "rowset": {"columns": [{"name": "A"}], "rows": [[1, 2]]}}]})";
  struct Case {
    std::string file, says;
  } cases[] = {{(dir / "none.json").string(), "file not found"},
               {(dir / "broken.json").string(), "is not valid JSON"},
               {(dir / "other.json").string(), "is not a recorded catalogue"},
               {(dir / "badrow.json").string(), "2 values for 1 columns"}};
  for (const auto& c : cases) {
    try {
      recorded(c.file);
      FAIL() << c.file;
    } catch (const DataError& e) {
      EXPECT_NE(e.description().find(c.says), std::string::npos) << e.description();
    }
  }
}

TEST(Recorded, CaptureOfALiveConnectionReplaysTheSame) {
  automation::Context::Scope scope;
  TempDir tmp;
  const fs::path dir = tmp.path();
  std::string db = (dir / "c.db").string();
  ASSERT_NO_FATAL_FAILURE(makeSqlite(
      db, "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT NOT NULL, at TIMESTAMP, b BLOB);"
          "INSERT INTO t VALUES (1, 'x''y', '2023-05-06 07:08:09', x'00ff');"));
  std::string file = (dir / "capture.json").string();
  auto live = openConnection("Driver={SQLite3};Database=" + db);
  live->startCapture(file);
  auto liveRows = live->execute("SELECT * FROM t");
  auto liveDesc = live->describe("SELECT name FROM t");
  live->captureCatalogue(file);
  auto replay = recorded(file);
  EXPECT_EQ(CStr(replay->property("DBMS Name")), CStr(live->property("DBMS Name")));
  for (SchemaKind k :
       {SchemaKind::Tables, SchemaKind::Columns, SchemaKind::PrimaryKeys, SchemaKind::Indexes}) {
    auto a = live->openSchema(k);
    auto b = replay->openSchema(k);
    ASSERT_EQ(a->rowCount(), b->rowCount());
    for (size_t i = 0; i < a->rowCount(); ++i)
      for (size_t c = 0; c < a->columnCount(); ++c)
        EXPECT_EQ(CStr(Variant(a->row(i)[c].isNull() ? Variant("<null>") : a->row(i)[c])),
                  CStr(Variant(b->row(i)[c].isNull() ? Variant("<null>") : b->row(i)[c])));
  }
  auto rows = replay->execute("SELECT * FROM t");
  EXPECT_EQ(CStr(rows->value("name")), "x'y");
  EXPECT_EQ(rows->value("at").asDate().serial, liveRows->value("at").asDate().serial);
  ASSERT_EQ(rows->value("b").varType(), liveRows->value("b").varType())
      << liveRows->columns()[3].type;
  // The blob replays as the live driver gave it, bytes or text.
  auto content = [](const Variant& v) {
    if (!v.isArray()) return CStr(v);
    std::string bytes;
    for (const Variant& e : v.asArray().data())
      bytes += static_cast<char>(e.asByte());
    return bytes;
  };
  EXPECT_FALSE(content(liveRows->value("b")).empty());
  EXPECT_EQ(content(rows->value("b")), content(liveRows->value("b")));
  EXPECT_EQ(replay->describe("SELECT name FROM t")->columns()[0].baseTable,
            liveDesc->columns()[0].baseTable);
}

TEST(Recorded, CaptureOfThePostgresCatalogue) {
  QUILLET_REQUIRE_SERVICES();
  automation::Context::Scope scope;
  TempDir tmp;
  const fs::path file = tmp / "capture.json";
  auto live = openConnection(quillet::testing::serviceVar("QUILLET_PG_ODBC"));
  live->captureCatalogue(file.string());
  auto replay = recorded(file.string());
  EXPECT_EQ(replay->kind(), DatabaseKind::PostgreSql);
  auto pk = replay->openSchema(SchemaKind::PrimaryKeys, {Variant(), Variant(), Variant("orders")});
  EXPECT_EQ(column(*pk, "COLUMN_NAME"), (std::vector<std::string>{"order_id", "line_no"}));
  auto fk = replay->openSchema(SchemaKind::ForeignKeys);
  EXPECT_EQ(column(*fk, "PK_TABLE_NAME"), std::vector<std::string>{"customers"});
}

} // namespace
} // namespace quillet::platform::data
