// The project verbs of the brindlewood program, run as a user would.
#include <gtest/gtest.h>

#include <string>

#include "core/registry.h"
#include "core/test_env.h"
#include "model/database.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "project/ruz.h"
#include "support/host_run.h"

namespace {

using namespace quillet;
using quillet::testing::HostRun;

class ProjectVerbs : public quillet::testing::CoreTest {
protected:
  ProjectVerbs() {
    file = env.path("p.kvz").string();
    project::RUZ p;
    p.AddProj("Shop");
    p.setAutoSync(false);
    env.write("t/site.zip", "zip");
    p.setTemplate(env.path("t/site.zip").string());
    p.Databases()->Add("shop");
    p.useDatabase("shop");
    p.DB()->setDBType("ACCESS");
    for (const char* t : {"Orders", "Items"}) {
      p.DB()->Tables()->Add(t);
      p.DB()->Tables()->Item(platform::automation::Variant(t))->Fields()->Add(t, "ID");
    }
    p.DB()
        ->Tables()
        ->Item(platform::automation::Variant("Orders"))
        ->Fields()
        ->Add("Orders", "Date");
    p.Save(file);
  }
  HostRun run(const std::string& args) { return quillet::testing::runHost(args, "2>&1"); }
  std::string file;
};

TEST_F(ProjectVerbs, ShowGetAndSet) {
  HostRun show = run("show " + file);
  EXPECT_EQ(show.status, 0) << show.out;
  EXPECT_NE(show.out.find("Database:    shop (ACCESS)"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("  Orders (2 fields)\n  Items (1 fields)"), std::string::npos);
  EXPECT_NE(show.out.find("Template:    " + env.path("t/site.zip").string()), std::string::npos);

  EXPECT_EQ(run("set " + file + " BodyTitle My Shop").status, 0);
  EXPECT_EQ(run("get " + file + " bodytitle").out, "My Shop\n");
  EXPECT_EQ(run("set " + file + " FldCaption Order date --table Orders --field date").status, 0);
  EXPECT_EQ(run("get " + file + " FldCaption --table orders --field Date").out, "Order date\n");
  HostRun bad = run("set " + file + " MultiLanguage perhaps");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("Brindlewood: Setting \"MultiLanguage\""), std::string::npos) << bad.out;

  HostRun list = run("settings " + file + " --table Orders");
  EXPECT_EQ(list.status, 0);
  EXPECT_NE(list.out.find("TblName\tString\t-F-\tOrders\n"), std::string::npos) << list.out;
  EXPECT_NE(run("settings " + file).out.find("RecPerPage\tInteger\tRFS\t"), std::string::npos);
}

TEST_F(ProjectVerbs, FailuresAndUsage) {
  HostRun missing = run("show " + env.path("none.kvz").string());
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("Brindlewood: Load Project File failed!"), std::string::npos);
  EXPECT_EQ(run("get " + file + " NoSuchSetting").status, 1);
  EXPECT_EQ(run("get " + file + " X --table Nope").status, 1);
  for (const char* args : {"get", "set p.kvz Name", "show a b", "get p.kvz X --field F",
                           "settings p.kvz --colour", "defaults p.kvz"})
    EXPECT_EQ(run(args).status, 2) << args;
  HostRun help = run("set --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: brindlewood set FILE.kvz NAME VALUE..."), std::string::npos);
  EXPECT_NE(run("--help").out.find("defaults --save FILE.kvz"), std::string::npos);
}

TEST_F(ProjectVerbs, DefaultsAreSaved) {
  EXPECT_EQ(run("set " + file + " RecPerPage 33").status, 0);
  EXPECT_EQ(run("defaults --save " + file).status, 0);
  platform::automation::Variant v =
      core::RegGetValue("HKCU", ctx().sectionKey("Project"), "RecPerPage");
  EXPECT_EQ(platform::automation::CLng(v), 33);
}

} // namespace
