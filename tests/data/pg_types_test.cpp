// Native PostgreSQL types over libpq, against the server of scripts/services.sh.
#include <gtest/gtest.h>

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/data/connection.h"
#include "platform/data/pg_types.h"
#include "services.h"

namespace quillet::platform::data {
namespace {

using quillet::testing::serviceVar;

class PgTypes : public ::testing::Test {
protected:
  void SetUp() override {
    QUILLET_REQUIRE_SERVICES();
    reader.connect(serviceVar("QUILLET_PG_HOST"), serviceVar("QUILLET_PG_DATABASE"),
                   serviceVar("QUILLET_PG_USER"), serviceVar("QUILLET_PG_PASSWORD"),
                   std::stoi(serviceVar("QUILLET_PG_PORT")));
  }
  automation::Context::Scope scope;
  PgTypeReader reader;
};

TEST_F(PgTypes, TableColumnsGiveTheTypesOdbcHides) {
  auto rels = reader.relations("", "shapes");
  ASSERT_EQ(rels.size(), 1u);
  EXPECT_EQ(rels[0].tableType, "TABLE");
  std::map<std::string, std::string> types;
  for (const auto& c : rels[0].columns)
    types[c.name] = c.typeName;
  EXPECT_EQ(types["pt"], "point");
  EXPECT_EQ(types["seg"], "lseg");
  EXPECT_EQ(types["tags"], "array");
  EXPECT_EQ(types["addr"], "inet");
  EXPECT_EQ(types["flag"], "bit");
  EXPECT_EQ(types["big"], "varchar");
  // Schema given explicitly; a view is a VIEW.
  EXPECT_EQ(reader.relations("other", "orders").at(0).columns.size(), 1u);
  EXPECT_EQ(reader.relations("public", "active_customers").at(0).tableType, "VIEW");
  EXPECT_TRUE(reader.relations("", "no_such_table").empty());
}

TEST_F(PgTypes, QueryColumnsAreDescribedNotRun) {
  auto cols = reader.queryColumns(
      "SELECT s.pt, s.tags AS t, s.id + 1 AS n, nextval('customers_id_seq') FROM shapes s");
  ASSERT_EQ(cols.size(), 4u);
  EXPECT_EQ(cols[0].typeName, "point");
  EXPECT_EQ(cols[0].sourceTable, "shapes");
  EXPECT_EQ(cols[1].name, "t");
  EXPECT_EQ(cols[1].typeName, "array");
  EXPECT_EQ(cols[1].sourceColumn, "tags");
  EXPECT_EQ(cols[2].typeName, "int8");
  EXPECT_TRUE(cols[2].sourceTable.empty());
  EXPECT_THROW(reader.queryColumns("DELETE FROM orders"), DataError);
  EXPECT_THROW(reader.queryColumns("SELECT * FROM no_such_table"), DataError);
  auto conn = openConnection(serviceVar("QUILLET_PG_ODBC"));
  EXPECT_EQ(automation::CLng(conn->execute("SELECT count(*) FROM orders")->value(size_t{0})), 2);
  // The sequence did not move: nothing ran.
  EXPECT_EQ(
      automation::CLng(conn->execute("SELECT last_value FROM customers_id_seq")->value(size_t{0})),
      2);
}

TEST(PgTypesErrors, WrongPasswordNamesTheServer) {
  QUILLET_REQUIRE_SERVICES();
  automation::Context::Scope scope;
  PgTypeReader r;
  try {
    r.connect(serviceVar("QUILLET_PG_HOST"), "quillet", "quillet", "nope",
              std::stoi(serviceVar("QUILLET_PG_PORT")));
    FAIL();
  } catch (const DataError& e) {
    EXPECT_EQ(e.number(), adoerr::kAuthenticationFailed);
    EXPECT_NE(e.description().find(serviceVar("QUILLET_PG_HOST")), std::string::npos)
        << e.description();
  }
}

TEST(PgTypesErrors, ScriptObjectReportsThroughLastError) {
  QUILLET_REQUIRE_SERVICES();
  automation::Context::Scope scope;
  auto r = automation::makeRef<DirectSchemaReader>();
  Variant obj(r);
  std::vector<Variant> args{Variant("127.0.0.1"), Variant("x"),        Variant("u"),
                            Variant("p"),         Variant(int32_t{9}), Variant("DIRECT"),
                            Variant(""),          Variant(""),         Variant("\"")};
  automation::invoke(obj, "Connect", automation::kMethod, automation::ArgList(args));
  EXPECT_NE(automation::CStr(automation::get(obj, "LastError"))
                .find("Cannot connect to PostgreSQL server '127.0.0.1'"),
            std::string::npos);
  std::vector<Variant> ok{Variant(serviceVar("QUILLET_PG_HOST")),
                          Variant("quillet"),
                          Variant("quillet"),
                          Variant(serviceVar("QUILLET_PG_PASSWORD")),
                          Variant(static_cast<int32_t>(std::stoi(serviceVar("QUILLET_PG_PORT")))),
                          Variant("DIRECT"),
                          Variant(""),
                          Variant(""),
                          Variant("\"")};
  automation::invoke(obj, "Connect", automation::kMethod, automation::ArgList(ok));
  EXPECT_EQ(automation::CStr(automation::get(obj, "LastError")), "");
  std::vector<Variant> name{Variant("shapes")};
  Variant list =
      automation::invoke(obj, "TableSchema", automation::kMethod, automation::ArgList(name));
  EXPECT_EQ(automation::CLng(automation::get(list, "Count")), 1);
  std::vector<Variant> zero{Variant(int32_t{0})};
  Variant entry =
      automation::invoke(list, "Item", automation::kGetOrCall, automation::ArgList(zero));
  Variant fields = automation::get(entry, "Fields");
  std::vector<Variant> one{Variant(int32_t{1})};
  Variant pt = automation::invoke(fields, "Item", automation::kGetOrCall, automation::ArgList(one));
  EXPECT_EQ(automation::CStr(automation::get(pt, "Name")), "pt");
  EXPECT_EQ(automation::CStr(automation::get(pt, "DataTypeName")), "point");
}

TEST(PgTypesErrors, ScriptObjectRefusesWhatItCannotHonour) {
  QUILLET_REQUIRE_SERVICES();
  automation::Context::Scope scope;
  auto r = automation::makeRef<DirectSchemaReader>();
  Variant obj(r);
  auto connect = [&](const char* dbType, const char* connType, const char* reserved,
                     const char* quote) {
    automation::let(obj, "DatabaseType", Variant(dbType));
    std::vector<Variant> args{
        Variant(serviceVar("QUILLET_PG_HOST")),
        Variant("quillet"),
        Variant("quillet"),
        Variant(serviceVar("QUILLET_PG_PASSWORD")),
        Variant(static_cast<int32_t>(std::stoi(serviceVar("QUILLET_PG_PORT")))),
        Variant(connType),
        Variant(reserved),
        Variant(""),
        Variant(quote)};
    automation::invoke(obj, "Connect", automation::kMethod, automation::ArgList(args));
    return automation::CStr(automation::get(obj, "LastError"));
  };
  EXPECT_EQ(connect("postgresql", "direct", "", ""), "");
  struct Case {
    const char* dbType;
    const char* connType;
    const char* reserved;
    const char* quote;
    const char* says;
  } refused[] = {
      {"MySQL", "DIRECT", "", "\"", "PostgreSQL databases only, not 'MySQL'"},
      {"PostgreSQL", "JDBC", "", "\"", "connection type 'JDBC' is not supported"},
      {"PostgreSQL", "DIRECT", "x", "\"", "seventh and eighth arguments"},
      {"PostgreSQL", "DIRECT", "", "`", "quote character '`'"},
  };
  for (const Case& c : refused) {
    EXPECT_NE(connect(c.dbType, c.connType, c.reserved, c.quote).find(c.says), std::string::npos)
        << c.says;
    // Nothing stays connected from before the refused call.
    std::vector<Variant> name{Variant("shapes")};
    automation::invoke(obj, "TableSchema", automation::kMethod, automation::ArgList(name));
    EXPECT_NE(automation::CStr(automation::get(obj, "LastError")).find("not connected"),
              std::string::npos);
  }
}

} // namespace
} // namespace quillet::platform::data
