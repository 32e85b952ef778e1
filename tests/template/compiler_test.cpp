#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "core/test_env.h"
#include "platform/automation/convert.h"
#include "template/compiler.h"
#include "template/parser.h"

namespace quillet::testing {
namespace {

using namespace templating;
using platform::automation::makeRef;

const std::string kSet = std::string(QUILLET_TEST_DIR) + "/fixtures/set/";

class CompilerTest : public CoreTest {
protected:
  CompilerTest() {
    settings.programStyle = "table";
    settings.programLanguage = "VB";
    settings.condition = [](const std::string& c) { return c.empty(); };
    settings.now = [] { return std::string("2026-12-10 18:00:00"); };
  }
  // Compiles a control whose one key session, `value`, is read from the template `file`
  // (named "/t/<file>" in messages); `failed` tells whether the compile failed.
  std::string compileSession(const std::string& value, const std::string& file, bool& failed) {
    RUZControl c;
    RUZSession s;
    s.SessType = "key";
    s.SessValue = value;
    s.SessIFile = file;
    c.Sessions()->append(s);
    failed = false;
    return ScriptCompiler(settings).buildControl(c, "", "/t/" + file, failed);
  }
  CompileSettings settings;
};

TEST_F(CompilerTest, FunctionNames) {
  RUZControl c;
  c.CtrlID = "list";
  c.CtrlTagExt = ".x";
  EXPECT_EQ(ScriptCompiler(settings).functionName(c), "qzExtable_vb_list_x");
  c.CtrlID = "my list-2";
  settings.programLanguage = "C#";
  EXPECT_EQ(ScriptCompiler(settings).functionName(c), "qzExtable_cs_my_list_2_x");
}

TEST_F(CompilerTest, TranslatesASmallTemplateExactly) {
  RUZControl c;
  c.CtrlID = "t";
  bool failed = true;
  std::string script = ScriptCompiler(settings).buildControl(
      c, "A<!--##=x##-->say \"hi\"\r\nx<!--##@ a\"b ##-->", "t.tpl", failed);
  EXPECT_FALSE(failed);
  EXPECT_EQ(script, "Function qzExtable_vb_t()\r\n"
                    "If bHandleTemplateError Then On Error Resume Next\r\n"
                    "Dim qzAr(2)\r\n"
                    "Dim qzSB\r\n"
                    "Set qzSB = New StringBuilder\r\n"
                    "Call qz_SetLocale()\r\n"
                    "Dim SYSTEMFUNCTIONS\r\n"
                    "Set SYSTEMFUNCTIONS = New cSystemFunctions\r\n"
                    "Call qz_LoadCurrent()\r\n"
                    "qzAr(1) = \"A\"\r\n"
                    "qzAr(2) = \"say \"\"hi\"\"\"&vbCrLf&\"x\"\r\n"
                    "\r\n"
                    "qzSB.Append(qzAr(1))\r\n"
                    "qzSB.Append(x)\r\n"
                    "qzSB.Append(qzAr(2))\r\n"
                    "qzSB.Append(\"<%= ReportLanguage.Phrase(\"\"a\"\"\"\"b\"\") %>\")\r\n"
                    "\r\n"
                    "qzExtable_vb_t = qzSB.ToString()\r\n"
                    "Set SYSTEMFUNCTIONS = Nothing\r\n"
                    "End Function\r\n");
}

TEST_F(CompilerTest, CompilesTheFixtureSetsSessions) {
  auto controls = makeRef<RUZControls>();
  ASSERT_TRUE(controls->LoadControls(kSet + "control.xml"));
  SharedFileCache().AddFile(kSet + "list.tpl", "list.tpl");
  SharedFileCache().AddFile(kSet + "common.tpl", "common.tpl");
  settings.showSession = true;
  settings.showSessionTime = true;
  bool failed = true;
  std::string script = ScriptCompiler(settings).buildControl(*controls->Item(Variant(1)), "ignored",
                                                             kSet + "list.tpl", failed);
  EXPECT_FALSE(failed);
  EXPECT_EQ(
      script,
      "Function qzExtable_vb_list_page_x()\r\n"
      "If bHandleTemplateError Then On Error Resume Next\r\n"
      "Dim qzStartTime, qzStopTime\r\n"
      "qzStartTime = Timer\r\n"
      "Dim qzAr(12)\r\n"
      "Dim qzSB\r\n"
      "Set qzSB = New StringBuilder\r\n"
      "Call qz_SetLocale()\r\n"
      "Dim SYSTEMFUNCTIONS\r\n"
      "Set SYSTEMFUNCTIONS = New cSystemFunctions\r\n"
      "Call qz_LoadCurrent()\r\n"
      "qzAr(1) = \"\"&vbCrLf&\"\"\r\n"
      "qzAr(2) = \"\"&vbCrLf&\"<html>\"&vbCrLf&\"<title>\"\r\n"
      "qzAr(3) = \"</title>\"&vbCrLf&\"\"\r\n"
      "qzAr(4) = \"\"&vbCrLf&\"<h1>\"\r\n"
      "qzAr(5) = \"</h1>\"&vbCrLf&\"\"\r\n"
      "qzAr(6) = \"\"&vbCrLf&\"\"\r\n"
      "qzAr(7) = \"\"&vbCrLf&\"\"\r\n"
      "qzAr(8) = \"\"&vbCrLf&\"  <td>\"\r\n"
      "qzAr(9) = \"</td>\"&vbCrLf&\"\"\r\n"
      "qzAr(10) = \"\"&vbCrLf&\"<p>\"\r\n"
      "qzAr(11) = \" say \"\"hi\"\"</p>\"&vbCrLf&\"\"\r\n"
      "qzAr(12) = \"\"&vbCrLf&\"\"\r\n"
      "\r\n"
      "' *** Start Session  (control_start, 2026-12-10 18:00:00)\r\n"
      "qzSB.Append(Control_Start)\r\n"
      "qzSB.Append(qzAr(1))\r\n"
      "' *** End Session  (control_start, 2026-12-10 18:00:00)\r\n"
      "qzStopTime = Timer\r\n"
      "qzSB.Append(\"*** : \" & (qzStopTime-qzStarTtime) & \" ms\")\r\n"
      "' *** Start Session head (key, 2026-12-10 18:00:00)\r\n"
      "qzSB.Append(qzAr(2))\r\n"
      "qzSB.Append(\"<%= ReportLanguage.Phrase(\"\"List Title\"\") %>\")\r\n"
      "qzSB.Append(qzAr(3))\r\n"
      "qzSB.Append(qzAr(4))\r\n"
      "qzSB.Append(PROJ.ProjName)\r\n"
      "qzSB.Append(qzAr(5))\r\n"
      "qzSB.Append(qzAr(6))\r\n"
      "' *** End Session head (key, 2026-12-10 18:00:00)\r\n"
      "qzStopTime = Timer\r\n"
      "qzSB.Append(\"*** head: \" & (qzStopTime-qzStarTtime) & \" ms\")\r\n"
      "' *** Start Session body (key, 2026-12-10 18:00:00)\r\n"
      "qzSB.Append(qzAr(7))\r\n"
      " For Each f In TABLE.Fields \r\n"
      "qzSB.Append(qzAr(8))\r\n"
      "qz_IndentWrk = \"\"\r\n" // "<td>" stands between the blanks and the marker
      "qzSB.Append(qz_IndentWrk)\r\n"
      "qzSB.Append(f.FldName)\r\n"
      "qzSB.Append(qzAr(9))\r\n"
      " Next \r\n"
      "qzSB.Append(qzAr(10))\r\n"
      "qzSB.Append(\"<%= ReportLanguage.Phrase(\"\"\" & sPhraseId & \"\"\") %>\")\r\n"
      "qzSB.Append(qzAr(11))\r\n"
      "' *** End Session body (key, 2026-12-10 18:00:00)\r\n"
      "qzStopTime = Timer\r\n"
      "qzSB.Append(\"*** body: \" & (qzStopTime-qzStarTtime) & \" ms\")\r\n"
      "' *** Start Session \"a\"/\"b\"/\"c\"/ignored (register, 2026-12-10 18:00:00)\r\n"
      "qzSB.Append(Register(\"a\",\"b\",\"c\"))\r\n"
      "qzSB.Append(qzAr(12))\r\n"
      "' *** End Session \"a\"/\"b\"/\"c\"/ignored (register, 2026-12-10 18:00:00)\r\n"
      "qzStopTime = Timer\r\n"
      "qzSB.Append(\"*** \"a\"/\"b\"/\"c\"/ignored: \" & (qzStopTime-qzStarTtime) & \" ms\")\r\n"
      "' *** Start Session a/b (register, 2026-12-10 18:00:00)\r\n"
      "' *** End Session a/b (register, 2026-12-10 18:00:00)\r\n"
      "qzStopTime = Timer\r\n"
      "qzSB.Append(\"*** a/b: \" & (qzStopTime-qzStarTtime) & \" ms\")\r\n"
      "\r\n"
      "qzExtable_vb_list_page_x = qzSB.ToString()\r\n"
      "Set SYSTEMFUNCTIONS = Nothing\r\n"
      "End Function\r\n");
}

TEST_F(CompilerTest, ParseErrorKeepsThePartialTextAndNamesTheTemplate) {
  SharedFileCache().addText("<!--##session bad##-->ok\n<!--##=x<!--##=y##--><!--##/session##-->",
                            "bad.tpl");
  bool failed = false;
  std::string partial = compileSession("bad", "bad.tpl", failed);
  EXPECT_TRUE(failed);
  EXPECT_EQ(ctx().ProjErr.rfind("/t/bad.tpl: ***Nested Blocks found at line 2 column 9!", 0), 0u)
      << ctx().ProjErr;
  EXPECT_NE(partial.find("Error lines:"), std::string::npos);

  ctx().ProjErr.clear();
  RUZControl plain;
  ScriptCompiler(settings).buildControl(plain, "x<!--##", "/t/merged.tpl", failed);
  EXPECT_TRUE(failed);
}

TEST(StringBuilder, GrowsAThousandSlotsAtATime) {
  platform::automation::Context::Scope scope;
  auto sb = makeRef<RUZStringBuilder>();
  for (int i = 0; i < 1001; ++i)
    sb->Append(Variant(std::string("a")));
  EXPECT_EQ(sb->slots(), 1001u);
  sb->Append(Variant(int16_t(7)));
  sb->Append(Variant());
  EXPECT_EQ(sb->slots(), 2001u);
  EXPECT_EQ(platform::automation::CStr(sb->ToString()), std::string(1001, 'a') + "7");
  sb->Clear();
  EXPECT_EQ(platform::automation::CStr(sb->ToString()), "");
}

} // namespace
} // namespace quillet::testing

