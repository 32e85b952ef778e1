// Compiling the fixture template set (tests/template/fixtures/set): the control file read,
// the template files cut into sessions, and every control with template text translated into
// its script function and written, from nothing each time (cold); and warm, where the cache
// index finds every template file and compiled script unchanged and nothing is compiled. Beside it, the same work by
// a Python twin (bench/py/tpl_compile.py) in the same run: `py_ratio` is the best Python time
// divided by the best engine time (above 1: the engine is faster). Then one compiled list
// page run in the script engine against a table of 30 fields.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/state.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/members.h"
#include "platform/vbscript/library.h"
#include "platform/vbscript/script_control.h"
#include "scratch.h"
#include "template/cache.h"
#include "template/compiler.h"
#include "template/controls.h"
#include "template/parser.h"

namespace au = quillet::platform::automation;
namespace vbs = quillet::platform::vbscript;
namespace tpl = quillet::templating;
namespace fs = std::filesystem;
using au::Variant;

namespace {

const fs::path kSet = fs::path(QUILLET_SOURCE_DIR) / "tests/template/fixtures/set";

// One cold compile of the set; the number of scripts written.
int compileSet(const fs::path& out) {
  au::Context::Scope scope;
  auto controls = au::makeRef<tpl::RUZControls>();
  if (!controls->LoadControls((kSet / "control.xml").string())) return -1;
  for (const auto& e : fs::directory_iterator(kSet))
    if (e.path().extension() == ".tpl")
      tpl::SharedFileCache().AddFile(e.path().string(), e.path().filename().string());
  tpl::CompileSettings settings;
  settings.programStyle = "Default";
  settings.programLanguage = "VB";
  settings.extensionFolder = [](const std::string&) { return kSet.string(); };
  settings.cacheFolder = out.string();
  tpl::ScriptCompiler compiler(settings);
  int written = 0;
  for (int32_t i = 1; i <= controls->Count(); ++i) {
    au::Ref<tpl::RUZControl> c = controls->Item(Variant(i));
    if (c->CtrlType == "copy" || c->CtrlType == "folder" || c->CtrlType == "function") continue;
    std::string file = (out / ("Default_vb_" + c->CtrlID + c->CtrlTagExt + ".tpl")).string();
    if (!compiler.BuildControlScript(*c, file)) return -1;
    ++written;
  }
  return written;
}

std::optional<std::pair<double, int>> pythonOnce(const fs::path& out, int n) {
  std::string cmd = std::string("/usr/bin/python3 ") + QUILLET_SOURCE_DIR +
                    "/bench/py/tpl_compile.py " + kSet.string() + " " + out.string() + " " +
                    std::to_string(n);
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return std::nullopt;
  std::string text;
  char buf[256];
  while (size_t got = fread(buf, 1, sizeof buf, p))
    text.append(buf, got);
  if (pclose(p) != 0) return std::nullopt;
  std::istringstream in(text);
  double seconds = 0;
  int count = 0;
  if (!(in >> seconds >> count) || seconds <= 0) return std::nullopt;
  return std::make_pair(seconds, count);
}

void BM_CompileFixtureSetCold(benchmark::State& state) {
  fs::path out = fs::path(benchScratchFolder()) / "ours";
  fs::create_directories(out);
  int written = 0;
  for (auto _ : state)
    written = compileSet(out);
  if (written <= 0) {
    state.SkipWithError("the fixture set did not compile");
    return;
  }
  state.counters["scripts"] = written;
  // Alternating rounds of 20 compiles each, so both see the same load; the best counts.
  fs::path pyOut = fs::path(benchScratchFolder()) / "py";
  fs::create_directories(pyOut);
  constexpr int kRounds = 20;
  double best = 0, py = 0;
  for (int round = 0; round < 5; ++round) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i)
      compileSet(out);
    double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (best == 0 || t < best) best = t;
    auto p = pythonOnce(pyOut, kRounds);
    if (!p || p->second != written) {
      state.SkipWithError("the Python twin failed or compiled another number of scripts");
      return;
    }
    if (py == 0 || p->first < py) py = p->first;
  }
  state.counters["ms_per_set"] = best * 1000 / kRounds;
  state.counters["py_ms_per_set"] = py * 1000 / kRounds;
  state.counters["py_ratio"] = py / best;
}
BENCHMARK(BM_CompileFixtureSetCold)->Unit(benchmark::kMillisecond);

