// `brindlewood sync`, run as a user would, on a SQLite project whose database changed.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/host_run.h"
#include "sync/sync_env.h"

namespace quillet::testing {
namespace {

class SyncCommand : public SyncTest {
protected:
  DriverLeaksSuppressed leaks{env.path("lsan.supp")};
  // stdin from /dev/null: no terminal, as in a script.
  HostRun run(const std::string& args) { return runHost(args + " </dev/null", "2>&1"); }
};

TEST_F(SyncCommand, ChecksAsksAndSynchronises) {
  std::string db = sqliteFile("shop.db", "CREATE TABLE customers (id INTEGER, name TEXT);"
                                         "CREATE TABLE orders (id INTEGER, total REAL);");
  std::string kvz = env.path("shop.kvz").string();
  HostRun made = run("new " + kvz + " --db " + db);
  ASSERT_EQ(made.status, 0) << made.out;

  HostRun same = run("sync " + kvz + " --check");
  EXPECT_EQ(same.status, 0) << same.out;
  EXPECT_NE(same.out.find("in step"), std::string::npos) << same.out;

  makeSqlite(db, "ALTER TABLE customers RENAME TO clients; ALTER TABLE orders ADD COLUMN"
                 " shipped TEXT; ALTER TABLE orders RENAME COLUMN total TO Total;");
  HostRun found = run("sync " + kvz + " --check");
  EXPECT_EQ(found.status, 3) << found.out;
  for (const char* line : {"added table clients", "removed table customers",
                           "added field orders.shipped", "renamed field orders.total to Total"})
    EXPECT_NE(found.out.find(line), std::string::npos) << line << "\n" << found.out;

  HostRun unasked = run("sync " + kvz);
  EXPECT_EQ(unasked.status, 3) << unasked.out;
  EXPECT_NE(unasked.out.find("--yes"), std::string::npos) << unasked.out;
  EXPECT_EQ(run("sync " + kvz + " --check").status, 3) << "nothing was changed";

  HostRun done = run("sync " + kvz + " --yes --map customers=clients");
  EXPECT_EQ(done.status, 0) << done.out;
  size_t at = done.out.find("Log: ");
  ASSERT_NE(at, std::string::npos) << done.out;
  std::string log = done.out.substr(at + 5, done.out.find('\n', at) - at - 5);
  EXPECT_TRUE(std::filesystem::exists(log)) << log;
  EXPECT_EQ(run("sync " + kvz + " --check").status, 0);

  auto p = platform::automation::makeRef<project::RUZ>();
  p->Load(kvz);
  ASSERT_EQ(err(), "");
  EXPECT_TRUE(p->DB()->Tables()->TableExist(Variant("clients")));
  EXPECT_FALSE(p->DB()->Tables()->TableExist(Variant("customers")));
}

TEST_F(SyncCommand, UsageAndUnreadableDatabases) {
  EXPECT_EQ(run("sync").status, 2);
  EXPECT_EQ(run("sync a.kvz --map nothing").status, 2);
  EXPECT_EQ(run("sync a.kvz --bogus").status, 2);

  std::string db = sqliteFile("gone.db", "CREATE TABLE t (id INTEGER);");
  std::string kvz = env.path("gone.kvz").string();
  ASSERT_EQ(run("new " + kvz + " --db " + db).status, 0);
  std::filesystem::remove(db);
  std::filesystem::create_directory(db);
  HostRun r = run("sync " + kvz + " --yes");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("nothing was changed"), std::string::npos) << r.out;
}

} // namespace
} // namespace quillet::testing
