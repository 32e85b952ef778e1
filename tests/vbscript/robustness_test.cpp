// Random and truncated programs never crash or hang the engine.
#include <random>

#include "harness.h"

namespace vbtest {

namespace {

const char* const kSample = R"(Option Explicit
Dim a, b(3), s
Const K = 10
Class Counter
  Private n
  Public Default Property Get Value
    Value = n
  End Property
  Sub Class_Initialize: n = 0: End Sub
  Public Function Bump(ByRef x, ByVal y)
    n = n + 1: x = x + y
    Bump = Me
  End Function
End Class
Function Fib(n)
  If n < 2 Then Fib = n Else Fib = Fib(n - 1) + Fib(n - 2)
End Function
Sub Fill(arr)
  Dim i
  For i = LBound(arr) To UBound(arr) Step 1
    arr(i) = i * K
  Next
End Sub
Set a = New Counter
Fill b
s = ""
Dim item
For Each item In b
  Select Case item
    Case 0, 10: s = s & "lo"
    Case 20 To 25: s = s & "mid"
    Case Is > 25: s = s & "hi"
    Case Else: s = s & "?"
  End Select
Next
On Error Resume Next
Do While Len(s) < 40
  s = s & Fib(5) & _
      "-"
  If Err.Number <> 0 Then Exit Do
Loop
With a
  .Bump b(1), 2
End With
Out.Echo s, a, Eval("1 + 2")
)";

void runQuietly(const std::string& code) {
  Harness h;
  h.sc->setTimeout(200);
  h.run(code);
}

} // namespace

TEST(Robustness, SampleRuns) {
  EXPECT_EQ(runScript(kSample), "lolomidhi5-5-5-5-5-5-5-5-5-5-5-5-5-5-5-5- 1 3\n");
}

TEST(Robustness, TruncatedProgramsFailCleanly) {
  std::string text(kSample);
  for (size_t n = 0; n < text.size(); n += 3)
    runQuietly(text.substr(0, n));
}

TEST(Robustness, MutatedProgramsFailCleanly) {
  std::mt19937 rng(12345);
  std::string text(kSample);
  const std::string alphabet = "()\"'_:.,=&+-*/\\^<>#[]\n \tabcxyz019EndIfThenDoLoop";
  for (int round = 0; round < 300; ++round) {
    std::string m = text;
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      size_t pos = rng() % m.size();
      switch (rng() % 3) {
      case 0:
        m.erase(pos, 1 + rng() % 8);
        break;
      case 1:
        m.insert(pos, 1, alphabet[rng() % alphabet.size()]);
        break;
      default:
        m[pos] = alphabet[rng() % alphabet.size()];
        break;
      }
    }
    runQuietly(m);
  }
}

TEST(Robustness, RandomTokenSoup) {
  std::mt19937 rng(777);
  const char* const words[] = {
      "If",       "Then", "Else",  "End",    "Sub",     "Function", "Class", "Dim",  "x",
      "y",        "(",    ")",     "=",      "+",       "&",        ".",     ",",    ":",
      "\n",       "1",    "\"s\"", "For",    "To",      "Next",     "Do",    "Loop", "With",
      "Set",      "New",  "Call",  "Me",     "Nothing", "Select",   "Case",  "_\n",  "ReDim",
      "Preserve", "On",   "Error", "Resume", "Exit",    "Property", "Get"};
  for (int round = 0; round < 400; ++round) {
    std::string code;
    int n = 1 + static_cast<int>(rng() % 30);
    for (int i = 0; i < n; ++i) {
      code += words[rng() % std::size(words)];
      code += ' ';
    }
    runQuietly(code);
  }
}

TEST(Robustness, DeepNestingIsRefused) {
  // Expressions and blocks nested far deeper than any real script end in an error: the
  // compiler refuses the nesting, the runtime the recursion.
  std::string ifs;
  for (int i = 0; i < 5000; ++i)
    ifs += "If True Then\n";
  const struct {
    std::string program;
    std::string error;
  } cases[] = {
      {"x = " + std::string(20000, '(') + "1" + std::string(20000, ')'),
       "ERROR 1001 Out of memory"},
      {"x = " + std::string(20000, '-') + "1", "ERROR 1001 Out of memory"},
      {ifs, "ERROR 1001 Out of memory"},
      {"Function F(n)\nF = F(n + 1)\nEnd Function\nx = F(1)", "ERROR 28 Out of stack space"}};
  for (const auto& c : cases) {
    Harness h;
    // Generous: the recursion must reach its stack limit even on a loaded machine, while a
    // hang still ends.
    h.sc->setTimeout(60000);
    EXPECT_EQ(h.run(c.program).substr(0, c.error.size()), c.error) << c.program.substr(0, 40);
  }
}

} // namespace vbtest
