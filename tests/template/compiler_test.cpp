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
  RUZControl c;
  RUZSession s;
  s.SessType = "key";
  s.SessValue = "bad";
  s.SessIFile = "bad.tpl";
  c.Sessions()->append(s);
  SharedFileCache().addText("<!--##session bad##-->ok\n<!--##=x<!--##=y##--><!--##/session##-->",
                            "bad.tpl");
  bool failed = false;
  std::string partial = ScriptCompiler(settings).buildControl(c, "", "/t/bad.tpl", failed);
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
  RUZControl c;
  RUZSession s;
  s.SessType = "key";
  s.SessValue = "a";
  s.SessIFile = "main.tpl";
  c.Sessions()->append(s);
  bool failed = false;
  ScriptCompiler(settings).buildControl(c, "", "/t/main.tpl", failed);
  EXPECT_TRUE(failed);
  std::string err = ctx().ProjErr;
  EXPECT_NE(err.find("***Incomplete Block at line 2 column 3!"), std::string::npos) << err;
  EXPECT_EQ(err.substr(err.rfind("\r\n") + 2), "In lib.tpl, line 3, column 3") << err;

  ctx().ProjErr.clear();
  SharedFileCache().addText("<!--##session a##--><!--##=a<!--##=b##--><!--##/session##-->",
                            "one.tpl");
  s.SessIFile = "one.tpl";
  RUZControl d;
  d.Sessions()->append(s);
  ScriptCompiler(settings).buildControl(d, "", "/t/one.tpl", failed);
  err = ctx().ProjErr;
  EXPECT_EQ(err.substr(err.rfind("\r\n") + 2), "In one.tpl, line 1, column 29") << err;
}

} // namespace
} // namespace quillet::testing
