// Reading the whole catalogue of a 300-table PostgreSQL database through the ODBC backend.
// Needs the servers of scripts/services.sh (source build-test/services/env first); the
// database "quillet_bench" is created on first use.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "pg_bench_database.h"
#include "platform/automation/context.h"
#include "platform/data/connection.h"

namespace {

using namespace quillet::platform;
using automation::Variant;

constexpr int kTables = 300;

// kTables tables with keys, an index and a foreign key each.
std::string prepare() {
  return quillet::bench::ensureDatabase("quillet_bench", kTables, [](int i) {
    std::string t = "t" + std::to_string(i);
    return "CREATE TABLE " + t +
           " (id serial PRIMARY KEY, code varchar(20) NOT NULL UNIQUE, name text, "
           "amount numeric(12,2) DEFAULT 0, created timestamp DEFAULT now(), flag boolean, "
           "ref_id integer" +
           (i > 0 ? " REFERENCES t" + std::to_string(i - 1) + "(id)" : std::string()) +
           ", note varchar(200));CREATE INDEX " + t + "_name ON " + t + " (name);";
  });
}

// The whole catalogue with unrestricted schema rowsets.
void BM_FullCatalogue(benchmark::State& state) {
  if (std::string e = prepare(); !e.empty()) {
    state.SkipWithError(e.c_str());
    return;
  }
  automation::Context::Scope scope;
  auto conn = data::openConnection(quillet::bench::odbcConnectionString("quillet_bench"));
  size_t rows = 0;
  for (auto _ : state) {
    rows = 0;
    for (auto k :
         {data::SchemaKind::Tables, data::SchemaKind::Columns, data::SchemaKind::PrimaryKeys,
          data::SchemaKind::Indexes, data::SchemaKind::ForeignKeys})
      rows += conn->openSchema(k)->rowCount();
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["tables"] = kTables;
}
BENCHMARK(BM_FullCatalogue)->Unit(benchmark::kMillisecond)->Iterations(3);

// The loaders' pattern: the tables rowset, then per table a described column query and the
// key, nullability and index rowsets restricted to it.
void BM_PerTableLoad(benchmark::State& state) {
  if (std::string e = prepare(); !e.empty()) {
    state.SkipWithError(e.c_str());
    return;
  }
  automation::Context::Scope scope;
  auto conn = data::openConnection(quillet::bench::odbcConnectionString("quillet_bench"));
  for (auto _ : state) {
    auto tables = conn->openSchema(data::SchemaKind::Tables);
    for (tables->moveFirst(); !tables->eof(); tables->moveNext()) {
      std::string name = automation::CStr(tables->value("TABLE_NAME"));
      conn->describe("SELECT * FROM \"public\".\"" + name + "\" WHERE 0=1");
      conn->openSchema(data::SchemaKind::PrimaryKeys, {Variant(), Variant(), Variant(name)});
      conn->openSchema(data::SchemaKind::Columns, {Variant(), Variant(), Variant(name)});
      conn->openSchema(data::SchemaKind::Indexes,
                       {Variant(), Variant(), Variant(), Variant(), Variant(name)});
    }
  }
  state.counters["tables"] = kTables;
}
BENCHMARK(BM_PerTableLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
