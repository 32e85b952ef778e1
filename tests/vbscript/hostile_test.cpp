// Programs written to break the engine: each must end in a clean script error or its right
// output, never a crash, an abort or a hang.
#include <chrono>

#include "harness.h"

namespace vbtest {

namespace {

struct Program {
  const char* name;
  std::string code;
  std::string expected;
};

void runPrograms(std::initializer_list<Program> cases) {
  for (const Program& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(runScript(c.code), c.expected) << c.code;
  }
}

// A class whose terminate handler runs the given code, used to change a container while
// the container is releasing the instance.
std::string terminating(const std::string& body) {
  return "Class T\nSub Class_Terminate\n" + body + "\nEnd Sub\nEnd Class\n";
}

} // namespace

TEST(Hostile, ArraySizesThatDoNotFitRaise) {
  runPrograms({
      {"element count wraps", "ReDim a(2147418112, 1718039347, 4)\na(100, 0, 0) = \"x\"",
       "ERROR 7 Out of memory (1,0)"},
      {"two dimensions past memory", "Dim b(65535, 65535)", "ERROR 7 Out of memory (1,0)"},
      {"largest upper bound", "On Error Resume Next\nReDim a(2147483647)\nOut.Echo Err.Number",
       "7\n"},
      {"two billion elements", "On Error Resume Next\nReDim a(2000000000)\nOut.Echo Err.Number",
       "7\n"},
      {"preserve past memory",
       "ReDim a(1, 1)\nOn Error Resume Next\nReDim Preserve a(1, 2147483647)\nOut.Echo "
       "Err.Number, UBound(a, 2)",
       "7 1\n"},
      {"upper bound past Long", "ReDim a(2147483648)", "ERROR 6 Overflow (1,0)"},
      {"small arrays still work", "ReDim a(2, 3)\na(2, 3) = 5\nOut.Echo a(2, 3), UBound(a, 2)",
       "5 3\n"},
  });
}

TEST(Hostile, TerminateHandlersSeeConsistentContainers) {
  const std::string dict = "Set d = CreateObject(\"Scripting.Dictionary\")\n";
  const std::string fill = "For i = 1 To 3: d.Add i, New T: Next\n";
  runPrograms({
      {"RemoveAll",
       terminating("d.Add d.Count + 10, 1: Out.Echo d.Count") + dict + fill +
           "d.RemoveAll\nOut.Echo \"end\", d.Count",
       "1\n2\n3\nend 3\n"},
      {"Remove",
       terminating("d.RemoveAll: Out.Echo d.Count") + dict + fill +
           "d.Remove 2\nOut.Echo \"end\", d.Count",
       "0\n0\n0\nend 0\n"},
      {"replace an item",
       terminating("d.Remove 1: d(1) = 7") + dict + fill + "d(1) = 5\nOut.Echo d(1), d.Count",
       "7 3\n"},
      {"remove inside For Each",
       "Dim n\n" + terminating("n = n + 1: d.Add \"x\" & n, 0") + dict + fill +
           "For Each k In d: d.Remove k: Next\nOut.Echo d.Count",
       "3\n"},
      {"ReDim Preserve shrinking",
       terminating("a(0) = UBound(a)") + "ReDim a(5)\nFor i = 1 To 5: Set a(i) = New T: Next\n"
                                         "ReDim Preserve a(1)\nOut.Echo a(0), UBound(a)",
       "1 1\n"},
      {"ReDim Preserve replacing the array",
       terminating("ReDim a(0)") + "ReDim a(5)\nFor i = 1 To 5: Set a(i) = New T: Next\n"
                                   "ReDim Preserve a(1)\nOut.Echo UBound(a)",
       "0\n"},
      {"Erase", terminating("Out.Echo UBound(a)") + "ReDim a(1)\nSet a(0) = New T\nErase a",
       "-1\n"},
  });
}

TEST(Hostile, ObjectsOutlivingTheirControl) {
  vbs::registerScriptControlClass();
  const std::string make = "Set sc = CreateObject(\"Quillet.ScriptControl\")\n"
                           "sc.AddCode \"Function F(x): F = x * 2: End Function\"\n";
  runPrograms({
      {"GetRef after the control is gone",
       make + "Set f = sc.Eval(\"GetRef(\"\"F\"\")\")\nOut.Echo f(2)\nSet sc = Nothing\n"
              "On Error Resume Next\nOut.Echo f(3)\nOut.Echo Err.Number <> 0",
       "4\nTrue\n"},
      {"GetRef after Reset",
       make + "Set f = sc.Eval(\"GetRef(\"\"F\"\")\")\nsc.Reset\nOn Error Resume Next\n"
              "Out.Echo f(3)\nOut.Echo Err.Number <> 0",
       "True\n"},
      {"Modules after the control is gone",
       make + "Set m = sc.Modules\nSet sc = Nothing\nOn Error Resume Next\nOut.Echo m.Count\n"
              "Set x = m(1)\nm.Add \"Other\"\nFor Each x In m: Next\nOut.Echo Err.Number <> 0",
       "True\n"},
      {"Reset from code the control runs",
       make + "sc.AddObject \"Host\", sc\nOn Error Resume Next\n"
              "sc.AddCode \"Function G: Host.Reset: G = F(5): End Function\"\n"
              "x = sc.Eval(\"G\")\nOut.Echo Err.Number <> 0\nErr.Clear\n"
              "Out.Echo sc.Eval(\"F(1)\")\nsc.Reset",
       "True\n2\n"},
  });
  // A terminate handler that adds code while the engine is releasing the globals.
  Harness h;
  h.run("Class C\nSub Class_Terminate\nExecuteGlobal \"Dim z1, z2, z3: z1 = 1: Set z2 = New "
        "C\"\nOut.Echo \"term\"\nEnd Sub\nEnd Class\nSet a = New C\nSet b = New C");
  h.sc->Reset();
  EXPECT_EQ(h.out->text.substr(0, 10), "term\nterm\n");
}

TEST(Hostile, DeepStructuresAreReleasedWithoutRecursion) {
  runPrograms({
      {"nested arrays", "a = Empty\nFor i = 1 To 100000: a = Array(a): Next\na = 0\nOut.Echo a",
       "0\n"},
      {"linked list",
       "Class N\nPublic Nxt\nEnd Class\nSet h = Nothing\nFor i = 1 To 1000000\nSet node = New N\n"
       "Set node.Nxt = h\nSet h = node\nNext\nSet node = Nothing\nSet h = Nothing\nOut.Echo "
       "\"done\"",
       "done\n"},
      {"list with terminate handlers",
       "Dim count\nClass N\nPublic Nxt\nSub Class_Terminate: count = count + 1: End Sub\n"
       "End Class\nSet h = Nothing\nFor i = 1 To 100000\nSet node = New N\nSet node.Nxt = h\n"
       "Set h = node\nNext\nSet node = Nothing\nSet h = Nothing\nOut.Echo count",
       "100000\n"},
      {"dictionaries in dictionaries",
       "Set h = Nothing\nFor i = 1 To 100000\nSet d = CreateObject(\"Scripting.Dictionary\")\n"
       "d.Add 1, h\nSet h = d\nNext\nSet d = Nothing\nSet h = Nothing\nOut.Echo \"done\"",
       "done\n"},
      {"handlers still run in order",
       "Class C\nPublic N, Inner\nSub Class_Terminate: Out.Echo \"term\", N: End Sub\n"
       "End Class\nSet a = New C: a.N = 1\nSet a.Inner = New C: a.Inner.N = 2\n"
       "Set a.Inner.Inner = New C: a.Inner.Inner.N = 3\nSet a = Nothing\nOut.Echo \"end\"",
       "term 1\nterm 2\nterm 3\nend\n"},
  });
}

TEST(Hostile, NestingAtTheRecursionLimit) {
  // Deep calls use up the stack; whatever is left must still be enough to parse, compile and
  // run a deep expression, or the engine says the stack is used up.
  std::string expr = std::string(190, '(') + "1" + std::string(190, ')');
  std::string code = "Function F(n)\nOn Error Resume Next\nF = F(n + 1)\nIf Err.Number = 28 Then "
                     "Err.Clear: F = Eval(\"" +
                     expr + "\")\nEnd Function\nOut.Echo F(1)";
  std::string out = runScript(code);
  EXPECT_TRUE(out == "1\n" || out == "\n" || out.find("ERROR 28") != std::string::npos) << out;
  code = "Function F(n)\nOn Error Resume Next\nF = F(n + 1)\nIf Err.Number = 28 Then Execute "
         "\"x = -" +
         expr + "\"\nEnd Function\nF 1\nOut.Echo \"done\"";
  out = runScript(code);
  EXPECT_NE(out.find("done"), std::string::npos) << out;
}

} // namespace vbtest

