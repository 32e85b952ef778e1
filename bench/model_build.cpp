// Building a large model (500 tables of 30 fields, each element constructed with its whole
// settings catalogue and registry defaults) and finding fields by name.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "model/database.h"
#include "platform/automation/context.h"
#include "scratch.h"

using namespace quillet;
using namespace quillet::model;
using platform::automation::Context;
using platform::automation::Variant;

namespace {

constexpr int kTables = 500;
constexpr int kFields = 30;

std::string tableName(int t) {
  return "Table" + std::to_string(t);
}
std::string fieldName(int f) {
  return "Field_" + std::to_string(f);
}

Ref<RUZDatabases> buildModel() {
  auto dbs = platform::automation::makeRef<RUZDatabases>();
  dbs->Add("Bench");
  Ref<RUZTables> tables = dbs->Item(Variant(int16_t(1)))->Tables();
  for (int t = 0; t < kTables; ++t) {
    std::string name = tableName(t);
    tables->Add(name);
    Ref<RUZFields> fields = tables->Item(Variant(name))->Fields();
    for (int f = 0; f < kFields; ++f)
      fields->Add(name, fieldName(f));
  }
  return dbs;
}

void BM_BuildModel(benchmark::State& state) {
  benchScratchFolder();
  Context::Scope scope;
  for (auto _ : state) {
    Ref<RUZDatabases> dbs = buildModel();
    benchmark::DoNotOptimize(dbs.get());
    state.PauseTiming();
    dbs.reset(); // released without an unload: destruction alone
    state.ResumeTiming();
  }
  state.counters["fields"] = kTables * kFields;
}
BENCHMARK(BM_BuildModel)->Unit(benchmark::kMillisecond);

void BM_FindFieldByName(benchmark::State& state) {
  benchScratchFolder();
  Context::Scope scope;
  Ref<RUZDatabases> dbs = buildModel();
  Ref<RUZTables> tables = dbs->Item(Variant(int16_t(1)))->Tables();
  std::vector<Ref<RUZFields>> lists;
  for (int t = 0; t < kTables; ++t)
    lists.push_back(tables->Item(Variant(tableName(t)))->Fields());
  std::vector<Variant> names;
  for (int f = 0; f < kFields; ++f)
    names.emplace_back(fieldName(f));
  size_t i = 0;
  for (auto _ : state) {
    Ref<RUZField> f = lists[i % kTables]->Item(names[(i * 7) % kFields]);
    benchmark::DoNotOptimize(f.get());
    ++i;
  }
}
BENCHMARK(BM_FindFieldByName);

void BM_FindTableThenFieldByName(benchmark::State& state) {
  benchScratchFolder();
  Context::Scope scope;
  Ref<RUZDatabases> dbs = buildModel();
  Ref<RUZTables> tables = dbs->Item(Variant(int16_t(1)))->Tables();
  std::vector<Variant> tnames, fnames;
  for (int t = 0; t < kTables; ++t)
    tnames.emplace_back(tableName(t));
  for (int f = 0; f < kFields; ++f)
    fnames.emplace_back(fieldName(f));
  size_t i = 0;
  for (auto _ : state) {
    Ref<RUZField> f = tables->Item(tnames[i % kTables])->Fields()->Item(fnames[i % kFields]);
    benchmark::DoNotOptimize(f.get());
    ++i;
  }
}
BENCHMARK(BM_FindTableThenFieldByName);

void BM_UnloadModel(benchmark::State& state) {
  benchScratchFolder();
  Context::Scope scope;
  for (auto _ : state) {
    state.PauseTiming();
    Ref<RUZDatabases> dbs = buildModel();
    state.ResumeTiming();
    dbs->Delete(Variant("Bench")); // every table and field with its cascades
  }
}
BENCHMARK(BM_UnloadModel)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
