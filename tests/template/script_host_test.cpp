#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <utility>

#include "core/status.h"
#include "platform/automation/convert.h"
#include "project/project_env.h"
#include "template/compiler.h"
#include "template/controls.h"
#include "template/script_host.h"
#include "template/system_code/builtin_code.h"

namespace quillet::testing {
namespace {

using namespace templating;
using platform::automation::makeRef;

std::string readAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A project with one loaded database holding "Orders" (Id, Name), a control list, and the
// template files of the test under env.root()/tpl.
class ScriptHostTest : public ProjectTest {
public:
  ScriptHostTest() {
    proj->setProjName("Shop");
    proj->setProgramLanguage("VB");
    proj->setProgramStyle("table");
    proj->setDestination((env.root() / "site").string());
    proj->Databases()->Add("db");
    proj->useDatabase("db");
    auto tables = proj->DB()->Tables();
    tables->Add("Orders");
    auto t = tables->Item(Variant("Orders"));
    t->setTblVar("Orders");
    for (const char* f : {"Id", "Name"}) {
      t->Fields()->Add("Orders", f);
      t->Fields()->Item(Variant(f))->setFldVar(std::string("x_") + f);
    }
    tables->SetItem(Variant("Orders"));
    proj->Language()->AddPhrase("Title", "Order list");
  }

  void general(const std::string& name, const std::string& value) {
    setUser("General", name, Variant(value));
  }
  std::string file(const std::string& rel, const std::string& text) {
    env.write(rel, text);
    return (env.root() / rel).string();
  }
  // Loads control elements into the list (the root is added here).
  void loadControls(const std::string& body) {
    std::string path =
        file("tpl/control.xml", "<?xml version=\"1.0\"?>\n<Brindlewood date=\"2026/01/01\" "
                                "version=\"4.0\" desc=\"t\" author=\"t\">\n" +
                                    body + "</Brindlewood>\n");
    ASSERT_TRUE(controls->LoadControls(path)) << ctx().ProjErr;
  }
  // Compiles the control at a position with the template files named, as the run does.
  std::pair<std::string, std::string> compile(int32_t position,
                                              const std::vector<std::string>& files) {
    for (const auto& f : files)
      SharedFileCache().AddFile((env.root() / "tpl" / f).string(), f);
    CompileSettings settings;
    settings.programStyle = "table";
    settings.programLanguage = proj->ProgramLanguage();
    settings.condition = [](const std::string& cond) { return cond != "no"; };
    ScriptCompiler compiler(settings);
    Ref<RUZControl> ctrl = controls->Item(Variant(position));
    bool failed = true;
    std::string script = compiler.buildControl(*ctrl, "", "compiled.tpl", failed);
    EXPECT_FALSE(failed) << ctx().ProjErr;
    return {compiler.functionName(*ctrl), script};
  }
  Ref<AGScript> started() {
    auto host = makeRef<AGScript>();
    host->initializeFor(proj, controls, nullptr);
    return host;
  }

