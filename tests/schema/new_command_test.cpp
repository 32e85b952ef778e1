// `brindlewood new`, run as a user would, on SQLite files, the PostgreSQL server of the test
// run and a recorded catalogue.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/automation/convert.h"
#include "platform/data/connection_string.h"
#include "project/ruz.h"
#include "schema_env.h"
#include "support/host_run.h"

namespace quillet::schema {
namespace {

using platform::automation::Ref;
using platform::automation::Variant;
using quillet::testing::HostRun;
using quillet::testing::SchemaTest;
using quillet::testing::serviceVar;

class NewCommand : public SchemaTest {
protected:
  quillet::testing::DriverLeaksSuppressed leaks{env.path("lsan.supp")};
  HostRun run(const std::string& args) { return quillet::testing::runHost(args, "2>&1"); }
  static std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s)
      out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
  }
  // The project file as the project object reads it.
  Ref<project::RUZ> open(const std::string& file) {
    auto p = platform::automation::makeRef<project::RUZ>();
    p->Load(file);
    EXPECT_EQ(ctx().ProjErr, "");
    return p;
  }
  static std::vector<std::string> names(project::RUZ& p) {
    std::vector<std::string> out;
    for (auto& t : p.DB()->Tables()->items().list())
      out.push_back(t->TblName() + (t->TblLoaded() ? "" : " (not read)"));
    return out;
  }
};

TEST_F(NewCommand, SqliteFileWithNonAsciiNamesAndASummary) {
  const std::string db = env.path("shop.db").string();
  makeSqlite(db, R"(
    CREATE TABLE customers (id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(60) NOT NULL);
    CREATE TABLE "Bücher" ("Größe" INTEGER PRIMARY KEY, "Titel ü" TEXT);
    CREATE VIEW names AS SELECT name FROM customers;)");
  const std::string file = env.path("shop.kvz").string();
  HostRun r = run("new " + quoted(file) + " --db " + quoted(db));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Tables:      2\nViews:       1\nFields:      5\nUnsupported: 0\n"),
            std::string::npos)
      << r.out;

  Ref<project::RUZ> p = open(file);
  ASSERT_TRUE(p->DB());
  EXPECT_EQ(p->ProjName(), "shop");
  EXPECT_EQ(names(*p), (std::vector<std::string>{"Bücher", "customers", "names"}));
  auto buecher = p->DB()->Tables()->Item(Variant("Bücher"));
  EXPECT_TRUE(buecher->Fields()->Item(Variant("Größe"))->FldIsPrimaryKey());
  EXPECT_TRUE(buecher->Fields()->FieldExist(Variant("Titel ü")));
  // A later check finds the file again.
  EXPECT_EQ(p->DB()->DBPhyPath(), std::filesystem::absolute(db).lexically_normal().string());

  // An existing project is never replaced.
  HostRun again = run("new " + quoted(file) + " --db " + quoted(db));
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.out.find("already exists"), std::string::npos);
}

TEST_F(NewCommand, NamedTablesAreReadAndTheRestListed) {
  const std::string db = env.path("shop.db").string();
  makeSqlite(db, "CREATE TABLE a (x INTEGER); CREATE TABLE b (y INTEGER); "
                 "CREATE TABLE c (z INTEGER);");
  const std::string file = env.path("ab.kvz").string();
  HostRun r = run("new " + quoted(file) + " --db " + quoted(db) + " --table a --table c");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Not read:    1"), std::string::npos) << r.out;
  EXPECT_EQ(names(*open(file)), (std::vector<std::string>{"a", "b (not read)", "c"}));

  HostRun gone =
      run("new " + quoted(env.path("x.kvz").string()) + " --db " + quoted(db) + " --table nope");
  EXPECT_EQ(gone.status, 1);
  EXPECT_NE(gone.out.find("'nope' is not in the database"), std::string::npos) << gone.out;
  EXPECT_FALSE(std::filesystem::exists(env.path("x.kvz")));
}