namespace quillet::testing {
namespace {

using namespace templating;

// The error names the place in the template file, through includes and sessions that start
// mid-line, not the place in the expanded text.
TEST_F(CompilerTest, ParseErrorNamesTheTemplateFileLineAndColumn) {
  SharedFileCache().addText(
      "<!--##session a##-->x\r\n<!--##include lib.tpl/b##-->y<!--##/session##-->", "main.tpl");
  SharedFileCache().addText(
      "first\nline <!--##session b##-->ok\n  <!--##=broken<!--##/session##-->", "lib.tpl");
  bool failed = false;
  compileSession("a", "main.tpl", failed);
  EXPECT_TRUE(failed);
  std::string err = ctx().ProjErr;
  EXPECT_NE(err.find("***Incomplete Block at line 2 column 3!"), std::string::npos) << err;
  EXPECT_EQ(err.substr(err.rfind("\r\n") + 2), "In lib.tpl, line 3, column 3") << err;

  ctx().ProjErr.clear();
  SharedFileCache().addText("<!--##session a##--><!--##=a<!--##=b##--><!--##/session##-->",
                            "one.tpl");
  compileSession("a", "one.tpl", failed);
  err = ctx().ProjErr;
  EXPECT_EQ(err.substr(err.rfind("\r\n") + 2), "In one.tpl, line 1, column 29") << err;
}

} // namespace
} // namespace quillet::testing

