// The library and the script objects as scripts use them, through the script control.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/members.h"
#include "platform/vbscript/library.h"
#include "platform/vbscript/script_control.h"

namespace vbslib_script_test {
namespace {

namespace am = quillet::platform::automation;
namespace vbs = quillet::platform::vbscript;
using am::Variant;

class Output : public am::Object {
  QUILLET_OBJECT(Output)
public:
  void Echo(am::Args args) {
    for (size_t i = 0; i < args.size(); ++i) {
      if (i) text += ' ';
      text += am::CStr(args[i]);
    }
    text += '\n';
  }
  std::string text;
};
QUILLET_DEFINE_CLASS(Output) {
  b.method("Echo", &Output::Echo);
}

std::string run(const std::string& code) {
  am::Context::Scope scope;
  vbs::registerScriptObjects();
  am::Ref<vbs::ScriptControl> sc(new vbs::ScriptControl);
  am::Ref<Output> out(new Output);
  sc->AddObject("Out", Variant(out), false);
  sc->setTimeout(0);
  try {
    sc->AddCode(code);
  } catch (const am::Error& e) {
    return out->text + "ERROR " + std::to_string(e.number()) + " " + e.description();
  }
  return out->text;
}

TEST(Script, StringFunctionsAndTheirErrors) {
  EXPECT_EQ(run(R"VB(
Out.Echo Mid("abcdef", 2, 3), Left("abc", 2), Right("abc", 2), Len("h" & ChrW(233))
Out.Echo InStr(1, "ABCabc", "c", vbTextCompare), InStrRev("a-b-c", "-")
Out.Echo Replace("aXbxc", "x", "+", 1, -1, vbTextCompare), Join(Split("a,b,,c", ","), "|")
Out.Echo UBound(Split("")), UCase("abc") & LCase("DEF"), StrComp("a", "B", 1)
On Error Resume Next
x = Mid("abc", 0)
Out.Echo Err.Number, Err.Description
Err.Clear
x = InStr(-1, "abc", "a")
Out.Echo Err.Number
)VB"),
            "bcd ab bc 2\n3 4\na+b+c a|b||c\n-1 ABCdef -1\n5 Invalid procedure call or "
            "argument\n5\n");
}

// A library function's error reaches the script with the same number and text whether the
// script stops on it or handles it, whichever way the function was called; a handled error
// leaves the target of the failed assignment as it was and the next statement runs.
TEST(Script, LibraryErrorsStopOrAreHandledAlike) {
  struct Case {
    const char* statement;
    int number;
    const char* description;
  };
  const Case cases[] = {
      {R"(x = CLng("x"))", 13, "Type mismatch"},
      {"x = CInt(40000)", 6, "Overflow"},
      {"x = CByte(-1)", 6, "Overflow"},
      {"x = CLng(Null)", 94, "Invalid use of Null"},
      {"x = CStr(Null)", 94, "Invalid use of Null"},
      {R"(x = CDate("no date"))", 13, "Type mismatch"},
      {R"(x = Mid("abc", 0))", 5, "Invalid procedure call or argument"},
      {R"(x = Left("abc", -1))", 5, "Invalid procedure call or argument"},
      {R"(x = 1 + Len(Mid("abc", 1, "x")))", 13, "Type mismatch"},
      {R"(x = InStrRev(Null, "a"))", 94, "Invalid use of Null"},
      {R"(x = Replace("abc", "b", "c", 0))", 5, "Invalid procedure call or argument"},
      {R"(x = Split("a b", " ", -1, 3))", 5, "Invalid procedure call or argument"},
      {"x = Join(1)", 13, "Type mismatch"},
      {"x = UBound(Array(1), 2)", 9, "Subscript out of range"},
      {"x = Sqr(-1)", 5, "Invalid procedure call or argument"},
      {"x = Exp(1000)", 6, "Overflow"},
      {R"(x = DateSerial(2024, "x", 1))", 13, "Type mismatch"},
      {R"(x = DateAdd("q", 1E+20, Now))", 5, "Invalid procedure call or argument"},
      {R"(x = FormatNumber("x"))", 13, "Type mismatch"},
      {"x = Chr(256)", 5, "Invalid procedure call or argument"},
      {R"(Out.Echo CLng("x"))", 13, "Type mismatch"},
      {R"(Randomize "x")", 13, "Type mismatch"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    std::string number = std::to_string(c.number);
    EXPECT_EQ(run(std::string("x = \"kept\"\n") + c.statement + "\nOut.Echo \"after\"\n"),
              "ERROR " + number + " " + c.description);
    EXPECT_EQ(run(std::string("On Error Resume Next\nx = \"kept\"\n") + c.statement +
                  "\nOut.Echo Err.Number, Err.Description, x\n"),
              number + " " + c.description + " kept\n");
  }
}

// Positions count characters while a variable's text changes from ASCII to more and back,
// through appends in place, by-reference parameters and copies.
TEST(Script, PositionsFollowTheTextAsItChanges) {
  EXPECT_EQ(run(R"VB(
Function Grow(ByRef p)
  p = p & ChrW(233)
  Grow = Len(p)
End Function
Sub AddTo(ByRef a, ByRef b)
  a = a & Len(b) & ChrW(233)
End Sub
s = "abcabc"
Out.Echo Len(s), InStr(s, "c"), InStr(4, s, "c"), InStrRev(s, "a"), Mid(s, 5), Right(s, 2)
s = s & ChrW(233) & "c"
Out.Echo Len(s), InStr(4, s, "c"), InStrRev(s, "c"), Mid(s, 7, 2), Right(s, 2), Left(s, 7)
t = "xyz"
Out.Echo Len(t), Grow(t), Len(t), InStr(t, "z"), InStr(1, t, ChrW(233))
u = "aaa": v = u: n = Len(v): u = u & ChrW(233) & "b"
Out.Echo Len(u), Len(v), InStr(u, "b"), InStr(v, "b")
w = "ab"
AddTo w, w
Out.Echo Len(w), InStr(w, ChrW(233)), InStr(2, "x" & w, "2")
)VB"),
            "6 3 6 4 bc bc\n8 6 8 \xC3\xA9"
            "c \xC3\xA9"
            "c abcabc\xC3\xA9\n3 4 4 3 4\n5 3 5 0\n4 4 4\n");
}

TEST(Script, MidStatementReplacesInPlace) {
  EXPECT_EQ(run(R"VB(
s = "abcdef"
Mid(s, 2, 2) = "XYZ"
Out.Echo s
Mid(s, 5) = "1234"
Out.Echo s, Len(s)
On Error Resume Next
Mid(s, 0) = "x"
Out.Echo Err.Number, s
)VB"),
            "aXYdef\naXYd12 6\n5 aXYd12\n");
}

TEST(Script, ConversionsDatesAndFormatting) {
  EXPECT_EQ(run(R"VB(
Out.Echo Round(2.5), Round(3.5), CInt("1,5"), Hex(-1), Hex(CLng(-1)), TypeName(CCur(1))
Out.Echo DateAdd("m", 1, #1/31/2024#), DateDiff("yyyy", #12/31/2023#, #1/1/2024#)
Out.Echo FormatNumber(-1234.5, 2, , True), FormatCurrency(-3), FormatPercent(0.256, 1)
Out.Echo VarType(vbCrLf), VarType(Array()), TypeName(Nothing), IsNumeric("&H1F")
old = SetLocale(1031)
Out.Echo old, CInt("1,5"), FormatNumber(1234.5), MonthName(3)
)VB"),
            "2 4 15 FFFF FFFFFFFF Currency\n2/29/2024 1\n(1,234.50) ($3.00) 25.6%\n8 8204 "
            "Nothing True\n1033 2 1.234,50 M\xC3\xA4rz\n");
}

TEST(Script, DictionaryInForEachAndAsDefaultMember) {
  EXPECT_EQ(run(R"VB(
Set d = CreateObject("Scripting.Dictionary")
d.CompareMode = vbTextCompare
d("One") = 1
d.Add "Two", 2
d("ONE") = d("one") + 10
For Each k In d
  Out.Echo k, d(k)
Next
Out.Echo d.Count, d.Exists("three"), IsEmpty(d("three")), d.Count
Out.Echo TypeName(d), Join(d.Keys, ",")
)VB"),
            "One 11\nTwo 2\n2 False True 3\nDictionary One,Two,three\n");
}

TEST(Script, RegExpSubmatchesAndReplacement) {
  EXPECT_EQ(run(R"VB(
Set re = New RegExp
re.Pattern = "(\d+)-(\d+)"
re.Global = True
For Each m In re.Execute("10-20, 30-40")
  Out.Echo m.FirstIndex, m.Value, m.SubMatches(0), m.SubMatches(1)
Next
Out.Echo re.Replace("10-20, 30-40", "$2-$1")
Set re2 = CreateObject("VBScript.RegExp")
re2.Pattern = "^\s*SELECT"
re2.IgnoreCase = True
Out.Echo re2.Test("  select 1"), re2.Test("update")
)VB"),
            "0 10-20 10 20\n7 30-40 30 40\n20-10, 40-30\nTrue False\n");
}

TEST(Script, FileSystemObjectRoundTrip) {
  std::string dir =
      (std::filesystem::temp_directory_path() / ("vbslib-script-" + std::to_string(::getpid())))
          .string();
  std::filesystem::create_directories(dir);
  std::string out = run("dir = \"" + dir + "\"\n" + R"VB(
Set fso = CreateObject("Scripting.FileSystemObject")
p = fso.BuildPath(dir, "t.txt")
Set ts = fso.CreateTextFile(p, True, True)
ts.WriteLine "caf" & ChrW(233)
ts.Write "2nd"
ts.Close
Set ts = fso.OpenTextFile(p, 1, False, -1)
Do Until ts.AtEndOfStream
  Out.Echo ts.ReadLine
Loop
ts.Close
Out.Echo fso.FileExists(p), fso.GetExtensionName(p), fso.GetFile(p).Size
fso.DeleteFile p
Out.Echo fso.FileExists(p)
)VB");
  std::filesystem::remove_all(dir);
  EXPECT_EQ(out, "caf\xC3\xA9\n2nd\nTrue txt 20\nFalse\n");
}

} // namespace
} // namespace vbslib_script_test
