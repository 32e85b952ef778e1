// The project file: the exact layout the writer produces, a byte-identical round trip,
// numbered backups, and loading that starts afresh, repairs what the format asks for and
// leaves the project as it was when the file is bad.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/dialect.h"
#include "core/identifiers.h"
#include "elements/chart.h"
#include "elements/language.h"
#include "elements/menu.h"
#include "elements/shared.h"
#include "extensions/custom_scripts.h"
#include "extensions/extension.h"
#include "extensions/operations.h"
#include "extensions/tree.h"
#include "files/tempdir.h"
#include "model/database.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "project/project_env.h"
#include "project/project_file.h"

using namespace quillet;
using namespace quillet::testing;
using project::RUZ;

namespace {

namespace au = platform::automation;

std::string projectText(const std::string& body, const std::string& rootAttrs = {}) {
  return "<?xml version=\"1.0\"?>\r\n<Project Version=\"4.0.0.1\" Product=\"Other\" " + rootAttrs +
         ">\r\n" + body + "</Project>\r\n";
}

class ProjectFile : public ProjectTest {
protected:
  std::string file(const std::string& name) { return env.path(name).string(); }
  static std::string read(const std::string& path) { return TempDir::read(path); }

  // A project with every kind of content, its derived values already as the reader makes
  // them, so that saving it, loading the file and saving again gives the same bytes.
  void build(RUZ& p) {
    p.AddProj("Sales Demo");
    p.setBodyTitle("Ventes \"Q1\" <été> & 'more' 日本");
    p.setFooterText("line1\r\nline2\tend\rlone\nfeed");
    p.setRecPerPage(25);
    p.setMultiLanguage(true);
    p.setSmtpServer("mail.example.com");
    p.setProgramLanguage("VB");
    p.setAutoSync(false);
    p.Databases()->Add("sales");
    ASSERT_TRUE(p.useDatabase("sales"));
    Ref<model::RUZDatabase> db = p.DB();
    db->setDBDBMSName("ACCESS");
    db->setDBPath("C:\\data\\sales.mdb");
    core::SetQuoteChars("ACCESS");
    db->setDBQuoteS(core::IdentQuotes().IdentQuoteStart);
    db->setDBQuoteE(core::IdentQuotes().IdentQuoteEnd);
    auto tables = db->Tables();
    for (const char* name : {"Orders", "Kunden Ü"}) {
      tables->Add(name);
      auto t = tables->Item(Variant(name));
      t->setTblVar(core::MakeVarName(name, ""));
      t->setTblCaption(std::string(name) + " caption");
      t->setTblLoaded(true);
      struct F {
        const char* name;
        int16_t type;
        const char* quote;
      } fields[] = {{"OrderID", 3, ""}, {"Notes", 202, "'"}, {"Shipped", 135, "#"}};
      for (const F& f : fields) {
        t->Fields()->Add(name, f.name);
        auto fld = t->Fields()->Item(Variant(f.name));
        fld->setFldType(f.type);
        fld->setFldQuoteS(f.quote);
        fld->setFldQuoteE(f.quote);
        fld->setFldSupport(true);
        fld->setFldGenerate(true);
      }
      t->Fields()->Item(Variant("Notes"))->setFldTagValues("a\r\nb\r\nc");
    }
    auto orders = tables->Item(Variant("Orders"));
    orders->Charts()->Add("Orders", "Monthly");
    auto chart = orders->Charts()->Item(Variant("Monthly"));
    chart->setChartYFldName("x\r\ny");
    for (const char* t : {"Target", "Floor"})
      chart->Trendlines()->Add(t);
    chart->Trendlines()->Item(Variant("Floor"))->setTrendColor("FF0000");

    auto menus = elements::menuList();
    menus->AddMenu(1, "Orders", 0, "", "", 0, "", "Orders", "Table", false, 0, true, 1);
    menus->AddMenu(2, "Monthly", 1, "", "", 0, "", "Orders|Monthly", "Chart", false, 1, true, 2);
    auto lang = elements::languageStore();
    lang->SetProjectPhrase("fr", "BodyTitle", "Titre « été »");
    lang->SetProjectPhrase("de", "BodyTitle", "Titel");
    lang->SetMenuPhrase("fr", "1", "MenuText", "Commandes");
    lang->SetTablePhrase("ja", "Orders", "TblCaption", "注文");
    lang->SetChartPhrase("fr", "Orders", "Monthly", "ChartCaption", "Mensuel");
    lang->SetFieldPhrase("de", "Kunden Ü", "Notes", "FldCaption", "Notizen");

    // Two extensions: one without a tree, one whose definition file is not on this machine
    // but whose values the project holds.
    extensions::ProjectAccess access = p.extensionAccess();
    extensions::AddExtension(access, "Maps", "maps.zip", "");
    extensions::AddExtension(access, "Audit", "audit.zip", "audit.xml");
    auto audit = extensions::extensionList()->items().find("Audit");
    auto setAtt = [](core::AGProperties& bag, const char* name, const char* value) {
      bag.Add(name, "String", false, 0, true, true);
      bag.find(name)->setValue(Variant(value));
    };
    setAtt(*audit->PROJ()->Properties(), "Level", "full");
    auto extDb = audit->PROJ()->DB();
    setAtt(*extDb->Properties(), "Log", "db.log");
    extDb->Tables()->Add("Orders");
    auto extTable = extDb->Tables()->items().find("Orders");
    setAtt(*extTable->Properties(), "Track", "1");
    extTable->Charts()->Add("Monthly");
    setAtt(*extTable->Charts()->items().find("Monthly")->Properties(), "Color", "red");
    extTable->Fields()->Add("Notes");
    setAtt(*extTable->Fields()->items().find("Notes")->Properties(), "Mask", "a|b");

    extensions::AddCustomScript({"Server", "Global", "Global Code", "VB", "", "", ""},
                                "Sub A()\r\n  x = \"]]>\" & 'q'\r\nEnd Sub ' été\r\n");
    extensions::AddCustomScript(
        {"Client", "Event", "onload", "JavaScript", "list", "Orders", "Notes"},
        "if (a < b && c) { alert(\"]]>\"); }\n\r");
  }
};

TEST_F(ProjectFile, RoundTripIsByteIdentical) {
  std::string first = file("first.kvz"), second = file("second.kvz");
  {
    RUZ p;
    build(p);
    p.Save(first);
    ASSERT_EQ(ctx().ProjErr, "");
  }
  RUZ q;
  q.Load(first);
  ASSERT_EQ(ctx().ProjErr, "");
  q.Save(second);
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(read(first), read(second));

  // What came back is the project that went in.
  EXPECT_EQ(q.BodyTitle(), "Ventes \"Q1\" <été> & 'more' 日本");
  EXPECT_EQ(q.FooterText(), "line1\r\nline2\tend\rlone\nfeed");
  EXPECT_EQ(q.DB()->Tables()->Count(), 2);
  auto notes = q.DB()->Tables()->Item(Variant("Kunden Ü"))->Fields()->Item(Variant("Notes"));
  EXPECT_EQ(notes->FldTagValues(), "a\r\nb\r\nc");
  EXPECT_EQ(elements::menuList()->Count(), 2);
  EXPECT_EQ(elements::languageStore()->FieldCount(), 1);
  auto scripts = extensions::customScriptList();
  ASSERT_EQ(scripts->Count(), 2);
  EXPECT_EQ(scripts->Seq(1)->ScriptCode(), "Sub A()\r\n  x = \"]]>\" & 'q'\r\nEnd Sub ' été\r\n");
  auto audit = extensions::extensionList()->items().find("Audit");
  ASSERT_TRUE(audit && audit->IsExtended());
  auto extTable = audit->PROJ()->DB()->Tables()->items().find("Orders");
  ASSERT_TRUE(extTable);
  EXPECT_EQ(platform::automation::CStr(
                extTable->Fields()->items().find("Notes")->Properties()->find("Mask")->Value()),
            "a|b");
  EXPECT_FALSE(extensions::extensionList()->items().find("Maps")->IsExtended());
}

TEST_F(ProjectFile, ExtensionEntriesStayWithTheirOwnTable) {
  env.write("p.kvz",
            projectText("<Database><Table TblName=\"A\"/><Table TblName=\"B\"/></Database>\r\n"
                        "<Extension Name=\"E\"><ExtProject><ExtDatabase>"
                        "<ExtTable TblName=\"Gone\"><ExtField FldName=\"F\" X=\"1\"/></ExtTable>"
                        "<ExtTable TblName=\"A\"><ExtField FldName=\"F\" X=\"2\"/></ExtTable>"
                        "</ExtDatabase></ExtProject></Extension>",
                        "AutoSync=\"0\""));
  RUZ p;
  p.Load(file("p.kvz"));
  ASSERT_EQ(ctx().ProjErr, "");
  auto tables = extensions::extensionList()->items().find("E")->PROJ()->DB()->Tables();
  auto value = [&](const char* table) {
    return platform::automation::CStr(
        tables->items().find(table)->Fields()->items().find("F")->Properties()->find("X")->Value());
  };
  EXPECT_EQ(value("Gone"), "1");
  EXPECT_EQ(value("A"), "2");
  p.Save(file("q.kvz"));
  EXPECT_NE(
      read(file("q.kvz")).find("<ExtTable TblName=\"Gone\">\r\n<ExtField FldName=\"F\" X=\"1\"/>"),
      std::string::npos);
}

TEST_F(ProjectFile, OldScriptsWithoutLanguageAreWrappedIntoCodeBaseCode) {
  EXPECT_EQ(
      project::WrapUnconvertedCode("Page_Load", "Sub X()\r\n  y\r\nEnd Sub", "a\nb", "VB"),
      "Sub X()\r\n  y\r\n\r\n'*** TO DO ***\r\n'*** - Convert the codes below to .NET Codes\r\n"
      "'*** \r\n'*** a\r\n'*** b\r\nEnd Sub");
  EXPECT_EQ(project::WrapUnconvertedCode("Global Code", "x", "a", "C#"),
            "x\r\n//*** TO DO ***\r\n//*** - Convert the codes below to .NET Codes\r\n//*** \r\n"
            "//*** a");
}

TEST_F(ProjectFile, LayoutAndAttributeForms) {
  RUZ p;
  build(p);
  p.setSetting<core::SettingType::Boolean>("Cache", true);
  p.SetV("Extra", Variant("yes"));
  p.Save(file("a.kvz"));
  std::string text = read(file("a.kvz"));
  EXPECT_TRUE(
      text.starts_with("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" "
                       "standalone=\"yes\"?>\r\n<Project Version=\"4.0.0.0\" "
                       "Product=\"Brindlewood\" ProjName=\"Sales Demo\" MultiLanguage=\"1\""))
      << text.substr(0, 300);
  EXPECT_NE(text.find(" Cache=\"1\""), std::string::npos);
  EXPECT_NE(text.find(" OtherExpanded=\"0\""), std::string::npos);
  EXPECT_NE(text.find(" Extra=\"yes\">\r\n<Database DBName=\"sales\""), std::string::npos);
  EXPECT_EQ(text.find("ProjVar="), std::string::npos);
  EXPECT_EQ(text.find("AppCssFolder="), std::string::npos);
  EXPECT_NE(text.find("FooterText=\"line1&#13;&#10;line2&#9;end&#13;lone&#10;feed\""),
            std::string::npos);
  EXPECT_NE(text.find("FldTagValues=\"a|b|c\""), std::string::npos);
  EXPECT_NE(text.find("ChartYFldName=\"x|y\""), std::string::npos);
  EXPECT_NE(text.find("&quot;Q1&quot; &lt;été&gt; &amp; 'more'"), std::string::npos);
  // Tables, charts, trendlines and fields, one element per line.
  EXPECT_NE(text.find("\">\r\n<Table "), std::string::npos);
  EXPECT_NE(text.find("\">\r\n<Chart "), std::string::npos);
  EXPECT_NE(text.find("\">\r\n<Trendline TrendName=\"Target\""), std::string::npos);
  EXPECT_NE(text.find("\"/>\r\n</Chart>\r\n<Field "), std::string::npos);
  // Then the extensions, the custom scripts and the menus, each section opened by a break.
  for (const char* layout :
       {"\"/>\r\n</Table>\r\n</Database>\r\n<Extension Name=\"Maps\" Template=\"maps.zip\" "
        "XmlFile=\"\" Enabled=\"1\"/>\r\n<Extension Name=\"Audit\"",
        "\"1\">\r\n<ExtProject Level=\"full\">\r\n<ExtDatabase Log=\"db.log\">\r\n<ExtTable "
        "TblName=\"Orders\" Track=\"1\">\r\n<ExtChart ChartName=\"Monthly\" Color=\"red\"/>\r\n"
        "<ExtField FldName=\"Notes\" Mask=\"a|b\"/>\r\n</ExtTable>\r\n</ExtDatabase></ExtProject>"
        "</Extension>\r\n\r\n<CustomScript ScriptType=\"Server\"",
        " ScriptL2Key=\"\">\r\n<![CDATA[Sub A()]]>&#13;<![CDATA[\n  x = \"]]]]><![CDATA[>\"",
        "]]>\r\n</CustomScript>\r\n<CustomScript ScriptType=\"Client\"",
        "]]>&#13;\r\n</CustomScript>\r\n\r\n<Menu MenuID=\"1\" MenuText=\"Orders\" "
        "MenuParentID=\"0\""})
    EXPECT_NE(text.find(layout), std::string::npos) << layout;
  EXPECT_NE(text.find(" MenuCustomUrl=\"0\" MenuLevel=\"0\" MenuShow=\"1\" MenuDisplayOrder=\"1\"/>"
                      "\r\n<Menu MenuID=\"2\""),
            std::string::npos);
  EXPECT_NE(text.find("/>\r\n<ProjectPhrase LanguageId=\"fr\" ProjectAttribute=\"BodyTitle\" "
                      "Phrase=\"Titre « été »\"/>\r\n<ProjectPhrase LanguageId=\"de\""),
            std::string::npos);
  EXPECT_TRUE(text.ends_with("Phrase=\"Notizen\"/>\r\n</Project>\r\n"));
}

TEST_F(ProjectFile, OnlyPhrasesOfExistingObjectsAreWritten) {
  RUZ p;
  p.AddProj("P");
  auto lang = elements::languageStore();
  lang->SetProjectPhrase("fr", "BodyTitle", "Titre");
  lang->SetProjectPhrase("fr", "FooterText", "");
  lang->SetMenuPhrase("fr", "7", "MenuText", "no such menu");
  lang->SetMenuPhrase("fr", "x", "MenuText", "no number");
  lang->SetTablePhrase("fr", "Orders", "TblCaption", "no database");
  p.Save(file("a.kvz"));
  ASSERT_EQ(ctx().ProjErr, "");
  std::string text = read(file("a.kvz"));
  EXPECT_NE(text.find("<ProjectPhrase LanguageId=\"fr\" ProjectAttribute=\"BodyTitle\""),
            std::string::npos);
  EXPECT_EQ(text.find("FooterText\" Phrase"), std::string::npos);
  EXPECT_EQ(text.find("<MenuPhrase"), std::string::npos);
  EXPECT_EQ(text.find("<TablePhrase"), std::string::npos);
  EXPECT_EQ(text.find("<Database"), std::string::npos);
  // A truth value that is no truth value does not stop the save.
  p.setValue("Cache", Variant("perhaps"));
  p.Save(file("a.kvz"));
  EXPECT_EQ(ctx().ProjErr, "");
}

TEST_F(ProjectFile, BackupsRotate) {
  RUZ p;
  p.AddProj("P");
  std::string path = file("work/sales.kvz");
  std::filesystem::create_directories(env.path("work"));
  const std::string backups = project::projectState().BackupFolder;
  auto backup = [&](int k) { return backups + "/sales(" + std::to_string(k) + ").kvz"; };
  p.Save(path);
  EXPECT_FALSE(std::filesystem::exists(backup(1)));
  for (int i = 1; i <= 4; ++i) {
    p.setBodyTitle("v" + std::to_string(i));
    p.Save(path);
  }
  // backup 1 is the newest previous version.
  EXPECT_NE(read(backup(1)).find("BodyTitle=\"v3\""), std::string::npos);
  EXPECT_NE(read(backup(4)).find("BodyTitle=\"\""), std::string::npos);

  setUser("General", "MaxProjectBackupCount", Variant(3), 4);
  std::filesystem::copy_file(backup(4), backup(5));
  p.Save(path);
  EXPECT_TRUE(std::filesystem::exists(backup(3)));
  EXPECT_FALSE(std::filesystem::exists(backup(4)));
  EXPECT_FALSE(std::filesystem::exists(backup(5)));
  EXPECT_NE(read(backup(1)).find("BodyTitle=\"v4\""), std::string::npos);

  // A gap ends the run: backup 9 beyond it is left alone.
  TempDir dir;
  std::string plain = dir / "plain";
  TempDir::read(plain);
  dir.write("plain", "x");
  dir.write("b/plain(1)", "1");
  dir.write("b/plain(2)", "2");
  dir.write("b/plain(4)", "4");
  project::BackupProjectFile(plain, dir / "b", 10);
  EXPECT_EQ(read(dir / "b/plain(1)"), "x");
  EXPECT_EQ(read(dir / "b/plain(2)"), "1");
  EXPECT_EQ(read(dir / "b/plain(3)"), "2");
  EXPECT_EQ(read(dir / "b/plain(4)"), "4");
}

TEST_F(ProjectFile, FailedWriteKeepsTheOldFile) {
  RUZ p;
  p.AddProj("P");
  std::string path = file("ro/p.kvz");
  std::filesystem::create_directories(env.path("ro"));
  p.Save(path);
  std::string before = read(path);
  p.setBodyTitle("changed");
  std::filesystem::permissions(env.path("ro"), std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::owner_exec);
  p.Save(path);
  std::filesystem::permissions(env.path("ro"), std::filesystem::perms::owner_all);
  if (::geteuid() != 0) {
    EXPECT_NE(ctx().ProjErr.find(path), std::string::npos) << ctx().ProjErr;
    EXPECT_EQ(read(path), before);
  }
  p.Save(file("missing/folder/p.kvz"));
  EXPECT_NE(ctx().ProjErr.find("missing/folder/p.kvz"), std::string::npos);
}

// ---- Loading -----------------------------------------------------------------------------

TEST_F(ProjectFile, ReaderRepairsAndDefaults) {
  env.write("p.kvz",
            projectText("<DATABASE DBDBMSName=\"ACCESS\">"
                        "<table TblName=\"T\" TblReportType=\"list\">"
                        "<Chart ChartName=\"C\"/>"
                        "<Field FldName=\"D\" FldType=\"135\" FldAutoIncrement=\"1\" FldAdd=\"1\" "
                        "FldSupport=\"1\" FldGenerate=\"0\" Custom=\"kept\"/>"
                        "<Field FldName=\"S\" FldType=\"202\" FldQuoteS=\"x\"/>"
                        "<Unknown><Field FldName=\"Lost\"/></Unknown>"
                        "</table>"
                        "<Table/><Table TblName=\"T\" TblCaption=\"second\"/>"
                        "<Table TblName=\"List\" TblReportType=\"List\"/>"
                        "</DATABASE>"
                        "<customscript/>",
                        "Extra=\"1\" AutoSync=\"0\""));
  RUZ p;
  p.Load(file("p.kvz"));
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(p.CurDBName(), "qz_db");
  EXPECT_EQ(p.VersionText(), "4.0.0.0");
  EXPECT_EQ(p.Properties()->find("Version"), nullptr);
  EXPECT_EQ(p.Properties()->find("Product"), nullptr);
  EXPECT_EQ(p.Properties()->find("Extra")->DataType(), "");
  EXPECT_EQ(p.SmtpServer(), "localhost");
  EXPECT_EQ(p.SmtpServerPort(), 25);
  auto tables = p.DB()->Tables();
  ASSERT_EQ(tables->Count(), 2);
  auto t = tables->Item(Variant("T"));
  EXPECT_EQ(t->TblReportType(), "rpt");
  EXPECT_NE(t->TblCaption(), "second");
  EXPECT_TRUE(t->TblLoaded());
  EXPECT_EQ(tables->Item(Variant("List"))->TblReportType(), "List");
  auto chart = t->Charts()->Item(Variant("C"));
  ASSERT_EQ(chart->Trendlines()->Count(), 4);
  EXPECT_EQ(chart->Trendlines()->Seq(4)->TrendName(), "Trendline4");
  auto d = t->Fields()->Item(Variant("D"));
  EXPECT_EQ(d->FldQuoteS(), "#");
  EXPECT_FALSE(d->FldAdd());
  EXPECT_TRUE(d->FldGenerate());
  EXPECT_EQ(d->FldVar(), core::MakeVarName("D", "x_"));
  EXPECT_EQ(au::CStr(d->Properties()->find("Custom")->Value()), "kept");
  EXPECT_EQ(t->Fields()->Item(Variant("S"))->FldQuoteE(), "'");
  EXPECT_FALSE(t->Fields()->FieldExist(Variant("Lost")));
}

TEST_F(ProjectFile, LoadStartsFromACleanProject) {
  {
    RUZ p;
    build(p);
    p.Save(file("full.kvz"));
  }
  env.write("small.kvz", projectText("<Database DBName=\"other\"/>", "AutoSync=\"0\""));
  RUZ p;
  p.Load(file("full.kvz"));
  ASSERT_EQ(ctx().ProjErr, "");
  p.SetV("OnlyInMemory", Variant("x"));
  p.Load(file("small.kvz"));
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(p.CurDBName(), "other");
  EXPECT_EQ(p.DB()->Tables()->Count(), 0);
  EXPECT_EQ(p.BodyTitle(), "");
  EXPECT_EQ(p.Properties()->find("OnlyInMemory"), nullptr);
  EXPECT_EQ(elements::menuList()->Count(), 0);
  EXPECT_EQ(elements::languageStore()->ProjectCount(), 0);
}

TEST_F(ProjectFile, BadFilesLeaveTheProjectAsItWas) {
  RUZ p;
  build(p);
  p.Save(file("good.kvz"));
  std::string good = read(file("good.kvz"));
  ASSERT_TRUE(good.size() > 200);

  std::string latin1 = "<?xml version=\"1.0\"?><Project Version=\"4.0\" BodyTitle=\"caf\xE9\"/>";
  struct Case {
    const char* name;
    std::string content;
    const char* says;
  } cases[] = {
      {"truncated.kvz", good.substr(0, good.size() / 2), "line"},
      {"notxml.kvz", "this is not a project", "line 1"},
      {"empty.kvz", "", "empty.kvz"},
      {"root.kvz", "<project Version=\"4.0\"/>", "Invalid Project File!"},
      {"noversion.kvz", "<Project/>", "Version"},
      {"newer.kvz", "<Project Version=\"5.0\"/>", "newer than software"},
      {"older.kvz", "<Project Version=\"3.5\"/>", "3.5"},
      {"type.kvz", projectText("<Database/>", "RecPerPage=\"many\""), "line 2: the value \"many\""},
      {"field.kvz",
       projectText("<Database>\r\n<Table TblName=\"T\">\r\n<Field FldName=\"F\" FldReq=\"oui\"/>"
                   "</Table></Database>"),
       "line 5"},
      {"two.kvz", projectText("<Database DBName=\"a\"/><Database DBName=\"b\"/>"), "one database"},
      {"nodb.kvz",
       projectText("<ProjectPhrase LanguageId=\"x\" ProjectAttribute=\"A\" "
                   "Phrase=\"B\"/>"),
       "No Database Information"},
      {"huge.kvz", projectText("", "BodyTitle=\"" + std::string(10 << 20, 'x') + "\""), "line"},
      {"latin1.kvz", latin1, "line 1"},
      {"missing.kvz", "", "missing.kvz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name) != "missing.kvz") env.write(c.name, c.content);
    p.Load(file(c.name));
    EXPECT_NE(ctx().ProjErr.find("Brindlewood: "), std::string::npos) << ctx().ProjErr;
    EXPECT_NE(ctx().ProjErr.find(c.says), std::string::npos) << ctx().ProjErr;
    EXPECT_NE(ctx().ProjErr.find(c.name), std::string::npos) << ctx().ProjErr;
    ASSERT_TRUE(p.DB());
    EXPECT_EQ(p.DB()->Tables()->Count(), 2);
    EXPECT_EQ(elements::menuList()->Count(), 2);
    p.Save(file("again.kvz"));
    EXPECT_EQ(read(file("again.kvz")), good);
  }
}

TEST_F(ProjectFile, CompareVersion) {
  struct Case {
    const char* a;
    const char* b;
    int expected;
  } cases[] = {{"4.0.9", "4.0.1", 0}, {"4.1", "4.0", 1},     {"3.5", "4.0", -1},
               {"5", "4.0", 2},       {"4.0.0.5", "4.0", 0}, {"", "4.0", 0},
               {"4.x", "4.0", 0},     {"4.0", "4.1", -1},    {"4.1.0", "4.1.5", -1}};
  for (const Case& c : cases)
    EXPECT_EQ(RUZ::CompareVersion(c.a, c.b), c.expected) << c.a << " vs " << c.b;
}

TEST(ProjectScriptCode, SurvivesEveryCharacter) {
  for (const std::string& code :
       {std::string("Sub A()\r\n  x = \"]]>\" & '<![CDATA[\r\nEnd Sub\r\n"), std::string("\r"),
        std::string("\r\nstart and end\r"), std::string("]]]]>>"),
        std::string("\xC3\xA9t\xC3\xA9\n\tTab"), std::string("\n"), std::string()}) {
    std::string xml = "<CustomScript>\r\n";
    project::appendCode(xml, code);
    xml += "\r\n</CustomScript>";
    auto doc = platform::xml::Document::parse(xml, "test", {.keepBlankText = true});
    EXPECT_EQ(project::readCode(doc.documentElement()), code) << xml;
  }
  // The usual form: one section between two line breaks, indented or not.
  for (const char* xml : {"<CustomScript>\r\n<![CDATA[a\nb]]>\r\n</CustomScript>",
                          "<CustomScript>\n    <![CDATA[a\nb]]>\n  </CustomScript>",
                          "<CustomScript><![CDATA[a]]><![CDATA[\nb]]></CustomScript>"}) {
    auto doc = platform::xml::Document::parse(xml, "test", {.keepBlankText = true});
    EXPECT_EQ(project::readCode(doc.documentElement()), "a\nb") << xml;
  }
}

} // namespace
