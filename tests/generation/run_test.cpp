// Whole runs of the list and generating runs against a stand-in template engine: which
// files a run produces and what they hold, what a list run reports, how a failing page, a
// cancel and a stop leave the site and the run's state, and the checks of the driver.
#include <gtest/gtest.h>

#include "core/status.h"
#include "elements/chart.h"
#include "generation/fake_services.h"
#include "generation/gen_env.h"
#include "platform/automation/error.h"

namespace quillet::testing {
namespace {

namespace fs = std::filesystem;
using generation::Generator;

constexpr const char* kControls = R"(<?xml version="1.0"?>
<Brindlewood date="2025/01/01" version="4.0" desc="t" author="t">
<control id="_pages" type="folder" ofolder="pages"/>
<control id="list" type="table" ofile="list" oext="aspx" ofolderid="_pages" ifiles="list.tpl" overwrite="true"/>
<control id="view" type="field" ofile="view" oext="aspx" ofolderid="_pages" ifiles="view.tpl" overwrite="true"/>
<control id="default" type="other" ofile="default" oext="aspx" ifiles="default.tpl" overwrite="true"/>
<control id="web" type="web.config" ofile="web" oext="config" ifiles="web.tpl" overwrite="true"/>
</Brindlewood>
)";

class GenRun : public GenTest {
protected:
  GenRun() {
    tpl = env.root() / "tpl";
    fs::create_directories(tpl);
    writeTemplate("control.xml", kControls);
    writeTemplate("list.tpl", "\r\n<h1>{TABLE} list</h1>\r\n");
    writeTemplate("view.tpl", "<p>{TABLE}.{FIELD}</p>\r\n");
    writeTemplate("default.tpl", "<title>{PROJ}</title>\r\n");
    writeTemplate("web.tpl", "<configuration/>\r\n");
    services = std::make_shared<FakeServices>(tpl.string(), (env.root() / "cache").string());
    services->proj = &proj;
    generation::installTemplateServices(services);
    proj.setProjName("Shop");
    proj.setTemplate("/templates/fixture.zip");
    proj.setWebConfigGen(true);
    proj.setWebConfigOverwrite(true);
    addTable("Orders", {"Id", "Total"});
    addTable("Items", {"Sku"});
  }
  void writeTemplate(const std::string& name, const std::string& content) {
    std::ofstream(tpl / name, std::ios::binary) << content;
  }
  // A list run followed by a generating run, as the host does them.
  void generate() {
    Generator g(proj);
    g.GenCheck();
    ASSERT_EQ(ctx().ProjErr, "");
    g.GenScript();
  }
  fs::path tpl;
  std::shared_ptr<FakeServices> services;
};

TEST_F(GenRun, GeneratesEveryPageOnceWithItsTextAndListsIt) {
  generate();
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(filesBelow(dest),
            (std::vector<std::string>{"Brindlewood.log", "default.aspx", "pages/Items_Skuview.aspx",
                                      "pages/Itemslist.aspx", "pages/Orders_Idview.aspx",
                                      "pages/Orders_Totalview.aspx", "pages/Orderslist.aspx",
                                      "web.config"}));
  // Leading blank lines go; the rest is written as the script gave it.
  EXPECT_EQ(readAll(fs::path(dest) / "pages/Orderslist.aspx"), "<h1>Orders list</h1>\r\n");
  EXPECT_EQ(readAll(fs::path(dest) / "pages/Orders_Totalview.aspx"), "<p>Orders.Total</p>\r\n");
  EXPECT_EQ(readAll(fs::path(dest) / "default.aspx"), "<title>Shop</title>\r\n");
  std::string log = readAll(fs::path(dest) / "Brindlewood.log");
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 6);
  EXPECT_EQ(services->counters->built.size(), 4u);
  // Page functions run once per page.
  EXPECT_EQ(services->counters->pages.size(), 7u);
}

TEST_F(GenRun, ListRunReportsWhatAGeneratingRunWritesAndWritesNothing) {
  Generator g(proj);
  EXPECT_EQ(g.GenCheck(), 0);
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(filesBelow(dest), std::vector<std::string>{});
  std::vector<std::string> planned;
  for (const auto& p : generation::genState().planned) {
    EXPECT_FALSE(p.exists);
    planned.push_back(fs::relative(p.path, dest).generic_string());
  }
  std::sort(planned.begin(), planned.end());
  EXPECT_EQ(planned, (std::vector<std::string>{"default.aspx", "pages/Items_Skuview.aspx",
                                               "pages/Itemslist.aspx",
                                               "pages/Orders_Idview.aspx",
                                               "pages/Orders_Totalview.aspx",
                                               "pages/Orderslist.aspx", "web.config"}));
  // The items the user chooses from.
  EXPECT_TRUE(proj.ControlList()->ItemExist(Variant("default")));
  EXPECT_TRUE(proj.DB()->Tables()->Item(Variant("Orders"))->ControlList()->ItemExist(Variant("list")));

  g.GenScript();
  ASSERT_EQ(ctx().ProjErr, "");
  // Every output is counted, not only the first one found.
  EXPECT_EQ(Generator(proj).GenCheck(), 7);
}

