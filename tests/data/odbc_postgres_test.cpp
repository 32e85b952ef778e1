// The ODBC backend against the PostgreSQL server of scripts/services.sh (psqlODBC).
#include <gtest/gtest.h>

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/data/connection.h"
#include "services.h"

namespace quillet::platform::data {
namespace {

using automation::CStr;
using quillet::testing::column;
using quillet::testing::failureOf;
using quillet::testing::scalarText;
using quillet::testing::serviceVar;

class Postgres : public quillet::testing::ServerTest {
protected:
  Postgres() : ServerTest("QUILLET_PG_ODBC") {}
};

TEST_F(Postgres, PropertiesNameTheServerAndDriver) {
  EXPECT_EQ(conn->state(), 1);
  EXPECT_EQ(CStr(conn->property("DBMS Name")), "PostgreSQL");
  EXPECT_EQ(CStr(conn->property("DBMS Version")).substr(0, 3), "15.");
  EXPECT_EQ(CStr(conn->property("Provider Name")), "psqlodbcw.so");
  EXPECT_EQ(conn->kind(), DatabaseKind::PostgreSql);
  EXPECT_EQ(CStr(conn->property("Current Schema")), "public");
}

TEST_F(Postgres, TablesAreThoseOfTheCurrentSchemaOnly) {
  auto t = conn->openSchema(SchemaKind::Tables);
  EXPECT_EQ(column(*t, "TABLE_NAME"), (std::vector<std::string>{"Odd Name", "customers", "orders",
                                                                "shapes", "active_customers"}));
  EXPECT_EQ(column(*t, "TABLE_TYPE"),
            (std::vector<std::string>{"TABLE", "TABLE", "TABLE", "TABLE", "VIEW"}));
  EXPECT_EQ(column(*t, "TABLE_SCHEMA")[0], "public");
  // Another schema is reached by naming it.
  auto other = conn->openSchema(SchemaKind::Tables, {Variant(), Variant("other")});
  EXPECT_EQ(column(*other, "TABLE_NAME"), std::vector<std::string>{"orders"});
}

TEST_F(Postgres, ColumnsGiveNullabilityTypesAndDefaults) {
  auto c = conn->openSchema(SchemaKind::Columns, {Variant(), Variant(), Variant("customers")});
  EXPECT_EQ(column(*c, "COLUMN_NAME"), (std::vector<std::string>{"id", "name", "email", "note",
                                                                 "created", "balance", "active"}));
  EXPECT_EQ(column(*c, "IS_NULLABLE"),
            (std::vector<std::string>{"False", "False", "True", "True", "True", "True", "False"}));
  EXPECT_EQ(column(*c, "DATA_TYPE"),
            (std::vector<std::string>{"3", "202", "202", "203", "135", "131", "11"}));
  auto defaults = column(*c, "COLUMN_DEFAULT");
  EXPECT_EQ(defaults[0], "nextval('customers_id_seq'::regclass)");
  EXPECT_EQ(defaults[3], "'x''y'::text");
  EXPECT_EQ(column(*c, "IS_AUTOINCREMENT")[0], "True");
  EXPECT_EQ(column(*c, "NUMERIC_SCALE")[5], "2");
}

TEST_F(Postgres, KeysAndIndexes) {
  auto pk = conn->openSchema(SchemaKind::PrimaryKeys, {Variant(), Variant(), Variant("orders")});
  EXPECT_EQ(column(*pk, "COLUMN_NAME"), (std::vector<std::string>{"order_id", "line_no"}));
  EXPECT_EQ(column(*pk, "PK_NAME")[0], "orders_pkey");
  auto ix = conn->openSchema(SchemaKind::Indexes,
                             {Variant(), Variant(), Variant(), Variant(), Variant("orders")});
  std::vector<std::string> rows;
  for (ix->moveFirst(); !ix->eof(); ix->moveNext())
    rows.push_back(CStr(ix->value("INDEX_NAME")) + ":" + CStr(ix->value("COLUMN_NAME")) + ":" +
                   CStr(ix->value("UNIQUE")) + ":" + CStr(ix->value("PRIMARY_KEY")));
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{"orders_code_amount_idx:amount:True:False",
                                            "orders_code_amount_idx:code:True:False",
                                            "orders_customer_idx:customer_id:False:False",
                                            "orders_pkey:line_no:True:True",
                                            "orders_pkey:order_id:True:True"}));
  auto fk = conn->openSchema(SchemaKind::ForeignKeys);
  EXPECT_EQ(column(*fk, "FK_TABLE_NAME"), std::vector<std::string>{"orders"});
  EXPECT_EQ(column(*fk, "PK_TABLE_NAME"), std::vector<std::string>{"customers"});
  EXPECT_EQ(column(*fk, "FK_COLUMN_NAME"), std::vector<std::string>{"customer_id"});
}

