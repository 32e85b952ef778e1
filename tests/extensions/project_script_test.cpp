// The whole extension road driven by a script under `brindlewood run` through the project
// object, as templates and the host drive it: a project file with tables, charts and fields,
// two extensions from the fixture definition files, attributes set and read, renames and
// deletions, custom scripts, and the trees printed after each step.
#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

#include "core/test_env.h"
#include "support/host_run.h"

namespace {

using quillet::testing::hostProgram;
using quillet::testing::HostRun;

class ProjectScript : public quillet::testing::HostProgramTest {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(HostProgramTest::SetUp());
    // The user's hive names the fixture folder as the extensions folder.
    env.write("config/brindlewood/user.reg",
              "[Software\\Brindlewood\\4.0\\Extensions]\n\"SourceFolder\"=\"" + fixtures() +
                  "\"\n\n[Software\\Brindlewood\\4.0\\Settings\\General]\n"
                  "\"LanguageFolder\"=\"" +
                  env.path("languages").string() + "\"\n");
  }
  static std::string fixtures() { return std::string(QUILLET_TEST_DIR) + "/fixtures"; }
  quillet::testing::TempEnv env;
};

const char* kScript = R"vbs(
Function TreeText(ext)
  Dim s, t, c, f
  s = ext.Name & ":"
  For Each t In ext.PROJ.DB.Tables
    s = s & " " & t.TblName & t.TblSeq & "("
    For Each c In t.Charts : s = s & c.ChartName & c.ChartSeq & " " : Next
    s = s & "|"
    For Each f In t.Fields : s = s & f.FldName & f.FldSeq & " " : Next
    s = s & ")"
  Next
  TreeText = s
End Function

Sub PrintAll(step)
  WScript.Echo "-- " & step
  For i = 1 To p.Extensions.Count : WScript.Echo TreeText(p.Extensions.Seq(i)) : Next
  For Each s In p.customscripts : WScript.Echo s.Seq, s.ScriptL1Key, s.ScriptL2Key : Next
End Sub

Set p = CreateObject("Quillet.RUZ")
p.Load WScript.Arguments(0)
If p.ProjErr <> "" Then WScript.Echo "load: " & p.ProjErr
WScript.Echo p.AddExtension("Sales", "sales.zip", "sales.xml"), p.AddExtension("Audit", "audit.zip", "audit.xml")
WScript.Echo p.GetExtDefault("Sales", "field", "Mask"), p.GetExtProjAtt("Audit", "Owner")
WScript.Echo p.SetExtTblAtt("Sales", "Orders", "Color", "green"), p.SetExtChartAtt("Audit", "Orders", "Volume", "Stamp", 2.5)
WScript.Echo p.SetExtFldAtt("Sales", "Customers", "Name", "Width", 60), p.SetExtTblAtt("Sales", "Orders", "Nope", 1)
WScript.Echo p.GetExtChartAtt("Sales", "Orders", "Sales", "numDivLines"), p.DB.Tables("Orders").Charts("Sales").ChartNumGridLines
WScript.Echo p.AddCustomScript("table", "server", "Check", "vb", "list", "Orders", "", "x = 1"), _
  p.AddCustomScript("field", "server", "Sum", "vb", "edit", "ORDERS", "Total", "y = 2")
PrintAll "added"
p.DB.Tables.Change "orders", "Purchases"
p.DB.Tables("Purchases").Charts.Change "Purchases", "SALES", "Revenue"
p.DB.Tables("Customers").Fields.Change "Customers", "name", "FullName"
PrintAll "renamed"
WScript.Echo p.GetExtTblAtt("Sales", "Purchases", "Color"), p.GetExtFldAtt("Sales", "Customers", "FullName", "Width")
p.DB.Tables("Purchases").Charts.Delete "Purchases", "Volume"
p.DB.Tables("Purchases").Fields.Delete "Purchases", "Id"
p.DB.Tables.Delete "Customers"
PrintAll "deleted"
WScript.Echo p.DeleteExtension("Audit"), p.Extensions.Count, p.ProjErr = ""
)vbs";

TEST_F(ProjectScript, ExtensionsFollowTheProjectThroughTheProjectObject) {
  env.write("script.vbs", kScript);
  HostRun r = quillet::testing::runHost(
      "run " + env.path("script.vbs").string() + " " + fixtures() + "/shop.kvz", "2>&1");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "True True\n"
                   "### admin\n"
                   "True True\n"
                   "True False\n"
                   "5 0\n"
                   "True True\n"
                   "-- added\n"
                   "Sales: Orders1(Sales1 Volume2 |Id1 Total2 ) Customers2(|Id1 Name2 )\n"
                   "Audit: Orders1(Sales1 Volume2 |Id1 Total2 ) Customers2(|Id1 Name2 )\n"
                   "1 Orders \n"
                   "2 ORDERS Total\n"
                   "-- renamed\n"
                   "Sales: Purchases1(Revenue1 Volume2 |Id1 Total2 ) Customers2(|Id1 FullName2 )\n"
                   "Audit: Purchases1(Revenue1 Volume2 |Id1 Total2 ) Customers2(|Id1 FullName2 )\n"
                   "1 Purchases \n"
                   "2 Purchases Total\n"
                   "green 60\n"
                   "-- deleted\n"
                   "Sales: Purchases1(Revenue1 |Total1 )\n"
                   "Audit: Purchases1(Revenue1 |Total1 )\n"
                   "1 Purchases \n"
                   "2 Purchases Total\n"
                   "True 1 True\n");
}

} // namespace
