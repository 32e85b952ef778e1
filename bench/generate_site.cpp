// Generating the whole site of a 200-table x 20-field project (four table pages per table, a
// page per field, the site-wide pages), beside writing the same bytes to the same files
// directly through the same atomic file write. The pages come from the stand-in template
// engine of the generation tests, so the figure is the run's own cost: the loop, items and
// names, conditions, overwrite checks, tidying, folders, writes and the generated-files list.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "../tests/generation/fake_services.h"
#include "core/state.h"
#include "generation/generator.h"
#include "platform/automation/context.h"
#include "platform/files/files.h"
#include "project/ruz.h"

namespace {

namespace au = quillet::platform::automation;
namespace files = quillet::platform::files;
namespace fs = std::filesystem;
using quillet::generation::Generator;
using quillet::project::RUZ;

constexpr int kTables = 200;
constexpr int kFields = 20;

const std::string& scratch() {
  static std::string dir = [] {
    std::string tmpl = (fs::temp_directory_path() / "quillet-bench-XXXXXX").string();
    std::string d = ::mkdtemp(tmpl.data());
    ::setenv("HOME", d.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (d + "/config").c_str(), 1);
    ::setenv("XDG_DOCUMENTS_DIR", (d + "/docs").c_str(), 1);
    ::setenv("QUILLET_MACHINE_HIVE", (d + "/machine.reg").c_str(), 1);
    return d;
  }();
  return dir;
}

void put(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// The template set: a folder control, four table controls, a field control, a page of the
// site and web.config.
const std::string& templateFolder() {
  static std::string dir = [] {
    std::string d = scratch() + "/tpl";
    std::string controls = "<?xml version=\"1.0\"?>\n<Brindlewood date=\"2025/01/01\" "
                           "version=\"4.0\" desc=\"b\" author=\"b\">\n"
                           "<control id=\"_pages\" type=\"folder\" ofolder=\"pages\"/>\n";
    for (const char* page : {"list", "view", "edit", "add"})
      controls += std::string("<control id=\"") + page + "\" type=\"table\" ofile=\"" + page +
                  "\" oext=\"aspx\" ofolderid=\"_pages\" ifiles=\"table.tpl\" overwrite=\"true\" "
                  "space=\"true\"/>\n";
    controls += "<control id=\"fld\" type=\"field\" ofile=\"fld\" oext=\"aspx\" "
                "ofolderid=\"_pages\" ifiles=\"field.tpl\" overwrite=\"true\"/>\n"
                "<control id=\"default\" type=\"other\" ofile=\"default\" oext=\"aspx\" "
                "ifiles=\"default.tpl\" overwrite=\"true\"/>\n"
                "<control id=\"web\" type=\"web.config\" ofile=\"web\" oext=\"config\" "
                "ifiles=\"web.tpl\" overwrite=\"true\"/>\n</Brindlewood>\n";
    put(d + "/control.xml", controls);
    std::string table = "<%@ Page Language=\"C#\" %>\r\n<html>\r\n<head>\r\n<title>{TABLE}"
                        "</title>\r\n</head>\r\n<body>\r\n";
    for (int i = 0; i < 40; ++i)
      table += "  <div class=\"row\"><span>{TABLE} row " + std::to_string(i) +
               "</span></div>\r\n\r\n";
    put(d + "/table.tpl", table + "</body>\r\n</html>\r\n");
    put(d + "/field.tpl", "<div>{TABLE}.{FIELD}</div>\r\n<p>field page of {FIELD}</p>\r\n");
    put(d + "/default.tpl", "<title>{PROJ}</title>\r\n");
    put(d + "/web.tpl", "<configuration/>\r\n");
    return d;
  }();
  return dir;
}

struct Site {
  RUZ proj;
  std::shared_ptr<quillet::testing::FakeServices> services;
  std::string dest;

  explicit Site(const std::string& folder) : dest(folder) {
    services = std::make_shared<quillet::testing::FakeServices>(templateFolder(),
                                                                scratch() + "/cache");
    services->proj = &proj;
    quillet::generation::installTemplateServices(services);
    proj.AddProj("Benchmark");
    proj.setTemplate("/templates/bench.zip");
    proj.setWebConfigGen(true);
    proj.setWebConfigOverwrite(true);
    proj.setDestination(dest);
    proj.setAppRootFolder(dest);
    proj.Databases()->Add("db");
    proj.useDatabase("db");
    auto tables = proj.DB()->Tables();
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
      }
    }
    Generator g(proj);
    g.GenCheck();
  }
  void generate() {
    Generator g(proj);
    g.GenScript();
  }
};

void BM_GenerateSite(benchmark::State& state) {
  au::Context::Scope scope;
  Site site(scratch() + "/site");
  for (auto _ : state) {
    site.generate();
    if (!quillet::core::state().ProjErr.empty())
      state.SkipWithError(quillet::core::state().ProjErr.c_str());
  }
  state.counters["files"] = static_cast<double>(site.services->counters->pages.size()) /
                            static_cast<double>(state.iterations());
}
BENCHMARK(BM_GenerateSite)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same files with the same bytes, written one after the other.
void BM_WriteSameBytes(benchmark::State& state) {
  std::vector<std::pair<std::string, std::string>> outputs;
  {
    au::Context::Scope scope;
    Site site(scratch() + "/site-bytes");
    site.generate();
    for (const auto& e : fs::recursive_directory_iterator(site.dest))
      if (e.is_regular_file())
        outputs.emplace_back(e.path().string(), files::readFile(e.path().string()));
  }
  for (auto _ : state)
    for (const auto& [path, bytes] : outputs)
      files::writeFile(path, bytes);
  state.counters["files"] = static_cast<double>(outputs.size());
}
BENCHMARK(BM_WriteSameBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
