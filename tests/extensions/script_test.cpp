// The extension classes driven by a script under `brindlewood run`, the way templates and
// the host reach them: by name, through their member tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "support/host_run.h"

namespace {

using quillet::testing::hostProgram;
using quillet::testing::HostRun;

class ExtensionScript : public quillet::testing::HostProgramTest {
protected:
  HostRun run(const std::string& text) {
    // The script's own HOME, so no user registry or documents folder is touched.
    return quillet::testing::runHost("run " + script("script.vbs", text), "2>&1");
  }
};

// Prints an extension's tree: tables with their numbers, then charts | fields.
const char* kTreePrinter = R"vbs(
Function TreeText(ext)
  Dim s, t, c, f
  s = ext.Name & " #" & ext.Seq & ":"
  If Not ext.IsExtended Then TreeText = s & " no tree" : Exit Function
  For Each t In ext.PROJ.DB.Tables
    s = s & " " & t.TblName & t.TblSeq & "("
    For Each c In t.Charts : s = s & c.ChartName & c.ChartSeq & " " : Next
    s = s & "|"
    For Each f In t.Fields : s = s & f.FldName & f.FldSeq & " " : Next
    s = s & ")"
  Next
  TreeText = s
End Function
)vbs";

TEST_F(ExtensionScript, ListsTreesScriptsAndCodeBaseByName) {
  std::string script = std::string(kTreePrinter) + R"vbs(
Set exts = CreateObject("Quillet.RUZExtensions")
exts.Add "Sales" : exts.Add "Audit"
exts("sales").Template = "sales.zip"
Set tables = exts("Sales").PROJ.DB.Tables
tables.Add "Orders" : tables.Add "Customers"
tables("Orders").Charts.Add "Sales"
tables("Orders").Fields.Add "Id" : tables("Orders").Fields.Add "Total"
tables("Orders").Properties.Add "Color", "String", False, 0, True, True
tables("Orders").Properties("Color").Value = "red"
tables.Change "Orders", "Purchases"
tables("Purchases").Fields.Delete "Id"
WScript.Echo exts.Count, exts.curName, exts.curSeq, exts("Sales").Template
For i = 1 To exts.Count : WScript.Echo TreeText(exts.Seq(i)) : Next
WScript.Echo tables("purchases").Properties("Color"), tables.curName, tables.curSeq
WScript.Echo exts("Sales").PROJ.DBCnt, exts("Sales").PROJ.DB.DBName, TypeName(exts.Item("x"))

Set scripts = CreateObject("Quillet.RUZCustomScripts")
scripts.Add "table", "server", "Check", "vb", "list", "Order_Lines", ""
scripts.Add "field", "server", "Sum", "vb", "edit", "Orders", "Total"
scripts.ScriptItem("table", "server", "Check", "vb", "list", "Order_Lines", "").ScriptCode = "x = 1"
scripts.Change "orders", "Purchases"
For Each s In scripts
  WScript.Echo s.Seq, s.ScriptL1Key, s.Key, s.ScriptCode
Next
WScript.Echo scripts.curName, scripts.Delete("field", "server", "Sum", "vb", "edit", "Purchases", "Total"), scripts.Count

Set cb = CreateObject("Quillet.RUZCodeBase")
WScript.Echo cb.Count, cb.curIndex, cb.Load("no-such-file.xml")
Set bag = CreateObject("Quillet.RUZExtProj").Properties
WScript.Echo TypeName(bag), TypeName(CreateObject("Quillet.RUZExtension").PROJ)
)vbs";
  HostRun r = run(script);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "2 Sales 1 sales.zip\n"
                   "Sales #1: Purchases1(Sales1 |Total1 ) Customers2(|)\n"
                   "Audit #2: no tree\n"
                   "red Purchases 1\n"
                   "1 DB Nothing\n"
                   "1 Order_Lines  x = 1\n"
                   "2 Purchases field_server_Sum_vb_edit_Purchases_Total \n"
                   "table_server_Check_vb_list_Order\\_Lines_ True 1\n"
                   "0 0 False\n"
                   "AGProperties RUZExtProj\n");
}

} // namespace
