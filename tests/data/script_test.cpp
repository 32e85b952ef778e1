// The connection and recordset as scripts reach them: by name, through the class factory.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "files/tempdir.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/factory.h"
#include "platform/data/connection.h"

namespace quillet::platform::data {
namespace {

using automation::ArgList;
using automation::CStr;
using automation::get;
using automation::invoke;
using automation::kGetOrCall;
using automation::kMethod;

const std::string kFixtures = QUILLET_TEST_DIR "/fixtures/";

TEST(DataScript, ConnectionRecordsetFieldsAndErrors) {
  automation::Context::Scope scope;
  registerDataClasses();
  Variant conn(automation::create("ADODB.Connection"));
  std::vector<Variant> open{
      Variant("Provider=Quillet.Recorded;Data Source=" + kFixtures + "sqlserver_catalogue.json")};
  invoke(conn, "Open", kMethod, ArgList(open));
  EXPECT_EQ(automation::CLng(get(conn, "State")), 1);
  std::vector<Variant> dbms{Variant("DBMS Name")};
  Variant props = get(conn, "Properties");
  EXPECT_EQ(CStr(automation::valueOf(invoke(props, "Item", kGetOrCall, ArgList(dbms)))),
            "Microsoft SQL Server");
  // OpenSchema(20) with no criteria, walked twice as the loaders do.
  std::vector<Variant> schema{Variant(int32_t{20})};
  Variant rs = invoke(conn, "OpenSchema", kMethod, ArgList(schema));
  int rows = 0;
  for (int pass = 0; pass < 2; ++pass) {
    invoke(rs, "MoveFirst", kMethod);
    while (!automation::CBool(get(rs, "EOF"))) {
      std::vector<Variant> col{Variant("table_name")};
      EXPECT_FALSE(CStr(automation::valueOf(invoke(rs, "Item", kGetOrCall, ArgList(col)))).empty());
      ++rows;
      invoke(rs, "MoveNext", kMethod);
    }
  }
  EXPECT_EQ(rows, 6);
  // Field objects with their properties.
  std::vector<Variant> sql{Variant("SELECT * FROM [dbo].[Customers] WHERE 0=1")};
  Variant d = invoke(conn, "Describe", kMethod, ArgList(sql));
  Variant fields = get(d, "Fields");
  EXPECT_EQ(automation::CLng(get(fields, "Count")), 3);
  std::vector<Variant> zero{Variant(int32_t{0})};
  Variant f0 = invoke(fields, "Item", kGetOrCall, ArgList(zero));
  EXPECT_EQ(CStr(get(f0, "Name")), "CustomerKey");
  EXPECT_EQ(automation::CLng(get(f0, "Type")), 72);
  std::vector<Variant> autoInc{Variant("ISAUTOINCREMENT")};
  EXPECT_FALSE(automation::CBool(
      automation::valueOf(invoke(get(f0, "Properties"), "Item", kGetOrCall, ArgList(autoInc)))));
  // A missing field is error 3265; a failed statement fills Errors.
  std::vector<Variant> none{Variant("Nope")};
  try {
    invoke(fields, "Item", kGetOrCall, ArgList(none));
    FAIL();
  } catch (const automation::Error& e) {
    EXPECT_EQ(e.number(), 3265);
  }
  std::vector<Variant> bad{Variant("SELECT * FROM [Gone]")};
  EXPECT_THROW(invoke(conn, "Describe", kMethod, ArgList(bad)), automation::Error);
  Variant errors = get(conn, "Errors");
  EXPECT_EQ(automation::CLng(get(errors, "Count")), 1);
  Variant e0 = invoke(errors, "Item", kGetOrCall, ArgList(zero));
  EXPECT_EQ(CStr(get(e0, "SQLState")), "42S02");
  // Reading past EOF is error 3021.
  Variant empty = invoke(conn, "Describe", kMethod, ArgList(sql));
  std::vector<Variant> first{Variant(int32_t{0})};
  try {
    automation::valueOf(invoke(empty, "Item", kGetOrCall, ArgList(first)));
    FAIL();
  } catch (const automation::Error& e) {
    EXPECT_EQ(e.number(), 3021);
  }
  invoke(conn, "Close", kMethod);
  EXPECT_EQ(automation::CLng(get(conn, "State")), 0);
}

TEST(DataScript, ExecuteWritesRecordsAffectedAndRecordsetOpenReadsAnyCursor) {
  automation::Context::Scope scope;
  registerDataClasses();
  // An empty file is an empty SQLite database.
  quillet::testing::TempDir tmp;
  const std::filesystem::path db = tmp / "empty.db";
  std::ofstream{db};
  Variant conn(automation::create("ADODB.Connection"));
  std::vector<Variant> open{Variant("Driver={SQLite3};Database=" + db.string())};
  invoke(conn, "Open", kMethod, ArgList(open));
  std::vector<Variant> exec{Variant("SELECT 1 AS one UNION ALL SELECT 2"), Variant(int32_t{7})};
  Variant rows = invoke(conn, "Execute", kMethod, ArgList(exec));
  EXPECT_EQ(exec[1].type(), automation::VarType::Long);
  EXPECT_EQ(automation::CLng(exec[1]), -1);
  std::vector<Variant> one{Variant("one")};
  EXPECT_EQ(automation::CLng(automation::valueOf(invoke(rows, "Item", kGetOrCall, ArgList(one)))),
            1);
  // A keyset cursor with optimistic locking asked for: a read-only snapshot that still moves
  // back.
  Variant rs(automation::create("ADODB.Recordset"));
  std::vector<Variant> rsOpen{Variant("SELECT 1 AS one UNION ALL SELECT 2"), conn,
                              Variant(int32_t{1}), Variant(int32_t{3}), Variant(int32_t{1})};
  invoke(rs, "Open", kMethod, ArgList(rsOpen));
  invoke(rs, "MoveLast", kMethod);
  EXPECT_EQ(automation::CLng(automation::valueOf(invoke(rs, "Item", kGetOrCall, ArgList(one)))), 2);
  invoke(rs, "MoveFirst", kMethod);
  EXPECT_EQ(automation::CLng(automation::valueOf(invoke(rs, "Item", kGetOrCall, ArgList(one)))), 1);
  invoke(conn, "Close", kMethod);
}

} // namespace
} // namespace quillet::platform::data
