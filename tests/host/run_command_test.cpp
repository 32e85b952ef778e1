// `brindlewood run`: the script host as a user runs it.
#include <chrono>
#include <gtest/gtest.h>

#include "support/host_run.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using quillet::testing::hostProgram;
using quillet::testing::HostRun;

HostRun run(const std::string& args, const char* redirect = "2>&1") {
  return quillet::testing::runHost(args, redirect);
}

class RunCommand : public quillet::testing::HostProgramTest {};

TEST_F(RunCommand, WScriptObjectAndArguments) {
  std::string file = script(
      "hello.vbs", "WScript.Echo \"hi\", WScript.Arguments.Count, WScript.ScriptName\r\n"
                   "For Each a In WScript.Arguments: WScript.StdOut.Write a & \";\": Next\r\n"
                   "WScript.StdOut.WriteLine \"|\" & WScript.Arguments(1)\r\n"
                   "WScript.StdErr.WriteLine \"err\"\r\n"
                   "WScript.Sleep 1\r\n"
                   "If InStr(WScript.ScriptFullName, \"hello.vbs\") > 0 Then WScript.Echo "
                   "\"full\"\r\n");
  HostRun r = run("run " + file + " one two", "2>/dev/null");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "hi 2 hello.vbs\none;two;|two\nfull\n");
}

TEST_F(RunCommand, QuitSetsTheExitStatus) {
  std::string file = script("quit.vbs", "WScript.Echo 1\nOn Error Resume Next\nWScript.Quit 7\n"
                                        "WScript.Echo 2\n");
  HostRun r = run("run " + file);
  EXPECT_EQ(r.status, 7);
  EXPECT_EQ(r.out, "1\n");
}

TEST_F(RunCommand, ErrorsNameFileLineAndColumn) {
  std::string file = script("bad.vbs", "WScript.Echo \"before\"\n  x = 1 / 0\n");
  HostRun r = run("run " + file);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "before\n" + file + "(2, 3) VBScript runtime error: Division by zero\n");

  file = script("syntax.vbs", "WScript.Echo \"never\"\nIf x Then\n");
  r = run("run " + file);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, file + "(3, 1) VBScript compilation error: Expected 'End'\n");
}

TEST_F(RunCommand, TimeoutBoundsTheRun) {
  std::string file = script("loop.vbs", "Do\nLoop\n");
  HostRun r = run("run --timeout 100 " + file);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("timed out"), std::string::npos);
}

TEST_F(RunCommand, TimeoutBoundsSleepAndLongBuiltins) {
  std::string file = script("sleep.vbs", "WScript.Sleep 60000\n");
  auto start = std::chrono::steady_clock::now();
  HostRun r = run("run --timeout 200 " + file);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("timed out"), std::string::npos);
  file = script("replace.vbs", "s = String(3000000, \"a\")\nDo\ns = Replace(s, \"a\", \"b\")\n"
                               "s = Replace(s, \"b\", \"a\")\nLoop\n");
  r = run("run --timeout 300 " + file);
  EXPECT_NE(r.out.find("timed out"), std::string::npos);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(RunCommand, TimeoutIsParsedStrictly) {
  std::string file = script("ok.vbs", "WScript.Echo 1\n");
  for (const char* bad : {"4294967297", "2147483648", "-5", "1e3", "", "12ms", " 5", "0x10"})
    EXPECT_EQ(run(std::string("run --timeout '") + bad + "' " + file).status, 2) << bad;
  for (const char* good : {"0", "2147483647", "100"})
    EXPECT_EQ(run(std::string("run --timeout ") + good + " " + file).out, "1\n") << good;
}

TEST_F(RunCommand, CreateObjectReachesRegisteredClasses) {
  std::string file = script("objects.vbs", "Set sc = CreateObject(\"Quillet.ScriptControl\")\n"
                                           "WScript.Echo sc.Eval(\"6 * 7\")\n"
                                           "Set x = CreateObject(\"No.Such\")\n");
  HostRun r = run("run " + file);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.substr(0, 3), "42\n");
  EXPECT_NE(r.out.find("(3, 1) VBScript runtime error: ActiveX component can't create object"),
            std::string::npos);
}

TEST_F(RunCommand, ClassesOfEveryLayerAreCreatable) {
  // One class per layer: the core bag, the element model, the model's item list, the data
  // layer and the script objects.
  std::string file =
      script("layers.vbs", "Set p = CreateObject(\"Quillet.AGProperties\")\n"
                           "p.Add \"Colour\", \"String\"\n"
                           "Set c = CreateObject(\"Quillet.RUZCharts\")\n"
                           "Set i = CreateObject(\"Quillet.AGControlItems\")\n"
                           "Set cn = CreateObject(\"ADODB.Connection\")\n"
                           "Set d = CreateObject(\"Scripting.Dictionary\")\n"
                           "WScript.Echo p.Count & \" \" & c.Count & \" \" & i.Count & \" \" & "
                           "cn.State & \" \" & TypeName(d)\n");
  HostRun r = run("run " + file);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "1 0 0 0 Dictionary\n");
}

TEST_F(RunCommand, UsageErrors) {
  EXPECT_EQ(run("run").status, 2);
  EXPECT_EQ(run("run --timeout").status, 2);
  HostRun r = run("run " + (dir / "missing.vbs"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("cannot read"), std::string::npos);
}

} // namespace