// Warm: a run after an unchanged one reads the cache index and checks every template file and
// compiled script against it; nothing needs compiling again.
void BM_CompileFixtureSetWarm(benchmark::State& state) {
  fs::path out = fs::path(benchScratchFolder()) / "warm";
  fs::path cacheDir = fs::path(benchScratchFolder()) / "warm-cache";
  fs::create_directories(out);
  int written = compileSet(out);
  if (written <= 0) {
    state.SkipWithError("the fixture set did not compile");
    return;
  }
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(kSet))
    if (e.path().extension() == ".tpl" || e.path().extension() == ".xml") files.push_back(e.path());
  for (const auto& e : fs::directory_iterator(out))
    files.push_back(e.path());
  {
    au::Context::Scope scope;
    tpl::RUZCache cache(cacheDir.string());
    for (const auto& f : files)
      tpl::RecordCachedFile(cache, "bench", f.filename().string(), f.string());
    cache.WriteCacheFile();
  }
  int changed = 0;
  for (auto _ : state) {
    au::Context::Scope scope;
    tpl::RUZCache cache(cacheDir.string());
    changed = 0;
    for (const auto& f : files)
      if (tpl::CheckCachedFile(cache, "bench", f.filename().string(), f.string()) != 0) ++changed;
    if (changed) written = compileSet(out);
  }
  if (changed) {
    state.SkipWithError("the cache found changed files in an unchanged set");
    return;
  }
  state.counters["files_checked"] = static_cast<double>(files.size());
}
BENCHMARK(BM_CompileFixtureSetWarm)->Unit(benchmark::kMillisecond);

// ---- One compiled list page in the script engine ------------------------------------------

class Field : public au::Object {
  QUILLET_OBJECT(Field)
public:
  explicit Field(int i) : name_("Field" + std::to_string(i)) {}
  std::string FldName() const { return name_; }

private:
  std::string name_;
};
QUILLET_DEFINE_CLASS(Field) {
  b.get("FldName", &Field::FldName);
}

class Fields : public au::Object {
  QUILLET_OBJECT(Fields)
public:
  explicit Fields(int n) {
    for (int i = 1; i <= n; ++i)
      items_.emplace_back(au::makeRef<Field>(i));
  }
  au::Ref<au::Enumerator> enumerate() const { return au::makeRef<au::VectorEnumerator>(items_); }

private:
  std::vector<Variant> items_;
};
QUILLET_DEFINE_CLASS(Fields) {
  b.enumerator(&Fields::enumerate);
}

class Table : public au::Object {
  QUILLET_OBJECT(Table)
public:
  Variant FieldList() const { return Variant(fields_); }

private:
  au::Ref<Fields> fields_ = au::makeRef<Fields>(30);
};
QUILLET_DEFINE_CLASS(Table) {
  b.get("Fields", &Table::FieldList);
}

class Project : public au::Object {
  QUILLET_OBJECT(Project)
public:
  std::string ProjName() const { return "Bench"; }
};
QUILLET_DEFINE_CLASS(Project) {
  b.get("ProjName", &Project::ProjName);
}

// The least system code the compiled function calls.
const char* kSystemCode = R"VB(
Dim bHandleTemplateError, qz_IndentWrk, sPhraseId
sPhraseId = "phrase"
Class StringBuilder
  Private parts(), n
  Private Sub Class_Initialize()
    ReDim parts(1000)
    n = 0
  End Sub
  Public Sub Append(s)
    If n > UBound(parts) Then ReDim Preserve parts(UBound(parts) + 1000)
    parts(n) = s
    n = n + 1
  End Sub
  Public Function ToString()
    ReDim Preserve parts(n)
    ToString = Join(parts, "")
  End Function
End Class
Class cSystemFunctions
End Class
Sub qz_SetLocale()
End Sub
Sub qz_LoadCurrent()
End Sub
Function Control_Start()
  Control_Start = ""
End Function
Function Register(a, b, c)
  Register = ""
End Function
)VB";

void BM_ListPageFunction30Fields(benchmark::State& state) {
  fs::path out = fs::path(benchScratchFolder()) / "page";
  fs::create_directories(out);
  if (compileSet(out) <= 0) {
    state.SkipWithError("the fixture set did not compile");
    return;
  }
  std::string script;
  {
    std::ifstream in(out / "Default_vb_list.page-x.tpl", std::ios::binary);
    script.assign(std::istreambuf_iterator<char>(in), {});
  }
  au::Context::Scope scope;
  vbs::registerScriptObjects();
  au::Ref<vbs::ScriptControl> sc(new vbs::ScriptControl);
  sc->setTimeout(0);
  sc->AddObject("PROJ", Variant(au::makeRef<Project>()), false);
  sc->AddObject("TABLE", Variant(au::makeRef<Table>()), false);
  size_t bytes = 0;
  try {
    sc->AddCode(kSystemCode);
    sc->AddCode(script);
    for (auto _ : state) {
      Variant page = sc->RunNamed("qzExDefault_vb_list_page_x");
      bytes = page.isString() ? page.asString().size() : 0;
      benchmark::DoNotOptimize(page);
    }
  } catch (const au::Error& e) {
    state.SkipWithError(("the page failed: " + e.description()).c_str());
    return;
  }
  if (bytes == 0 || script.empty()) {
    state.SkipWithError("the page function gave no text");
    return;
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ListPageFunction30Fields)->Unit(benchmark::kMicrosecond);

} // namespace