TEST_F(GenRun, UnselectedItemsAreNotProduced) {
  Generator g(proj);
  g.GenCheck();
  proj.DB()->Tables()->Item(Variant("Items"))->ControlList()->Item(Variant("list"))->ItemGen = false;
  proj.ControlList()->Item(Variant("default"))->ItemGen = false;
  g.GenScript();
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_FALSE(fs::exists(fs::path(dest) / "default.aspx"));
  EXPECT_FALSE(fs::exists(fs::path(dest) / "pages/Itemslist.aspx"));
  // With nothing of its table selected, a field gets no pages either.
  EXPECT_FALSE(fs::exists(fs::path(dest) / "pages/Items_Skuview.aspx"));
  EXPECT_TRUE(fs::exists(fs::path(dest) / "pages/Orderslist.aspx"));
  EXPECT_EQ(proj.OtherGenList(), "@css=1,default=0,web=1");
}

TEST_F(GenRun, AFailingPageLeavesThePageThereAndStopsTheRun) {
  generate();
  ASSERT_EQ(ctx().ProjErr, "");
  fs::path page = fs::path(dest) / "pages/Orderslist.aspx";
  std::string before = readAll(page);
  fs::remove(fs::path(dest) / "web.config");
  writeTemplate("list.tpl", "<h1>{TABLE}</h1>{FAIL}rest\r\n");
  services->changed = {"list"};
  generate();
  EXPECT_EQ(readAll(page), before);
  const std::string& err = ctx().ProjErr;
  EXPECT_EQ(err.rfind("Brindlewood: Generate Table Orders list page error\r\n", 0), 0u) << err;
  EXPECT_NE(err.find("qzEx_list.tpl): script error, line 2"), std::string::npos) << err;
  // Nothing after the failing page is produced.
  EXPECT_FALSE(fs::exists(fs::path(dest) / "web.config"));
  EXPECT_EQ(services->counters->enginesAlive, 0);
  EXPECT_FALSE(services->counters->cacheOpen);
}

TEST_F(GenRun, AFailingFieldPageNamesTableAndField) {
  writeTemplate("view.tpl", "{FAIL}");
  generate();
  EXPECT_EQ(ctx().ProjErr.rfind("Brindlewood: Generate Table Orders Field Id page error\r\n", 0), 0u)
      << ctx().ProjErr;
  EXPECT_FALSE(fs::exists(fs::path(dest) / "pages/Orders_Idview.aspx"));
  EXPECT_FALSE(fs::exists(fs::path(dest) / "pages/Itemslist.aspx"));
}

TEST_F(GenRun, WebConfigNeedsBothTheRunsAndTheControlsPermission) {
  struct Case {
    bool runAllows;
    const char* overwrite;
    bool replaced;
  } cases[] = {{true, "true", true}, {false, "true", false}, {true, "false", false}};
  for (const Case& c : cases) {
    std::string controls = kControls;
    std::string from = R"(ifiles="web.tpl" overwrite="true")";
    controls.replace(controls.find(from), from.size(),
                     std::string(R"(ifiles="web.tpl" overwrite=")") + c.overwrite + "\"");
    writeTemplate("control.xml", controls);
    std::ofstream(fs::path(dest) / "web.config", std::ios::binary) << "mine";
    proj.setWebConfigOverwrite(c.runAllows);
    generate();
    ASSERT_EQ(ctx().ProjErr, "");
    EXPECT_EQ(readAll(fs::path(dest) / "web.config") != "mine", c.replaced)
        << c.runAllows << " " << c.overwrite;
  }
}

TEST_F(GenRun, TablesThatCannotBeGeneratedAreSkippedForTheRunOnly) {
  auto empty = proj.DB()->Tables();
  empty->Add("Empty");
  auto e = empty->Item(Variant("Empty"));
  e->setTblType("TABLE");
  e->setTblVar("Empty");
  e->setTblGen(true);
  auto items = proj.DB()->Tables()->Item(Variant("Items"));
  items->setTblKey("");
  items->setTblAdd(true);
  items->setTblDelete(true);
  generate();
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_FALSE(fs::exists(fs::path(dest) / "pages/Emptylist.aspx"));
  // The user's settings are as they were, so a save keeps them.
  EXPECT_TRUE(e->TblGen());
  EXPECT_TRUE(items->TblAdd());
  EXPECT_TRUE(items->TblDelete());
}

TEST_F(GenRun, ClashingChartAndFieldNamesAreMadeUnique) {
  auto t = addTable("orders", {"ORDERS"});
  t->Charts()->Add("orders", "c1");
  t->Charts()->Item(Variant("c1"))->setChartVar("Orders");
  Generator g(proj);
  g.MakeUniqueVarNames(*t);
  EXPECT_EQ(t->Charts()->Item(Variant("c1"))->ChartVar(), "Orders_1");
  EXPECT_EQ(t->Fields()->Item(Variant("ORDERS"))->FldParm(), "ORDERS_2");
}

