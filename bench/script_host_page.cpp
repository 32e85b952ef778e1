// The script host of a generation run: starting it (three engines, the published objects,
// the built-in system, validation and user code), and one compiled list-page function run
// against a 30-field table, as each page of a run is produced.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/automation/context.h"
#include "project/ruz.h"
#include "scratch.h"
#include "template/compiler.h"
#include "template/controls.h"
#include "template/parser.h"
#include "template/script_host.h"

namespace {

namespace au = quillet::platform::automation;
namespace tpl = quillet::templating;
using au::Ref;
using au::Variant;

const char* kListTemplate =
    "<!--##session list##-->\r\n"
    "<h1><!--##@ ListTitle ##--> <!--##= TABLE.TblName ##--></h1>\r\n"
    "<table class=\"grid\">\r\n<tr>\r\n"
    "<!--## For Each f In TABLE.Fields ##-->\r\n"
    "  <th><!--##= SYSTEMFUNCTIONS.HtmlEncode(f.FldName) ##--></th>\r\n"
    "<!--## Next ##-->\r\n</tr>\r\n"
    "<!--## For Each f In TABLE.Fields ##-->\r\n"
    "<!--## If f.FldGenerate Then ##-->\r\n"
    "  <td><asp:Label runat=\"server\" Text='<%# Eval(<!--##= SYSTEMFUNCTIONS.Quote(f.FldName) "
    "##-->) %>' ID=\"<!--##~ f.FldVar ##-->\" /></td>\r\n"
    "<!--## Else ##-->\r\n  <td></td>\r\n<!--## End If ##-->\r\n"
    "<!--## Next ##-->\r\n</table>\r\n"
    "<!--##/session##-->\r\n";

struct Run {
  au::Context::Scope scope;
  Ref<quillet::project::RUZ> proj = au::makeRef<quillet::project::RUZ>();
  Ref<tpl::RUZControls> controls = au::makeRef<tpl::RUZControls>();
  std::string name, script;

  Run() {
    proj->AddProj("Bench");
    proj->setProgramLanguage("VB");
    proj->setProgramStyle("table");
    proj->Databases()->Add("db");
    proj->useDatabase("db");
    auto tables = proj->DB()->Tables();
    tables->Add("Orders");
    auto t = tables->Item(Variant("Orders"));
    t->setTblVar("Orders");
    for (int f = 0; f < 30; ++f) {
      std::string field = "Field" + std::to_string(f);
      t->Fields()->Add("Orders", field);
      auto fld = t->Fields()->Item(Variant(field));
      fld->setFldVar("x_" + field);
      fld->setFldGenerate(f % 4 != 0);
    }
    tables->SetItem(Variant("Orders"));
    std::string file = benchScratchFolder() + "/control.xml";
    FILE* out = std::fopen(file.c_str(), "wb");
    std::fputs("<?xml version=\"1.0\"?>\n<Brindlewood date=\"2026/01/01\" version=\"4.0\" "
               "desc=\"b\" author=\"b\"><control id=\"list\" type=\"table\" ifiles=\"list.tpl\">"
               "<session type=\"key\" value=\"list\"/></control></Brindlewood>\n",
               out);
    std::fclose(out);
    controls->LoadControls(file);
    tpl::SharedFileCache().addText(kListTemplate, "list.tpl");
    tpl::CompileSettings settings;
    settings.programStyle = "table";
    settings.programLanguage = "VB";
    tpl::ScriptCompiler compiler(settings);
    auto ctrl = controls->Item(Variant(1));
    bool failed = false;
    script = compiler.buildControl(*ctrl, "", "list.tpl", failed);
    name = compiler.functionName(*ctrl);
  }
};

void BM_StartScriptHost(benchmark::State& state) {
  benchScratchFolder();
  Run run;
  for (auto _ : state) {
    auto host = au::makeRef<tpl::AGScript>();
    host->initializeFor(run.proj, run.controls, nullptr);
    benchmark::DoNotOptimize(host->Validate());
  }
}
BENCHMARK(BM_StartScriptHost)->Unit(benchmark::kMicrosecond);

void BM_ListPage30Fields(benchmark::State& state) {
  benchScratchFolder();
  Run run;
  auto host = au::makeRef<tpl::AGScript>();
  host->initializeFor(run.proj, run.controls, nullptr);
  size_t bytes = 0;
  for (auto _ : state) {
    std::string page = host->BuildNewCode(run.name, run.script, 2, 0);
    bytes = page.size();
    benchmark::DoNotOptimize(page);
  }
  state.counters["page_bytes"] = static_cast<double>(bytes);
  if (bytes == 0) state.SkipWithError("the page function failed");
}
BENCHMARK(BM_ListPage30Fields)->Unit(benchmark::kMicrosecond);

} // namespace
