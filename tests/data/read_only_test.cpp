// Read-only connections stay read-only whatever a statement calls, results are bounded, and
// a script's time-out stops a statement that waits on the server.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "files/tempdir.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/data/connection.h"
#include "platform/data/connection_string.h"
#include "platform/vbscript/runtime.h"
#include "platform/vbscript/script_control.h"
#include "services.h"
#include "support/sqlite_file.h"

namespace quillet::platform::data {
namespace {

using automation::CStr;
using quillet::testing::failureOf;
using quillet::testing::makeSqlite;
using quillet::testing::scalarText;
using quillet::testing::serviceVar;
using quillet::testing::TempDir;
using Clock = std::chrono::steady_clock;

// The statement runs from a script with a one-second time-out; returns the error number
// the script ends with and how long it took.
std::pair<int32_t, double> runWithTimeout(const std::string& connection, const std::string& sql) {
  registerDataClasses();
  automation::Ref<vbscript::ScriptControl> sc(new vbscript::ScriptControl);
  sc->setTimeout(1000);
  auto start = Clock::now();
  int32_t number = 0;
  try {
    sc->AddCode("Set c = CreateObject(\"ADODB.Connection\")\nc.Open \"" + connection +
                "\"\nc.Execute \"" + sql + "\"\n");
  } catch (const automation::Error& e) {
    number = e.number();
  }
  return {number, std::chrono::duration<double>(Clock::now() - start).count()};
}

TEST(ReadOnlyTimeout, TheScriptTimeOutCancelsAWaitingStatement) {
  QUILLET_REQUIRE_SERVICES();
  automation::Context::Scope scope;
  for (auto [connection, sql] :
       {std::pair{serviceVar("QUILLET_PG_ODBC"), std::string("SELECT pg_sleep(15)")},
        std::pair{serviceVar("QUILLET_MARIADB_ODBC"), std::string("SELECT SLEEP(15)")}}) {
    SCOPED_TRACE(sql);
    auto [number, seconds] = runWithTimeout(connection, sql);
    EXPECT_EQ(number, vbscript::kTimeoutError);
    EXPECT_LT(seconds, 5.0);
  }
}

TEST(ReadOnlyMariaDb, StatementsRunInsideAReadOnlyTransaction) {
  QUILLET_REQUIRE_SERVICES();
  automation::Context::Scope scope;
  auto conn = openConnection(serviceVar("QUILLET_MARIADB_ODBC"));
  EXPECT_EQ(scalarText(*conn, "SELECT @@in_transaction"), "1");
  EXPECT_EQ(scalarText(*conn, "SELECT count(*) FROM orders"), "2");
}

class ReadOnlySqlite : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(
        makeSqlite(file, "CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1);"));
  }
  std::string bytes() const { return TempDir::read(file); }
  automation::Context::Scope scope;
  TempDir dir;
  std::string file = dir / "t.db";
};

TEST_F(ReadOnlySqlite, NothingChangesTheFileOrLoadsCode) {
  const std::string before = bytes();
  // The option is dropped before the driver sees it.
  RoutedConnection r =
      routeConnectionString("Driver={SQLite3};Database=" + file + ";LoadExt=/tmp/evil.so");
  EXPECT_EQ(r.odbc.find("LoadExt"), std::string::npos) << r.odbc;
  auto conn = openConnection("Driver={SQLite3};Database=" + file + ";LoadExt=/tmp/evil.so");
  std::string why = failureOf(*conn, "SELECT load_extension('/nonexistent/evil.so')");
  EXPECT_NE(why, "");
  EXPECT_EQ(why.find("cannot open shared object"), std::string::npos) << why;
  for (const char* sql : {"PRAGMA query_only(0)", "PRAGMA user_version(7)",
                          "PRAGMA journal_mode(WAL)", "PRAGMA schema_version(99)"})
    failureOf(*conn, sql);
  EXPECT_EQ(scalarText(*conn, "SELECT count(*) FROM t"), "1");
  conn->close();
  EXPECT_EQ(bytes(), before);
  EXPECT_FALSE(std::filesystem::exists(file + "-wal"));

  // The authorizer guards the driver's connections only: others in the process are as
  // they were.
  makeSqlite(file, "PRAGMA user_version = 3");
}

} // namespace
} // namespace quillet::platform::data
