// Generating real sites with the shipped template set (share/brindlewood/templates/default.zip):
// the sample shop (the project the program makes of samples/shop.sql, set up by
// samples/shop.vbs) and a 200-table x 20-field SQLite project, in C# on the template engine;
// beside writing the same bytes to the same files directly through the same file write. The
// projects are made by the built program, as a user makes them; the first run compiles the
// template set and the measured runs keep it, as a user's next run does.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/state.h"
#include "generation/engine.h"
#include "generation/generator.h"
#include "host/classes.h"
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

std::string shellQuoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs the built program; false when it fails.
bool program(const std::string& args) {
  std::string cmd = shellQuoted(QUILLET_BUILD_DIR "/brindlewood") + " " + args + " >" +
                    shellQuoted(benchScratchFolder() + "/program.log") + " 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// The wide project's database: every table a key and 19 columns of the common kinds.
std::string wideDatabase(const std::string& folder) {
  std::string sql = folder + "/wide.sql", db = folder + "/wide.db";
  {
    std::ofstream out(sql);
    out << "BEGIN;\n";
    const char* kinds[] = {"TEXT", "INTEGER", "NUMERIC", "DATE", "BOOLEAN"};
    for (int t = 0; t < kTables; ++t) {
      out << "CREATE TABLE table" << t << " (field0 INTEGER PRIMARY KEY";
      for (int f = 1; f < kFields; ++f) out << ", field" << f << " " << kinds[f % 5];
      out << ");\n";
    }
    out << "COMMIT;\n";
  }
  fs::remove(db);
  std::string cmd = "sqlite3 -batch -bail " + shellQuoted(db) + " < " + shellQuoted(sql);
  return std::system(cmd.c_str()) == 0 ? db : std::string();
}

// One project made by the program and kept loaded; its site is generated into dest.
struct Site {
  au::Ref<RUZ> proj = au::makeRef<RUZ>();
  std::string dest, error;
  int pages = 0;

  Site(const std::string& name, const std::string& db, const std::string& script) {
    quillet::generation::installTemplateServices(
        quillet::generation::makeTemplateEngineServices());
    std::string folder = benchScratchFolder() + "/" + name;
    dest = folder + "/site";
    std::string kvz = folder + "/" + name + ".kvz";
    fs::create_directories(folder);
    if (db.empty() || !program("new " + shellQuoted(kvz) + " --db " + shellQuoted(db)) ||
        (!script.empty() && !program("run " + shellQuoted(script) + " " + shellQuoted(kvz)))) {
      error = "the program could not make the " + name + " project (see program.log)";
      return;
    }
    proj->Load(kvz);
    if (!quillet::core::state().ProjErr.empty()) {
      error = quillet::core::state().ProjErr;
      return;
    }
    proj->setTemplate(QUILLET_BUILD_DIR "/share/brindlewood/templates/default.zip");
    proj->setProgramLanguage("C#");
    proj->setDestination(dest);
    proj->setAppRootFolder(dest);
    for (auto& t : proj->DB()->Tables()->items().list()) t->setTblGen(true);
    quillet::generation::genState().keepTemplateAnswer = true;
    generate();
  }
  void generate() {
    // The site keeps its copy of the database in App_Data, which the run does not make.
    fs::create_directories(dest + "/App_Data");
    Generator g(*proj);
    g.GenCheck();
    if (quillet::core::state().ProjErr.empty()) g.GenScript();
    error = quillet::core::state().ProjErr;
    pages = static_cast<int>(quillet::generation::genState().GenUnitDone);
  }
};

// Each benchmark makes its own project in a folder of its own, with the program's own
// machine defaults (an installed program finds them beside it).
std::unique_ptr<Site> makeSite(const std::string& which) {
  static int made = 0;
  if (made == 0) {
    // The shipped set's scripts create objects of the program's classes; without them its
    // page conditions come out false.
    quillet::host::registerAllClasses();
    fs::copy_file(QUILLET_BUILD_DIR "/share/brindlewood/machine.reg",
                  benchScratchFolder() + "/machine.reg", fs::copy_options::overwrite_existing);
  }
  std::string name = which + std::to_string(++made);
  if (which == "shop")
    return std::make_unique<Site>(name, QUILLET_BUILD_DIR "/samples/shop.db",
                                  QUILLET_SOURCE_DIR "/samples/shop.vbs");
  std::string folder = benchScratchFolder() + "/" + name + "-db";
  fs::create_directories(folder);
  return std::make_unique<Site>(name, wideDatabase(folder), "");
}

// The site generated again over itself (unchanged pages stay as they are), or into an empty
// destination, so that every page is written.
void BM_GenerateShipped(benchmark::State& state, const std::string& which, bool afresh) {
  au::Context::Scope scope;
  auto site = makeSite(which);
  for (auto _ : state) {
    if (!site->error.empty()) {
      state.SkipWithError(site->error.c_str());
      break;
    }
    if (afresh) {
      state.PauseTiming();
      fs::remove_all(site->dest);
      state.ResumeTiming();
    }
    site->generate();
  }
  state.counters["units"] = site->pages;
}
BENCHMARK_CAPTURE(BM_GenerateShipped, shop, std::string("shop"), false)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_GenerateShipped, wide_200x20, std::string("wide"), false)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_GenerateShipped, shop_afresh, std::string("shop"), true)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_GenerateShipped, wide_200x20_afresh, std::string("wide"), true)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// The files of a generated site with their bytes, its folder and what went wrong.
struct SiteFiles {
  std::vector<std::pair<std::string, std::string>> outputs;
  std::string dest, error;
};

SiteFiles siteFiles(const std::string& which) {
  SiteFiles out;
  au::Context::Scope scope;
  auto site = makeSite(which);
  out.dest = site->dest;
  out.error = site->error;
  if (site->error.empty())
    for (const auto& e : fs::recursive_directory_iterator(site->dest))
      // Backups of replaced pages are the run's copies, not outputs.
      if (e.is_regular_file() && e.path().extension() != ".bak")
        out.outputs.emplace_back(e.path().string(), files::readFile(e.path().string()));
  return out;
}

// The same files with the same bytes, written one after the other over the files there, or
// into an emptied destination as the run afresh writes them.
void BM_WriteSameBytes(benchmark::State& state, const std::string& which, bool afresh) {
  SiteFiles site = siteFiles(which);
  const auto& outputs = site.outputs;
  for (auto _ : state) {
    if (!site.error.empty()) {
      state.SkipWithError(site.error.c_str());
      break;
    }
    if (afresh) {
      state.PauseTiming();
      fs::remove_all(site.dest);
      state.ResumeTiming();
    }
    for (const auto& [path, bytes] : outputs) {
      if (afresh) files::createFolders(files::parentFolder(path));
      files::writeFile(path, bytes);
    }
  }
  state.counters["files"] = static_cast<double>(outputs.size());
}
BENCHMARK_CAPTURE(BM_WriteSameBytes, shop, std::string("shop"), false)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_WriteSameBytes, wide_200x20, std::string("wide"), false)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_WriteSameBytes, shop_afresh, std::string("shop"), true)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_WriteSameBytes, wide_200x20_afresh, std::string("wide"), true)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