namespace vbtest {

TEST(Hostile, TimeOutStopsLongNativeCalls) {
  const char* const programs[] = {
      // catastrophic backtracking inside one match
      "Set re = New RegExp\nre.Pattern = \"(?:a|a){1,21}(?:c|\\s$)\"\n"
      "Out.Echo re.Test(String(2000, \"a\"))",
      // statements that each take long
      "s = String(3000000, \"a\")\nDo\ns = Replace(s, \"a\", \"b\")\ns = Replace(s, \"b\", "
      "\"a\")\nLoop",
      "s = String(3000000, \"a\")\nDo\ns = Replace(s, \"A\", \"b\", 1, -1, 1)\nLoop",
  };
  for (const char* code : programs) {
    Harness h;
    h.sc->setTimeout(300);
    auto start = std::chrono::steady_clock::now();
    std::string out = h.run(code);
    EXPECT_NE(out.find("timed out"), std::string::npos) << code << "\n" << out;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << code;
  }
}

TEST(Hostile, GrowthStopsAtTheMemoryCeiling) {
  const char* const programs[] = {
      "s = \"x\"\nDo\ns = s & s\nLoop",
      "s = String(100000, \"x\")\nDo\ns = s & s & \"y\"\nLoop",
      "Set re = New RegExp\nre.Global = True\nre.Pattern = \"a\"\n"
      "r = re.Replace(String(200000, \"a\"), \"$`\")",
      "ReDim a(1000000)\nFor i = 0 To 1000000: a(i) = String(1000, \"x\"): Next",
      "Set d = CreateObject(\"Scripting.Dictionary\")\nDo\nd.Add d.Count, Space(500)\nLoop",
  };
  for (const char* code : programs) {
    Harness h;
    h.sc->engine().setMemoryCeiling(64u << 20);
    h.sc->setTimeout(60000);
    std::string out = h.run(code);
    EXPECT_NE(out.find("ERROR 7 Out of memory"), std::string::npos) << code << "\n" << out;
  }
  // Under the ceiling the same kind of work goes through.
  Harness h;
  h.sc->engine().setMemoryCeiling(64u << 20);
  EXPECT_EQ(h.run("s = String(100000, \"x\")\nFor i = 1 To 5: s = s & s: Next\nOut.Echo Len(s)"),
            "3200000\n");
}

} // namespace vbtest
