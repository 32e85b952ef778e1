// Generating the whole site of a 200-table x 20-field project from the fixture template set
// of the tests (packed at build time) on the template engine: per table its list page, per
// field its field page, the site-wide pages, copies and web.config; beside writing the same
// bytes to the same files directly through the same file write. The first run compiles the
// template set; the measured runs keep it, as a user's next run does.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/state.h"
#include "generation/engine.h"
#include "generation/generator.h"
#include "platform/automation/context.h"
#include "platform/files/files.h"
#include "project/ruz.h"
#include "scratch.h"

namespace {

namespace au = quillet::platform::automation;
namespace files = quillet::platform::files;
namespace fs = std::filesystem;
using quillet::generation::Generator;
using quillet::project::RUZ;

constexpr int kTables = 200;
constexpr int kFields = 20;

struct Site {
  au::Ref<RUZ> proj = au::makeRef<RUZ>();
  std::string dest;
  int pages = 0;

  explicit Site(const std::string& folder) : dest(folder) {
    quillet::generation::installTemplateServices(
        quillet::generation::makeTemplateEngineServices());
    proj->AddProj("Benchmark");
    proj->setTemplate(QUILLET_BUILD_DIR "/fixtures/template_fixtures_set.zip");
    proj->setProgramLanguage("VB");
    proj->setWebConfigGen(true);
    proj->setWebConfigOverwrite(true);
    proj->setDestination(dest);
    proj->setAppRootFolder(dest);
    proj->Databases()->Add("db");
    proj->useDatabase("db");
    auto tables = proj->DB()->Tables();
    for (int t = 0; t < kTables; ++t) {
      std::string name = "Table" + std::to_string(t);
      tables->Add(name);
      auto table = tables->Item(au::Variant(name));
      table->setTblType("TABLE");
      table->setTblVar(name);
      table->setTblGen(true);
      table->setTblKey("Field0");
      for (int f = 0; f < kFields; ++f) {
        std::string field = "Field" + std::to_string(f);
        table->Fields()->Add(name, field);
        auto fld = table->Fields()->Item(au::Variant(field));
        fld->setFldVar("x_" + field);
        fld->setFldGenerate(true);
        // The fixture set's field control makes pages of image fields.
        fld->setFldHtmlTag("IMAGE");
      }
    }
    quillet::generation::genState().keepTemplateAnswer = true;
    generate();
  }
  void generate() {
    Generator g(*proj);
    g.GenCheck();
    if (quillet::core::state().ProjErr.empty()) g.GenScript();
    pages = static_cast<int>(quillet::generation::genState().GenUnitDone);
  }
};

// The site generated again over itself (unchanged pages stay as they are), or into an empty
// destination, so that every page is written.
void BM_GenerateSite(benchmark::State& state, bool afresh) {
  au::Context::Scope scope;
  Site site(benchScratchFolder() + (afresh ? "/site-afresh" : "/site"));
  for (auto _ : state) {
    if (afresh) {
      state.PauseTiming();
      fs::remove_all(site.dest);
      state.ResumeTiming();
    }
    site.generate();
    if (!quillet::core::state().ProjErr.empty())
      state.SkipWithError(quillet::core::state().ProjErr.c_str());
  }
  state.counters["units"] = site.pages;
}
BENCHMARK_CAPTURE(BM_GenerateSite, over_site, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_GenerateSite, afresh, true)->Unit(benchmark::kMillisecond)->UseRealTime();

// The files of a generated site with their bytes.
std::vector<std::pair<std::string, std::string>> siteFiles() {
  std::vector<std::pair<std::string, std::string>> outputs;
  au::Context::Scope scope;
  Site site(benchScratchFolder() + "/site-bytes");
  for (const auto& e : fs::recursive_directory_iterator(site.dest))
    if (e.is_regular_file())
      outputs.emplace_back(e.path().string(), files::readFile(e.path().string()));
  return outputs;
}

// The same files with the same bytes, written one after the other over the files there, or
// into an emptied destination as the run afresh writes them.
void BM_WriteSameBytes(benchmark::State& state, bool afresh) {
  auto outputs = siteFiles();
  for (auto _ : state) {
    if (afresh) {
      state.PauseTiming();
      fs::remove_all(benchScratchFolder() + "/site-bytes");
      state.ResumeTiming();
    }
    for (const auto& [path, bytes] : outputs) {
      if (afresh) files::createFolders(files::parentFolder(path));
      files::writeFile(path, bytes);
    }
  }
  state.counters["files"] = static_cast<double>(outputs.size());
}
BENCHMARK_CAPTURE(BM_WriteSameBytes, over_site, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_WriteSameBytes, afresh, true)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