TEST_F(Postgres, QuotedNamesAndAdoCriteriaArrays) {
  auto criteria =
      Variant(automation::SafeArray::fromValues({Variant(), Variant(), Variant("Odd Name")}));
  auto pk = conn->openSchema(28, criteria);
  EXPECT_EQ(column(*pk, "COLUMN_NAME"), std::vector<std::string>{"Key Col"});
  auto r = conn->execute("SELECT \"Key Col\", \"select\", \"it's\" FROM \"Odd Name\"");
  ASSERT_FALSE(r->eof());
  EXPECT_EQ(r->value("key col").asLong(), 7);
  EXPECT_EQ(CStr(r->value("SELECT")), "from");
}

TEST_F(Postgres, ExecuteBuffersRowsWithTypedValues) {
  auto r =
      conn->execute("SELECT id, name, email, balance, active, created FROM customers ORDER BY id");
  EXPECT_EQ(r->rowCount(), 2u);
  EXPECT_EQ(r->value("id").type(), automation::VarType::Long);
  EXPECT_EQ(CStr(r->value("name")), "Ann");
  EXPECT_EQ(r->value("active").asBool(), true);
  EXPECT_EQ(r->value("balance").asDouble(), 0.0);
  EXPECT_EQ(r->value("created").type(), automation::VarType::Date);
  r->moveNext();
  EXPECT_TRUE(r->value("email").isNull());
  r->moveNext();
  EXPECT_TRUE(r->eof());
  // Walked twice, as the loaders count rows first.
  r->moveFirst();
  EXPECT_EQ(CStr(r->value("NAME")), "Ann");
}

TEST_F(Postgres, DescribeReportsColumnsWithoutRunningTheStatement) {
  auto d = conn->describe(
      "SELECT c.id, c.name AS who, c.balance * 2 AS twice FROM customers c WHERE 0=1");
  ASSERT_EQ(d->columnCount(), 3u);
  EXPECT_EQ(d->rowCount(), 0u);
  const auto& id = d->columns()[0];
  EXPECT_EQ(id.type, ado::kInteger);
  EXPECT_EQ(id.autoIncrement, true);
  EXPECT_EQ(id.baseTable, "customers");
  EXPECT_EQ(id.baseColumn, "id");
  EXPECT_EQ(d->columns()[1].name, "who");
  EXPECT_EQ(d->columns()[1].baseColumn, "name");
  EXPECT_EQ(d->columns()[1].definedSize, 60);
  // nextval would advance the sequence if the statement ran.
  auto before = conn->execute("SELECT last_value FROM customers_id_seq");
  conn->describe("SELECT nextval('customers_id_seq') AS n");
  auto after = conn->execute("SELECT last_value FROM customers_id_seq");
  EXPECT_EQ(CStr(before->value(size_t{0})), CStr(after->value(size_t{0})));
}

TEST_F(Postgres, StatementsThatWriteAreRefusedAndChangeNothing) {
  for (const char* sql :
       {"DELETE FROM orders", "SELECT 1; DELETE FROM orders", "SELECT * INTO copy FROM orders",
        "WITH gone AS (DELETE FROM orders RETURNING *) SELECT * FROM gone"}) {
    EXPECT_THROW(conn->describe(sql), DataError) << sql;
    EXPECT_THROW(conn->execute(sql), DataError) << sql;
  }
  // Even a SELECT whose function writes is stopped by the read-only session.
  EXPECT_THROW(conn->execute("SELECT setval('customers_id_seq', 1000)"), DataError);
  EXPECT_FALSE(conn->errors().empty());
  EXPECT_EQ(automation::CLng(conn->execute("SELECT count(*) FROM orders")->value(size_t{0})), 2);
}

TEST_F(Postgres, FunctionsThatWriteLeaveNothingBehind) {
  const std::string objects = "SELECT count(*) FROM pg_largeobject_metadata";
  const std::string sequence = "SELECT last_value FROM customers_id_seq";
  const std::string largeObjects = scalarText(*conn, objects);
  const std::string lastValue = scalarText(*conn, sequence);
  // The server lets a read-only transaction create a large object; it goes with the
  // rollback.
  failureOf(*conn, "SELECT lo_create(0)");
  EXPECT_EQ(scalarText(*conn, objects), largeObjects);
  // Turning read-only off for the session is undone with the statement's transaction.
  failureOf(*conn, "SELECT set_config('default_transaction_read_only', 'off', false)");
  EXPECT_EQ(scalarText(*conn, "SELECT current_setting('transaction_read_only')"), "on");
  EXPECT_NE(failureOf(*conn, "SELECT nextval('customers_id_seq')"), "");
  EXPECT_EQ(scalarText(*conn, objects), largeObjects);
  EXPECT_EQ(scalarText(*conn, sequence), lastValue);
}

