// Loading a 300-table x 15-field PostgreSQL database into the project model, measured beside
// pg_dump --schema-only of the same database. Needs the servers of scripts/services.sh
// (source build-test/services/env first); the database "quillet_schema_bench" is created on
// first use.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "core/state.h"
#include "model/database.h"
#include "pg_bench_database.h"
#include "platform/automation/context.h"
#include "schema/register.h"

namespace {

using namespace quillet;
using platform::automation::Variant;

constexpr int kTables = 300;
constexpr const char* kDatabase = "quillet_schema_bench";

using quillet::bench::env;

// kTables tables of 15 columns: key, defaults, a unique and a plain index, a foreign key.
std::string prepare() {
  return quillet::bench::ensureDatabase(kDatabase, kTables, [](int i) {
    std::string t = "t" + std::to_string(i);
    return "CREATE TABLE " + t +
           " (id serial PRIMARY KEY, code varchar(20) NOT NULL UNIQUE, name text, "
           "amount numeric(12,2) DEFAULT 0, created timestamp DEFAULT now(), flag boolean, "
           "ref_id integer" +
           (i > 0 ? " REFERENCES t" + std::to_string(i - 1) + "(id)" : std::string()) +
           ", note varchar(200), qty smallint DEFAULT 1, price double precision, "
           "born date, at time, big bigint, label char(8) DEFAULT 'x', doc varchar(9000));"
           "CREATE INDEX " +
           t + "_name ON " + t + " (name);";
  });
}

// Every table and field into a fresh project database, with the generation defaults.
void BM_LoadProjectDatabase(benchmark::State& state) {
  if (std::string e = prepare(); !e.empty()) {
    state.SkipWithError(e.c_str());
    return;
  }
  platform::automation::Context::Scope scope;
  schema::registerSchemaClasses();
  const std::string conn = quillet::bench::odbcConnectionString(kDatabase);
  int32_t fields = 0;
  for (auto _ : state) {
    auto dbs = platform::automation::makeRef<model::RUZDatabases>();
    dbs->Add("DB");
    auto db = dbs->Item(Variant("DB"));
    if (db->LoadADODB(Variant("OTHER"), Variant(""), Variant(""), Variant(""), Variant(conn),
                      Variant(""), Variant("")) != 0) {
      state.SkipWithError(core::state().ProjErr.c_str());
      return;
    }
    fields = 0;
    for (auto& t : db->Tables()->items().list())
      fields += t->Fields()->Count();
    state.PauseTiming();
    dbs->Delete(Variant("DB"));
    state.ResumeTiming();
  }
  state.counters["tables"] = kTables;
  state.counters["fields"] = fields;
}
BENCHMARK(BM_LoadProjectDatabase)->Unit(benchmark::kMillisecond)->Iterations(5);

// The peer: the server's own schema dump of the same database.
void BM_PgDumpSchemaOnly(benchmark::State& state) {
  if (std::string e = prepare(); !e.empty()) {
    state.SkipWithError(e.c_str());
    return;
  }
  const std::string pgDump = "/usr/lib/postgresql/15/bin/pg_dump";
  ::setenv("PGPASSWORD", env("QUILLET_PG_PASSWORD").c_str(), 1);
  const std::string cmd = pgDump + " --schema-only -h '" + env("QUILLET_PG_HOST") + "' -p " +
                          env("QUILLET_PG_PORT") + " -U '" + env("QUILLET_PG_USER") + "' -d " +
                          kDatabase + " -f /dev/null";
  for (auto _ : state) {
    if (std::system(cmd.c_str()) != 0) {
      state.SkipWithError("pg_dump failed");
      return;
    }
  }
  ::unsetenv("PGPASSWORD");
  state.counters["tables"] = kTables;
}
BENCHMARK(BM_PgDumpSchemaOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