TEST_F(GenRun, ControlsWithoutSessionsAreCompiledWhenTheyChange) {
  generate();
  services->counters->built.clear();
  generate();
  EXPECT_EQ(services->counters->built, std::vector<std::string>{});
  services->changed = {"default"};
  generate();
  EXPECT_EQ(services->counters->built, std::vector<std::string>{"default"});
}

TEST_F(GenRun, CancellingBeforeATablePageRaisesAndReleasesTheRun) {
  auto progress = std::make_shared<platform::ui::SilentProgress>();
  platform::ui::installProgress(progress);
  Generator g(proj);
  g.GenCheck();
  progress->requestCancel();
  try {
    g.GenScript();
    ADD_FAILURE() << "no raise";
  } catch (const platform::automation::Error& e) {
    EXPECT_EQ(e.number(), generation::kGenerationAborted);
  }
  EXPECT_EQ(ctx().ProjErr, "Generation cancelled by user!");
  EXPECT_EQ(filesBelow(fs::path(dest) / "pages"), std::vector<std::string>{});
  EXPECT_EQ(services->counters->enginesAlive, 0);
  EXPECT_FALSE(services->counters->cacheOpen);
}

TEST_F(GenRun, DriverChecksStopTheRunWithTheirMessages) {
  struct Case {
    const char* version;
    const char* error; // "" : the run goes on
  } cases[] = {
      {"5.0", "Brindlewood: Template version (5.0) newer than software version (4.0.0.0)! "
              "Generation aborted!"},
      {"3.5", "Brindlewood: Template version (3.5) older than minimum required (4.0)! "
              "Generation aborted!"},
      {"4.9", ""},
      {"4.0.2", ""},
  };
  for (const Case& c : cases) {
    std::string controls = kControls;
    controls.replace(controls.find("version=\"4.0\""), 13, std::string("version=\"") + c.version + "\"");
    writeTemplate("control.xml", controls);
    Generator g(proj);
    g.GenScript();
    if (*c.error) {
      EXPECT_EQ(ctx().ProjErr.substr(0, ctx().ProjErr.find("\r\n")), c.error) << c.version;
    } else {
      EXPECT_EQ(ctx().ProjErr, "") << c.version;
    }
    EXPECT_EQ(services->counters->enginesAlive, 0);
    EXPECT_FALSE(services->counters->cacheOpen);
  }
  writeTemplate("control.xml", "<Other/>");
  Generator(proj).GenScript();
  EXPECT_EQ(ctx().ProjErr, "Brindlewood: Control file is invalid! Please check if the correct "
                           "template file is in use!");
  proj.DB()->Tables()->Delete("Orders");
  proj.DB()->Tables()->Delete("Items");
  Generator(proj).GenScript();
  EXPECT_EQ(ctx().ProjErr, "Brindlewood: No tables found in the Database! Generation aborted!");
}

TEST_F(GenRun, ControlsNamingPathsOutsideTheSiteWriteNothingThere) {
  fs::path outside = env.root() / "x";
  for (const std::string& bad :
       {std::string(R"(ofolder="../../x")"), std::string(R"(ofolder="..\..\x")"),
        R"(ofolder=")" + outside.string() + "\""}) {
    std::string controls = kControls;
    std::string from = R"(ofile="default" oext="aspx")";
    controls.replace(controls.find(from), from.size(), from + " " + bad);
    writeTemplate("control.xml", controls);
    Generator g(proj);
    g.GenCheck();
    EXPECT_NE(ctx().ProjErr.find("'default'"), std::string::npos) << bad << ctx().ProjErr;
    g.GenScript();
    EXPECT_NE(ctx().ProjErr.find("'default'"), std::string::npos) << bad << ctx().ProjErr;
    EXPECT_FALSE(fs::exists(outside)) << bad;
    EXPECT_FALSE(fs::exists(env.root() / "x")) << bad;
    for (const auto& e : fs::recursive_directory_iterator(env.root()))
      EXPECT_NE(e.path().filename(), "default.aspx") << bad;
  }
}

TEST_F(GenRun, EngineThatCannotStartIsAnErrorNotASuccess) {
  generation::installTemplateServices(nullptr);
  Generator g(proj);
  g.GenScript();
  EXPECT_NE(ctx().ProjErr, "");
  EXPECT_EQ(filesBelow(dest), std::vector<std::string>{});
}

TEST(GenerationDriver, DeleteFilesByExtensionTakesOnlyThatExtension) {
  fs::path dir = fs::temp_directory_path() / ("gen-del-" + std::to_string(::getpid()));
  fs::create_directories(dir / "sub.tpl");
  for (const char* name : {"a.tpl", "b.TPL", "c.tpl.xml", "tpl", "d.vb"})
    std::ofstream(dir / name) << "x";
  Generator::DeleteFilesByExtension(dir.string(), "tpl");
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir))
    left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"c.tpl.xml", "d.vb", "sub.tpl", "tpl"}));
  fs::remove_all(dir);
}

} // namespace
} // namespace quillet::testing