TEST_F(Postgres, AnEndlessResultStopsAtTheLimit) {
  const ResultLimits saved = resultLimits();
  setResultLimits({1000, 1 << 20});
  const std::string endless = "WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r) ";
  std::string rows = failureOf(*conn, endless + "SELECT n FROM r");
  std::string bytes = failureOf(*conn, endless + "SELECT n, repeat('x', 10000) FROM r");
  setResultLimits(saved);
  EXPECT_NE(rows.find("too large"), std::string::npos) << rows;
  EXPECT_NE(rows.find("more than 1000 rows"), std::string::npos) << rows;
  EXPECT_NE(bytes.find("more than 1048576 bytes"), std::string::npos) << bytes;
  EXPECT_EQ(scalarText(*conn, "SELECT 41 + 1"), "42"); // the connection is still usable
}

TEST_F(Postgres, ShapesReportsUnusualTypes) {
  auto d = conn->describe("SELECT * FROM shapes WHERE 0=1");
  std::map<std::string, ColumnInfo> byName;
  for (const auto& c : d->columns())
    byName[c.name] = c;
  EXPECT_EQ(byName["id"].type, ado::kBigInt);
  EXPECT_EQ(byName["payload"].type, ado::kLongVarBinary);
  EXPECT_EQ(byName["born"].type, ado::kDBDate);
  EXPECT_EQ(byName["big"].definedSize, 10000);
  EXPECT_EQ(byName["uid"].type, ado::kGUID);
}

TEST(PostgresErrors, WrongPasswordAndUnreachableServerNameTheServer) {
  QUILLET_REQUIRE_SERVICES();
  automation::Context::Scope scope;
  std::string cs = "Driver={PostgreSQL Unicode};Servername=" + serviceVar("QUILLET_PG_HOST") +
                   ";Port=" + serviceVar("QUILLET_PG_PORT") +
                   ";Database=quillet;Uid=quillet;Pwd=wrong";
  auto c = automation::makeRef<Connection>();
  try {
    c->open(cs);
    FAIL() << "opened with a wrong password";
  } catch (const DataError& e) {
    EXPECT_EQ(e.number(), adoerr::kAuthenticationFailed) << e.description();
    EXPECT_NE(e.description().find("Authentication failed"), std::string::npos) << e.description();
    EXPECT_NE(e.description().find(serviceVar("QUILLET_PG_HOST")), std::string::npos)
        << e.description();
    EXPECT_FALSE(c->errors().empty());
  }
  EXPECT_EQ(c->state(), 0);
  try {
    openConnection(
        "Driver={PostgreSQL Unicode};Servername=127.0.0.1;Port=9;Database=x;Uid=u;Pwd=p");
    FAIL() << "connected to a closed port";
  } catch (const DataError& e) {
    EXPECT_NE(
        e.description().find("Cannot connect to driver 'PostgreSQL Unicode' at '127.0.0.1' port 9"),
        std::string::npos)
        << e.description();
  }
}

TEST(PostgresErrors, DataSourceByNameWithSeparateCredentials) {
  QUILLET_REQUIRE_SERVICES();
  automation::Context::Scope scope;
  auto c = openConnection("DSN=" + serviceVar("QUILLET_PG_DSN"), serviceVar("QUILLET_PG_USER"),
                          serviceVar("QUILLET_PG_PASSWORD"));
  EXPECT_EQ(CStr(c->property("DBMS Name")), "PostgreSQL");
}

TEST(PostgresErrors, EveryOdbcHandleIsGivenBack) {
  QUILLET_REQUIRE_SERVICES();
  automation::Context::Scope scope;
  ASSERT_EQ(odbcHandlesInUse(), 0);
  auto c = openConnection(serviceVar("QUILLET_PG_ODBC"));
  EXPECT_GT(odbcHandlesInUse(), 0);
  c->execute("SELECT 1");
  c->describe("SELECT * FROM customers");
  c->openSchema(SchemaKind::Columns);
  EXPECT_THROW(c->execute("SELECT * FROM no_such_table"), DataError);
  c->close();
  EXPECT_EQ(odbcHandlesInUse(), 0);
  // A connection released while open, and one that fails to open.
  openConnection(serviceVar("QUILLET_PG_ODBC"));
  EXPECT_EQ(odbcHandlesInUse(), 0);
  EXPECT_THROW(
      openConnection("Driver={PostgreSQL Unicode};Servername=" + serviceVar("QUILLET_PG_HOST") +
                     ";Port=" + serviceVar("QUILLET_PG_PORT") +
                     ";Database=quillet;Uid=quillet;Pwd=wrong"),
      DataError);
  EXPECT_EQ(odbcHandlesInUse(), 0);
}

} // namespace
} // namespace quillet::platform::data
