// Change detection (CheckDB) and synchronisation (SynchronizeDB) of a project of 300
// PostgreSQL tables x 15 fields after 30 changes to the database: 10 columns added, 10
// dropped, 5 retyped, 5 tables added. Needs the servers of scripts/services.sh (source
// build-test/services/env first); the database "quillet_sync_bench" is created on first use
// and put back after the run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/state.h"
#include "pg_bench_database.h"
#include "platform/automation/context.h"
#include "project/ruz.h"
#include "schema/register.h"
#include "scratch.h"
#include "sync/sync_hooks.h"

namespace {

using namespace quillet;
using platform::automation::Ref;
using platform::automation::Variant;

constexpr int kTables = 300;
constexpr const char* kDatabase = "quillet_sync_bench";

std::string prepare() {
  return quillet::bench::ensureDatabase(kDatabase, kTables, [](int i) {
    return "CREATE TABLE t" + std::to_string(i) +
           " (id serial PRIMARY KEY, code varchar(20) NOT NULL UNIQUE, name text, "
           "amount numeric(12,2) DEFAULT 0, created timestamp DEFAULT now(), flag boolean, "
           "ref_id integer, note varchar(200), qty smallint DEFAULT 1, price double precision, "
           "born date, at time, big bigint, label char(8) DEFAULT 'x', doc varchar(9000));";
  });
}

std::string exec(const std::string& sql) {
  PGconn* c = quillet::bench::connectTo(kDatabase);
  PGresult* r = PQexec(c, sql.c_str());
  std::string err = PQresultStatus(r) == PGRES_COMMAND_OK ? "" : PQresultErrorMessage(r);
  PQclear(r);
  PQfinish(c);
  return err;
}

std::string changes(bool undo) {
  std::string sql = "BEGIN;";
  for (int i = 0; i < 10; ++i)
    sql += "ALTER TABLE t" + std::to_string(i) +
           (undo ? " DROP COLUMN extra;" : " ADD COLUMN extra integer;");
  for (int i = 10; i < 20; ++i)
    sql += "ALTER TABLE t" + std::to_string(i) +
           (undo ? " ADD COLUMN note varchar(200);" : " DROP COLUMN note;");
  for (int i = 20; i < 25; ++i)
    sql += "ALTER TABLE t" + std::to_string(i) + " ALTER COLUMN qty TYPE " +
           (undo ? "smallint;" : "integer;");
  for (int i = 0; i < 5; ++i)
    sql +=
        undo ? "DROP TABLE added" + std::to_string(i) + ";"
             : "CREATE TABLE added" + std::to_string(i) + " (id integer PRIMARY KEY, title text);";
  return sql + "COMMIT;";
}

// A private home, so the run leaves no settings in the user's.
struct Fixture {
  std::string error;
  std::string projectFile;
  Fixture() {
    projectFile = benchScratchFolder() + "/bench.kvz";
    schema::registerSchemaClasses();
    project::registerProjectClasses();
    sync::registerSyncClasses();
  }
};

// Loads the database as it was saved, then changes it; the changes are undone at the end.
class Run {
public:
  explicit Run(benchmark::State& state) : state_(state) {
    static Fixture fixture;
    file_ = fixture.projectFile;
    if (std::string e = prepare(); !e.empty()) {
      fail(e);
      return;
    }
    Ref<project::RUZ> proj = platform::automation::makeRef<project::RUZ>();
    const std::string conn = quillet::bench::odbcConnectionString(kDatabase);
    std::vector<Variant> args{Variant(""), Variant("OTHER"), Variant(""),
                              Variant(""), Variant(false),   Variant(""),
                              Variant(""), Variant(conn),    Variant("")};
    platform::automation::invoke(proj.get(), "LoadDB", platform::automation::kMethod,
                                 platform::automation::ArgList(args));
    if (!core::state().ProjErr.empty()) {
      fail(core::state().ProjErr);
      return;
    }
    proj->setAutoSync(false);
    proj->Save(file_);
    if (std::string e = exec(changes(false)); !e.empty()) {
      fail(e);
      return;
    }
    changed_ = true;
  }
  ~Run() {
    if (changed_) exec(changes(true));
  }
  bool ok() const { return ok_; }
  Ref<project::RUZ> open() {
    Ref<project::RUZ> proj = platform::automation::makeRef<project::RUZ>();
    proj->Load(file_);
    return proj;
  }

private:
  void fail(const std::string& e) {
    ok_ = false;
    state_.SkipWithError(e.c_str());
  }
  benchmark::State& state_;
  std::string file_;
  bool ok_ = true, changed_ = false;
};

void BM_CheckDB(benchmark::State& state) {
  platform::automation::Context::Scope scope;
  Run run(state);
  if (!run.ok()) return;
  Ref<project::RUZ> proj = run.open();
  int32_t found = 0;
  for (auto _ : state)
    found = platform::automation::CInt(
        platform::automation::invoke(proj.get(), "CheckDB", platform::automation::kMethod));
  state.counters["differences"] = found;
}
BENCHMARK(BM_CheckDB)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SynchronizeDB(benchmark::State& state) {
  platform::automation::Context::Scope scope;
  Run run(state);
  if (!run.ok()) return;
  size_t records = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Ref<project::RUZ> proj = run.open();
    state.ResumeTiming();
    platform::automation::invoke(proj.get(), "SynchronizeDB", platform::automation::kMethod);
    state.PauseTiming();
    records = static_cast<sync::SyncHooks&>(project::syncHooks()).changes().size();
    proj = nullptr;
    state.ResumeTiming();
  }
  state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_SynchronizeDB)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