TEST_F(NewCommand, PostgresByConnectionStringAndByDataSource) {
  QUILLET_REQUIRE_SERVICES();
  const std::string file = env.path("pg.kvz").string();
  HostRun r = run("new " + quoted(file) + " --db " + quoted(serviceVar("QUILLET_PG_ODBC")));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("from PostgreSQL"), std::string::npos) << r.out;
  // The summary names each column the project cannot use, with its type.
  EXPECT_NE(r.out.find("Unsupported: 5\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  shapes.seg (lseg)\n"), std::string::npos) << r.out;
  Ref<project::RUZ> p = open(file);
  EXPECT_EQ(p->DB()->DBDBMSName(), "PostgreSQL");
  EXPECT_TRUE(p->DB()->Tables()->TableExist(Variant("customers")));

  // A data source by name reaches its server; this one keeps no password, so the driver
  // says so. With the credentials in a connection string it loads.
  HostRun bare =
      run("new " + quoted(env.path("bare.kvz").string()) + " --db " + serviceVar("QUILLET_PG_DSN"));
  EXPECT_EQ(bare.status, 1);
  EXPECT_NE(bare.out.find("data source '" + serviceVar("QUILLET_PG_DSN") + "'"), std::string::npos)
      << bare.out;
  const std::string byDsn = env.path("dsn.kvz").string();
  const std::string dsnConn =
      "DSN=" + serviceVar("QUILLET_PG_DSN") + ";UID=" + serviceVar("QUILLET_PG_USER") +
      ";PWD=" + platform::data::quoteOdbcValue(serviceVar("QUILLET_PG_PASSWORD"));
  HostRun d = run("new " + quoted(byDsn) + " --db " + quoted(dsnConn) + " --table customers");
  ASSERT_EQ(d.status, 0) << d.out;
  Ref<project::RUZ> q = open(byDsn);
  EXPECT_GT(q->DB()->Tables()->Item(Variant("customers"))->Fields()->Count(), 0);
  EXPECT_FALSE(q->DB()->Tables()->Item(Variant("orders"))->TblLoaded());
}

TEST_F(NewCommand, BadConnectionsAndUsage) {
  QUILLET_REQUIRE_SERVICES();
  // A wrong password and a database that is not there: the loader's or the driver's
  // message, never the password, and no project file.
  const std::string conn = serviceVar("QUILLET_PG_ODBC");
  const std::string head = conn.substr(0, conn.find("Pwd="));
  const std::string secret = "Pwd={pg;pw={1}}=x}";
  ASSERT_NE(conn.find(secret), std::string::npos);
  struct Bad {
    std::string conn;
    const char* says;
  } bads[] = {
      {head + "Pwd=Wr0ngSecret", "User ID / Password not valid"},
      {head.substr(0, head.find("Database=")) + "Database=no_such_db;Uid=quillet;" + secret,
       "no_such_db"},
  };
  for (const Bad& b : bads) {
    HostRun bad = run("new " + quoted(env.path("bad.kvz").string()) + " --db " + quoted(b.conn));
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find(b.says), std::string::npos) << bad.out;
    EXPECT_EQ(bad.out.find("Wr0ngSecret"), std::string::npos) << bad.out;
    EXPECT_EQ(bad.out.find("pg;pw"), std::string::npos) << bad.out;
    EXPECT_FALSE(std::filesystem::exists(env.path("bad.kvz")));
  }

  struct Case {
    std::string args;
    int status;
    const char* says;
  } cases[] = {
      {"--db x.db", 2, "no project file given"},
      {"p.kvz", 2, "--db is required"},
      {"p.kvz --db", 2, "--db needs a value"},
      {"p.kvz --db x --colour red", 2, "unknown option"},
      {"p.kvz --db " + env.path("none.db").string(), 1, "does not exist"},
      {"p.kvz --db " + env.path("none.mdb").string(), 1, "does not exist"},
      {"p.kvz --db no_such_dsn", 1, "no_such_dsn"},
      {"p.kvz --db x.db --template " + env.path("none.zip").string(), 1, "template"},
  };
  for (const Case& c : cases) {
    HostRun r = run("new " + c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
  }
  HostRun help = run("new --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: brindlewood new FILE.kvz --db CONNECTION"), std::string::npos);
}

TEST_F(NewCommand, AccessFile) {
  const std::string mdb = env.path("nwind.mdb").string();
  std::filesystem::copy_file(QUILLET_SOURCE_DIR "/tests/data/fixtures/nwind.mdb", mdb);
  const std::string file = env.path("nwind.kvz").string();
  HostRun r = run("new " + quoted(file) + " --db " + quoted(mdb) + " --table Orders");
  ASSERT_EQ(r.status, 0) << r.out;
  Ref<project::RUZ> p = open(file);
  EXPECT_EQ(p->DB()->DBType(), "ACCESS");
  EXPECT_EQ(p->DB()->DBPhyPath(), mdb);
  auto orders = p->DB()->Tables()->Item(Variant("Orders"));
  EXPECT_TRUE(orders->TblLoaded());
  EXPECT_GT(orders->Fields()->Count(), 0);
  EXPECT_FALSE(p->DB()->Tables()->Item(Variant("Customers"))->TblLoaded());
}

TEST_F(NewCommand, RecordedCatalogue) {
  const std::string file = env.path("ora.kvz").string();
  HostRun r =
      run("new " + quoted(file) + " --db " QUILLET_TEST_DIR "/fixtures/oracle_hr.json --schema HR");
  ASSERT_EQ(r.status, 0) << r.out;
  Ref<project::RUZ> p = open(file);
  EXPECT_EQ(p->DB()->DBSchema(), "HR");
  EXPECT_GT(p->DB()->Tables()->Count(), 0);
}

} // namespace
} // namespace quillet::schema
