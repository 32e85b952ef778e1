// The script-control facade: modules, procedures, Run/Eval, errors with their place, and the
// time-out.
#include "harness.h"
#include "platform/vbscript/compile_errors.h"

namespace vbtest {

namespace {

struct Failure {
  int32_t number = 0;
  std::string source, description, text;
  int32_t line = -1, column = -1;
};

template <class F> Failure failureOf(vbs::ScriptControl& sc, F&& fn) {
  try {
    fn();
  } catch (const au::Error&) {
    auto e = sc.Error();
    return {e->Number(), e->Source(), e->Description(), e->Text(), e->Line(), e->Column()};
  }
  ADD_FAILURE() << "no error raised";
  return {};
}

} // namespace

TEST(Facade, CompileErrorsCarryNumberPlaceAndText) {
  struct C {
    const char* code;
    int32_t number;
    int line, column;
    const char* text;
  } cases[] = {
      {"x = ", 1023, 1, 4, "x = "},
      {"a = 1\nb = (2 + 3\n", 1006, 2, 10, "b = (2 + 3"},
      {"If x Then\nOut.Echo 1\n", 1014, 3, 0, ""},
      {"Sub S\n  y = 1\nEnd Function", 1016, 3, 4, "End Function"},
      {"Dim a\nFor i = 1 To\nNext", 1023, 2, 12, "For i = 1 To"},
      {"x = \"abc", 1033, 1, 4, "x = \"abc"},
      {"x = 1 $ 2", 1032, 1, 6, "x = 1 $ 2"},
      {"Do\nx = 1\nLoop Until", 1023, 3, 10, "Loop Until"},
      {"P 1, 2 3", 1025, 1, 7, "P 1, 2 3"},
      {"Foo(1, 2)", 1044, 1, 3, "Foo(1, 2)"},
      {"Exit Do", 1039, 1, 5, "Exit Do"},
      {"Next", 1055, 1, 0, "Next"},
      {"Loop", 1038, 1, 0, "Loop"},
      {"Class A\nDim x\nSub Class_Initialize(a)\nEnd Sub\nEnd Class", 1053, 3, 4,
       "Sub Class_Initialize(a)"},
      {"x = _\n  1 +\ny = 2", 1023, 2, 5, "  1 +"},
      {"Sub S\nSub T\nEnd Sub\nEnd Sub", 1002, 2, 0, "Sub T"},
      {"x = Me", 1037, 1, 4, "x = Me"},
      {"Set x = 1 2", 1025, 1, 10, "Set x = 1 2"},
      {"Select Case 1\nCase\nEnd Select", 1023, 2, 4, "Case"},
  };
  for (const C& c : cases) {
    SCOPED_TRACE(c.code);
    Harness h;
    Failure f = failureOf(*h.sc, [&] { h.sc->AddCode(c.code); });
    EXPECT_EQ(f.number, c.number) << f.description;
    EXPECT_EQ(f.source, "VBScript compilation error");
    EXPECT_EQ(f.description, vbs::compileErrorMessage(c.number));
    EXPECT_EQ(f.line, c.line);
    EXPECT_EQ(f.column, c.column);
    EXPECT_EQ(f.text, c.text);
    EXPECT_TRUE(h.out->text.empty()) << "a chunk that does not compile runs nothing";
  }
}

TEST(Facade, RuntimeErrorsCountLinesWithinEachChunk) {
  Harness h;
  h.sc->AddCode("Dim a\na = 1\n");
  Failure f = failureOf(*h.sc, [&] { h.sc->AddCode("Out.Echo 1\n\n  b = 1 / 0"); });
  EXPECT_EQ(f.number, 11);
  EXPECT_EQ(f.source, "VBScript runtime error");
  EXPECT_EQ(f.description, "Division by zero");
  EXPECT_EQ(f.line, 3);
  EXPECT_EQ(f.column, 2);
  EXPECT_EQ(f.text, "");
  h.sc->Error()->Clear();
  EXPECT_EQ(h.sc->Error()->Number(), 0);

  // Code run from text fails at the statement that ran it.
  f = failureOf(*h.sc, [&] { h.sc->AddCode("x = 1\nExecute \"y = 2\" & vbCrLf & \"z = 1 / 0\""); });
  EXPECT_EQ(f.number, 11);
  EXPECT_EQ(f.line, 2);

  // The place is the statement inside the procedure where it failed.
  h.sc->AddCode("Function Bad()\n  Bad = 1\n  Bad = Bad / 0\nEnd Function");
  f = failureOf(*h.sc, [&] { h.sc->RunNamed("Bad"); });
  EXPECT_EQ(f.number, 11);
  EXPECT_EQ(f.line, 3);
}

TEST(Facade, NativeErrorsKeepTheirSourceAndText) {
  Harness h;
  h.sc->AddCode("Set b = CreateObject(\"Test.Bag\")");
  Failure f = failureOf(*h.sc, [&] { h.sc->AddCode("x = 1\nx = b.Item(\"nope\")"); });
  EXPECT_EQ(f.number, au::err::kElementNotFound);
  EXPECT_EQ(f.description, "Key not found.");
  EXPECT_EQ(f.source, "Bag");
  EXPECT_EQ(f.line, 2);
  EXPECT_EQ(h.run("On Error Resume Next\nx = b(\"nope\")\nOut.Echo Err.Number, Err.Description, "
                  "Err.Source"),
            "32811 Key not found. Bag\n");
}

TEST(Facade, ModulesProceduresAndRun) {
  Harness h;
  h.sc->AddCode("Function Twice(x)\nTwice = x * 2\nEnd Function\nSub Hello\nEnd Sub\n"
                "Function Twice(x)\nTwice = x * 3\nEnd Function");
  auto procs = h.sc->Procedures();
  ASSERT_EQ(procs->Count(), 2);
  EXPECT_EQ(procs->Item(Variant(int32_t(1)))->Name(), "Twice");
  EXPECT_EQ(procs->Item(Variant(int32_t(1)))->NumArgs(), 1);
  EXPECT_TRUE(procs->Item(Variant(int32_t(1)))->HasReturnValue());
  EXPECT_FALSE(procs->Item(Variant("hello"))->HasReturnValue());

  Variant arg(int32_t(7));
  EXPECT_EQ(au::CLng(h.sc->RunNamed("twice", au::ArgList(&arg, 1))), 21)
      << "the last definition wins";
  EXPECT_EQ(au::CLng(h.sc->Eval("Twice(2) + 1")), 7);
  h.sc->ExecuteStatement("Out.Echo Twice(1)");
  EXPECT_EQ(h.out->text, "3\n");

  // A named module sees the global module; its own names stay its own.
  auto user = h.sc->Modules()->Add("$User");
  user->AddCode("Function UserOnly()\nUserOnly = Twice(10)\nEnd Function");
  EXPECT_EQ(au::CLng(user->RunNamed("UserOnly", {})), 30);
  EXPECT_EQ(user->Procedures()->Count(), 1);
  EXPECT_EQ(h.sc->Modules()->Count(), 2);
  EXPECT_EQ(h.sc->Modules()->Item(Variant("$user"))->Name(), "$User");
  Failure f = failureOf(*h.sc, [&] { h.sc->RunNamed("UserOnly"); });
  EXPECT_EQ(f.number, au::err::kSubNotDefined);

  // Top-level statements of added code run when added.
  h.out->text.clear();
  user->AddCode("Out.Echo \"module code ran\"");
  EXPECT_EQ(h.out->text, "module code ran\n");

  h.sc->Reset();
  EXPECT_EQ(h.sc->Procedures()->Count(), 0);
  EXPECT_EQ(h.sc->Modules()->Count(), 1);
}

TEST(Facade, ScriptsDriveTheControlThroughAutomation) {
  Harness h;
  vbs::registerScriptControlClass();
  EXPECT_EQ(h.run("Set sc = CreateObject(\"Quillet.ScriptControl\")\n"
                  "sc.Language = \"VBScript\"\n"
                  "sc.AddCode \"Function F(a, b): F = a & b: End Function\"\n"
                  "Out.Echo sc.Run(\"F\", \"x\", 1), sc.Procedures(1).Name, sc.Modules.Count\n"
                  "On Error Resume Next\n"
                  "sc.AddCode \"y = (\"\n"
                  "Out.Echo Err.Number, sc.Error.Number, sc.Error.Line, sc.Error.Column\n"),
            "x1 F 1\n1023 1023 1 5\n");
}

TEST(Facade, AddedObjectsAndTheirMembers) {
  Harness h;
  Ref<Bag> bag(new Bag);
  bag->setItem("k", Variant("v"));
  h.sc->AddObject("PROJ", Variant(bag), false);
  EXPECT_EQ(h.run("Out.Echo proj.Item(\"k\"), Proj(\"k\"), PROJ.Count"), "v v 1\n");

  Ref<Bag> global(new Bag);
  h.sc->AddObject("G", Variant(global), true);
  h.out->text.clear();
  EXPECT_EQ(h.run("Add \"a\", 1\nOut.Echo Count, Sum(2, 3)"), "1 5\n");

  // ByRef parameters of native members receive the script's variable.
  h.out->text.clear();
  EXPECT_EQ(h.run("v = 21\nproj.Twice v\nOut.Echo v"), "42\n");
  // ... also a procedure's own ByRef parameter, which names its caller's variable.
  h.out->text.clear();
  EXPECT_EQ(h.run("Sub T(n)\nproj.Twice n\nEnd Sub\nw = 5\nT w\nOut.Echo w"), "10\n");
}

// A member reached from one place in the code on objects of several classes: each call finds
// the member of its own object's class, and a class without it raises 438.
TEST(Facade, OneCallSiteServesObjectsOfSeveralClasses) {
  EXPECT_EQ(runScript("Class K\n  Public Property Get Count: Count = 7: End Property\nEnd Class\n"
                      "Function C(o): C = o.Count: End Function\n"
                      "Set b = CreateObject(\"Test.Bag\"): b.Add \"a\", 1\n"
                      "Set d = CreateObject(\"Scripting.Dictionary\"): d.Add 1, 1: d.Add 2, 2\n"
                      "Out.Echo C(b), C(d), C(New K), C(b), C(d)\n"
                      "On Error Resume Next\nx = C(Out)\nOut.Echo Err.Number, C(b)\n"),
            "1 2 7 1 2\n438 1\n");
}

TEST(Facade, TimeoutStopsRunawayCode) {
  struct C {
    const char* name;
    const char* code;
  } cases[] = {
      {"do loop", "Do\nLoop"},
      {"for with zero step", "For i = 1 To 2 Step 0\nNext"},
      {"while", "While True\nx = x + 1\nWend"},
      {"recursion", "Sub R\nR\nEnd Sub\nR"},
      {"resume next cannot swallow it", "On Error Resume Next\nDo\nx = 1\nLoop"},
      {"loop inside a method",
       "Class C\nSub Spin\nDo: Loop\nEnd Sub\nEnd Class\nSet o = New C\no.Spin"},
  };
  for (const C& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    h.sc->setTimeout(100);
    auto start = std::chrono::steady_clock::now();
    Failure f = failureOf(*h.sc, [&] { h.sc->AddCode(c.code); });
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    if (std::string(c.name) == "recursion") {
      // Deep recursion ends either way, never by crashing.
      EXPECT_TRUE(f.number == vbs::kTimeoutError || f.number == au::err::kOutOfStackSpace);
    } else {
      EXPECT_EQ(f.number, vbs::kTimeoutError);
      EXPECT_NE(f.description.find("timed out"), std::string::npos);
    }
    EXPECT_LT(ms, 5000);
  }
  // The engine is usable after a time-out.
  Harness h;
  h.sc->setTimeout(50);
  failureOf(*h.sc, [&] { h.sc->AddCode("Do: Loop"); });
  EXPECT_EQ(h.run("Out.Echo 1"), "1\n");
}

TEST(Facade, ObjectsOutliveAReset) {
  Harness h;
  h.sc->AddCode("Class C\nFunction V\nV = 5\nEnd Function\nEnd Class\nSet keep = New C");
  Variant obj = h.sc->Eval("keep");
  ASSERT_TRUE(obj.isObject());
  EXPECT_EQ(au::CLng(au::invoke(obj, "V", au::kGetOrCall)), 5);
  h.sc->Reset();
  EXPECT_THROW(au::invoke(obj, "V", au::kGetOrCall), au::Error);
}

} // namespace vbtest