  Ref<project::RUZ> proj = makeRef<project::RUZ>();
  Ref<RUZControls> controls = makeRef<RUZControls>();
};

// ---- Compiled templates in the engine ---------------------------------------------------------

TEST_F(ScriptHostTest, CompiledTemplateRunsAgainstThePublishedProject) {
  file("tpl/list.tpl",
       "<!--##session body##-->\r\n"
       "<h1><!--##= PROJ.GetV(\"ProjName\") ##--> <!--##= TABLE.TblName ##--></h1>\r\n"
       "<!--## For Each f In TABLE.Fields ##-->\r\n"
       "  <td><!--##~ f.FldName ##--></td>\r\n"
       "<!--## Next ##-->\r\n"
       "<!--##@ Title ##-->|<!--##= LANGUAGE.Phrase(\"title\") ##-->|<!--##$ CTRL.CtrlID ##-->\r\n"
       "<!--##= SYSTEMFUNCTIONS.Quote(\"say \"\"hi\"\"\") ##--> <!--##= Controls.Count ##-->\r\n"
       "<!--##/session##-->\r\n");
  loadControls(R"(<control id="list" type="table" ifiles="list.tpl">
    <session type="control_start" value=""/>
    <session type="register" value="&quot;uc&quot;/&quot;Menu&quot;/&quot;menu.ascx&quot;"/>
    <session type="key" value="body"/>
  </control>
)");
  auto [name, script] = compile(1, {"list.tpl"});
  auto host = started();
  ASSERT_TRUE(host->IsInitialized());
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_TRUE(host->Validate()) << ctx().ProjErr;
  EXPECT_EQ(host->BuildNewCode(name, script, 2, 0),
            "\r\n"
            "<%@ Register TagPrefix=\"uc\" TagName=\"Menu\" Src=\"menu.ascx\" %>\r\n"
            "\r\n<h1>Shop Orders</h1>\r\n"
            "\r\n  <td>Id</td>\r\n\r\n  <td>Name</td>\r\n\r\n"
            "<%= ReportLanguage.Phrase(\"Title\") %>|Order list|"
            "<%= ReportLanguage.Phrase(\"list\") %>\r\n"
            "\"say \"\"hi\"\"\" 1\r\n");
  EXPECT_EQ(ctx().ProjErr, "");
}

TEST_F(ScriptHostTest, SystemCodeFollowsTheProgramLanguage) {
  struct Case {
    const char* language;
    const char* expected;
  };
  for (const Case& c : {Case{"VB", "|\"a\"\"b\" & vbCrLf & \"c\"|' x|True|Partial Class "
                                   "Orders_list_x\r\nInherits System.Web.UI.Page|End Class"},
                        Case{"C#", "|\"a\\\"b\\r\\nc\"|// x|true|public partial class "
                                   "Orders_list_x : System.Web.UI.Page\r\n{|}"}}) {
    SCOPED_TRACE(c.language);
    proj->setProgramLanguage(c.language);
    controls = makeRef<RUZControls>();
    loadControls(R"(<control id="list" type="table" ifiles="x.tpl" tagext=".x"/>)");
    controls->Item(Variant(1));
    auto host = started();
    ASSERT_EQ(ctx().ProjErr, "");
    EXPECT_EQ(
        host->BuildNewCode("t",
                           "Function t()\r\n"
                           "Dim s : Set s = New cSystemFunctions\r\n"
                           "Call qz_LoadCurrent()\r\n"
                           "t = Control_Start & \"|\" & s.Quote(\"a\"\"b\" & vbCrLf & \"c\") & "
                           "\"|\" & s.Comment(\"x\") & \"|\" & s.BoolLiteral(1) & \"|\" & "
                           "Class_Start & \"|\" & Class_End\r\n"
                           "End Function\r\n",
                           2, 0),
        c.expected)
        << ctx().ProjErr;
  }
}

TEST_F(ScriptHostTest, StringBuilderAndCurrentObjects) {
  loadControls(
      R"(<control id="a" type="other" ifiles="a.tpl"/><control id="b" type="other" ifiles="b.tpl"/>)");
  controls->Item(Variant(2));
  proj->DB()->Tables()->Item(Variant("Orders"))->Fields()->SetItem(Variant("Name"));
  auto host = started();
  std::string out = host->BuildNewCode("sb",
                                       "Function sb()\r\n"
                                       "Dim b, i : Set b = New StringBuilder\r\n"
                                       "For i = 1 To 200 : b.Append(i Mod 10) : Next\r\n"
                                       "b.Append(Null)\r\n"
                                       "Call qz_LoadCurrent()\r\n"
                                       "sb = Len(b.ToString()) & \"|\" & Left(b.ToString(), 12) & "
                                       "\"|\" & CTRL.CtrlID & \"|\" & TABLE.TblName & \"|\" & "
                                       "FIELD.FldName & \"|\" & bHandleTemplateError\r\n"
                                       "End Function\r\n",
                                       1, 0);
  EXPECT_EQ(out, "200|123456789012|b|Orders|Name|False") << ctx().ProjErr;
}

TEST_F(ScriptHostTest, CurrentObjectsAreNothingWhereThereIsNone) {
  proj->DB()->Tables()->SetItem(Variant("Orders"));
  auto host = started();
  EXPECT_EQ(host->BuildNewCode("t",
                               "Function t()\r\nCall qz_LoadCurrent()\r\n"
                               "t = (CTRL Is Nothing) & \"|\" & TABLE.TblName\r\nEnd Function\r\n",
                               1, 0),
            "True|Orders")
      << ctx().ProjErr;
}

TEST_F(ScriptHostTest, ErrorsInACompiledTemplateNameTheTemplatePlace) {
  file("tpl/common.tpl", "<!--##session banner##-->\r\n<div>\r\n  <!--##= 1 / 0 ##-->\r\n</div>\r\n"
                         "<!--##/session##-->\r\n");
  struct Case {
    const char* name;
    const char* body; // the text of session "body", which starts on line 3 of list.tpl
    const char* place;
  };
  for (const Case& c : {
           Case{"runtime error in an expression",
                "<p><!--##= TABLE.TblName ##--></p>\r\n"
                "<!--## Dim n : n = 0 ##-->\r\n"
                "<b><!--##= 10 / n ##--></b>\r\n",
                "In list.tpl, line 5, column 12"},
           Case{"runtime error in a script block",
                "<p>x</p>\r\n<!--## Dim a\r\n  a = CLng(\"x\") ##-->",
                "In list.tpl, line 5, column 3"},
           Case{"compile error", "<p>\r\n  <!--## If True Then\r\n x = (1 + ) \r\n End If ##-->",
                "In list.tpl, line 5, column 11"},
           Case{"error in an included session", "<p><!--##include common.tpl/banner##--></p>",
                "In common.tpl, line 3, column 11"},
       }) {
    SCOPED_TRACE(c.name);
    ctx().ProjErr.clear();
    file("tpl/list.tpl", std::string("<!--##session head##-->\r\n<!--## Dim skipped ##-->\r\n"
                                     "<!--##/session##--><!--##session body##-->") +
                             c.body + "<!--##/session##-->\r\n");
    controls = makeRef<RUZControls>();
    loadControls(R"(<control id="list" type="table" ifiles="list.tpl">
      <session type="key" value="head" cond="no"/>
      <session type="control_start" value=""/>
      <session type="key" value="body"/>
    </control>)");
    SharedFileCache().Clear();
    auto [name, script] = compile(1, {"list.tpl", "common.tpl"});
    auto host = started();
    ctx().ProjErr.clear();
    EXPECT_EQ(host->BuildNewCode(name, script, 2, 0), "");
    const std::string& report = ctx().ProjErr;
    EXPECT_EQ(report.rfind("Brindlewood (" + name + "): ", 0), 0u) << report;
    EXPECT_EQ(report.substr(report.rfind("\r\n") + 2), c.place) << report;
  }
}

TEST_F(ScriptHostTest, AnErrorInCalledCodeIsNotPlacedInTheTemplate) {
  general("USERCODE", file("user.vbs", "Function Boom()\r\n  Boom = 1 / 0\r\nEnd Function\r\n"));
  file("tpl/list.tpl", "<!--##session body##-->\r\n<!--##= Boom() ##-->\r\n<!--##/session##-->");
  loadControls(
      R"(<control id="list" type="table" ifiles="list.tpl"><session type="key" value="body"/></control>)");
  auto [name, script] = compile(1, {"list.tpl"});
  auto host = started();
  EXPECT_EQ(host->BuildNewCode(name, script, 2, 0), "");
  EXPECT_EQ(ctx().ProjErr, "Brindlewood (" + name +
                               "): VBScript runtime error (11), line 2, column 2\r\n"
                               "Description: Division by zero\r\n");
}

TEST_F(ScriptHostTest, TheShippedTemplateSetRunsOnTheBuiltInCode) {
  const std::string set = std::string(QUILLET_SOURCE_DIR) + "/templates/default/";
  proj->setProgramLanguage("C#");
  auto table = proj->DB()->Tables()->Item(Variant("Orders"));
  table->Fields()->Item(Variant("Name"))->setFldList(true);
  ASSERT_TRUE(controls->LoadControls(set + "control.xml")) << ctx().ProjErr;
  for (const auto& entry : std::filesystem::directory_iterator(set))
    if (entry.path().extension() == ".tpl")
      SharedFileCache().AddFile(entry.path().string(), entry.path().filename().string());
  auto host = started();
  ASSERT_EQ(ctx().ProjErr, "");
  ASSERT_TRUE(host->Validate()) << ctx().ProjErr;
  CompileSettings settings;
  settings.programStyle = proj->ProgramStyle();
  settings.programLanguage = "C#";
  ScriptCompiler compiler(settings);
  int32_t pages = 0;
  for (int32_t i = 1; i <= controls->Count(); ++i) {
    Ref<RUZControl> ctrl = controls->Item(Variant(i));
    SCOPED_TRACE(ctrl->CtrlID);
    if (ctrl->CtrlType == "function") {
      host->AddTemplateScript(set + ctrl->CtrlIFiles);
      continue;
    }
    bool failed = true;
    std::string script = compiler.buildControl(*ctrl, "", ctrl->CtrlIFiles, failed);
    ASSERT_FALSE(failed) << ctx().ProjErr;
    std::string page = host->BuildNewCode(compiler.functionName(*ctrl), script, 2, 0);
    EXPECT_EQ(ctx().ProjErr, "");
    EXPECT_FALSE(page.empty());
    // A page holds at most one Page directive.
    size_t first = page.find("<%@ Page");
    EXPECT_TRUE(first == std::string::npos ||
                page.find("<%@ Page", first + 1) == std::string::npos);
    ++pages;
  }
  EXPECT_GE(pages, 2);
}

// ---- BuildNewCode and RunModule ---------------------------------------------------------------

TEST_F(ScriptHostTest, BuildNewCodeAddsCodeOncePerIdUnlessToldToAddAgain) {
  auto host = started();
  std::string script =
      "Dim n\r\nn = 0\r\nFunction count()\r\nn = n + 1\r\ncount = n\r\nEnd Function\r\n";
  EXPECT_EQ(host->BuildNewCode("count", script, 1, 0), "1");
  // Not added again: the counter survives.
  EXPECT_EQ(host->BuildNewCode("count", script, 2, 0), "2");
  EXPECT_EQ(host->addedCode().size(), 1u);
  // Added again: its top-level code runs again.
  EXPECT_EQ(host->BuildNewCode("count", script, 0, 0), "1");
  EXPECT_EQ(host->addedCode().size(), 2u);
  EXPECT_EQ(ctx().ProjErr, "");
}

TEST_F(ScriptHostTest, ErrorReportsNameTheScriptAndThePlace) {
  auto host = started();
  struct Case {
    const char* id;
    const char* script;
    const char* report;
  };
  for (const Case& c : {
           Case{"div", "Function div()\r\nDim x\r\ndiv = 1 / 0\r\nEnd Function\r\n",
                "Brindlewood (div): VBScript runtime error (11), line 3\r\n"
                "Description: Division by zero\r\n"},
           Case{"bad", "Function bad()\r\n  bad = (1 + \r\nEnd Function\r\n",
                "Brindlewood (bad): VBScript compilation error (1023), line 2, column 13\r\n"
                "Description: Expected expression\r\nText:   bad = (1 + "},
           Case{"missing", "Function other()\r\nEnd Function\r\n",
                "Brindlewood (missing): VBScript runtime error (35)\r\n"
                "Description: Procedure not defined: 'missing'\r\n"},
       }) {
    SCOPED_TRACE(c.id);
    ctx().ProjErr.clear();
    EXPECT_EQ(host->BuildNewCode(c.id, c.script, 1, 0), "");
    EXPECT_EQ(ctx().ProjErr, c.report);
  }
}

TEST_F(ScriptHostTest, TimeOutStopsARunawayPage) {
  auto host = started();
  EXPECT_EQ(host->BuildNewCode("spin", "Function spin()\r\nDo : Loop\r\nEnd Function\r\n", 1, 100),
            "");
  EXPECT_NE(ctx().ProjErr.find("Brindlewood (spin): "), std::string::npos) << ctx().ProjErr;
}

TEST_F(ScriptHostTest, RunModuleLoadsTheCurrentObjectsFirst) {
  auto host = started();
  host->BuildNewCode(
      "qzDefine",
      "Function qzDefine()\r\nEnd Function\r\n"
      "Function UseFeature()\r\nUseFeature = TABLE.TblName & \"!\"\r\nEnd Function\r\n"
      "Function Broken()\r\nBroken = 1 / 0\r\nEnd Function\r\n",
      1, 0);
  EXPECT_EQ(automation::CStr(host->RunModule("UseFeature")), "Orders!");
  EXPECT_TRUE(host->ModuleExist("usefeature"));
  EXPECT_TRUE(host->UserModuleExist("USEFEATURE"));
  EXPECT_FALSE(host->ModuleExist("NoSuch"));
  EXPECT_TRUE(host->RunModule("Broken").isEmpty());
  EXPECT_EQ(ctx().ProjErr.rfind("Brindlewood (Broken): VBScript runtime error (11)", 0), 0u)
      << ctx().ProjErr;
  // With an error pending nothing runs.
  EXPECT_TRUE(host->RunModule("UseFeature").isEmpty());
  EXPECT_FALSE(host->Validate());
}

// ---- User code --------------------------------------------------------------------------------

TEST_F(ScriptHostTest, UserCodeOverridesSystemFunctions) {
  general("USERCODE",
          file("user/usercode.vbs",
               "Function USER_Quote(s)\r\nUSER_Quote = \"[\" & s & \"]\"\r\nEnd Function\r\n"
               "Function Helper()\r\nHelper = 7\r\nEnd Function\r\n"));
  auto host = started();
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_TRUE(host->userScript()->UserModuleExist("user_QUOTE"));
  EXPECT_TRUE(host->userScript()->UserModuleExist("helper"));
  EXPECT_EQ(host->BuildNewCode("t",
                               "Function t()\r\nDim s : Set s = New cSystemFunctions\r\n"
                               "t = s.Quote(\"x\") & Helper()\r\nEnd Function\r\n",
                               1, 0),
            "[\"x\"]7");

  // An extension's user code: its names are registered, the earlier ones again.
  host->AddUserCode(
      file("ext/usercode.vbs", "Function ExtHelper()\r\nExtHelper = 1\r\nEnd Function\r\n"));
  EXPECT_EQ(ctx().ProjErr, "");
  const auto& names = host->userScript()->names();
  EXPECT_EQ(std::count(names.begin(), names.end(), "Helper"), 2);
  EXPECT_TRUE(host->ModuleExist("ExtHelper"));
}

TEST_F(ScriptHostTest, UserCodeThatDoesNotCompileStaysOutOfTheMainEngine) {
  auto host = started();
  host->AddUserCode(file("ext/sub/usercode.vbs",
                         "Function Good()\r\nGood = 1\r\nEnd Function\r\nFunction Bad(\r\n"));
  EXPECT_EQ(ctx().ProjErr.rfind("Brindlewood (usercode.vbs): VBScript compilation error", 0), 0u)
      << ctx().ProjErr;
  EXPECT_NE(ctx().ProjErr.find(", line 4"), std::string::npos) << ctx().ProjErr;
  EXPECT_FALSE(host->ModuleExist("Good"));
  EXPECT_FALSE(host->userScript()->UserModuleExist("Good"));
}

TEST_F(ScriptHostTest, MissingScriptFilesAreErrors) {
  general("USERCODE", (env.root() / "nowhere.vbs").string());
  auto host = started();
  EXPECT_EQ(ctx().ProjErr, "Brindlewood: Script file " + (env.root() / "nowhere.vbs").string() +
                               " not found! Content not loaded!");
  ctx().ProjErr.clear();
  host->AddTemplateScript((env.root() / "gone.vbs").string());
  EXPECT_NE(ctx().ProjErr.find("gone.vbs not found!"), std::string::npos);
}

TEST_F(ScriptHostTest, TemplateScriptsJoinTheMainEngine) {
  auto host = started();
  host->AddTemplateScript(file("cache/functions.vbs",
                               "Function UseFeature()\r\nUseFeature = True\r\nEnd Function\r\n"));
  EXPECT_TRUE(host->ModuleExist("UseFeature"));
  EXPECT_EQ(automation::CStr(host->RunModule("UseFeature")), "True");
  host->AddTemplateScript(file("cache/broken.vbs", "Sub X(\r\n"));
  EXPECT_EQ(ctx().ProjErr.rfind("Brindlewood (broken.vbs): VBScript compilation error", 0), 0u)
      << ctx().ProjErr;
}

// ---- Validation -------------------------------------------------------------------------------

TEST_F(ScriptHostTest, BuiltInValidationChecksThePublishedObjects) {
  auto host = started();
  EXPECT_FALSE(host->validationNames().empty());
  EXPECT_TRUE(host->Validate()) << ctx().ProjErr;

  // Without the control list the check fails and names itself.
  auto bare = makeRef<AGScript>();
  bare->Initialize(proj, nullptr, nullptr, nullptr, nullptr, "VB", nullptr, nullptr, nullptr);
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_FALSE(bare->Validate());
  EXPECT_EQ(ctx().ProjErr, "Brindlewood: Validation module (qz_CheckPublishedObjects) failed");
}

TEST_F(ScriptHostTest, ValidationCodeFromAnIndex) {
  file("vl/a.vbs", "Function CheckA()\r\nCheckA = True\r\nEnd Function\r\n");
  file("vl/b.vbs",
       "Function CheckB()\r\nCheckB = (PROJ.GetV(\"ProjName\") = \"Other\")\r\nEnd Function\r\n"
       "Function CheckC()\r\nCheckC = \"maybe\"\r\nEnd Function\r\n");
  file("vl/empty.vbs", "");
  general("VALIDATECODE", file("vl/index.xml", "<index><file value=\"a.vbs\"/><other value=\"x\"/>"
                                               "<FILE value=\"b.vbs\"/><file value=\"\"/>"
                                               "<file value=\"empty.vbs\"/></index>"));
  auto host = started();
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(host->validationNames(), (std::vector<std::string>{"CheckA", "CheckB", "CheckC"}));
  EXPECT_FALSE(host->Validate());
  // CheckB returned False, then CheckC's text failed to convert and its report replaced it.
  EXPECT_EQ(ctx().ProjErr.rfind("Brindlewood (CheckC): ", 0), 0u) << ctx().ProjErr;
  EXPECT_TRUE(std::filesystem::exists(host->dumpFolder() + "/validatecode.txt"));

  ctx().ProjErr.clear();
  proj->setProjName("Other");
  file("vl/b.vbs",
       "Function CheckB()\r\nCheckB = (PROJ.GetV(\"ProjName\") = \"Other\")\r\nEnd Function\r\n");
  auto second = started();
  EXPECT_TRUE(second->Validate()) << ctx().ProjErr;
}

TEST_F(ScriptHostTest, ValidationWithoutProceduresPasses) {
  general("VALIDATECODE", file("vl/index.xml", "<index><file value=\"note.vbs\"/></index>"));
  file("vl/note.vbs", "' nothing to check\r\n");
  auto host = started();
  EXPECT_TRUE(host->validationNames().empty());
  EXPECT_TRUE(host->Validate()) << ctx().ProjErr;
}

// ---- System code from an index -----------------------------------------------------------------

class SystemCodeIndexTest : public ScriptHostTest {
public:
  SystemCodeIndexTest() {
    proj->Language()->AddPhrase("Hello", "Hi");
    file("sys/globals.vbs", "<!--## Dim qz_IndentWrk ##-->\r\n");
    file("sys/funcs/title.txt",
         "<<!--##= s ##-->> <!--##@ Hello ##--><!--## If s = \"a\" Then ##-->!<!--## End If ##-->");
    file("sys/funcs/block.txt", "x\r\ny");
    general("SYSCODEPREFIX", file("sys/prefix.txt", "' start <name>(<parm>)\r\n"));
    general("SYSCODESUFFIX", file("sys/suffix.txt", "' end <name>\r\n"));
  }
  void index(const std::string& extra) {
    general("SYSCODE",
            file("sys/index.xml",
                 "<index>\r\n"
                 "<File value=\"globals.vbs\" function=\"False\"/>\r\n"
                 "<file value=\"funcs/title.txt\" function=\"True\" id=\" Title \" parm=\" s \" "
                 "override=\"True\" multiline=\"False\" indent=\"False\"/>\r\n"
                 "<file value=\"funcs/block.txt\" function=\"1\" id=\"Block\" parm=\"\" "
                 "override=\"0\" multiline=\"1\" indent=\"-1\"/>\r\n"
                 "<file value=\"\" function=\"True\" id=\"Ignored\"/>\r\n"
                 "<note value=\"nowhere.vbs\"/>\r\n" +
                     extra + "</index>\r\n"));
  }
  std::string dumped(const std::string& name) {
    return readAll(std::filesystem::path(host->dumpFolder()) / name);
  }
  Ref<AGScript> host;
};

TEST_F(SystemCodeIndexTest, AssemblesFunctionsWithPrefixSuffixAndOverride) {
  index("");
  general("USERCODE",
          file("user.vbs",
               "Function USER_Title(t)\r\nUSER_Title = \"[\" & t & \"]\"\r\nEnd Function\r\n"));
  host = started();
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(dumped("syscode.txt"),
            " Dim qz_IndentWrk \r\n"
            "Class cSystemFunctions\r\n"
            "\r\n' Title\r\nFunction Title(s)\r\n' start Title(s)\r\n"
            "Title = Title & \"<\"\r\n"
            "Title = Title & s\r\n"
            "Title = Title & \"> \"\r\n"
            "Title = Title & Language.Phrase(\"Hello\")\r\n"
            " If s = \"a\" Then \r\n"
            "Title = Title & \"!\"\r\n"
            " End If \r\n"
            "' end Title\r\n"
            "\r\nIf SCRPT.UserModuleExist(\"USER_Title\") Then Title=USER_Title(Title)\r\n"
            "End Function\r\n"
            "\r\n' Block\r\nFunction Block()\r\n' start Block()\r\n"
            "Block = Block & \"x\"&vbCrLf&qz_IndentWrk&\"y\"\r\n"
            "' end Block\r\n"
            "End Function\r\n"
            "End Class");
  EXPECT_EQ(host->BuildNewCode("t",
                               "Function t()\r\nDim s : Set s = New cSystemFunctions\r\n"
                               "qz_IndentWrk = \">\"\r\n"
                               "t = s.Title(\"a\") & \"|\" & s.Title(\"b\") & \"|\" & s.Block()\r\n"
                               "End Function\r\n",
                               1, 0),
            "[<a> Hi!]|[<b> Hi]|x\r\n>y")
      << ctx().ProjErr;
  // Dumps stay out of the generated site.
  EXPECT_FALSE(std::filesystem::exists(env.root() / "site" / "syscode.txt"));
}

TEST_F(SystemCodeIndexTest, FailuresNameTheFileAndStopLoading) {
  struct Case {
    const char* name;
    std::function<void(SystemCodeIndexTest&)> setup;
    std::string error; // the start of ProjErr
    const char* dump;  // a dump that holds the failing code, or ""
  };
  std::string root = env.root().string();
  for (const Case& c : std::vector<Case>{
           {"text outside script blocks",
            [](SystemCodeIndexTest& t) {
              t.file("sys/more/bad.txt", "hello");
              t.index("<file value=\"more/bad.txt\" function=\"False\"/>");
            },
            "Brindlewood (bad.txt): VBScript compilation error", "bad.txt"},
           {"unclosed block",
            [](SystemCodeIndexTest& t) {
              t.file("sys/broken.txt", "a<!--## x");
              t.index("<file value=\"broken.txt\" function=\"True\" id=\"B\"/>");
            },
            "broken.txt: ***Incomplete Block at line 1 column 2", "broken.txt"},
           {"missing code file",
            [](SystemCodeIndexTest& t) {
              t.index("<file value=\"gone.txt\" function=\"True\" id=\"G\"/>");
            },
            "Brindlewood: Script file " + root + "/sys/gone.txt not found! Content not loaded!",
            ""},
           {"unreadable index",
            [](SystemCodeIndexTest& t) {
              t.general("SYSCODE", t.file("sys/index.xml", "<index><file"));
            },
            "Load syscode file " + root + "/sys/index.xml failed!", ""},
           {"no suffix file",
            [](SystemCodeIndexTest& t) {
              t.index("");
              t.general("SYSCODESUFFIX", "");
            },
            "Brindlewood: System code index " + root + "/sys/index.xml needs", ""},
       }) {
    SCOPED_TRACE(c.name);
    ctx().ProjErr.clear();
    c.setup(*this);
    host = started();
    EXPECT_EQ(ctx().ProjErr.rfind(c.error, 0), 0u) << ctx().ProjErr;
    if (*c.dump) {
      EXPECT_FALSE(dumped(c.dump).empty());
    }
    // Nothing of the system code reached the main engine, and user code was not loaded.
    EXPECT_FALSE(host->ModuleExist("Title"));
    EXPECT_TRUE(host->userScript()->names().empty());
  }
  EXPECT_EQ(dumped("syscode.txt"), "'missing syscodeprefix or syscodesuffix");
}

// ---- Construction -----------------------------------------------------------------------------

TEST_F(ScriptHostTest, LocaleAnswerFromTheRegistryOrTheProbe) {
  EXPECT_FALSE(makeRef<AGScript>()->NonEnglishLocale());
  general("ConvertBoolean", "1");
  EXPECT_TRUE(makeRef<AGScript>()->NonEnglishLocale());
  general("ConvertBoolean", "0");
  EXPECT_FALSE(makeRef<AGScript>()->NonEnglishLocale());
  EXPECT_EQ(ctx().ProjErr, "");

  general("ConvertBoolean", "maybe");
  auto host = makeRef<AGScript>();
  EXPECT_FALSE(host->IsInitialized());
  EXPECT_EQ(ctx().ProjErr, "Initialize Script Engine failed. Error: Type mismatch");
  // An inert host runs nothing and hands scripts back.
  host->initializeFor(proj, controls, nullptr);
  EXPECT_EQ(host->BuildNewCode("x", "script text", 1, 0), "script text");
  EXPECT_TRUE(host->RunModule("x").isEmpty());
  EXPECT_FALSE(host->Validate());
  ctx().ProjErr.clear();
  EXPECT_FALSE(host->Validate());
}

TEST_F(ScriptHostTest, MissingBuiltInCodeIsAnError) {
  struct Empty : core::ScriptCodeProvider {
    std::string code(std::string_view) override { return {}; }
  };
  core::installScriptCodeProvider(std::make_shared<Empty>());
  auto host = started();
  EXPECT_EQ(ctx().ProjErr, "Brindlewood: Built-in system code \"VB\" not found");
}

TEST_F(ScriptHostTest, BuiltInCodeLeavesTheMainEngineWithSystemAndUserCodeOnly) {
  general("USERCODE", file("user.vbs", "Function Mine()\r\nEnd Function\r\n"));
  auto host = started();
  ASSERT_EQ(ctx().ProjErr, "");
  std::vector<std::string> names;
  auto procs = host->mainEngine()->Procedures();
  for (int32_t i = 1; i <= procs->Count(); ++i)
    names.push_back(procs->Item(Variant(i))->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"qz_SetLocale", "qz_LoadCurrent", "qz_ClassName",
                                             "Register", "Include", "Control_Start", "Class_Start",
                                             "Class_End", "Mine"}));
  EXPECT_EQ(builtinScriptCode("VL "), builtinScriptCode("vl"));
  EXPECT_EQ(builtinScriptCode("XX"), "");
}

// The built-in system code is part of what compiled templates and user code rely on: its text
// stays the same to the byte unless changed on purpose (QUILLET_UPDATE_GOLDEN=1 rewrites it).
TEST(BuiltInCode, SystemCodeMatchesItsStoredText) {
  const std::filesystem::path dir =
      std::filesystem::path(QUILLET_TEST_DIR) / "fixtures/system_code";
  for (const auto& [key, name] : {std::pair{"VB", "vb.txt"}, std::pair{"C#", "cs.txt"}}) {
    const std::string code = builtinScriptCode(key);
    if (std::getenv("QUILLET_UPDATE_GOLDEN")) std::ofstream(dir / name, std::ios::binary) << code;
    EXPECT_EQ(code, readAll(dir / name)) << key;
  }
  EXPECT_EQ(builtinScriptCode("c# "), builtinScriptCode("C#"));
}

} // namespace
} // namespace quillet::testing
