// The units of a generation run that need no script engine: items and output names, the
// overwrite check and the generated-files list, output paths and their confinement, tidying,
// the copies and the language files.
#include <gtest/gtest.h>

#include "generation/gen_env.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "template/work.h"

namespace quillet::testing {
namespace {

namespace fs = std::filesystem;
using generation::Generator;

class GenUnits : public GenTest {};

TEST(GenerationNames, JoinOutputNamePlacesTheExtraText) {
  struct Case {
    const char *tbl, *fld, *base, *pos, *expected;
  } cases[] = {
      {"Orders", "", "list", "prefix", "rptOrderslist"},
      {"Orders", "", "list", "INFIX", "Ordersrptlist"},
      {"Orders", "", "list", "suffix", "Orderslistrpt"},
      {"Orders", "", "list", "", "Orderslist"},
      {"Orders", "Photo", "view", "none", "Orders_Photoview"},
      {"", "", "default", "prefix", "rptdefault"},
      {"", "", "default", "infix", "default"},
      {"", "", "default", "suffix", "defaultrpt"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(generation::JoinOutputName(c.tbl, c.fld, c.base, c.pos, "rpt", false), c.expected)
        << c.pos;
  EXPECT_EQ(generation::JoinOutputName("Orders", "", "List", "", "", true), "orderslist");
}

TEST(GenerationNames, GenListEntriesDecideOnlyTheirOwnItem) {
  struct Case {
    const char* list;
    const char* id;
    bool before;
    bool after;
  } cases[] = {
      {"list=1,view=0", "list", false, true}, {"list=1,view=0", "view", true, false},
      {"list=1,view=0", "edit", true, true},  {"List=0", "list", true, true},
      {"a=1, view=0", "view", true, true},    {"view=", "view", true, false},
      {"view=x", "view", true, false},        {"view=10", "view", false, true},
      {"view=0,view=1", "view", true, false}, {"", "view", false, false},
  };
  for (const Case& c : cases) {
    model::AGControlItem item;
    item.ItemId = c.id;
    item.ItemGen = c.before;
    generation::ApplyGenList(item, generation::splitGenList(c.list));
    EXPECT_EQ(item.ItemGen, c.after) << c.list << " / " << c.id;
  }
}

TEST_F(GenUnits, OutputFileNamesFollowTypeAndSettings) {
  loadControls(R"(<control id="list" type="Table" ofile="list" oext="aspx"/>
<control id="def" type="other" ofile="default" ofilecompat="compat" oext="*" parm="UseCompatVersion"/>
<control id="img" type="copy" ifiles="images"/>
<control id="s" type="simple" ofile="Default" oext="ASPX"/>
<control id="f" type="field" ofile="view" oext="aspx"/>
)");
  Generator g(proj);
  auto c = [&](int i) { return generation::templateControls().Item(Variant(i)); };
  proj.setOutputNameType("prefix");
  proj.setOutputNameExt("x");
  proj.setAppCompatVersion(2);
  proj.setProgramLanguage("C#");
  EXPECT_EQ(c(1)->CtrlType, "table");
  EXPECT_EQ(g.GetOutputFileName(*c(1), "Orders", ""), "xOrderslist.aspx");
  EXPECT_EQ(g.GetOutputFileName(*c(2), "", ""), "xdefault2.cs");
  proj.setAppCompat(true);
  EXPECT_EQ(g.GetOutputFileName(*c(2), "", ""), "xcompat2.cs");
  EXPECT_EQ(g.GetOutputFileName(*c(5), "Orders", "Photo"), "xOrders_Photoview.aspx");
  proj.setOutputNameLCase(true);
  EXPECT_EQ(g.GetOutputFileName(*c(3), "", ""), "images");
  EXPECT_EQ(g.GetOutputFileName(*c(4), "", ""), "default.aspx");
}

TEST_F(GenUnits, ItemsAreBuiltPerParticipatingTableAndRestoredFromTheLists) {
  auto orders = addTable("Orders", {"Id"});
  auto rpt = addTable("Sales", {"Id"});
  rpt->setTblType("REPORT");
  auto off = addTable("Off", {"Id"});
  off->setTblGen(false);
  loadControls(
      R"(<control id="list" type="Table" ofile="list" oext="aspx" remark="List page" extension="myext"/>
<control id="rep" type="report" ofile="rep" oext="aspx"/>
<control id="f" type="field" ofile="v"/>
<control id="fn" type="function"/>
<control id="home" type="other" ofile="home" oext="aspx"/>
<control id="home" type="other" tagext=".cs" ofile="home2" oext="cs"/>
)");
  proj.setOtherGenList("home=0");
  orders->setTblGenList("list=0,rep=1");
  Generator g(proj);
  g.BuildControlItems();
  auto items = orders->ControlList();
  ASSERT_EQ(items->Count(), 1);
  EXPECT_EQ(items->Item(Variant(1))->ItemFn, "Orderslist.aspx");
  EXPECT_EQ(items->Item(Variant(1))->ItemRemark, "List page (myext)");
  EXPECT_FALSE(items->Item(Variant(1))->ItemGen);
  ASSERT_EQ(rpt->ControlList()->Count(), 1);
  EXPECT_EQ(rpt->ControlList()->Item(Variant(1))->ItemId, "rep");
  EXPECT_EQ(off->ControlList()->Count(), 0);
  ASSERT_EQ(proj.ControlList()->Count(), 1);
  EXPECT_FALSE(proj.ControlList()->Item(Variant(1))->ItemGen);

  proj.ControlList()->Item(Variant(1))->ItemGen = true;
  g.SaveGenLists();
  EXPECT_EQ(proj.OtherGenList(), "home=1");
  EXPECT_EQ(orders->TblGenList(), "list=0");
  EXPECT_EQ(off->TblGenList(), "");
  // Only selected items of participating tables count, once per matching control.
  EXPECT_EQ(g.CountSelectedUnits(), 3);
}

TEST_F(GenUnits, AGapInTableSequenceIsPassedOver) {
  addTable("A", {"Id"});
  auto b = addTable("B", {"Id"});
  b->setValue("TblSeq", Variant(int32_t(5)));
  Generator g(proj);
  auto seq = g.tablesInSeq();
  ASSERT_EQ(seq.size(), 1u);
  EXPECT_EQ(seq[0]->TblName(), "A");
}

TEST_F(GenUnits, OutputPathsResolveUnderTheirRootAndNeverLeaveIt) {
  loadControls(R"(<control id="x" type="other"/>)");
  Generator g(proj);
  EXPECT_EQ(g.ResolveAppRootPath("~/bin", "a.dll", true), appRoot + "/bin/a.dll");
  EXPECT_FALSE(fs::exists(appRoot + "/bin"));
  EXPECT_EQ(g.ResolveAppRootPath("sub\\dir", "p.aspx", false), dest + "/sub/dir/p.aspx");
  EXPECT_TRUE(fs::is_directory(dest + "/sub/dir"));
  EXPECT_EQ(g.ResolveAppRootPath("", "p.aspx", true), dest + "/p.aspx");
  for (const char* folder :
       {"../../x", "..\\..\\x", "/tmp/abs", "C:\\abs", "~/../up", "a/../../b"}) {
    ctx().ProjErr.clear();
    EXPECT_EQ(g.resolveForControl("evil", folder, "p.aspx", false), "") << folder;
    EXPECT_NE(ctx().ProjErr.find("control 'evil'"), std::string::npos) << ctx().ProjErr;
  }
  ctx().ProjErr.clear();
  EXPECT_EQ(g.resolveForControl("evil", "", "../p.aspx", false), "");
  EXPECT_FALSE(fs::exists(env.root() / "p.aspx"));
}

TEST_F(GenUnits, OverwriteCheckBacksUpOnlyWhatItReplaces) {
  Generator g(proj);
  std::string page = dest + "/p.aspx";
  proj.BackupFile = true;
  EXPECT_TRUE(g.ConfirmOverwriteFile(page, false, false));
  EXPECT_FALSE(g.ConfirmOverwriteFile(page, true, true));
  env.write("site/p.aspx", "old");
  EXPECT_TRUE(g.ConfirmOverwriteFile(page, true, true));
  EXPECT_FALSE(fs::exists(page + ".bak"));
  EXPECT_FALSE(g.ConfirmOverwriteFile(page, false, false));
  EXPECT_FALSE(fs::exists(page + ".bak"));
  EXPECT_TRUE(g.ConfirmOverwriteFile(page, true, false));
  EXPECT_EQ(readAll(page + ".bak"), "old");
  // A backup that cannot be made leaves the page alone, with the question's message.
  env.write("site/q.aspx.bak", "kept");
  fs::permissions(dest + "/q.aspx.bak", fs::perms::owner_read);
  env.write("site/q.aspx", "q");
  EXPECT_FALSE(g.ConfirmOverwriteFile(dest + "/q.aspx", true, false));
  ASSERT_EQ(ui->asked().size(), 1u);
  EXPECT_EQ(ui->asked()[0].prompt.rfind("Error in open \"" + dest + "/q.aspx\", description:", 0),
            0u);
}

TEST_F(GenUnits, GeneratedFilesListHoldsEachPathOnceInUtf8) {
  Generator g(proj);
  std::string list = dest + "/Brindlewood.log";
  g.LogGeneratedFile(dest + "/Ünïcode.aspx");
  g.LogGeneratedFile(dest + "/b.aspx");
  g.LogGeneratedFile(dest + "/ÜNÏCODE.ASPX");
  g.LogGeneratedFile(dest + "/B.aspx");
  EXPECT_EQ(readAll(list), dest + "/Ünïcode.aspx\r\n" + dest + "/b.aspx");
  fs::remove(list);
  env.write("site/Brindlewood.log", "");
  g.LogGeneratedFile("x");
  EXPECT_EQ(readAll(list), "\r\nx");
}

TEST(GenerationTidy, TidyOutputRebuildsBlankLinesByStructure) {
  platform::automation::Context::Scope scope;
  struct Case {
    const char *ext, *lang, *in, *out;
  } cases[] = {
      {"aspx", "VB", "", ""},
      {"aspx", "VB", "a\nb\n\nc", "a\nb\n\nc\r\n"},
      {"aspx", "VB", "x\r\n\r\n  \r\ny", "x\r\ny\r\n"},
      {"aspx", "VB", "'c\r\nPublic Sub A\r\nx", "'c\r\nPublic Sub A\r\nx\r\n"},
      {"aspx", "VB", "x\r\n'c\r\nPublic X\r\ny", "x\r\n\r\n'c\r\nPublic X\r\ny\r\n"},
      {"aspx", "VB", "Public X", "\r\nPublic X\r\n"},
      {"aspx", "C#", "// a\r\n// b\r\ncode\r\n/* c\r\n/* d",
       "// a\r\n// b\r\n\r\ncode\r\n\r\n/* c\r\n\r\n/* d\r\n"},
      // Capitals do not select the script rules: under VB rules "//" is code.
      {"JS", "VB", "// a\r\n// b\r\nx", "// a\r\n// b\r\nx\r\n"},
      {"aspx", "VB", "z", "z\r\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(generation::TidyOutput(c.ext, c.in, c.lang), c.out) << c.in;
  std::string meta = generation::GeneratorMetaLine();
  EXPECT_EQ(meta.rfind("<meta name=\"generator\" content=\"Brindlewood v4.0.0.", 0), 0u);
  EXPECT_EQ(generation::TidyOutput("aspx", "<HEAD></HEAD></Head>", "VB"),
            "<HEAD>" + meta + "</head>" + meta + "</head>\r\n");
}

TEST(GenerationTidy, StripLeadingBlankLinesKeepsTheFirstIndent) {
  EXPECT_EQ(generation::StripLeadingBlankLines(" \r\n\t\n  x\r\n\r\n"), "  x\r\n\r\n");
  EXPECT_EQ(generation::StripLeadingBlankLines(""), "");
  EXPECT_EQ(generation::StripLeadingBlankLines(" \r\n  "), "  ");
}

TEST_F(GenUnits, DatabaseCopyTakesPosixPathsAndOffersAnExistingCopy) {
  env.write("data/shop.db", "DB");
  auto db = proj.DB();
  db->setDBType("SQLITE");
  db->setDBPhyPath((env.root() / "data/shop.db").string());
  db->setDBPath("~/App_Data");
  proj.setUploadPath("~/uploads");
  Generator g(proj);
  // A missing folder is not asked about in a list run.
  EXPECT_EQ(g.CopyDatabase(true), 0);
  EXPECT_TRUE(ui->asked().empty());
  EXPECT_FALSE(fs::exists(appRoot + "/App_Data"));
  ui->answer("Yes");
  EXPECT_EQ(g.CopyDatabase(false), 0);
  EXPECT_EQ(readAll(appRoot + "/App_Data/shop.db"), "DB");
  EXPECT_TRUE(fs::is_directory(appRoot + "/uploads"));
  EXPECT_EQ(g.CopyDatabase(true), 0);
  ASSERT_TRUE(proj.ControlList()->ItemExist(Variant("@db")));
  EXPECT_EQ(proj.ControlList()->Item(Variant("@db"))->ItemFn, "shop.db");
  env.write("data/shop.db", "NEW");
  proj.ControlList()->Item(Variant("@db"))->ItemGen = false;
  EXPECT_EQ(g.CopyDatabase(false), 0);
  EXPECT_EQ(readAll(appRoot + "/App_Data/shop.db"), "DB");
  proj.ControlList()->Item(Variant("@db"))->ItemGen = true;
  EXPECT_EQ(g.CopyDatabase(false), 0);
  EXPECT_EQ(readAll(appRoot + "/App_Data/shop.db"), "NEW");
}

TEST_F(GenUnits, DatabaseCopyNeverWritesOutsideTheRoot) {
  env.write("data/shop.db", "DB");
  auto db = proj.DB();
  db->setDBType("SQLITE");
  db->setDBPhyPath((env.root() / "data/shop.db").string());
  Generator g(proj);
  for (const char* path : {"/var/data", "C:\\Data", "\\\\server\\share"}) {
    db->setDBPath(path);
    EXPECT_EQ(g.CopyDatabase(false), 0) << path;
  }
  db->setDBPath("../outside");
  EXPECT_EQ(g.CopyDatabase(false), 1);
  EXPECT_NE(ctx().ProjErr.find("refused"), std::string::npos);
  EXPECT_FALSE(fs::exists(env.root() / "outside"));
  EXPECT_TRUE(ui->asked().empty());
}

TEST_F(GenUnits, CopyControlsCopyListedFilesAndRefuseEscapingFolders) {
  templating::templateWork().TemplateFolder = (env.root() / "tpl").string();
  env.write("tpl/js/app.js", "app");
  env.write("tpl/js/util.js", "util");
  env.write("tpl/images/a.png", "png");
  loadControls(R"(<control id="js" type="Copy" ifiles="js/app.js,js/util.js" ofolder="scripts"/>
<control id="img" type="copy" ifolder="images"/>
<control id="one" type="copy" ifolder="js" ifiles="app.js" ofile="main" oext="js"/>
)");
  proj.BackupFile = false;
  Generator g(proj);
  EXPECT_EQ(g.CopyTemplateFiles(true), 0);
  EXPECT_TRUE(filesBelow(dest).empty());
  EXPECT_EQ(g.CopyTemplateFiles(false), 0) << ctx().ProjErr;
  EXPECT_EQ(filesBelow(dest), (std::vector<std::string>{"images/a.png", "main.js", "scripts/app.js",
                                                        "scripts/util.js"}));
  EXPECT_EQ(g.CopyTemplateFiles(true), 4);

  generation::genState().controls = platform::automation::makeRef<templating::RUZControls>();
  loadControls(R"(<control id="evil" type="copy" ifiles="js/app.js" ofolder="../../x"/>
<control id="abs" type="copy" ifiles="js/app.js" ofolder="/tmp/abs"/>)");
  // The site one folder deeper, so that "../../x" would land in this test's own folder and
  // not beside it, where anything may lie.
  dest = (env.root() / "deep" / "site").string();
  fs::create_directories(dest);
  proj.setDestination(dest);
  Generator g2(proj);
  EXPECT_EQ(g2.CopyTemplateFiles(false), 1);
  EXPECT_NE(ctx().ProjErr.find("control 'evil'"), std::string::npos);
  EXPECT_FALSE(fs::exists(env.root() / "x"));
  EXPECT_FALSE(fs::exists(fs::path(dest).parent_path().parent_path() / "x"));
}

TEST_F(GenUnits, LanguageFileGetsDateProjectTextsAndNumberedPhrases) {
  auto t = addTable("Orders", {"Photo"});
  t->SetV("TblSubCaption1", "One");
  t->SetV("TblSubCaption2", "Two");
  setUser("General", "LanguageProjectAttributes", Variant("ProjName, Missing"));
  setUser("General", "LanguageTableAttributes", Variant("TblCaption,TblSubCaption%n,X%N"));
  setUser("General", "LanguageFieldAttributes", Variant("FldCaption"));
  proj.setProjName("Shop");
  t->setTblCaption("Orders!");
  t->Fields()->Item(Variant("Photo"))->setFldCaption("");
  env.write("lang/english.xml",
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<ew-language id=\"en\" "
            "desc=\"English\">\r\n<global>\r\n<phrase id=\"AddLink\" value=\"Add\"/>\r\n"
            "</global>\r\n</ew-language>\r\n");
  Generator g(proj);
  std::string src = (env.root() / "lang/english.xml").string();
  EXPECT_FALSE(platform::automation::CBool(
      g.WriteLanguageFile("@lang_english.xml", "s", "Create language file", src, "lang", true)));
  EXPECT_TRUE(proj.ControlList()->ItemExist(Variant("@lang_english.xml")));
  EXPECT_FALSE(fs::exists(dest + "/lang"));
  EXPECT_TRUE(platform::automation::CBool(
      g.WriteLanguageFile("@lang_english.xml", "s", "r", src, "lang", false)))
      << ctx().ProjErr;
  std::string out = readAll(dest + "/lang/english.xml");
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  std::string date = std::to_string(tm.tm_year + 1900) + "/" + std::to_string(tm.tm_mon + 1) + "/" +
                     std::to_string(tm.tm_mday);
  EXPECT_NE(out.find("date=\"" + date + "\""), std::string::npos) << out;
  EXPECT_NE(out.find("<phrase id=\"addlink\" value=\"Add\"/>"), std::string::npos) << out;
  EXPECT_NE(out.find("<project><phrase id=\"projname\" value=\"Shop\"/>\r\n<table id=\"orders\">"
                     "<phrase id=\"tblcaption\" value=\"Orders!\"/>\r\n"
                     "<phrase id=\"tblsubcaption1\" value=\"One\"/>\r\n"
                     "<phrase id=\"tblsubcaption2\" value=\"Two\"/>\r\n"
                     "<field id=\"photo\"/>\r\n</table>\r\n</project>\r\n"),
            std::string::npos)
      << out;

  env.write("lang/broken.xml", "<not xml");
  ctx().ProjErr.clear();
  EXPECT_FALSE(platform::automation::CBool(g.WriteLanguageFile(
      "@lang_broken.xml", "s", "r", (env.root() / "lang/broken.xml").string(), "lang", false)));
  EXPECT_NE(ctx().ProjErr.find("broken.xml"), std::string::npos);
}

TEST_F(GenUnits, RunOverridesLeaveTheUsersSettings) {
  auto t = addTable("Orders", {"Id"});
  t->setTblAdd(true);
  t->setTblEdit(false);
  {
    Generator g(proj);
    g.overrideTableFlag(*t, "TblGen", false);
    g.overrideTableFlag(*t, "TblAdd", false);
    g.overrideTableFlag(*t, "TblAdd", false);
    g.overrideTableFlag(*t, "TblEdit", false);
    EXPECT_FALSE(t->TblGen());
    EXPECT_FALSE(t->TblAdd());
  }
  EXPECT_TRUE(t->TblGen());
  EXPECT_TRUE(t->TblAdd());
  EXPECT_FALSE(t->TblEdit());
}

} // namespace
} // namespace quillet::testing