namespace vbtest {

namespace {

class Faulty : public au::Object {
  QUILLET_OBJECT(Faulty)
public:
  int32_t Throw() { throw std::out_of_range("index 7"); }
};

} // namespace

QUILLET_DEFINE_CLASS(Faulty) {
  b.method("Throw", &Faulty::Throw);
}

TEST(Facade, NativeFaultsBecomeScriptErrors) {
  Harness h;
  h.sc->AddObject("F", Variant(Ref<au::Object>(new Faulty)), false);
  EXPECT_EQ(h.run("On Error Resume Next\nx = F.Throw()\nOut.Echo Err.Number, Err.Description"),
            "51 Internal error: index 7\n");
  Failure f = failureOf(*h.sc, [&] { h.sc->AddCode("F.Throw"); });
  EXPECT_EQ(f.number, 51);
  EXPECT_EQ(f.line, 1);
}

} // namespace vbtest

namespace vbtest {

TEST(Facade, RedefiningAFunctionDoesNotGrowTheEngine) {
  Harness h;
  for (int i = 0; i < 200; ++i)
    h.sc->AddCode("Function qzExParse()\nqzExParse = " + std::to_string(i) + "\nEnd Function");
  EXPECT_EQ(au::CLng(h.sc->RunNamed("qzExParse")), 199);
  EXPECT_LE(h.sc->engine().globalModule().programs.size(), 2u);
  // A class instance keeps its class's code alive after the class is redefined.
  h.sc->AddCode("Class K\nFunction V\nV = \"old\"\nEnd Function\nEnd Class\nSet keep = New K");
  h.sc->AddCode("Class K\nFunction V\nV = \"new\"\nEnd Function\nEnd Class");
  h.sc->AddCode("x = 1");
  EXPECT_EQ(au::CStr(h.sc->Eval("keep.V & (New K).V")), "oldnew");
}

} // namespace vbtest