namespace quillet::testing {
namespace {

using namespace templating;

std::string readAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ControlScriptTest : public CompilerTest {
protected:
  ControlScriptTest() {
    settings.extensionFolder = [this](const std::string& ext) {
      return (env.root() / (ext.empty() ? "tpl" : "ext/" + ext)).string();
    };
    settings.cacheFolder = (env.root() / "cache").string();
    std::filesystem::create_directories(env.root() / "cache");
  }
  std::string cache(const std::string& name) { return readAll(env.root() / "cache" / name); }
};

// A control without sessions is compiled from its input files, merged in order into
// "~tmp.tpl" when there are several; entries are found with their blanks trimmed, missing
// ones are passed over, and LF or CR line ends come out as CR LF literals.
TEST_F(ControlScriptTest, WritesTheScriptOfAControlWithoutSessions) {
  env.write("tpl/a.tpl", "A\n");
  env.write("tpl/b.tpl", "B\rC<!--##=x##-->");
  RUZControl c;
  c.CtrlID = "two";
  c.CtrlIFiles = "a.tpl, b.tpl,missing.tpl";
  ScriptCompiler compiler(settings);
  ASSERT_TRUE(compiler.BuildControlScript(c, (env.root() / "cache/table_vb_two.tpl").string()))
      << ctx().ProjErr;
  EXPECT_EQ(cache("~tmp.tpl"), "A\nB\rC<!--##=x##-->");
  std::string script = cache("table_vb_two.tpl");
  EXPECT_NE(script.find("Function qzExtable_vb_two()\r\n"), std::string::npos);
  EXPECT_NE(script.find("qzAr(1) = \"A\"&vbCrLf&\"B\"&vbCrLf&\"C\"\r\n\r\n"
                        "qzSB.Append(qzAr(1))\r\nqzSB.Append(x)\r\n\r\n"),
            std::string::npos)
      << script;

  // One input file is read where it stands, from the extension's folder for its controls.
  env.write("ext/e1/one.tpl", "E");
  c.CtrlIFiles = "one.tpl";
  c.CtrlExt = "e1";
  EXPECT_EQ(compiler.MergeTemplateFiles(c.CtrlIFiles, c.CtrlExt),
            (env.root() / "ext/e1/one.tpl").string());
  ASSERT_TRUE(compiler.BuildControlScript(c, (env.root() / "cache/one.tpl").string()));
  EXPECT_NE(cache("one.tpl").find("qzAr(1) = \"E\""), std::string::npos);
}

TEST_F(ControlScriptTest, InputErrorsStopWithTheirReason) {
  ScriptCompiler compiler(settings);
  RUZControl c;
  c.CtrlID = "gone";
  c.CtrlIFiles = "gone.tpl";
  std::string out = (env.root() / "cache/gone.tpl").string();
  EXPECT_FALSE(compiler.BuildControlScript(c, out));
  EXPECT_EQ(ctx().ProjErr, "Error in merging gone.tpl. Generation aborted.");
  EXPECT_FALSE(std::filesystem::exists(out));

  // A parse error writes the text read so far with the error at its end.
  ctx().ProjErr.clear();
  env.write("tpl/bad.tpl", "ok\n<!--##=x");
  c.CtrlIFiles = "bad.tpl";
  EXPECT_FALSE(compiler.BuildControlScript(c, out));
  EXPECT_EQ(ctx().ProjErr.rfind((env.root() / "tpl/bad.tpl").string() +
                                    ": ***Incomplete Block at line 2 column 1!",
                                0),
            0u)
      << ctx().ProjErr;
  EXPECT_EQ(cache("gone.tpl").rfind("ok\r\n<!--##=x***Incomplete Block", 0), 0u);

  // A control made of sessions alone needs no input file of its own.
  ctx().ProjErr.clear();
  RUZControl markers;
  markers.CtrlID = "m";
  RUZSession s;
  s.SessType = "class_start";
  markers.Sessions()->append(s);
  ASSERT_TRUE(compiler.BuildControlScript(markers, out)) << ctx().ProjErr;
  EXPECT_NE(cache("gone.tpl").find("qzSB.Append(Class_Start)"), std::string::npos);
}

TEST_F(ControlScriptTest, StandaloneFunctionLeavesOutTimingLocaleAndCurrentObjects) {
  settings.showSessionTime = true;
  ScriptCompiler compiler(settings);
  EXPECT_EQ(compiler.parseFunction("a\n<!--##=b##-->"),
            "Function qzExParse()\r\n"
            "If bHandleTemplateError Then On Error Resume Next\r\n"
            "Dim qzAr(1)\r\n"
            "Dim qzSB\r\n"
            "Set qzSB = New StringBuilder\r\n"
            "Dim SYSTEMFUNCTIONS\r\n"
            "Set SYSTEMFUNCTIONS = New cSystemFunctions\r\n"
            "qzAr(1) = \"a\"&vbCrLf&\"\"\r\n"
            "\r\n"
            "qzSB.Append(qzAr(1))\r\n"
            "qzSB.Append(b)\r\n"
            "\r\n"
            "qzExParse = qzSB.ToString()\r\n"
            "Set SYSTEMFUNCTIONS = Nothing\r\n"
            "End Function\r\n");
  EXPECT_EQ(compiler.parseFunction("<!--##=b"), "");
  EXPECT_TRUE(ctx().hasProjErr());
}

// Only marked controls are built; a control without sessions is one unit of the progress,
// so a run whose changed controls have no sessions still compiles them.
TEST_F(ControlScriptTest, BuildsMarkedControlsIncludingThoseWithoutSessions) {
  env.write("tpl/p.tpl", "P");
  auto controls = makeRef<RUZControls>();
  for (const char* id : {"a", "b", "c"}) {
    RUZControl c;
    c.CtrlID = id;
    c.CtrlIFiles = "p.tpl";
    controls->AddControl(c);
  }
  controls->Item(Variant(1))->CtrlGen = true;
  controls->Item(Variant(3))->CtrlGen = true;
  EXPECT_EQ(ScriptCompiler::translationUnits(*controls->Item(Variant(1))), 1);
  std::vector<std::string> built;
  int before = 0;
  ScriptCompiler compiler(settings);
  ASSERT_TRUE(compiler.buildMarkedControls(
      *controls,
      [&](RUZControl& c) {
        built.push_back(c.CtrlID);
        return (env.root() / "cache" / (c.CtrlID + ".tpl")).string();
      },
      [&] { ++before; }));
  EXPECT_EQ(built, (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(before, 2);
  EXPECT_TRUE(std::filesystem::exists(env.root() / "cache/c.tpl"));
  EXPECT_FALSE(std::filesystem::exists(env.root() / "cache/b.tpl"));

  controls->Item(Variant(2))->CtrlGen = true;
  controls->Item(Variant(2))->CtrlIFiles = "nothing.tpl";
  built.clear();
  EXPECT_FALSE(compiler.buildMarkedControls(*controls, [&](RUZControl& c) {
    built.push_back(c.CtrlID);
    return (env.root() / "cache" / (c.CtrlID + ".tpl")).string();
  }));
  EXPECT_EQ(built, (std::vector<std::string>{"a", "b"}));
}

} // namespace
} // namespace quillet::testing

namespace quillet::testing {
namespace {

using namespace templating;

// Markers that only make sense where the file is cut into sessions, left in a text being
// compiled, stop with their line and column instead of failing later as script.
TEST_F(CompilerTest, MarkersLeftInCompiledTextAreReported) {
  struct Case {
    std::string text, where;
  } cases[] = {
      {"a\r\n<!--##include common.tpl/x##-->", "line 2 column 1"},
      {"a\r\nb <!--##/session##-->", "line 2 column 3"},
      {"<!--##SESSION x##-->", "line 1 column 1"},
  };
  for (const auto& c : cases) {
    ctx().ProjErr.clear();
    RUZControl plain;
    bool failed = false;
    ScriptCompiler(settings).buildControl(plain, c.text, "/t/m.tpl", failed);
    EXPECT_TRUE(failed) << c.text;
    EXPECT_EQ(ctx().ProjErr.rfind(
                  "/t/m.tpl: ***Session or include marker out of place at " + c.where + "!", 0),
              0u)
        << ctx().ProjErr;
  }
  // Script that merely starts like a marker, and a call of the system code's Include, stay.
  for (const char* ok : {"<!-- ## -->", "<!--## session x##-->", "<!--##sessions = 1##-->",
                         "<!--##Include \"a/b\", \"c\", \"d\"##-->", "<!--##include(a/b)##-->"}) {
    ctx().ProjErr.clear();
    RUZControl plain;
    bool failed = true;
    ScriptCompiler(settings).buildControl(plain, ok, "/t/m.tpl", failed);
    EXPECT_FALSE(failed) << ok << ": " << ctx().ProjErr;
  }

  // A session opened inside another is named in its own file.
  ctx().ProjErr.clear();
  SharedFileCache().addText("<!--##session a##-->x\n  <!--##session b##-->y<!--##/session##-->",
                            "n.tpl");
  bool failed = false;
  compileSession("a", "n.tpl", failed);
  EXPECT_TRUE(failed);
  std::string err = ctx().ProjErr;
  EXPECT_EQ(err.substr(err.rfind("\r\n") + 2), "In n.tpl, line 2, column 3") << err;
}

// A large session with many includes and an unclosed block at its end: the error names the
// file and line, and finding it takes time in proportion to the text.
TEST_F(CompilerTest, HugeTemplateErrorNamesFileAndLine) {
  SharedFileCache().addText("<!--##session row##--><td><!--##=v##--></td><!--##/session##-->",
                            "row.tpl");
  std::string body = "<!--##session big##-->";
  for (int i = 0; i < 8000; ++i)
    body += "line " + std::to_string(i) + " <!--##include row.tpl/row##-->\n";
  body += "tail <!--##=broken\n<!--##/session##-->";
  SharedFileCache().addText(body, "big.tpl");
  bool failed = false;
  compileSession("big", "big.tpl", failed);
  EXPECT_TRUE(failed);
  std::string err = ctx().ProjErr;
  EXPECT_NE(err.find("***Incomplete Block at line 2 column 6!"), std::string::npos)
      << err.substr(0, 200);
  EXPECT_EQ(err.substr(err.rfind("\r\n") + 2), "In big.tpl, line 8001, column 6");
}

// Template bytes that are not UTF-8 are read in the ANSI code page; a control file that is
// not well-formed in its encoding is refused naming the file and line.
TEST_F(ControlScriptTest, TextThatIsNotUtf8) {
  env.write("tpl/latin.tpl", "caf\xE9<!--##=x##-->");
  RUZControl c;
  c.CtrlID = "l";
  c.CtrlIFiles = "latin.tpl";
  ASSERT_TRUE(
      ScriptCompiler(settings).BuildControlScript(c, (env.root() / "cache/l.tpl").string()));
  EXPECT_NE(cache("l.tpl").find("qzAr(1) = \"caf\xC3\xA9\""), std::string::npos);

  env.write("tpl/control.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                               "<Brindlewood date=\"\" version=\"4.0\" desc=\"\" author=\"\">\n"
                               "<control id=\"caf\xE9\"/></Brindlewood>");
  auto controls = makeRef<RUZControls>();
  EXPECT_FALSE(controls->LoadControls((env.root() / "tpl/control.xml").string()));
  EXPECT_EQ(ControlFileStatus(), 1);
  EXPECT_NE(ctx().ProjErr.find("control.xml"), std::string::npos) << ctx().ProjErr;
  EXPECT_NE(ctx().ProjErr.find("line 3"), std::string::npos) << ctx().ProjErr;
}

} // namespace
} // namespace quillet::testing
