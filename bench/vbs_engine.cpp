// The script engine against CPython on the same programs (twins in bench/py/). After its
// timed loop each script benchmark runs the program and its Python twin alternately five
// times and reports `py_ratio`: the best Python time divided by the best engine time (above
// 1 means the engine is faster). The twins time their work themselves, without start-up, and
// run on Debian's /usr/bin/python3.
// Each program and each twin reports its result, which must be the one the benchmark expects:
// a wrong result, a failing script or a twin that cannot run fails the benchmark.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <optional>
#include <sstream>
#include <string>
#include <sys/resource.h>

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/limits.h"
#include "platform/automation/members.h"
#include "platform/vbscript/library.h"
#include "platform/vbscript/script_control.h"

namespace au = quillet::platform::automation;
namespace vbs = quillet::platform::vbscript;

namespace {

// The allocator set up as the script host sets it up at start-up.
[[maybe_unused]] const bool kAllocatorTuned = (au::tuneAllocatorForScripts(), true);

class Accumulator : public au::Object {
  QUILLET_OBJECT(Accumulator)
public:
  void Add(int32_t v) { total_ += v; }
  double Total() const { return total_; }

private:
  double total_ = 0;
};

QUILLET_DEFINE_CLASS(Accumulator) {
  b.method("Add", &Accumulator::Add).get("Total", &Accumulator::Total);
}

// What one run gave: its seconds and the program's result as text.
struct RunResult {
  double seconds = 0;
  std::string result;
};

// Debian's optimised CPython, named explicitly: a version manager's self-built python3 found
// first on the PATH runs slower and would flatter the engine.
constexpr const char* kPython = "/usr/bin/python3";

// The Python twin prints the seconds of its work (interpreter start-up excluded) and its
// result. A twin that cannot run or fails says why on stderr and gives no result.
// `twin` is the file's name, optionally followed by arguments that go after n.
std::optional<RunResult> pythonOnce(const char* twin, long n) {
  std::string name(twin), extra;
  if (size_t blank = name.find(' '); blank != std::string::npos) {
    extra = name.substr(blank);
    name.resize(blank);
  }
  std::string cmd = std::string(kPython) + " " + QUILLET_SOURCE_DIR + "/bench/py/" + name + ".py " +
                    std::to_string(n) + extra;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return std::nullopt;
  std::string out;
  char buf[256];
  while (size_t got = fread(buf, 1, sizeof buf, p))
    out.append(buf, got);
  if (pclose(p) != 0) return std::nullopt;
  std::istringstream in(out);
  RunResult r;
  if (!(in >> r.seconds >> r.result) || r.seconds <= 0) return std::nullopt;
  return r;
}

// One run of the program in a fresh engine. The program leaves its result in `Result`.
RunResult scriptOnce(const std::string& code, long n) {
  au::Ref<vbs::ScriptControl> sc(new vbs::ScriptControl);
  sc->setTimeout(0);
  sc->AddObject("Acc", au::Variant(au::Ref<au::Object>(new Accumulator)), false);
  auto start = std::chrono::steady_clock::now();
  sc->AddCode("Dim Result\nN = " + std::to_string(n) + "\n" + code);
  RunResult r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.result = au::CStr(sc->Eval("Result"));
  return r;
}

// `expected` is the result both the program and its twin must give for n.
void runScript(benchmark::State& state, const char* twin, const std::string& code,
               const std::string& expected) {
  au::Context::Scope scope;
  vbs::registerScriptObjects();
  long n = state.range(0);
  int runs = 0;
  try {
    for (auto _ : state) {
      scriptOnce(code, n);
      ++runs;
    }
  } catch (const au::Error& e) {
    state.SkipWithError(("the script failed: " + e.description()).c_str());
    return;
  }
  state.counters["ops_per_s"] =
      benchmark::Counter(static_cast<double>(n) * runs, benchmark::Counter::kIsRate);
  // The comparison: runs of the engine and of the Python twin alternate, so both see the
  // same load on a shared machine; the best of each counts.
  double best = 0, py = 0;
  for (int round = 0; round < 5; ++round) {
    RunResult t = scriptOnce(code, n);
    if (t.result != expected) {
      state.SkipWithError(("the script gave " + t.result + ", not " + expected).c_str());
      return;
    }
    if (best == 0 || t.seconds < best) best = t.seconds;
    std::optional<RunResult> p = pythonOnce(twin, n);
    if (!p) {
      state.SkipWithError((std::string("the Python twin ") + twin + " failed").c_str());
      return;
    }
    if (p->result != expected) {
      state.SkipWithError(
          (std::string("the Python twin ") + twin + " gave " + p->result + ", not " + expected)
              .c_str());
      return;
    }
    if (py == 0 || p->seconds < py) py = p->seconds;
  }
  state.counters["py_ratio"] = py / best;
  state.counters["py_ms"] = py * 1000;
  state.counters["best_ms"] = best * 1000;
}

// The sum 1 + 2 + ... + n, as the programs that add the loop counter give it.
std::string triangle(long n) {
  return std::to_string(static_cast<long long>(n) * (n + 1) / 2);
}

void BM_Arithmetic(benchmark::State& state) {
  runScript(state, "vbs_arith",
            "Sub Main\n  Dim s, i\n  s = 0\n  For i = 1 To N\n    s = s + i * 2 Mod 7 - 1\n  Next\n"
            "  Result = s\nEnd Sub\nMain\n",
            [n = state.range(0)] {
              long long s = 0;
              for (long i = 1; i <= n; ++i)
                s += i * 2 % 7 - 1;
              return std::to_string(s);
            }());
}
BENCHMARK(BM_Arithmetic)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_StringConcatenation(benchmark::State& state) {
  runScript(state, "vbs_concat",
            "Sub Main\n  Dim s, i\n  s = \"\"\n  For i = 1 To N\n    s = s & \"ab\" & i\n  Next\n"
            "  Result = Len(s)\nEnd Sub\nMain\n",
            [n = state.range(0)] {
              size_t len = 0;
              for (long i = 1; i <= n; ++i)
                len += 2 + std::to_string(i).size();
              return std::to_string(len);
            }());
}
BENCHMARK(BM_StringConcatenation)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_ProcedureCalls(benchmark::State& state) {
  runScript(state, "vbs_calls",
            "Function Add(a, b)\n  Add = a + b\nEnd Function\n"
            "Sub Main\n  Dim t, i\n  t = 0\n  For i = 1 To N\n    t = Add(t, i)\n  Next\n"
            "  Result = t\nEnd Sub\nMain\n",
            triangle(state.range(0)));
}
BENCHMARK(BM_ProcedureCalls)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ClassMethodCalls(benchmark::State& state) {
  runScript(state, "vbs_counter",
            "Class Counter\n"
            "  Public Total, Count\n"
            "  Private Sub Class_Initialize\n    Total = 0: Count = 0\n  End Sub\n"
            "  Public Sub Add(x)\n    Total = Total + x\n    Count = Count + 1\n  End Sub\n"
            "End Class\n"
            "Sub Main\n  Dim c, i\n  Set c = New Counter\n"
            "  For i = 1 To N\n    c.Add i\n  Next\n  Result = c.Count & \":\" & c.Total\n"
            "End Sub\nMain\n",
            std::to_string(state.range(0)) + ":" + triangle(state.range(0)));
}
BENCHMARK(BM_ClassMethodCalls)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The template pattern: a script string builder grows its own array, since the language
// has no growable list.
void BM_StringBuilderAppends(benchmark::State& state) {
  runScript(state, "vbs_builder",
            "Class StringBuilder\n"
            "  Private parts, count\n"
            "  Private Sub Class_Initialize\n    ReDim parts(1000)\n    count = 0\n  End Sub\n"
            "  Public Sub Append(s)\n"
            "    If count > UBound(parts) Then ReDim Preserve parts(count * 2)\n"
            "    parts(count) = s\n    count = count + 1\n  End Sub\n"
            "  Public Function ToString()\n    ReDim Preserve parts(count - 1)\n"
            "    ToString = Join(parts, \"\")\n  End Function\n"
            "  Public Function Size()\n    Size = count\n  End Function\n"
            "End Class\n"
            "Sub Main\n  Dim sb, i, text\n  Set sb = New StringBuilder\n"
            "  For i = 1 To N\n    sb.Append \"x\"\n  Next\n  Result = sb.Size\nEnd Sub\nMain\n",
            std::to_string(state.range(0)));
}
BENCHMARK(BM_StringBuilderAppends)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The same builder keeping one string: appending to a variable grows it in place.
void BM_TextBuilderAppends(benchmark::State& state) {
  runScript(state, "vbs_textbuilder",
            "Class StringBuilder\n"
            "  Private buf\n"
            "  Private Sub Class_Initialize\n    buf = \"\"\n  End Sub\n"
            "  Public Sub Append(s)\n    buf = buf & s\n  End Sub\n"
            "  Public Function ToString()\n    ToString = buf\n  End Function\n"
            "End Class\n"
            "Sub Main\n  Dim sb, i, text\n  Set sb = New StringBuilder\n"
            "  For i = 1 To N\n    sb.Append \"x\"\n  Next\n  text = sb.ToString()\n"
            "  Result = Len(text)\nEnd Sub\nMain\n",
            std::to_string(state.range(0)));
}
BENCHMARK(BM_TextBuilderAppends)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_NativeMemberCalls(benchmark::State& state) {
  runScript(state, "vbs_native",
            "Sub Main\n  Dim i\n  For i = 1 To N\n    Acc.Add i\n  Next\n  Result = Acc.Total\n"
            "End Sub\nMain\n",
            triangle(state.range(0)));
}
BENCHMARK(BM_NativeMemberCalls)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Errors handled under On Error Resume Next: every division fails (divisor 0) against the
// same loop where none does (divisor 1); the failing one should cost little more.
void resumeNextLoop(benchmark::State& state, int divisor) {
  long n = state.range(0);
  runScript(state, divisor == 0 ? "vbs_resume 0" : "vbs_resume 1",
            "Sub Main\n  Dim i, x, d\n  d = " + std::to_string(divisor) +
                "\n  On Error Resume Next\n  For i = 1 To N\n    x = i / d\n  Next\n"
                "  Result = Err.Number & \":\" & Int(x)\nEnd Sub\nMain\n",
            divisor == 0 ? "11:0" : "0:" + std::to_string(n));
}
void BM_ResumeNextFailingDivision(benchmark::State& state) {
  resumeNextLoop(state, 0);
}
BENCHMARK(BM_ResumeNextFailingDivision)->Arg(1000000)->Unit(benchmark::kMillisecond);
void BM_ResumeNextDivision(benchmark::State& state) {
  resumeNextLoop(state, 1);
}
BENCHMARK(BM_ResumeNextDivision)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The same for a library function: a conversion that fails on text that is no number
// against one that succeeds.
void resumeNextConversion(benchmark::State& state, bool fails) {
  runScript(state, fails ? "vbs_convert x" : "vbs_convert 12",
            std::string("Sub Main\n  Dim i, x, t\n  t = \"") + (fails ? "x" : "12") +
                "\"\n  On Error Resume Next\n  For i = 1 To N\n    x = CLng(t)\n  Next\n"
                "  Result = Err.Number & \":\" & x\nEnd Sub\nMain\n",
            fails ? "13:" : "0:12");
}
void BM_ResumeNextFailingConversion(benchmark::State& state) {
  resumeNextConversion(state, true);
}
BENCHMARK(BM_ResumeNextFailingConversion)->Arg(1000000)->Unit(benchmark::kMillisecond);
void BM_ResumeNextConversion(benchmark::State& state) {
  resumeNextConversion(state, false);
}
BENCHMARK(BM_ResumeNextConversion)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A template-sized module: system functions in a class, template functions appending
// thousands of literal pieces. Reports the heap the loaded engine holds and the process peak.
std::string templateModule() {
  std::string code = "Dim bHandleTemplateError, qz_IndentWrk\nClass cSystemFunctions\n";
  for (int f = 0; f < 60; ++f) {
    std::string id = "Sys" + std::to_string(f);
    code += "  Function " + id + "(parm)\n";
    for (int l = 0; l < 12; ++l)
      code += "    " + id + " = " + id + " & \"<td class=\"\"c" + std::to_string(l) +
              "\"\">\" & parm & \"</td>\" & vbCrLf\n";
    code += "  End Function\n";
  }
  code += "End Class\nClass StringBuilder\n  Private a, n\n"
          "  Sub Class_Initialize: ReDim a(1000): n = 0: End Sub\n"
          "  Sub Append(s)\n    If n > UBound(a) Then ReDim Preserve a(n + 1000)\n"
          "    a(n) = s: n = n + 1\n  End Sub\n"
          "  Function ToString(): ReDim Preserve a(n): ToString = Join(a, \"\"): End Function\n"
          "End Class\n";
  for (int t = 0; t < 20; ++t) {
    code += "Function qzExPage_vb_" + std::to_string(t) +
            "()\n  Dim qzSB, qzAr(40)\n"
            "  If bHandleTemplateError Then On Error Resume Next\n"
            "  Set qzSB = New StringBuilder\n";
    for (int l = 0; l < 40; ++l)
      code += "  qzAr(" + std::to_string(l) + ") = \"<div id=\"\"x" + std::to_string(l) +
              "\"\">some literal text of the template</div>\"\n  qzSB.Append(qzAr(" +
              std::to_string(l) + "))\n";
    code += "  qzExPage_vb_" + std::to_string(t) +
            " = qzSB.ToString()\n"
            "  Set qzSB = Nothing\nEnd Function\n";
  }
  return code;
}

void BM_LoadedTemplateEngine(benchmark::State& state) {
  au::Context::Scope scope;
  std::string code = templateModule();
  size_t heap = 0;
  for (auto _ : state) {
    size_t before = mallinfo2().uordblks;
    au::Ref<vbs::ScriptControl> sc(new vbs::ScriptControl);
    sc->AddCode(code);
    for (int t = 0; t < 20; ++t)
      sc->RunNamed("qzExPage_vb_" + std::to_string(t));
    heap = mallinfo2().uordblks - before;
  }
  struct rusage ru {};
  getrusage(RUSAGE_SELF, &ru);
  state.counters["source_bytes"] = static_cast<double>(code.size());
  state.counters["engine_heap_bytes"] = static_cast<double>(heap);
  state.counters["process_peak_rss_kb"] = static_cast<double>(ru.ru_maxrss);
}
BENCHMARK(BM_LoadedTemplateEngine)->Unit(benchmark::kMillisecond);

} // namespace
