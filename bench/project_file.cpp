// Saving and loading a 300-table x 25-field project, beside the bare libxml2 parse and
// serialisation of the same file (the floor any DOM-based reader stands on). Both sides
// write their output through the same atomic, synced file write.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "core/state.h"
#include "model/database.h"
#include "platform/automation/context.h"
#include "platform/files/files.h"
#include "project/project_file.h"
#include "project/ruz.h"
#include "scratch.h"

namespace {

namespace au = quillet::platform::automation;
namespace core = quillet::core;
namespace files = quillet::platform::files;
using quillet::project::RUZ;

// The project file of the benchmark, written once.
const std::string& projectFile() {
  static std::string path = [] {
    std::string p = benchScratchFolder() + "/big.kvz";
    au::Context::Scope scope;
    RUZ proj;
    proj.AddProj("Benchmark");
    proj.setAutoSync(false);
    proj.Databases()->Add("db");
    proj.useDatabase("db");
    auto tables = proj.DB()->Tables();
    for (int t = 0; t < 300; ++t) {
      std::string name = "Table" + std::to_string(t);
      tables->Add(name);
      auto table = tables->Item(au::Variant(name));
      table->setTblCaption("Caption of " + name);
      table->setTblLoaded(true);
      for (int f = 0; f < 25; ++f) {
        std::string field = "Field" + std::to_string(f);
        table->Fields()->Add(name, field);
        auto fld = table->Fields()->Item(au::Variant(field));
        fld->setFldType(static_cast<int16_t>(f % 2 ? 202 : 3));
        fld->setFldCaption("Caption of " + field);
      }
    }
    proj.Save(p);
    return p;
  }();
  return path;
}

void BM_ProjectLoad(benchmark::State& state) {
  const std::string& in = projectFile();
  au::Context::Scope scope;
  RUZ proj;
  for (auto _ : state) {
    proj.Load(in);
    if (!core::state().ProjErr.empty()) state.SkipWithError(core::state().ProjErr.c_str());
  }
}
BENCHMARK(BM_ProjectLoad)->Unit(benchmark::kMillisecond);

void BM_ProjectSave(benchmark::State& state) {
  const std::string& in = projectFile();
  const std::string out = benchScratchFolder() + "/saved.kvz";
  au::Context::Scope scope;
  RUZ proj;
  proj.Load(in);
  for (auto _ : state) {
    // A new file each time: the backup copy of an existing one is not what is measured.
    state.PauseTiming();
    std::filesystem::remove(out);
    state.ResumeTiming();
    proj.Save(out);
  }
}
BENCHMARK(BM_ProjectSave)->Unit(benchmark::kMillisecond);

void BM_ProjectLoadSave(benchmark::State& state) {
  const std::string& in = projectFile();
  const std::string out = benchScratchFolder() + "/saved.kvz";
  au::Context::Scope scope;
  RUZ proj;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(out);
    state.ResumeTiming();
    proj.Load(in);
    proj.Save(out);
  }
}
BENCHMARK(BM_ProjectLoadSave)->Unit(benchmark::kMillisecond);

void BM_Libxml2ParseSerialise(benchmark::State& state) {
  const std::string& in = projectFile();
  const std::string out = benchScratchFolder() + "/libxml2.kvz";
  for (auto _ : state) {
    xmlDocPtr doc = xmlReadFile(in.c_str(), nullptr, XML_PARSE_NONET);
    xmlChar* bytes = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc, &bytes, &size, "UTF-8");
    files::writeFile(
        out, std::string_view(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size)));
    xmlFree(bytes);
    xmlFreeDoc(doc);
  }
}
BENCHMARK(BM_Libxml2ParseSerialise)->Unit(benchmark::kMillisecond);

} // namespace
