// A template-like page function run through the script engine: 5,000 short texts appended
// while walking native collections with For Each and choosing with If, the shape of the
// generated page functions.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/limits.h"
#include "platform/automation/members.h"
#include "platform/vbscript/library.h"
#include "platform/vbscript/script_control.h"

namespace am = quillet::platform::automation;
namespace vbs = quillet::platform::vbscript;
using am::Variant;

namespace {

// The allocator set up as the script host sets it up at start-up.
[[maybe_unused]] const bool kAllocatorTuned = (am::tuneAllocatorForScripts(), true);

class Field : public am::Object {
  QUILLET_OBJECT(Field)
public:
  Field(int i) : name_("Field" + std::to_string(i)), visible_(i % 3 != 0) {}
  std::string name() const { return name_; }
  std::string caption() const { return "Caption of " + name_; }
  bool visible() const { return visible_; }

private:
  std::string name_;
  bool visible_;
};
QUILLET_DEFINE_CLASS(Field) {
  b.get("Name", &Field::name).get("Caption", &Field::caption).get("Visible", &Field::visible);
}

class Fields : public am::Object {
  QUILLET_OBJECT(Fields)
public:
  Fields() {
    for (int i = 0; i < 50; ++i)
      items_.emplace_back(am::makeRef<Field>(i));
  }
  int32_t count() const { return static_cast<int32_t>(items_.size()); }
  am::Ref<am::Enumerator> enumerate() const { return am::makeRef<am::VectorEnumerator>(items_); }

private:
  std::vector<Variant> items_;
};
QUILLET_DEFINE_CLASS(Fields) {
  b.get("Count", &Fields::count).enumerator(&Fields::enumerate);
}

// The chunked builder pages append to.
class Builder : public am::Object {
  QUILLET_OBJECT(Builder)
public:
  void append(const std::string& s) { text_ += s; }
  std::string text() {
    std::string t;
    t.swap(text_);
    return t;
  }

private:
  std::string text_;
};
QUILLET_DEFINE_CLASS(Builder) {
  b.method("Append", &Builder::append).method("ToString", &Builder::text);
}

const char* kPage = R"VB(
Function PageConcat()
  Dim s, f, i
  s = ""
  For i = 1 To 100
    For Each f In Fields
      If f.Visible Then
        s = s & "<td class=""c"">" & f.Caption & "</td>" & vbCrLf
      Else
        s = s & "<td>" & UCase(Left(f.Name, 3)) & "</td>"
      End If
    Next
  Next
  PageConcat = s
End Function

Function PageBuilder()
  Dim f, i
  For i = 1 To 100
    For Each f In Fields
      If f.Visible Then
        Sb.Append "<td class=""c"">" & f.Caption & "</td>" & vbCrLf
      Else
        Sb.Append "<td>" & UCase(Left(f.Name, 3)) & "</td>"
      End If
    Next
  Next
  PageBuilder = Sb.ToString()
End Function

Function PageDictionary()
  Dim d, k, i, s
  Set d = CreateObject("Scripting.Dictionary")
  For i = 1 To 100
    d.Add "key" & i, "value " & i
  Next
  For i = 1 To 50
    For Each k In d
      If InStr(k, "1") > 0 Then
        Sb.Append Replace(d(k), "value", "v")
      Else
        Sb.Append k
      End If
    Next
  Next
  PageDictionary = Sb.ToString()
End Function
)VB";

void runPage(benchmark::State& state, const char* name) {
  am::Context::Scope scope;
  vbs::registerScriptObjects();
  am::Ref<vbs::ScriptControl> sc(new vbs::ScriptControl);
  sc->setTimeout(0);
  sc->AddObject("Fields", Variant(am::makeRef<Fields>()), false);
  sc->AddObject("Sb", Variant(am::makeRef<Builder>()), false);
  sc->AddCode(kPage);
  size_t bytes = 0;
  for (auto _ : state) {
    Variant page = sc->RunNamed(name);
    bytes = page.isString() ? page.asString().size() : 0;
    benchmark::DoNotOptimize(page);
  }
  // Every page function gives its text; none would mean the counters measure nothing.
  if (bytes == 0) {
    state.SkipWithError("the page function gave no text");
    return;
  }
  // The Python twin (bench/py/vbslib_page.py, on Debian's /usr/bin/python3) reports its best
  // time of one page and the page's length, which must be ours; `py_ratio` is its best time
  // over ours (above 1: the engine is faster).
  double best = 0;
  for (int i = 0; i < 50; ++i) {
    auto start = std::chrono::steady_clock::now();
    Variant page = sc->RunNamed(name);
    double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (best == 0 || t < best) best = t;
  }
  std::string cmd =
      std::string("/usr/bin/python3 ") + QUILLET_SOURCE_DIR + "/bench/py/vbslib_page.py " + name;
  double py = 0, pyBytes = 0;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    if (std::fscanf(p, "%lf %lf", &py, &pyBytes) != 2) py = 0;
    if (pclose(p) != 0) py = 0;
  }
  if (py <= 0 || static_cast<size_t>(pyBytes) != bytes) {
    state.SkipWithError("the Python twin failed or gave another page");
    return;
  }
  state.counters["best_ms"] = best * 1000;
  state.counters["py_ms"] = py * 1000;
  state.counters["py_ratio"] = py / best;
  state.counters["appends"] = 5000;
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetItemsProcessed(state.iterations() * 5000);
}

void BM_PageConcat(benchmark::State& state) {
  runPage(state, "PageConcat");
}
void BM_PageBuilder(benchmark::State& state) {
  runPage(state, "PageBuilder");
}
void BM_PageDictionary(benchmark::State& state) {
  runPage(state, "PageDictionary");
}

BENCHMARK(BM_PageConcat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageBuilder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageDictionary)->Unit(benchmark::kMillisecond);

// The library alone: the functions a page calls most, through the table.
class Host : public vbs::BuiltinHost {
public:
  int32_t locale() const override { return 1033; }
  void setLocale(int32_t) override {}
};

void BM_LibraryCalls(benchmark::State& state) {
  am::Context::Scope scope;
  Host host;
  const vbs::Builtin* replace = vbs::findBuiltin("Replace");
  const vbs::Builtin* mid = vbs::findBuiltin("Mid");
  const vbs::Builtin* fmt = vbs::findBuiltin("FormatNumber");
  std::vector<Variant> r{Variant("SELECT [Name] FROM [Table] WHERE [Name] = 1"), Variant("["),
                         Variant("`")};
  std::vector<Variant> m{Variant("Caption of the field"), Variant(int32_t(5)), Variant(int32_t(7))};
  std::vector<Variant> f{Variant(1234567.891)};
  am::ArgList rr(r), mr(m), fr(f);
  for (auto _ : state) {
    vbs::BuiltinCall c1{rr, &host};
    vbs::BuiltinCall c2{mr, &host};
    vbs::BuiltinCall c3{fr, &host};
    benchmark::DoNotOptimize(replace->fn(c1));
    benchmark::DoNotOptimize(mid->fn(c2));
    benchmark::DoNotOptimize(fmt->fn(c3));
  }
  state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_LibraryCalls);

} // namespace
