// Programs and what they print, grouped by feature.
#include "harness.h"

namespace vbtest {

TEST(Lexer, LiteralsCommentsAndContinuations) {
  runCases({
      {"doubled quotes", "Out.Echo \"say \"\"hi\"\"\"", "say \"hi\"\n"},
      {"integer subtypes", "Out.Echo TypeName(1), TypeName(40000), TypeName(3000000000)",
       "Integer Long Double\n"},
      {"hex and octal", "Out.Echo &HFF, &HFFFF, &HFFFF&, &O17, &10", "255 -1 65535 15 8\n"},
      {"floats", "Out.Echo 1.5 + .5, 1E3, 2.5e-1", "2 1000 0.25\n"},
      {"date literal", "Out.Echo Year(#12/31/1999#), Month(#12/31/1999#)", "1999 12\n"},
      {"comments", "' whole line\nOut.Echo 1 ' after\nRem old style\nOut.Echo 2: Rem here",
       "1\n2\n"},
      {"case-insensitive names", "Dim qzStartTime\nqzStarTtime = 5\nOUT.ECHO QZSTARTTIME", "5\n"},
      {"bracketed identifier", "Dim [my var]\n[my var] = 3\nOut.Echo [my var]", "3\n"},
      {"line continuation", "x = 1 + _\n    2 _\n    + 3\nOut.Echo _\n  x", "6\n"},
      {"continuation in call args", "Out.Echo \"a\", _\n \"b\"", "a b\n"},
      {"colon separators", "a = 1: b = 2: Out.Echo a + b", "3\n"},
      {"byte-order mark", "\xEF\xBB\xBFOut.Echo 1", "1\n"},
      {"concat not hex", "hdr = 1\nOut.Echo \"x\" &hdr", "x1\n"},
      {"keyword as member name",
       "Set d = CreateObject(\"Test.Bag\")\nd.Add \"k\", 1\nOut.Echo d.Count", "1\n"},
  });
}

TEST(Operators, PrecedenceAndTypes) {
  runCases({
      {"negation before power", "Out.Echo -2 ^ 2, 2 ^ -1", "4 0.5\n"},
      {"mul before intdiv before mod before add", "Out.Echo 7 + 10 \\ 3 Mod 2, 2 * 3 \\ 4",
       "8 1\n"},
      {"concat below add", "Out.Echo 1 + 2 & 3 + 4", "37\n"},
      {"comparison below concat", "Out.Echo \"a\" & \"b\" = \"ab\"", "True\n"},
      {"not below comparison", "Out.Echo Not 1 = 2", "True\n"},
      {"and/or/xor/eqv/imp",
       "Out.Echo True And False, True Or False, True Xor True, False Eqv False, True Imp False",
       "False True False True False\n"},
      {"bitwise on numbers", "Out.Echo 6 And 3, 6 Or 3, Not 0", "2 7 -1\n"},
      {"integer overflow widens", "Out.Echo TypeName(32767 + 1), 32767 + 1", "Long 32768\n"},
      {"long overflow to double", "Out.Echo TypeName(2147483647 + 1)", "Double\n"},
      {"division is double", "Out.Echo 7 / 2, TypeName(4 / 2)", "3.5 Double\n"},
      {"string plus number", "Out.Echo \"3\" + 4, \"3\" & 4", "7 34\n"},
      {"null propagation", "Out.Echo IsNull(Null + 1), \"a\" & Null", "True a\n"},
      {"is nothing", "Set o = Nothing\nOut.Echo o Is Nothing", "True\n"},
      {"string compare", "Out.Echo \"a\" < \"b\", \"B\" < \"a\"", "True True\n"},
      {"division by zero", "Out.Echo 1 / 0", "ERROR 11 Division by zero (1,0)"},
      {"type mismatch", "Out.Echo \"x\" * 2", "ERROR 13 Type mismatch (1,0)"},
      {"double overflow", "x = 1E+300\nOut.Echo x * x", "ERROR 6 Overflow (2,0)"},
      // A literal takes the kind of the value it is compared with; two variables do not.
      {"number variable with text literal",
       "x = 5\nOut.Echo x = \"5\", \"5\" = x, x < \"10\", x = \"five\"\nIf x = \"5.0\" Then "
       "Out.Echo "
       "\"yes\"",
       "True True True False\nyes\n"},
      {"text variable with number literal", "s = \"10\"\nOut.Echo s = 10, s < 9", "True True\n"},
      {"two variables of different kinds", "x = 5: y = \"5\"\nOut.Echo x = y, x < y",
       "False True\n"},
      {"boolean and date variables with literals",
       "b = True: d = #1/31/2024#\nOut.Echo b = \"True\", d = \"2024-01-31\"", "True True\n"},
  });
}

namespace {
// Each body runs as the procedure T with the locals a, b and c; g is a variable of the module.
void runInSub(std::initializer_list<std::pair<const char*, const char*>> cases) {
  for (const auto& [body, expected] : cases) {
    std::string code = "Sub T\nDim a, b, c\n" + std::string(body) + "\nEnd Sub\nDim g\nT";
    SCOPED_TRACE(code);
    EXPECT_EQ(runScript(code), expected);
  }
}
} // namespace

TEST(Operators, WholeNumberArithmeticOnLocals) {
  // Locals take a path of their own for whole numbers; its results must match the general one.
  runInSub({
      {"a = 32767: b = a + 1: Out.Echo b, TypeName(b)", "32768 Long\n"},
      {"a = 2147483647: b = a + 1: Out.Echo b, TypeName(b)", "2147483648 Double\n"},
      {"a = -32768: b = -a: Out.Echo b, TypeName(b)", "32768 Long\n"},
      {"a = 200: b = a * a: Out.Echo b, TypeName(b)", "40000 Long\n"},
      {"a = 7: b = -a Mod 3: c = -a \\ 2: Out.Echo b, c, TypeName(c)", "-1 -3 Integer\n"},
      {"a = 7: b = a \\ 0", "ERROR 11 Division by zero (3,7)"},
      {"a = 7: b = a Mod 0", "ERROR 11 Division by zero (3,7)"},
      {"a = 1.5: b = a + 1: Out.Echo b, TypeName(b)", "2.5 Double\n"},
      {"a = \"4\": b = a * 2: Out.Echo b, TypeName(b)", "8 Double\n"},
      {"b = a + 1: Out.Echo b, TypeName(b)", "1 Integer\n"},
  });
}

TEST(Operators, NestedWholeNumberArithmetic) {
  // Trees of + - * \ Mod over variables and literals are worked out as whole numbers when
  // they can be; every other operand, and every result that leaves a Long, must give what
  // the operators give one at a time.
  runInSub({
      {"a = 5: b = a + a * 2 Mod 7 - 1: Out.Echo b, TypeName(b)", "7 Integer\n"},
      {"a = 300: b = (a * a) \\ 2 + 1: Out.Echo b, TypeName(b)", "45001 Long\n"},
      {"a = 300: b = a * a - 89999: Out.Echo b, TypeName(b)", "1 Long\n"},
      {"a = 65536: b = a * a \\ 2", "ERROR 6 Overflow (3,11)"},
      {"a = 65536: b = a * a - 1 + 1: Out.Echo b, TypeName(b)", "4294967296 Double\n"},
      {"a = 7: c = 2.5: b = (a + 1) Mod c: Out.Echo b, TypeName(b)", "0 Long\n"},
      {"a = 7: c = 1.5: b = (a + 1) \\ c: Out.Echo b, TypeName(b)", "4 Long\n"},
      {"a = 7: c = \"3\": b = a * 2 - c: Out.Echo b, TypeName(b)", "11 Double\n"},
      {"a = 7: b = (a + c) * 2: Out.Echo b, TypeName(b)", "14 Integer\n"},
      {"a = 7: c = Null: b = a * 2 + c: Out.Echo TypeName(b)", "Null\n"},
      {"a = True: b = a + 1 * 2: Out.Echo b, TypeName(b)", "1 Integer\n"},
      {"a = CByte(200): b = a + a - 1: Out.Echo b, TypeName(b)", "399 Integer\n"},
      {"a = 7: c = 0: b = a + 1 \\ (c * 3)", "ERROR 11 Division by zero (3,14)"},
      {"a = 7: c = \"x\": b = a + 1 * c", "ERROR 13 Type mismatch (3,16)"},
      {"g = 40000: a = 2: b = g * a - g \\ a: Out.Echo b, TypeName(b)", "60000 Long\n"},
      {"a = 1: b = Len(\"abc\") * a + a: Out.Echo b, TypeName(b)", "4 Long\n"},
      // Comparisons of such trees, as values and as conditions.
      {"a = 3: b = a * 2 > 5: c = a - 3 = 0: Out.Echo b, c, TypeName(b)", "True True Boolean\n"},
      {"a = 3: If a Mod 2 Then Out.Echo \"odd\"\nIf (a + 1) Mod 2 Then Out.Echo \"even\"", "odd\n"},
      {"a = 3: c = \"4\": If a + 1 = c Then Out.Echo 1 Else Out.Echo 2", "2\n"},
      {"c = Null: If c + 1 > 0 Then Out.Echo 1 Else Out.Echo 2", "2\n"},
      {"ReDim c(4): If b > UBound(c) - 5 Then Out.Echo UBound(c) - LBound(c) + 1", "5\n"},
      {"c = 4: If a < UBound(c) Then Out.Echo 1", "ERROR 13 Type mismatch (3,7)"},
      {"On Error Resume Next: c = 4: If a < UBound(c) Then Out.Echo \"in\"", "in\n"},
      // A function of the script that takes the library's name later is called from then on.
      {"ReDim c(1): Out.Echo UBound(c) > 5\n"
       "ExecuteGlobal \"Function UBound(v): UBound = 42: End Function\"\n"
       "Out.Echo UBound(c) > 5, UBound(c) + 0",
       "False\nTrue 42\n"},
  });
}

TEST(Operators, TwoVariablesOfOtherKinds) {
  // An operator whose operands are both variables or literals reads them where they are kept,
  // whatever holds them (a local, a parameter by reference, a field, a module variable or
  // constant); values other than whole numbers must give what the general rules give.
  const std::string decls =
      "Const K = 2.5, KT = \"7\"\nDim g\n"
      "Function Add(x, y)\n  Add = x + y\nEnd Function\n"
      "Function Lt(x, y)\n  Lt = x < y\nEnd Function\n"
      "Class Box\n  Public v\n  Function Twice()\n    Twice = v * 2\n  End Function\nEnd Class\n";
  const Case cases[] = {
      {"total grows past a Long through a ByRef parameter",
       "t = 2147483000\nFor i = 1 To 1000: t = Add(t, i): Next\nOut.Echo t, TypeName(t)",
       "2147983500 Double\n"},
      {"Double and whole numbers mixed",
       "a = 1.5: b = 2\nOut.Echo Add(a, b), a * b, a - b, "
       "a \\ b, a Mod b, Lt(a, b), Lt(b, a)",
       "3.5 3 -0.5 1 0 True False\n"},
      {"texts", "a = \"1\": b = \"2\"\nOut.Echo Add(a, b), Lt(a, b), a * b, TypeName(a * b)",
       "12 True 2 Double\n"},
      {"text and number", "a = \"10\": b = 9\nOut.Echo Add(a, b), Lt(a, b), Lt(b, a)",
       "19 False True\n"},
      {"Empty, Null and Boolean",
       "Out.Echo Add(e, e), TypeName(Add(e, e)), "
       "IsNull(Add(1, Null)), Add(True, True), TypeName(Add(True, True))",
       "0 Integer True -2 Integer\n"},
      {"dates and currency",
       "d = #1/31/2024#: c = CCur(1.25)\n"
       "Out.Echo Add(d, 1), TypeName(Add(d, 1)), Add(c, c), TypeName(Add(c, c))",
       "2/1/2024 Date 2.5 Currency\n"},
      {"module constants", "a = 2\nOut.Echo a * K, K * K, a < K, a + KT, TypeName(a + KT)",
       "5 6.25 True 9 Double\n"},
      {"module variable and field",
       "g = 0.5\nSet o = New Box: o.v = 0.25\n"
       "Out.Echo g + g, o.Twice(), g > o.v",
       "1 0.5 True\n"},
      {"other operators",
       "a = 7: b = 2: c = Null: t = \"ab\": Set o = New Box: Set p = o\n"
       "Out.Echo a / b, a ^ b, a And b, a Or b, a Xor b, a Eqv b, a Imp b, a & b, t & a, "
       "IsNull(a / c), IsNull(c ^ b), t & c, o Is p, o Is Nothing",
       "3.5 49 2 7 5 -6 -6 72 ab7 True True ab True False\n"},
      {"division by a zero variable", "a = 7: b = 0\nOut.Echo a / b",
       "ERROR 11 Division by zero (16,0)"},
      {"overflow of a Double", "a = 1E+300\nOut.Echo Add(a, a) > 0\nOut.Echo a * a",
       "True\nERROR 6 Overflow (17,0)"},
      {"text that is no number", "a = \"x\": b = 2\nOut.Echo a * b",
       "ERROR 13 Type mismatch (16,0)"},
      {"error inside a function under Resume Next",
       "On Error Resume Next\nr = Add(\"x\", Empty) * 2: Out.Echo r, Err.Number\n"
       "Err.Clear: a = 1E+300: r = Lt(a * a, 1): Out.Echo IsEmpty(r), Err.Number",
       " 13\nTrue 6\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(runScript(decls + c.code), c.expected) << c.code;
  }
}

TEST(Statements, IfAndSelect) {
  runCases({
      {"block if",
       "x = 2\nIf x = 1 Then\n Out.Echo 1\nElseIf x = 2 Then\n Out.Echo 2\nElse\n Out.Echo 3\nEnd "
       "If",
       "2\n"},
      {"single-line if else", "If 1 = 2 Then Out.Echo \"a\" Else Out.Echo \"b\"", "b\n"},
      {"single-line if several statements", "If True Then a = 1: b = 2: Out.Echo a + b", "3\n"},
      {"single-line else several", "If False Then Out.Echo 1 Else Out.Echo 2: Out.Echo 3",
       "2\n3\n"},
      {"single-line else takes the rest of the line",
       "If True Then Out.Echo 1 Else Out.Echo 2: Out.Echo 3", "1\n"},
      {"nested single-line if", "If True Then If False Then Out.Echo 1 Else Out.Echo 2", "2\n"},
      {"if then on error",
       "b = True\nIf b Then On Error Resume Next\nx = 1 / 0\nOut.Echo Err.Number", "11\n"},
      {"if across continuation", "If 1 = 1 And _\n   2 = 2 Then\n Out.Echo \"yes\"\nEnd If",
       "yes\n"},
      {"select values and lists",
       "For Each v In Array(1, 3, 5, 9)\nSelect Case v\nCase 1: Out.Echo \"one\"\nCase 2, 3: "
       "Out.Echo \"two-three\"\nCase 4 To 6: Out.Echo \"range\"\nCase Else: Out.Echo \"else\"\nEnd "
       "Select\nNext",
       "one\ntwo-three\nrange\nelse\n"},
      {"select is",
       "x = 10\nSelect Case x\nCase Is < 5\n Out.Echo \"small\"\nCase Is >= 10\n Out.Echo "
       "\"big\"\nEnd Select",
       "big\n"},
      {"select strings",
       "Select Case \"b\"\nCase \"a\": Out.Echo 1\nCase \"b\": Out.Echo 2\nEnd Select", "2\n"},
      {"select no match no else",
       "Select Case 7\nCase 1: Out.Echo 1\nEnd Select\nOut.Echo \"done\"", "done\n"},
  });
}

// Tests of a variable against a number written in the text: whole numbers are compared where
// the variable lives, whatever names it; every other subtype keeps the general comparison.
TEST(Statements, ConditionsOnVariablesAndLiterals) {
  const std::string tests =
      "Sub T(r, ByVal v)\nDim x\nx = v\ns = \"\"\n"
      "If x < 3 Then s = s & \"<\"\nIf x <= 3 Then s = s & \"l\"\n"
      "If x > 3 Then s = s & \">\"\nIf x >= 3 Then s = s & \"g\"\n"
      "If x = 3 Then s = s & \"=\"\nIf x <> 3 Then s = s & \"n\"\n"
      "If r < 3 Then s = s & \"R\"\nIf g > 3 Then s = s & \"G\"\n"
      "Out.Echo s\nEnd Sub\n";
  struct C {
    const char* setup;
    const char* expected;
  } cases[] = {
      {"g = 2: a = 2: T a, 2", "<lnR\n"},
      {"g = 3: a = 3: T a, 3", "lg=\n"},
      {"g = 40000: a = 40000: T a, 40000", ">gnG\n"},
      {"g = -40000: a = -40000: T a, -40000", "<lnR\n"},
      {"a = Empty: T a, Empty", "<lnR\n"},
      {"a = 2.5: T a, 3.5", ">gnR\n"},
      {"a = True: T a, True", "<lnR\n"},
      {"a = Null: T a, Null", "\n"},
  };
  for (const C& c : cases) {
    SCOPED_TRACE(c.setup);
    EXPECT_EQ(runScript(tests + c.setup), c.expected);
  }
}

TEST(Statements, Loops) {
  runCases({
      {"for step", "For i = 1 To 10 Step 3: s = s & i & \",\": Next: Out.Echo s, i",
       "1,4,7,10, 13\n"},
      {"for negative step", "For i = 3 To 1 Step -1: s = s & i: Next: Out.Echo s", "321\n"},
      {"for zero iterations", "For i = 5 To 1: Out.Echo \"x\": Next: Out.Echo i", "5\n"},
      {"for fractional step", "For x = 0 To 1 Step 0.25: n = n + 1: Next: Out.Echo n", "5\n"},
      {"for next with name",
       "For i = 1 To 2\nFor j = 1 To 2\nn = n + 1\nNext j\nNext i\nOut.Echo n", "4\n"},
      {"exit for inside select",
       "For i = 1 To 10\nSelect Case i\nCase 3\nExit For\nEnd Select\nNext\nOut.Echo i", "3\n"},
      {"exit do inside for", "Do\nFor i = 1 To 5\nIf i = 2 Then Exit Do\nNext\nLoop\nOut.Echo i",
       "2\n"},
      {"do while", "Do While i < 3: i = i + 1: Loop: Out.Echo i", "3\n"},
      {"do until", "Do Until i = 4: i = i + 1: Loop: Out.Echo i", "4\n"},
      {"loop while runs once", "Do: i = i + 1: Loop While False: Out.Echo i", "1\n"},
      {"loop until", "Do\ni = i + 2\nLoop Until i >= 5\nOut.Echo i", "6\n"},
      {"while wend", "While n < 4\nn = n + 1\nWend\nOut.Echo n", "4\n"},
      {"for each array", "For Each x In Array(\"a\", \"b\")\ns = s & x\nNext\nOut.Echo s", "ab\n"},
      {"for each snapshot",
       "a = Array(1, 2, 3)\nFor Each x In a\na(2) = 9\ns = s & x\nNext\nOut.Echo s, a(2)",
       "123 9\n"},
      {"for each collection",
       "Set d = CreateObject(\"Test.Bag\")\nd.Add \"x\", 1\nd.Add \"y\", 2\nFor Each k In d\ns = s "
       "& k\nNext\nOut.Echo s",
       "xy\n"},
      {"for each non collection", "For Each x In 5\nNext",
       "ERROR 451 Object not a collection (1,0)"},
      {"counter changed in body", "For i = 1 To 10\ni = i + 4\nn = n + 1\nNext\nOut.Echo n", "2\n"},
  });
}

TEST(Statements, ArraysDimReDimErase) {
  runCases({
      {"fixed array",
       "Dim a(2)\na(0) = \"x\": a(2) = \"z\"\nOut.Echo UBound(a), a(0) & a(1) & a(2)", "2 xz\n"},
      {"two dimensions", "Dim m(1, 2)\nm(1, 2) = 5\nOut.Echo UBound(m, 1), UBound(m, 2), m(1, 2)",
       "1 2 5\n"},
      {"out of range", "Dim a(2)\na(3) = 1", "ERROR 9 Subscript out of range (2,0)"},
      {"redim", "ReDim a(3)\na(3) = 1\nReDim a(1)\nOut.Echo UBound(a), IsEmpty(a(1))", "1 True\n"},
      {"redim preserve", "ReDim a(1)\na(0) = \"k\"\nReDim Preserve a(5)\nOut.Echo UBound(a), a(0)",
       "5 k\n"},
      {"redim preserve multi-dim last dim",
       "ReDim m(1, 1)\nm(1, 1) = 7\nm(0, 1) = 3\nReDim Preserve m(1, 4)\nOut.Echo UBound(m, 2), "
       "m(1, 1), m(0, 1)",
       "4 7 3\n"},
      {"redim preserve multi-dim first dim fails", "ReDim m(1, 1)\nReDim Preserve m(2, 1)",
       "ERROR 9 Subscript out of range (2,0)"},
      {"redim fixed array fails", "Dim a(2)\nReDim a(3)",
       "ERROR 10 This array is fixed or temporarily locked (2,0)"},
      {"erase fixed clears", "Dim a(1)\na(0) = 5\nErase a\nOut.Echo UBound(a), IsEmpty(a(0))",
       "1 True\n"},
      {"array value copy", "a = Array(1, 2)\nb = a\nb(0) = 9\nOut.Echo a(0), b(0)", "1 9\n"},
      {"array in array", "a = Array(Array(1, 2), 3)\nOut.Echo a(0)(1)", "2\n"},
      // An index that runs code may replace the array it indexes: the element stored is the
      // new array's.
      {"index replacing the array",
       "Function F(): ReDim a(1): F = 0: End Function\nReDim a(5)\na(F()) = 7\n"
       "Out.Echo UBound(a), a(0)",
       "1 7\n"},
      {"index leaving no array",
       "Function G(): a = 3: G = 0: End Function\nReDim a(5)\na(G()) = 7",
       "ERROR 13 Type mismatch (3,0)"},
      {"element of a field",
       "Class B\nPrivate p\nSub Class_Initialize: ReDim p(2): End Sub\n"
       "Sub Put(i, v): p(i) = v: End Sub\nFunction At(i): At = p(i): End Function\nEnd Class\n"
       "Set o = New B\no.Put 2, \"z\"\nOut.Echo o.At(2)\no.Put 3, 1",
       "z\nERROR 9 Subscript out of range (4,15)"},
  });
}

TEST(Statements, ArrayBoundsAndElementsOfVariables) {
  runCases({
      {"local, field and global arrays",
       "ReDim g(2)\nClass K\nPrivate p\nSub Class_Initialize: ReDim p(7): End Sub\n"
       "Function Top(): Top = UBound(p): End Function\nEnd Class\n"
       "Sub T\nDim a\nReDim a(4)\nOut.Echo LBound(a), UBound(a), UBound(g)\nEnd Sub\n"
       "T\nSet o = New K\nOut.Echo o.Top()",
       "0 4 2\n7\n"},
      {"empty array", "a = Array()\nOut.Echo LBound(a), UBound(a)", "0 -1\n"},
      {"first dimension of two", "Dim m(3, 5)\nOut.Echo UBound(m), UBound(m, 2)", "3 5\n"},
      {"not an array", "x = 5\nOut.Echo UBound(x)", "ERROR 13 Type mismatch (2,0)"},
      {"no value", "Out.Echo LBound(nothingHere)", "ERROR 13 Type mismatch (1,0)"},
      {"a script function of that name",
       "Function UBound(v): UBound = 42: End Function\nDim a(1)\nOut.Echo UBound(a)", "42\n"},
      {"rounded index", "Dim a(3)\na(1.5) = \"x\": a(2.5) = \"y\"\nOut.Echo a(2), IsEmpty(a(1))",
       "y True\n"},
      {"one index into two dimensions", "Dim m(1, 1)\nm(1) = 2",
       "ERROR 9 Subscript out of range (2,0)"},
      {"below the lower bound", "Dim a(1)\na(-1) = 2", "ERROR 9 Subscript out of range (2,0)"},
  });
}

TEST(Statements, ConstWithAndOptionExplicit) {
  runCases({
      {"const", "Const A = 5, B = \"x\"\nOut.Echo A, B", "5 x\n"},
      {"const negative", "Const N = -3\nOut.Echo N", "-3\n"},
      {"assign to const", "Const A = 5\nA = 6", "ERROR 501 Illegal assignment: 'A' (2,0)"},
      {"with",
       "Set d = CreateObject(\"Test.Bag\")\nWith d\n.Add \"a\", 1\n.Add \"b\", 2\nOut.Echo .Count, "
       ".Item(\"b\")\nEnd With",
       "2 2\n"},
      {"nested with",
       "Class C\nPublic V, Inner\nEnd Class\nSet o = New C\nSet o.Inner = New C\nWith o\n.V = "
       "1\nWith .Inner\n.V = 2\nEnd With\nOut.Echo .V, .Inner.V\nEnd With",
       "1 2\n"},
      {"option explicit undeclared", "Option Explicit\nDim a\na = 1\nb = 2",
       "ERROR 500 Variable is undefined: 'b' (4,0)"},
      {"option explicit in procedure", "Option Explicit\nSub S\nDim x\nx = 1\ny = 2\nEnd Sub\nS",
       "ERROR 500 Variable is undefined: 'y' (5,0)"},
      {"undeclared reads empty", "Out.Echo IsEmpty(zz)", "True\n"},
      {"stop is nothing", "Stop\nOut.Echo 1", "1\n"},
  });
}

TEST(Procedures, CallsAndArguments) {
  runCases({
      {"function result by name", "Function F(a, b)\nF = a * b\nEnd Function\nOut.Echo F(3, 4)",
       "12\n"},
      {"accumulating result variable",
       "Function T()\nT = \"a\"\nT = T & \"b\"\nEnd Function\nOut.Echo T()", "ab\n"},
      {"recursion",
       "Function Fact(n)\nIf n <= 1 Then Fact = 1 Else Fact = n * Fact(n - 1)\nEnd "
       "Function\nOut.Echo Fact(10)",
       "3628800\n"},
      {"sub without parens", "Sub P(a, b)\nOut.Echo a + b\nEnd Sub\nP 1, 2\nCall P(3, 4)",
       "3\n7\n"},
      {"sub with one paren arg", "Sub P(a)\nOut.Echo a\nEnd Sub\nP (5)\nP(6)", "5\n6\n"},
      {"first arg parenthesised then more", "Sub P(a, b)\nOut.Echo a, b\nEnd Sub\nP (1) + 1, 2",
       "2 2\n"},
      {"empty parens", "Sub P\nOut.Echo \"p\"\nEnd Sub\nP()\nCall P", "p\np\n"},
      {"exit function",
       "Function F(x)\nF = 1\nIf x Then Exit Function\nF = 2\nEnd Function\nOut.Echo F(True), "
       "F(False)",
       "1 2\n"},
      {"exit sub", "Sub S\nOut.Echo 1\nExit Sub\nOut.Echo 2\nEnd Sub\nS", "1\n"},
      {"wrong argument count", "Sub S(a)\nEnd Sub\nS 1, 2",
       "ERROR 450 Wrong number of arguments or invalid property assignment: 'S' (3,0)"},
      {"locals are fresh", "Function F()\nDim x\nx = x + 1\nF = x\nEnd Function\nOut.Echo F(), F()",
       "1 1\n"},
      {"implicit local", "Sub S\nq = 5\nEnd Sub\nS\nOut.Echo IsEmpty(q)", "True\n"},
      {"global seen in procedure", "Dim g\ng = 1\nSub S\ng = g + 1\nEnd Sub\nS\nOut.Echo g", "2\n"},
      {"later definition wins",
       "Function F\nF = 1\nEnd Function\nFunction F\nF = 2\nEnd Function\nOut.Echo F", "2\n"},
      {"call before definition", "Out.Echo G(2)\nFunction G(x)\nG = x + 1\nEnd Function", "3\n"},
      {"omitted argument", "Sub S(a, b, c)\nOut.Echo a, IsEmpty(b), c\nEnd Sub\nS 1, , 3",
       "1 False 3\n"},
      {"procedure call across lines", "Sub S(a, b)\nOut.Echo a & b\nEnd Sub\nS \"x\", _\n  \"y\"",
       "xy\n"},
  });
}

TEST(Procedures, ByRefAndByVal) {
  runCases({
      {"byref variable", "Sub Inc(n)\nn = n + 1\nEnd Sub\nx = 1\nInc x\nOut.Echo x", "2\n"},
      {"byval variable", "Sub Inc(ByVal n)\nn = n + 1\nEnd Sub\nx = 1\nInc x\nOut.Echo x", "1\n"},
      {"parens make a copy", "Sub Inc(n)\nn = n + 1\nEnd Sub\nx = 1\nInc (x)\nOut.Echo x", "1\n"},
      {"call keeps byref", "Sub Inc(n)\nn = n + 1\nEnd Sub\nx = 1\nCall Inc(x)\nOut.Echo x", "2\n"},
      {"double parens copy", "Sub Inc(n)\nn = n + 1\nEnd Sub\nx = 1\nCall Inc((x))\nOut.Echo x",
       "1\n"},
      {"byref array element",
       "Sub Inc(n)\nn = n + 1\nEnd Sub\nDim a(2)\na(1) = 5\nInc a(1)\nOut.Echo a(1)", "6\n"},
      {"byref element of 2d array",
       "Sub SetIt(v)\nv = \"s\"\nEnd Sub\nDim m(1, 1)\nSetIt m(1, 0)\nOut.Echo m(1, 0)", "s\n"},
      {"byref through two calls",
       "Sub A(x)\nB x\nEnd Sub\nSub B(y)\ny = y * 10\nEnd Sub\nv = 2\nA v\nOut.Echo v", "20\n"},
      {"byref local of caller",
       "Sub Inc(n)\nn = n + 1\nEnd Sub\nFunction F()\nDim k\nk = 1\nInc k\nF = k\nEnd "
       "Function\nOut.Echo F()",
       "2\n"},
      {"byref expression is a copy", "Sub Inc(n)\nn = n + 1\nEnd Sub\nx = 1\nInc x + 0\nOut.Echo x",
       "1\n"},
      {"byref property is a copy",
       "Class C\nPublic V\nEnd Class\nSub Inc(n)\nn = n + 1\nEnd Sub\nSet o = New C\no.V = 1\nInc "
       "o.V\nOut.Echo o.V",
       "1\n"},
      {"redim of a locked array", "Sub R(e)\nReDim a(5)\nEnd Sub\nReDim a(2)\nR a(0)",
       "ERROR 10 This array is fixed or temporarily locked (2,0)"},
      {"byref to method of object",
       "Class C\nSub Inc(n)\nn = n + 1\nEnd Sub\nEnd Class\nSet o = New C\nx = 1\no.Inc "
       "x\nOut.Echo x",
       "2\n"},
      {"method statement with parens is byval",
       "Class C\nSub Inc(n)\nn = n + 1\nEnd Sub\nEnd Class\nSet o = New C\nx = "
       "1\no.Inc(x)\nOut.Echo x",
       "1\n"},
      {"byref field in method",
       "Class C\nPublic V\nSub Inc(n)\nn = n + 1\nEnd Sub\nSub Go\nInc V\nEnd Sub\nEnd Class\nSet "
       "o = New C\no.V = 4\no.Go\nOut.Echo o.V",
       "5\n"},
  });
}

// What a procedure does with its parameters: ByRef ones are the caller's variables however
// they are reached (statements, loops, Eval and Execute, further calls), ByVal ones its own.
TEST(Procedures, ParametersInTheCallee) {
  runCases({
      {"recursion through byref",
       "Sub Count(n, d)\nIf d > 0 Then\nn = n + 1\nCount n, d - 1\nEnd If\nEnd Sub\nx = 0\n"
       "Count x, 5\nOut.Echo x",
       "5\n"},
      {"function writes its argument",
       "Function F(n)\nn = n * 2\nF = n + 1\nEnd Function\nx = 3\ny = F(x)\nOut.Echo x, y",
       "6 7\n"},
      {"eval and execute see a byref parameter",
       "Sub S(n)\nExecute \"n = n * 3\"\nOut.Echo Eval(\"n + 1\")\nEnd Sub\nx = 2\nS x\n"
       "Out.Echo x",
       "7\n6\n"},
      {"execute writes a byval parameter only",
       "Sub S(ByVal n)\nExecute \"n = 9\"\nOut.Echo n\nEnd Sub\nx = 2\nS x\nOut.Echo x", "9\n2\n"},
      {"execute sees the caller's locals",
       "Function F()\nDim k\nk = 2\nExecute \"k = k + 1\"\nF = Eval(\"k * 10\")\nEnd Function\n"
       "Out.Echo F()",
       "30\n"},
      {"append to a byref parameter",
       "Sub A(s)\nFor i = 1 To 3\ns = s & i\nNext\nEnd Sub\nt = \"x\"\nA t\nOut.Echo t", "x123\n"},
      {"append of a parameter naming the same variable",
       "Sub A(s, t)\ns = s & t & t\nEnd Sub\nx = \"ab\"\nA x, x\nOut.Echo x", "ababab\n"},
      {"for counter is a byref parameter",
       "Sub L(i)\nFor i = 1 To 3\nNext\nEnd Sub\nL k\nOut.Echo k", "4\n"},
      {"redim of a byref parameter",
       "Sub R(a)\nReDim a(2)\na(2) = \"z\"\nEnd Sub\nDim v\nR v\nOut.Echo UBound(v), v(2)",
       "2 z\n"},
      {"byref beside an array element",
       "Sub S(a, b)\na = a + b\nb = 0\nEnd Sub\nDim v(1)\nv(0) = 1\nx = 10\nS x, v(0)\n"
       "Out.Echo x, v(0)",
       "11 0\n"},
      {"byval beside an array element",
       "Sub S(ByVal a, b)\na = 5\nEnd Sub\nDim v(0)\nx = 1\nS x, v(0)\nOut.Echo x", "1\n"},
      {"method with an omitted argument",
       "Class C\nSub S(a, b, c)\na = a + c\nEnd Sub\nEnd Class\nSet o = New C\nx = 1\n"
       "o.S x, , 2\nOut.Echo x",
       "3\n"},
      {"property let value is a copy",
       "Class C\nProperty Let V(n)\nn = 0\nEnd Property\nEnd Class\nSet o = New C\nx = 5\n"
       "o.V = x\nOut.Echo x",
       "5\n"},
      {"six variables by reference",
       "Sub S(a, b, c, d, e, f)\na = 1: b = 2: c = 3: d = 4: e = 5: f = 6\nEnd Sub\n"
       "S k1, k2, k3, k4, k5, k6\nOut.Echo k1 + k2 + k3 + k4 + k5 + k6",
       "21\n"},
      {"seven by reference, one an element",
       "Sub S(a, b, c, d, e, f, g)\na = 1: b = 2: c = 3: d = 4: e = 5: f = 6: g = 7\nEnd Sub\n"
       "Dim w(0)\nS k1, k2, k3, k4, k5, k6, w(0)\nOut.Echo k1 + k2 + k3 + k4 + k5 + k6 + w(0)",
       "28\n"},
      {"seven by reference",
       "Sub S(a, b, c, d, e, f, g)\na = 1: b = 2: c = 3: d = 4: e = 5: f = 6: g = 7\nEnd Sub\n"
       "S k1, k2, k3, k4, k5, k6, k7\nOut.Echo k1 + k2 + k3 + k4 + k5 + k6 + k7",
       "28\n"},
      {"nine by reference",
       "Sub S(a, b, c, d, e, f, g, h, j)\na = 1: b = 2: c = 3: d = 4: e = 5: f = 6: g = 7: h = 8: "
       "j = 9\nEnd Sub\nS k1, k2, k3, k4, k5, k6, k7, k8, k9\n"
       "Out.Echo k1 + k2 + k3 + k4 + k5 + k6 + k7 + k8 + k9",
       "45\n"},
  });
}

// Arguments with arguments of their own: a call's value is a copy wherever it goes, an
// element of an array given to a ByRef parameter is the element itself, however the array
// was declared and whatever the other arguments are.
TEST(Procedures, CallsAsArguments) {
  const std::string procs = "Sub Inc(n)\nn = n + 1\nEnd Sub\nFunction Id(x)\nId = x\nEnd Function\n"
                            "Function Add(a, b)\nAdd = a + b\nEnd Function\n";
  const std::pair<const char*, const char*> cases[] = {
      {"k = 1\nInc Id(k)\nOut.Echo k", "1\n"},
      {"s = \"ab\"\nInc Len(s)\nOut.Echo Len(s)", "2\n"},
      {"k = 1\nInc Eval(\"k\")\nOut.Echo k", "1\n"},
      {"Out.Echo Add(Add(1, 2), Add(3, Add(4, 5)))", "15\n"},
      {"Dim v(1)\nv(1) = 5\nInc v(0)\nInc Id(v(1))\nOut.Echo v(0), v(1)", "1 5\n"},
      {"Sub S(a, b)\na = a + 1\nb = b + 1\nEnd Sub\nDim v(1)\nS Id(v(1)), v(0)\n"
       "S v(1), Add(v(0), 1)\nOut.Echo v(0), v(1)",
       "1 1\n"},
      {"Sub R\nReDim w(2)\nw(1) = 1\nInc w(1)\nOut.Echo w(1)\nEnd Sub\nR", "2\n"},
      {"Function F(n)\nDim a(1)\nInc a(n)\nF = a(n) + Id(a(n))\nEnd Function\nOut.Echo F(1)",
       "2\n"},
      {"Class C\nPrivate d(2)\nSub Go\nInc d(1)\nInc Me.Get(1)\nOut.Echo d(1)\nEnd Sub\n"
       "Function Get(i)\nGet = d(i)\nEnd Function\nEnd Class\nSet o = New C\no.Go\n"
       "Dim v(0)\nInc v(o.Get(0) + 0)\nOut.Echo v(0)",
       "1\n1\n"},
  };
  for (auto& [code, expected] : cases) {
    SCOPED_TRACE(code);
    EXPECT_EQ(runScript(procs + code), expected);
  }
}

// Frames deep and wide enough to take their slots from several blocks of the slot stack: each
// keeps its own variables, a ByRef parameter reaches the caller's slot in the block before,
// and the blocks are used again by the next run.
TEST(Procedures, FramesAcrossSlotBlocks) {
  std::string pads, wide;
  for (int i = 1; i <= 40; ++i)
    pads += (i > 1 ? ", p" : "p") + std::to_string(i);
  for (int i = 1; i <= 5000; ++i)
    wide += (i > 1 ? ", w" : "w") + std::to_string(i);
  const std::string code =
      "Sub Wide(x)\nDim " + wide + "\nw5000 = 7\nx = x + w5000 - 6\nEnd Sub\n"
      "Function Down(n, parent)\nDim mine, " + pads + "\np40 = n\n"
      "If n > 0 Then\nDown = Down(n - 1, mine)\nIf mine = 1 And p40 = n Then Down = Down + 1\n"
      "Else\nWide mine\nDown = mine - 1\nEnd If\nparent = parent + 1\nEnd Function\n"
      "top = 0\nOut.Echo Down(300, top), top\nOut.Echo Down(300, top), top";
  EXPECT_EQ(runScript(code), "300 1\n300 2\n");
}

TEST(Classes, MembersAndProperties) {
  runCases({
      {"fields and methods",
       "Class P\nPublic Name\nFunction Hi()\nHi = \"hi \" & Name\nEnd Function\nEnd Class\nSet pp "
       "= New P\npp.Name = \"Al\"\nOut.Echo pp.Hi()",
       "hi Al\n"},
      {"property get let",
       "Class C\nPrivate mV\nProperty Get V\nV = mV * 2\nEnd Property\nProperty Let V(x)\nmV = "
       "x\nEnd Property\nEnd Class\nSet oc = New C\noc.V = 4\nOut.Echo oc.V",
       "8\n"},
      {"property set",
       "Class C\nPrivate mO\nProperty Set O(x)\nSet mO = x\nEnd Property\nProperty Get O\nSet O = "
       "mO\nEnd Property\nEnd Class\nSet oc = New C\nSet oc.O = New C\nOut.Echo TypeName(oc.O)",
       "C\n"},
      {"indexed property",
       "Class C\nPrivate d(3)\nProperty Get Item(i)\nItem = d(i)\nEnd Property\nProperty Let "
       "Item(i, v)\nd(i) = v\nEnd Property\nEnd Class\nSet oc = New C\noc.Item(2) = "
       "\"z\"\nOut.Echo oc.Item(2)",
       "z\n"},
      {"default member call",
       "Class L\nPublic Default Function Item(i)\nItem = i * 10\nEnd Function\nEnd Class\nSet lo = "
       "New L\nOut.Echo lo(4)",
       "40\n"},
      {"default property in let",
       "Class C\nPublic Default Property Get V\nV = 42\nEnd Property\nEnd Class\nSet oc = New C\nx "
       "= oc\nOut.Echo x, TypeName(x)",
       "42 Integer\n"},
      {"let of object without default", "Class C\nEnd Class\nSet oc = New C\nx = oc",
       "ERROR 438 Object doesn't support this property or method (4,0)"},
      {"set of non object", "Set x = 5", "ERROR 424 Object required (1,0)"},
      {"member of a non object names the variable", "x = 5\nx.Foo 1",
       "ERROR 424 Object required: 'x' (2,0)"},
      {"unknown member of a native object is named", "Set d = CreateObject(\"Test.Bag\")\nd.NoSuch",
       "ERROR 438 Object doesn't support this property or method: 'd.NoSuch' (2,0)"},
      {"private member hidden", "Class C\nPrivate Sub S\nEnd Sub\nEnd Class\nSet oc = New C\noc.S",
       "ERROR 438 Object doesn't support this property or method: 'S' (6,0)"},
      {"me and private through me",
       "Class C\nPrivate Function P\nP = 3\nEnd Function\nFunction Q\nQ = Me.P + P\nEnd "
       "Function\nEnd Class\nSet oc = New C\nOut.Echo oc.Q",
       "6\n"},
      {"objects are shared",
       "Class C\nPublic V\nEnd Class\nSet a = New C\nSet b = a\nb.V = 7\nOut.Echo a.V, a Is b",
       "7 True\n"},
      {"class array field",
       "Class C\nPublic A(2)\nEnd Class\nSet oc = New C\noc.A(1) = 5\nOut.Echo oc.A(1), "
       "UBound(oc.A)",
       "5 2\n"},
      {"typename of instance",
       "Class Widget\nEnd Class\nSet wo = New Widget\nOut.Echo TypeName(wo), IsObject(wo)",
       "Widget True\n"},
      {"unknown class", "Set x = New Nope", "ERROR 506 Class not defined: 'Nope' (1,0)"},
      {"method of nothing", "Set o = Nothing\no.Go", "ERROR 424 Object required: 'o' (2,0)"},
      {"string builder pattern",
       "Class StringBuilder\nPrivate a, n\nSub Class_Initialize\nReDim a(15): n = 0\nEnd Sub\nSub "
       "Append(s)\nIf n > UBound(a) Then ReDim Preserve a(n * 2)\na(n) = s: n = n + 1\nEnd "
       "Sub\nFunction ToString()\nReDim Preserve a(n - 1)\nToString = Join(a, \"\")\nEnd "
       "Function\nEnd Class\nSet sb = New StringBuilder\nFor i = 1 To 40: sb.Append(i Mod 10): "
       "Next\nOut.Echo Len(sb.ToString()), Left(sb.ToString(), 12)",
       "40 123456789012\n"},
  });
}

// One call site reaching methods on objects held in variables: the member found there before
// serves only an object of the same class, called from where its privacy allows, and the
// object lives until the call returns whatever its arguments do to the variable.
TEST(Classes, MethodCallsAtOneSite) {
  runCases({
      {"objects of two classes in turn",
       "Class A\nSub Hit(n)\nn = n + 1\nEnd Sub\nEnd Class\nClass B\nSub Hit(n)\nn = n + 100\n"
       "End Sub\nEnd Class\nSet oa = New A\nSet ob = New B\nFor i = 1 To 4\n"
       "If i Mod 2 Then Set o = oa Else Set o = ob\no.Hit k\nNext\nOut.Echo k",
       "202\n"},
      {"private method through a variable, then from another object",
       "Class C\nPrivate Sub P(x)\nx = x + 1\nEnd Sub\nSub Poke(o, n)\no.P n\nEnd Sub\nEnd Class\n"
       "Set a = New C\nSet b = New C\nk = 0\na.Poke a, k\nOut.Echo k\na.Poke b, k",
       "1\nERROR 438 Object doesn't support this property or method: 'P' (6,0)"},
      {"argument count checked after the site has served",
       "Class C\nSub Go(a)\nOut.Echo a\nEnd Sub\nEnd Class\nSet o = New C\n"
       "For i = 1 To 3\nIf i < 3 Then o.Go i Else o.Go i, i\nNext",
       "1\n2\nERROR 450 Wrong number of arguments or invalid property assignment: 'Go' (8,26)"},
      {"object released while its arguments run",
       "Class C\nSub Go(a)\nOut.Echo \"go\", a\nEnd Sub\nSub Class_Terminate\nOut.Echo \"term\"\n"
       "End Sub\nEnd Class\nFunction Drop()\nSet o = Nothing\nDrop = 1\nEnd Function\n"
       "Set o = New C\no.Go Drop() + 1\nOut.Echo \"after\", IsObject(o)",
       "go 2\nterm\nafter True\n"},
      {"field, property indexed through its value, method",
       "Class C\nPublic F\nProperty Get P\nP = Array(7, 8)\nEnd Property\nFunction M(i)\n"
       "M = i * 2\nEnd Function\nEnd Class\nSet o = New C\no.F = 3\n"
       "Out.Echo o.F, o.P(1), o.M(4), UBound(o.P)",
       "3 8 8 1\n"},
      {"method of a field and of a global",
       "Class Inner\nFunction Twice(x)\nTwice = x * 2\nEnd Function\nEnd Class\nClass Outer\n"
       "Public I\nSub Class_Initialize\nSet I = New Inner\nEnd Sub\nFunction Go(x)\n"
       "Go = I.Twice(x) + G.Twice(x)\nEnd Function\nEnd Class\nSet G = New Inner\n"
       "Set oo = New Outer\nOut.Echo oo.Go(3)",
       "12\n"},
  });
}

TEST(Classes, SetAndLetWithDefaultMembers) {
  runCases({
      {"set keeps the object",
       "Set b = CreateObject(\"Test.Bag\")\nSet x = b\nx.Add \"k\", 1\nOut.Echo b.Count, "
       "TypeName(x)",
       "1 Bag\n"},
      {"let reads the default member", "Set b = CreateObject(\"Test.Bag\")\nx = b",
       "ERROR 450 Wrong number of arguments or invalid property assignment (2,0)"},
      {"default member let",
       "Set b = CreateObject(\"Test.Bag\")\nb(\"k\") = 5\nOut.Echo b(\"k\"), b.Item(\"k\")",
       "5 5\n"},
      {"default member of a script object holding an object",
       "Class Box\nPublic Default Property Get V\nSet V = Inner\nEnd Property\nPublic Inner\nEnd "
       "Class\n"
       "Set bx = New Box\nSet bx.Inner = CreateObject(\"Test.Bag\")\nbx.Inner.Add \"a\", 1\nSet y "
       "= bx.V\nOut.Echo y.Count",
       "1\n"},
      {"let of a nested default",
       "Class W\nPublic Default Function Get1\nGet1 = 7\nEnd Function\nEnd Class\n"
       "Set wo = New W\nx = wo + 1\nOut.Echo x, wo",
       "8 7\n"},
      {"nothing in let", "Set o = Nothing\nx = o", "ERROR 91 Object variable not set (2,0)"},
      {"set to a function result",
       "Function Make()\nSet Make = CreateObject(\"Test.Bag\")\nEnd Function\nSet m = "
       "Make()\nOut.Echo TypeName(m)",
       "Bag\n"},
      {"function result needs set",
       "Function Make()\nMake = CreateObject(\"Test.Bag\")\nEnd Function\nSet m = Make()",
       "ERROR 450 Wrong number of arguments or invalid property assignment (2,0)"},
  });
}

// A variable of a procedure or of the object given arguments: an element of the array it
// holds, or the default member of its object, the arguments going by value.
TEST(Classes, IndexedLocalsAndFields) {
  runCases({
      {"native default member of a local",
       "Sub S\nDim b, k\nSet b = CreateObject(\"Test.Bag\")\nk = \"x\"\nb.Add k, 4\n"
       "Out.Echo b(k), b(\"x\") + 1\nEnd Sub\nS",
       "4 5\n"},
      {"native default member of a parameter and of a field",
       "Class C\nPublic f\nFunction G(p)\nG = p(\"a\") & f(\"a\")\nEnd Function\nEnd Class\n"
       "Set oc = New C\nSet oc.f = CreateObject(\"Test.Bag\")\noc.f.Add \"a\", 1\n"
       "Out.Echo oc.G(oc.f)",
       "11\n"},
      {"native default member error",
       "Sub S\nDim b\nSet b = CreateObject(\"Test.Bag\")\nx = b(\"none\")\nEnd Sub\nS",
       "ERROR 32811 Key not found. (4,0)"},
      {"arguments go by value",
       "Class C\nPublic Default Function F(x)\nx = x * 2\nF = x\nEnd Function\nEnd Class\n"
       "Sub S\nDim o, v\nSet o = New C\nv = 3\nOut.Echo o(v), v\nEnd Sub\nS",
       "6 3\n"},
      {"module variable: plain variables go by reference, new ones made",
       "Class C\nPublic Default Function F(x)\nx = x * 2\nF = x\nEnd Function\nEnd Class\n"
       "Set o = New C\nv = 3\nOut.Echo o(v), v, o(v + 1), v\nOut.Echo o(w), w, IsEmpty(w)",
       "6 6 14 6\n0 0 False\n"},
      {"variable read after its arguments",
       "Function K(ByRef o)\nSet o = CreateObject(\"Test.Bag\")\no.Add \"k\", \"new\"\n"
       "K = \"k\"\nEnd Function\nSub S\nDim b\nSet b = CreateObject(\"Test.Bag\")\n"
       "b.Add \"k\", \"old\"\nOut.Echo b(K(b))\nEnd Sub\nS",
       "new\n"},
      {"module variable read after its arguments",
       "Function K(ByRef o)\nSet o = CreateObject(\"Test.Bag\")\no.Add \"k\", \"new\"\n"
       "K = \"k\"\nEnd Function\nSet b = CreateObject(\"Test.Bag\")\nb.Add \"k\", \"old\"\n"
       "Out.Echo b(K(b))",
       "new\n"},
      {"named object without a default member", "x = Out(1)",
       "ERROR 438 Object doesn't support this property or method (1,0)"},
      {"elements of a local array",
       "Sub S\nDim a(2), m(1, 1)\na(1) = \"y\"\nm(1, 0) = 5\nOut.Echo a(1), m(1, 0), a(0) = "
       "Empty\nx = a(3)\nEnd Sub\nS",
       "y 5 True\nERROR 9 Subscript out of range (6,0)"},
      {"element error resumed",
       "Sub S\nDim a(1)\nOn Error Resume Next\nx = a(7)\nOut.Echo Err.Number\nEnd Sub\nS", "9\n"},
      {"no object, no array", "Sub S\nDim v\nv = 1\nx = v(0)\nEnd Sub\nS",
       "ERROR 13 Type mismatch: 'v' (4,0)"},
      {"nothing", "Sub S\nDim v\nSet v = Nothing\nx = v(0)\nEnd Sub\nS",
       "ERROR 424 Object required: 'v' (4,0)"},
  });
}

TEST(Classes, InitializeAndTerminateOrder) {
  runCases({
      {"initialize and terminate",
       "Class C\nSub Class_Initialize\nOut.Echo \"init\"\nEnd Sub\nSub Class_Terminate\nOut.Echo "
       "\"term\"\nEnd Sub\nEnd Class\nSet oc = New C\nOut.Echo \"mid\"\nSet oc = Nothing\nOut.Echo "
       "\"end\"",
       "init\nmid\nterm\nend\n"},
      {"terminate at last reference",
       "Class C\nPublic N\nSub Class_Terminate\nOut.Echo \"term \" & N\nEnd Sub\nEnd Class\nSet a "
       "= New C\na.N = 1\nSet b = a\nSet a = Nothing\nOut.Echo \"still\"\nSet b = Nothing",
       "still\nterm 1\n"},
      {"local released at procedure end",
       "Class C\nSub Class_Terminate\nOut.Echo \"term\"\nEnd Sub\nEnd Class\nSub S\nDim o\nSet o = "
       "New C\nOut.Echo \"in\"\nEnd Sub\nS\nOut.Echo \"out\"",
       "in\nterm\nout\n"},
      {"nested objects terminate outer first",
       "Class Inner\nSub Class_Terminate\nOut.Echo \"inner\"\nEnd Sub\nEnd Class\nClass "
       "Outer\nPublic I\nSub Class_Initialize\nSet I = New Inner\nEnd Sub\nSub "
       "Class_Terminate\nOut.Echo \"outer\"\nEnd Sub\nEnd Class\nSet o = New Outer\nSet o = "
       "Nothing",
       "outer\ninner\n"},
      {"temporary object",
       "Class C\nFunction V\nV = 1\nEnd Function\nSub Class_Terminate\nOut.Echo \"t\"\nEnd "
       "Sub\nEnd Class\nOut.Echo (New C).V\nOut.Echo \"after\"",
       "t\n1\nafter\n"},
  });
}

TEST(Errors, OnErrorAndErr) {
  runCases({
      {"resume next sets err",
       "On Error Resume Next\nx = 1 / 0\nOut.Echo Err.Number, Err.Description\nErr.Clear\nOut.Echo "
       "Err.Number",
       "11 Division by zero\n0\n"},
      {"goto 0 restores", "On Error Resume Next\nOn Error GoTo 0\nx = 1 / 0\nOut.Echo \"no\"",
       "ERROR 11 Division by zero (3,0)"},
      {"error skips rest of statement", "On Error Resume Next\nx = 5\nx = 1 / 0\nOut.Echo x",
       "5\n"},
      {"error in called procedure",
       "Sub Bad\nx = 1 / 0\nOut.Echo \"not here\"\nEnd Sub\nOn Error Resume Next\nBad\nOut.Echo "
       "\"back\", Err.Number",
       "back 11\n"},
      {"callee handler stays local",
       "Sub Safe\nOn Error Resume Next\nx = 1 / 0\nOut.Echo \"in\", Err.Number\nEnd "
       "Sub\nSafe\nOut.Echo \"after\"",
       "in 11\nafter\n"},
      {"handler does not leak to caller",
       "Sub Safe\nOn Error Resume Next\nEnd Sub\nSafe\nx = 1 / 0",
       "ERROR 11 Division by zero (5,0)"},
      {"err raise",
       "On Error Resume Next\nErr.Raise 1234, \"Mine\", \"custom\"\nOut.Echo Err.Number, "
       "Err.Source, Err.Description",
       "1234 Mine custom\n"},
      {"err raise standard text", "Err.Raise 13", "ERROR 13 Type mismatch (1,0)"},
      {"err raise uncaught custom", "Err.Raise 5000, \"S\", \"boom\"", "ERROR 5000 boom (1,0)"},
      {"native error reaches err",
       "Set d = CreateObject(\"Test.Bag\")\nd.Add \"k\", 1\nOn Error Resume Next\nd.Add \"k\", "
       "2\nOut.Echo Err.Number",
       "457\n"},
      {"on error resume next clears",
       "On Error Resume Next\nx = 1 / 0\nOn Error Resume Next\nOut.Echo Err.Number", "0\n"},
      {"failing if condition enters block",
       "On Error Resume Next\nIf 1 / 0 Then\nOut.Echo \"in\"\nEnd If", "in\n"},
      {"undefined procedure call", "Nope 1", "ERROR 13 Type mismatch: 'Nope' (1,0)"},
      {"missing member", "Set d = CreateObject(\"Test.Bag\")\nd.Nope",
       "ERROR 438 Object doesn't support this property or method: 'd.Nope' (2,0)"},
      {"err default is number", "On Error Resume Next\nx = 1 / 0\nOut.Echo Err", "11\n"},
  });
}

// Each place an undeclared name or a bad subscript can show up, uncaught (number, text with the
// name, line) and under On Error Resume Next (Err's number, text and source, and the run goes
// on with the next statement, the variable keeping its value).
TEST(Errors, UndefinedNamesAndSubscriptsReportAsBefore) {
  runCases({
      {"read", "Option Explicit\nDim a\na = b + 1", "ERROR 500 Variable is undefined: 'b' (3,0)"},
      {"write", "Option Explicit\nc = 1", "ERROR 500 Variable is undefined: 'c' (2,0)"},
      {"statement", "Option Explicit\nq", "ERROR 500 Variable is undefined: 'q' (2,0)"},
      {"by-reference argument", "Option Explicit\nSub S(x)\nEnd Sub\nS zz",
       "ERROR 500 Variable is undefined: 'zz' (4,0)"},
      {"for counter", "Option Explicit\nFor k = 1 To 2\nNext",
       "ERROR 500 Variable is undefined: 'k' (2,0)"},
      {"if condition", "Option Explicit\nIf u Then\nEnd If",
       "ERROR 500 Variable is undefined: 'u' (2,0)"},
      {"in a function", "Option Explicit\nFunction F\nF = w\nEnd Function\nDim r\nr = F()",
       "ERROR 500 Variable is undefined: 'w' (3,0)"},
      {"index read", "Dim a(2)\nx = a(5)", "ERROR 9 Subscript out of range (2,0)"},
      {"index write", "Dim a(2)\na(-1) = 1", "ERROR 9 Subscript out of range (2,0)"},
      {"too many indices", "Dim a(2)\nx = a(1, 1)", "ERROR 9 Subscript out of range (2,0)"},
      {"element by reference", "Sub S(x)\nEnd Sub\nDim a(1)\nS a(4)",
       "ERROR 9 Subscript out of range (4,0)"},
      {"field element", "Class C\nPublic v(1)\nSub T\nv(3) = 1\nEnd Sub\nEnd Class\n"
                        "Set o = New C\no.T",
       "ERROR 9 Subscript out of range (4,0)"},
      {"resumed read",
       "Option Explicit\nDim a\na = 7\nOn Error Resume Next\na = b\n"
       "Out.Echo a, Err.Number, Err.Description, Err.Source",
       "7 500 Variable is undefined VBScript runtime error\n"},
      {"resumed write and call",
       "Option Explicit\nOn Error Resume Next\nc = 1\nOut.Echo Err.Number\nErr.Clear\nq\n"
       "Out.Echo Err.Number",
       "500\n500\n"},
      {"resumed if enters block", "Option Explicit\nOn Error Resume Next\nIf u Then\n"
                                  "Out.Echo \"in\", Err.Number\nEnd If",
       "in 500\n"},
      {"resumed subscripts",
       "Dim a(2), x\nx = 3\nOn Error Resume Next\nx = a(5)\nOut.Echo x, Err.Number, "
       "Err.Description\nErr.Clear\na(9) = 1\nOut.Echo Err.Number, UBound(a)",
       "3 9 Subscript out of range\n9 2\n"},
      {"caller resumes after the procedure stops",
       "Option Explicit\nSub S\nDim a(1)\na(2) = 1\nOut.Echo \"not here\"\nEnd Sub\n"
       "On Error Resume Next\nS\nOut.Echo Err.Number",
       "9\n"},
  });
}

TEST(Dynamic, EvalExecuteGetRef) {
  runCases({
      {"eval", "x = 4\nOut.Echo Eval(\"x * 2\"), Eval(\"x = 4\")", "8 True\n"},
      {"eval sees locals",
       "Function F(a)\nDim b\nb = 3\nF = Eval(\"a + b\")\nEnd Function\nOut.Echo F(1)", "4\n"},
      {"execute changes locals", "Sub S\nDim v\nExecute \"v = 7\"\nOut.Echo v\nEnd Sub\nS", "7\n"},
      {"executeglobal defines",
       "ExecuteGlobal \"Function Twice(x): Twice = x * 2: End Function\"\nOut.Echo Twice(5)",
       "10\n"},
      {"execute syntax error", "On Error Resume Next\nExecute \"x = \"\nOut.Echo Err.Number",
       "1023\n"},
      {"getref",
       "Function Add1(x)\nAdd1 = x + 1\nEnd Function\nSet f = GetRef(\"Add1\")\nOut.Echo f(2)",
       "3\n"},
      {"late binding of names",
       "Function Caller\nCaller = Later(1)\nEnd Function\nExecuteGlobal \"Function Later(x): Later "
       "= x + 100: End Function\"\nOut.Echo Caller",
       "101\n"},
  });
}

TEST(Strings, AppendPattern) {
  runCases({
      {"append loop", "For i = 1 To 5: s = s & i: Next: Out.Echo s", "12345\n"},
      {"append several parts", "s = \"a\"\ns = s & \"b\" & 1 & \"c\"\nOut.Echo s", "ab1c\n"},
      {"append to empty", "s = s & \"x\"\nOut.Echo s, TypeName(s)", "x String\n"},
      {"append reads old value first",
       "Function F\ns = \"changed\"\nF = \"!\"\nEnd Function\ns = \"a\"\ns = s & F()\nOut.Echo s",
       "a!\n"},
      {"append self", "s = \"ab\"\ns = s & s\nOut.Echo s", "abab\n"},
      {"append self twice", "s = \"a\"\ns = s & s & s\nOut.Echo s", "aaa\n"},
      {"append in procedure",
       "Sub T\nDim s, i\nFor i = 1 To 3: s = s & i & \"-\" & Null: Next\nOut.Echo s\nEnd Sub\nT",
       "1-2-3-\n"},
      {"append through aliased parameters",
       "Sub A(x, y)\nx = x & y & y\nEnd Sub\ns = \"a\"\nA s, s\nOut.Echo s", "aaa\n"},
      {"append through a parameter naming a field",
       "Class C\nPublic F\nSub A(x)\nx = x & F & F\nEnd Sub\nSub Go\nF = \"b\"\nA F\nEnd Sub\nEnd "
       "Class\nSet oc = New C\noc.Go\nOut.Echo oc.F",
       "bbb\n"},
      {"append null", "s = \"a\"\ns = s & Null\nOut.Echo s", "a\n"},
      {"append to number", "n = 5\nn = n & \"x\"\nOut.Echo n", "5x\n"},
      {"append to function result",
       "Function T\nT = \"x\"\nT = T & \"y\"\nEnd Function\nOut.Echo T", "xy\n"},
      {"append to field",
       "Class C\nPublic S\nSub Add(x)\nS = S & x\nEnd Sub\nEnd Class\nSet oc = New C\noc.Add "
       "\"p\"\noc.Add \"q\"\nOut.Echo oc.S",
       "pq\n"},
      // Parts that run script code or call objects, appended to a local.
      {"append calls to a local",
       "Set Bg = CreateObject(\"Test.Bag\")\nBg.Add \"k\", 1\nFunction G\nG = \"!\"\nEnd "
       "Function\nSub T\nDim s, i\nFor i = 1 To 2: s = s & G() & Bg.Count: Next\nOut.Echo "
       "s\nEnd Sub\nT",
       "!1!1\n"},
      {"append that fails leaves the local as it was",
       "Function Bad\nErr.Raise 5\nEnd Function\nSub T\nDim s: s = \"a\"\nOn Error Resume "
       "Next\ns = s & \"b\" & Bad()\nOut.Echo s, Err.Number\nEnd Sub\nT",
       "a 5\n"},
      {"append whose library call fails leaves the variable as it was",
       "s = \"a\"\nOn Error Resume Next\ns = s & \"b\" & CInt(\"x\")\nOut.Echo s, Err.Number",
       "a 13\n"},
      {"append to a by-reference local reads the old value first",
       "Function H\ng = \"changed\"\nH = \"!\"\nEnd Function\nSub T(x)\nx = x & H()\nEnd "
       "Sub\ng = \"a\"\nT g\nOut.Echo g",
       "a!\n"},
      {"append with Eval reaching the local",
       "Function M(x)\nx = \"z\"\nM = \"!\"\nEnd Function\nSub T\nDim s: s = \"a\"\ns = s & "
       "Eval(\"M(s)\")\nOut.Echo s\nEnd Sub\nT",
       "a!\n"},
  });
}

// A chain of `&` is made in one piece; it must give what the operators give one at a time
// (the parenthesised form), errors included, and take each operand's text when its operator
// would: the Nothing after the array fails first, as the first operator takes both values
// before either text.
TEST(Strings, ConcatenationChains) {
  const std::string kCompare =
      "Class C\nPublic Default Property Get V: V = 7: End Property\nEnd Class\n"
      "Dim arr(1), obj: Set obj = New C\n"
      "Function Chain(a, b, c)\nOn Error Resume Next\nr = a & b & c\n"
      "Chain = TypeName(r) & \"|\" & r & \"|\" & Err.Number\nEnd Function\n"
      "Function Pairs(a, b, c)\nOn Error Resume Next\nr = (a & b) & c\n"
      "Pairs = TypeName(r) & \"|\" & r & \"|\" & Err.Number\nEnd Function\n"
      "Sub Both(a, b, c)\nOut.Echo Chain(a, b, c), Chain(a, b, c) = Pairs(a, b, c)\nEnd Sub\n";
  struct Row {
    const char* operands;
    std::string expected;
  };
  for (const Row& row : std::initializer_list<Row>{
           {"Null, Null, Null", "Null||0 True"},
           {"Null, Null, \"x\"", "String|x|0 True"},
           {"1, Null, 2.5", "String|12.5|0 True"},
           {"True, Empty, CByte(7)", "String|True7|0 True"},
           {"obj, \"-\", obj", "String|7-7|0 True"},
           {"\"a\", arr, \"b\"", "Empty||13 True"},
           {"arr, Nothing, 1", "Empty||91 True"},
           {"\"a\", \"b\", Nothing", "Empty||91 True"},
           {"String(20, \"p\"), String(20, \"q\"), 1",
            "String|" + std::string(20, 'p') + std::string(20, 'q') + "1|0 True"},
           {"String(200, \"p\"), String(100, \"q\"), 1",
            "String|" + std::string(200, 'p') + std::string(100, 'q') + "1|0 True"},
       }) {
    SCOPED_TRACE(row.operands);
    EXPECT_EQ(runScript(kCompare + "Both " + row.operands), row.expected + "\n");
  }
  runCases({
      {"operands read in order, each once",
       "Dim seen\nFunction N(k)\nseen = seen & k\nN = k\nEnd Function\n"
       "Out.Echo N(1) & N(2) & N(3) & N(4), seen",
       "1234 1234\n"},
      {"a variable changed by a later operand keeps its old text in the chain",
       "Dim s\nFunction Bump()\ns = s & \"!\"\nBump = \"b\"\nEnd Function\ns = String(20, \"s\")\n"
       "t = \"<\" & s & Bump() & \">\"\nOut.Echo Len(t), Len(s)",
       "23 21\n"},
      {"literal operands of every kind",
       "Class C\nPublic Default Property Get V: V = 7: End Property\nEnd Class\n"
       "Set obj = New C\nOut.Echo TypeName(Null & Null & Null), \"a\" & Null & 1 & \"b\", "
       "1 & \"x\" & 2.5 & True, \"<\" & obj & \">\", \"\" & \"\" & Empty, "
       "\"a long literal text\" & \"\" & \"another long literal\"",
       "Null a1b 1x2.5True <7>  a long literal textanother long literal\n"},
      {"a long chain",
       "For i = 1 To 12: s = s & \", \" & i: Next\nt = 1 & 2 & 3 & 4 & 5 & 6 & 7 "
       "& 8 & 9 & 10 & 11 & 12 & s\nOut.Echo t",
       "123456789101112, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12\n"},
      {"a failing operand leaves the target as it was",
       "Function Bad()\nErr.Raise 5\nEnd Function\nt = \"old\"\nOn Error Resume Next\n"
       "t = \"a\" & \"b\" & Bad() & \"c\"\nOut.Echo t, Err.Number",
       "old 5\n"},
  });
}

} // namespace vbtest

namespace vbtest {

TEST(Classes, GlobalsTerminateInDeclarationOrderOnReset) {
  Harness h;
  h.run("Class C\nPublic N\nSub Class_Terminate\nOut.Echo \"term \" & N\nEnd Sub\nEnd Class\n"
        "Set b = New C: b.N = \"b\"\nSet a = New C: a.N = \"a\"\n");
  EXPECT_EQ(h.out->text, "");
  h.sc->Reset();
  EXPECT_EQ(h.out->text, "term b\nterm a\n");
}

} // namespace vbtest
