// Corners of the language where scripts rely on the exact behaviour: spellings the parser
// must take, the Err object, argument checks of the library, the types of literals and
// constants, and On Error Resume Next in the heads of compound statements.
#include "harness.h"

namespace vbtest {

namespace {

// "<TypeName> <value>" of an expression, or "ERR <number>" when it raises.
std::string valueOf(const std::string& expr) {
  return runScript("On Error Resume Next\nx = " + expr +
                   "\nIf Err.Number <> 0 Then\nOut.Echo \"ERR \" & Err.Number\nElse\nOut.Echo "
                   "TypeName(x) & \" \" & x\nEnd If");
}

// Expressions and what valueOf gives for them.
void checkValues(std::initializer_list<std::pair<const char*, const char*>> cases) {
  for (auto [expr, expected] : cases)
    EXPECT_EQ(valueOf(expr), std::string(expected) + "\n") << expr;
}

} // namespace

TEST(Fidelity, ParserTakesEverySpelling) {
  runCases({
      {"comparison spellings", "Out.Echo 2 => 1, 1 =< 2, 1 >< 2, 1=>2", "True True True False\n"},
      {"procedure inside an If block",
       "If True Then\nSub S()\nOut.Echo 1\nEnd Sub\nFunction F\nF = 2\nEnd Function\nEnd "
       "If\nS\nOut.Echo F",
       "1\n2\n"},
      {"procedure inside a loop body is defined once",
       "For i = 1 To 2\nPrivate Sub T(a)\nOut.Echo a\nEnd Sub\nNext\nT i", "3\n"},
      {"one-line procedure", "Sub S() Out.Echo 1 End Sub\nS", "1\n"},
      {"one-line procedure with separators", "Sub S(): Out.Echo 2: End Sub: S", "2\n"},
      {"statement and End Sub on one line", "Sub S(a) Out.Echo a : End Sub\nS 3", "3\n"},
      {"one-line function", "Function F(x) F = x * 2 End Function\nOut.Echo F(4)", "8\n"},
      {"call on a parenthesised value",
       "Sub P(a)\nOut.Echo a\nEnd Sub\nSet r = GetRef(\"P\")\n(r)(5)\nCall (r)(6)", "5\n6\n"},
      {"call on a new object",
       "Class C\nSub M\nOut.Echo \"m\"\nEnd Sub\nEnd Class\nCall (New C).M\n(New C).M", "m\nm\n"},
      {"property as a variable", "property = 4\nOut.Echo property + 1", "5\n"},
      {"property as a variable beside a property",
       "Class C\nPrivate v\nProperty Get P\nDim property: property = 7: P = property\nEnd "
       "Property\nEnd Class\nSet o = New C\nOut.Echo o.P",
       "7\n"},
      {"keywords written against numbers", "Out.Echo &h01or&h02, &h01and&h03, 6mod 4, 1or 2",
       "3 1 2 3\n"},
      {"hex digits then a word still concatenate", "hdr = 1\nOut.Echo \"x\" &hdr", "x1\n"},
      {"rem after a dot is a member",
       "Class C\nPublic [rem]\nEnd Class\nSet o = New C\no.rem = 5\nOut.Echo o.rem ' comment\nRem "
       "gone",
       "5\n"},
      {"empty one-line If", "If False Then :\nOut.Echo 7", "7\n"},
      {"one-line If after a colon", "If False Then : Out.Echo 8\nOut.Echo 9", "9\n"},
      {"one-line If after a colon taken", "If True Then : Out.Echo 8 : Out.Echo 9", "8\n9\n"},
  });
}

TEST(Fidelity, ErrorsKeepTheirPlace) {
  runCases({
      // An error raised and dropped in a terminate handler leaves no trace for later errors.
      {"terminate error does not move a later error",
       "Class C\nSub Class_Terminate\nx = 1 / 0\nEnd Sub\nEnd Class\nSet o = New C\nSet o = "
       "Nothing\nOut.Echo \"ok\"\n\n\ny = 1 / 0",
       "ok\nERROR 11 Division by zero (11,0)"},
      {"terminate during unwinding keeps the first place",
       "Class C\nSub Class_Terminate\nx = 1 / 0\nEnd Sub\nEnd Class\nSub S\nDim o\nSet o = New "
       "C\ny = 1 / 0\nEnd Sub\nS",
       "ERROR 11 Division by zero (9,0)"},
      {"redim declares under Option Explicit",
       "Option Explicit\nReDim x(3)\nx(1) = 2\nOut.Echo UBound(x), x(1)", "3 2\n"},
      {"redim declares a local under Option Explicit",
       "Option Explicit\nSub S\nReDim y(2)\nOut.Echo UBound(y)\nEnd Sub\nS", "2\n"},
  });
}

TEST(Fidelity, ErrObject) {
  runCases({
      {"raise keeps all it is given, a later raise takes the standard texts",
       "On Error Resume Next\nErr.Raise 1000, \"src\", \"desc\", \"hf\", 7\n"
       "Out.Echo Err.Number, Err.Source, Err.Description, Err.HelpFile, Err.HelpContext\n"
       "Err.Raise 5\nOut.Echo Err.Number, Err.Source, Err.Description, \"[\" & Err.HelpFile & "
       "\"]\", Err.HelpContext",
       "1000 src desc hf 7\n5 VBScript runtime error Invalid procedure call or argument [] 0\n"},
      {"a runtime error clears help file and context",
       "On Error Resume Next\nErr.Raise 1, \"a\", \"b\", \"hf\", 3\nx = 1 / 0\nOut.Echo "
       "\"[\" & Err.HelpFile & \"]\", Err.HelpContext, Err.Description",
       "[] 0 Division by zero\n"},
      {"HRESULT numbers keep their value",
       "On Error Resume Next\nErr.Raise &h80070005\nOut.Echo Err.Number = &h80070005, "
       "Err.Number",
       "True -2147024891\n"},
      {"raise of 0 and of numbers past 65535",
       "On Error Resume Next\nErr.Raise 0\nOut.Echo Err.Number\nErr.Raise 70000\nOut.Echo "
       "Err.Number\nErr.Raise 65535\nOut.Echo Err.Number",
       "5\n5\n65535\n"},
      {"bare raise", "On Error Resume Next\nErr.Raise\nOut.Echo Err.Number", "450\n"},
      {"descriptions carry no names",
       "On Error Resume Next\nx = y.z\nOut.Echo Err.Description\nNope 1\nOut.Echo "
       "Err.Description\nSet o = Nothing\no.Go\nOut.Echo Err.Number, Err.Description",
       "Object required\nType mismatch\n424 Object required\n"},
      {"the uncaught report names the thing", "Nope 1", "ERROR 13 Type mismatch: 'Nope' (1,0)"},
  });
}

TEST(Fidelity, MembersOfNothingNeedAnObject) {
  runCases({
      {"method", "Set o = Nothing\no.Go", "ERROR 424 Object required: 'o' (2,0)"},
      {"method with arguments", "Set o = Nothing\no.Go 1, 2",
       "ERROR 424 Object required: 'o' (2,0)"},
      {"property read", "Set o = Nothing\nx = o.Name", "ERROR 424 Object required: 'o' (2,0)"},
      {"property write", "Set o = Nothing\no.Name = 1", "ERROR 424 Object required: 'o' (2,0)"},
      {"default call", "Set o = Nothing\nx = o(1)", "ERROR 424 Object required: 'o' (2,0)"},
      {"inside a procedure", "Sub S\nDim o\nSet o = Nothing\nx = o.Name(1)\nEnd Sub\nS",
       "ERROR 424 Object required: 'o' (4,0)"},
  });
}

TEST(Fidelity, LibraryChecksItsArguments) {
  checkValues({
      // Null where a number or text is required.
      {"InStrRev(Null, \"b\")", "ERR 94"},
      {"InStrRev(\"abc\", \"b\", Null)", "ERR 94"},
      {"DateSerial(Null, 1, 1)", "ERR 94"},
      {"TimeSerial(1, Null, 1)", "ERR 94"},
      {"DateAdd(\"d\", Null, #1/1/2000#)", "ERR 94"},
      {"Sgn(Null)", "ERR 94"},
      {"Mid(\"abc\", 1, Null)", "ERR 94"},
      {"Left(\"abc\", Null)", "ERR 94"},
      // ...but text functions pass a Null text on.
      {"Mid(Null, 1)", "Null "},
      {"InStr(\"abc\", Null)", "Null "},
      {"Abs(Null)", "Null "},
      {"DateAdd(\"d\", 1, Null)", "Null "},
      // Type mismatches before bad values, in argument order.
      {"DateSerial(\"x\", Null, 1)", "ERR 13"},
      {"Left(\"abc\", \"x\")", "ERR 13"},
      {"Space(-1)", "ERR 5"},
      {"Split(\"a,b\", \",\", -1, 5)", "ERR 5"},
      {"StrComp(\"a\", \"b\", 3)", "ERR 5"},
      {"Randomize()", "ERR 13"},
      {"Randomize", "ERR 13"},
  });
  runCases({
      {"conversions are no statements",
       "On Error Resume Next\nCall CInt(1)\nOut.Echo "
       "Err.Number\nCStr 2\nOut.Echo Err.Number",
       "458\n458\n"},
      {"randomize is a statement", "Randomize 1\nRandomize\nCall Randomize(2)\nOut.Echo \"ok\"",
       "ok\n"},
      {"a script procedure of the same name is no library function",
       "Function CInt(x)\nOut.Echo \"mine\"\nEnd Function\nCall CInt(1)", "mine\n"},
  });
}

TEST(Fidelity, TypesOfLiteralsConstantsAndResults) {
  checkValues({
      {"&h10&", "Integer 16"},
      {"&hFFFFFFFF&", "Integer -1"},
      {"&hFFFF&", "Long 65535"},
      {"&hFFFF", "Integer -1"},
      {"&h10000", "Long 65536"},
      {"vbRed", "Long 255"},
      {"vbBlack", "Long 0"},
      {"vbMsgBoxHelpButton", "Long 16384"},
      {"vbOKCancel", "Integer 1"},
      {"Round(True)", "Boolean True"},
      {"CByte(True)", "Byte 255"},
      {"CDate(\"1\")", "Date 12/31/1899"},
      {"Not \"#FALSE#\"", "Boolean True"},
      {"Not \"5\"", "Long -6"},
      {"CSng(0.1) = 0.1", "Boolean True"},
      {"-3^2", "Double 9"},
      {"2 ^ -1", "Double 0.5"},
      {"-2 ^ -2", "Double 0.25"},
  });
}

TEST(Fidelity, ResumeNextInHeadsOfCompoundStatements) {
  runCases({
      {"do while",
       "On Error Resume Next\nn = 0\nDo While 1 / 0\nn = n + 1\nIf n = 2 Then Exit "
       "Do\nLoop\nOut.Echo n, Err.Number",
       "2 11\n"},
      {"do until", "On Error Resume Next\nDo Until 1 / 0\nOut.Echo \"in\"\nExit Do\nLoop", "in\n"},
      {"loop while at the bottom leaves",
       "On Error Resume Next\nn = 0\nDo\nn = n + 1\nLoop While 1 / 0\nOut.Echo n", "1\n"},
      {"while", "On Error Resume Next\nn = 0\nWhile 1 / n > 0.4\nn = n + 1\nWend\nOut.Echo n",
       "3\n"},
      {"for",
       "On Error Resume Next\nFor i = 1 To 1 / 0\nOut.Echo \"in\", Err.Number\nNext\nOut.Echo "
       "\"after\"",
       "in 11\nafter\n"},
      {"for each", "On Error Resume Next\nFor Each x In 5\nOut.Echo \"in\", Err.Number\nNext",
       "in 451\n"},
      {"case value",
       "On Error Resume Next\nSelect Case 3\nCase 1 / 0\nOut.Echo \"first\"\nCase 3\nOut.Echo "
       "\"second\"\nEnd Select",
       "first\n"},
      {"select subject",
       "On Error Resume Next\nSelect Case 1 / 0\nCase 1\nOut.Echo \"one\"\nCase Else\nOut.Echo "
       "\"else\"\nEnd Select\nOut.Echo Err.Number",
       "one\n11\n"},
      {"without resume the error stops", "For i = 1 To 1 / 0\nNext",
       "ERROR 11 Division by zero (1,0)"},
  });
}

// Errors of operators, members and Err.Raise go back to the statement as a status; each must
// be the error the operator itself raises, and neighbours that do not fail must not.
TEST(Fidelity, ErrorsOfExpressionsAreTheOperatorsOwn) {
  checkValues({
      {"1 / 0", "ERR 11"},
      {"0 / 0", "ERR 6"},
      {"1 / Empty", "ERR 11"},
      {"Empty / Empty", "ERR 6"},
      {"1 / False", "ERR 11"},
      {"1.5 / 0", "ERR 11"},
      {"Null / 0", "Null "},
      {"1 / Null", "Null "},
      {"5 \\ 0", "ERR 11"},
      {"5 Mod 0", "ERR 11"},
      {"5 Mod False", "ERR 11"},
      {"5 Mod 0.4", "ERR 11"},
      {"5 Mod 0.5", "ERR 11"},
      {"5 Mod 0.6", "Long 0"},
      {"5 Mod True", "Integer 0"},
      {"True \\ 0", "ERR 11"},
      {"2.5 \\ 0", "ERR 11"},
      {"\"5\" Mod 0", "ERR 11"},
      {"\"a\" + 1", "ERR 13"},
      {"\"2\" + 1", "Double 3"},
      {"\"a\" + \"b\"", "String ab"},
      {"\"a\" + Empty", "String a"},
      {"Empty + \"a\"", "String a"},
      {"\"a\" - Empty", "ERR 13"},
      {"\"a\" * Null", "Null "},
      {"Array(1) + 1", "ERR 13"},
      {"Array(1) / 0", "ERR 13"},
      {"\"a\" / 0", "ERR 13"},
      {"#1/1/2000# / 0", "ERR 11"},
      {"(1 + 2 / 0) * 3", "ERR 11"},
      {"32767 + 1", "Long 32768"},
      {"\"1e400\" * 1", "ERR 6"},
      {"1 + \"x\"", "ERR 13"},
      {"-\"a\"", "ERR 13"},
      {"2 ^ \"a\"", "ERR 13"},
      {"CLng(\"a\")", "ERR 13"},
      {"\"\" - 1", "ERR 13"},
      {"\" 7 \" * 2", "Double 14"},
      {"&h7FFFFFFF + 1", "Double 2147483648"},
  });
  runCases({
      {"a failing assignment leaves the variable",
       "x = 5\nOn Error Resume Next\nx = 1 / 0\nOut.Echo x, Err.Number, Err.Description, "
       "Err.Source",
       "5 11 Division by zero VBScript runtime error\n"},
      {"uncaught, the error names its statement", "Sub S\nx = 1\ny = x / 0\nEnd Sub\nS",
       "ERROR 11 Division by zero (3,0)"},
      {"a procedure stops at its error and the caller resumes",
       "Function F\nF = 1 / 0\nOut.Echo \"not here\"\nEnd Function\nOn Error Resume Next\n"
       "x = F()\nOut.Echo Err.Number, IsEmpty(x)",
       "11 True\n"},
      {"an argument that fails keeps the procedure from running",
       "Function F(a)\nOut.Echo \"in\"\nEnd Function\nOn Error Resume Next\nx = F(1 / 0)\n"
       "Out.Echo Err.Number",
       "11\n"},
      {"member of Nothing in an expression", "Set o = Nothing\nx = o.Name + 1",
       "ERROR 424 Object required: 'o' (2,0)"},
      {"library function with too many arguments", "x = Len(1, 2)",
       "ERROR 450 Wrong number of arguments or invalid property assignment: 'Len' (1,0)"},
      {"raise in a procedure reaches the resuming caller with its texts",
       "Sub S\nErr.Raise 1000, \"me\", \"mine\", \"hf\", 4\nOut.Echo \"not here\"\nEnd Sub\n"
       "On Error Resume Next\nS\nOut.Echo Err.Number, Err.Source, Err.Description, "
       "Err.HelpFile, Err.HelpContext",
       "1000 me mine hf 4\n"},
      {"raise through With",
       "On Error Resume Next\nWith Err\n.Raise 7\nEnd With\nOut.Echo "
       "Err.Number, Err.Description",
       "7 Out of memory\n"},
      {"uncaught raise", "Out.Echo 1\nErr.Raise 1000, \"me\", \"mine\"",
       "1\nERROR 1000 mine (2,0)"},
      {"an error after On Error GoTo 0 stops",
       "On Error Resume Next\nx = 1 / 0\nOn Error GoTo 0\nOut.Echo Err.Number\ny = \"a\" * 2",
       "0\nERROR 13 Type mismatch (5,0)"},
  });
}

TEST(Fidelity, EveryArrayElementGoesByReference) {
  EXPECT_EQ(
      runScript("Sub S(a, b, c, d, e, f)\na = 1: b = 2: c = 3: d = 4: e = 5: f = 6\nEnd "
                "Sub\nDim v(5)\nS v(0), v(1), v(2), v(3), v(4), v(5)\nOut.Echo Join(v, \",\")"),
      "1,2,3,4,5,6\n");
  // Each element stays locked until the call returns, the sixth as the first.
  EXPECT_EQ(runScript("Sub S(a, b, c, d, e)\nReDim w(1)\nEnd Sub\nReDim w(4)\nOn Error Resume "
                      "Next\nS w(0), w(1), w(2), w(3), w(4)\nOut.Echo Err.Number, UBound(w)"),
            "10 4\n");
}

} // namespace vbtest
