// The project object: its settings catalogue and typed properties, access by name, the
// lifecycle members and the user's defaults in the registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/identifiers.h"
#include "core/properties.h"
#include "model/database.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "project/catalogue.h"
#include "project/project_env.h"
#include "project/settings_file.h"
#include "support/errors.h"

using namespace quillet;
using namespace quillet::testing;
using platform::automation::ClassInfo;
using project::RUZ;

namespace {

namespace au = platform::automation;

class ProjectObject : public ProjectTest {
protected:
  std::vector<std::string> bagNames(RUZ& p) {
    std::vector<std::string> names;
    for (const auto& prop : p.Properties()->list())
      names.push_back(prop->Name());
    return names;
  }
};

TEST_F(ProjectObject, CatalogueFillsTheBagInOrderWithItsFlags) {
  int strings = 0, booleans = 0, integers = 0, longs = 0, regSave = 0;
  for (const core::SettingDef& d : project::kProjectSettings) {
    strings += d.type == core::SettingType::String;
    booleans += d.type == core::SettingType::Boolean;
    integers += d.type == core::SettingType::Integer;
    longs += d.type == core::SettingType::Long;
    regSave += d.regSave;
    EXPECT_EQ(d.regFormat, !d.regSave ? 0
                           : d.type == core::SettingType::Integer && d.name != "defaultDateFormat"
                               ? 4
                           : d.type == core::SettingType::Long ? 4
                                                               : 1)
        << d.name;
    EXPECT_EQ(!d.fileSave, d.name == "ProjVar" || d.name == "SyncLog" || d.name == "AppCssFolder" ||
                               d.name == "AppChartCssFile")
        << d.name;
  }
  EXPECT_EQ(std::size(project::kProjectSettings), 168u);
  EXPECT_EQ(strings, 98);
  EXPECT_EQ(booleans, 49);
  EXPECT_EQ(integers, 18);
  EXPECT_EQ(longs, 3);
  EXPECT_EQ(regSave, 138);

  RUZ p;
  std::vector<std::string> names = bagNames(p);
  ASSERT_EQ(names.size(), 168u);
  EXPECT_EQ(names.front(), "ProjName");
  EXPECT_EQ(names.back(), "ChartMenuItems");
  // The file's order is the catalogue's, which differs from the interface in a few places.
  auto pos = [&](const std::string& n) { return std::find(names.begin(), names.end(), n); };
  EXPECT_LT(pos("TblHdrFontColor"), pos("TblHdrColor"));
  EXPECT_EQ(pos("XMLEncoding") - 1, pos("TestWebServer"));
}

TEST_F(ProjectObject, MemberTableFollowsTheInterface) {
  const ClassInfo& info = RUZ::staticClassInfo();
  std::vector<std::string> order;
  for (const auto& m : info.members())
    order.push_back(m.name);
  auto at = [&](const std::string& n) {
    return std::find(order.begin(), order.end(), n) - order.begin();
  };
  EXPECT_EQ(at("SecPasswdEncript"), at("SecPasswd") + 1);
  EXPECT_EQ(at("TblHdrColor") + 1, at("TblHdrFontColor"));
  EXPECT_EQ(at("XMLEncoding"), at("DateSeparator") + 1);
  EXPECT_EQ(at("AutoBrowse") + 1, at("CreateVDir"));
  EXPECT_LT(at("ProjErr"), at("ProjName"));
  EXPECT_LT(at("ChartMenuItems"), at("AddProj"));
  for (const char* readOnly : {"ProjVar", "SyncLog", "SecPasswdEncript", "DB", "DBCnt"})
    EXPECT_FALSE(info.find(readOnly)->let) << readOnly;
  EXPECT_TRUE(info.find("RecPerPage")->let);

  // By name, a typed property converts to its declared type.
  Ref<RUZ> p = au::makeRef<RUZ>();
  Variant self(static_cast<au::Object*>(p.get()));
  au::let(self, "RecPerPage", Variant("25"));
  EXPECT_EQ(au::get(self, "RecPerPage").type(), au::VarType::Integer);
  EXPECT_EQ(au::CLng(au::get(self, "RecPerPage")), 25);
  au::let(self, "ProjName", Variant("Order Entry"));
  EXPECT_EQ(au::CStr(au::get(self, "ProjVar")), core::MakeVarName("Order Entry", ""));
  EXPECT_NE(errorOf([&] { au::let(self, "ProjVar", Variant("x")); }), 0);
}

TEST_F(ProjectObject, LifecycleStartsAndEndsAProject) {
  RUZ p;
  EXPECT_FALSE(p.ProjInit());
  EXPECT_EQ(p.DBCnt(), 0);
  EXPECT_FALSE(p.DB());
  p.AddProj("Order Entry");
  EXPECT_TRUE(p.ProjInit());
  EXPECT_EQ(p.ProjName(), "Order Entry");
  EXPECT_EQ(p.ProjVar(), core::MakeVarName("Order Entry", ""));
  EXPECT_NE(p.ProjVar().find("Order"), std::string::npos);

  p.SetV("MyExtra", Variant("x"));
  p.Databases()->Add("db");
  p.DeleteProj();
  p.DeleteProj();
  EXPECT_FALSE(p.ProjInit());
  EXPECT_EQ(p.DBCnt(), 0);
  EXPECT_EQ(p.ProjName(), "");
  std::vector<std::string> names = bagNames(p);
  ASSERT_EQ(names.size(), 168u);
  EXPECT_TRUE(std::none_of(p.Properties()->list().begin(), p.Properties()->list().end(),
                           [](const auto& prop) { return !prop->Value().isEmpty(); }));
}

TEST_F(ProjectObject, ProgramLanguageRenamesVariablesOfLoadedTablesOnly) {
  RUZ p;
  p.setProgramLanguage("VB");
  EXPECT_EQ(ctx().CurrentProgramLanguage, "VB");
  p.Databases()->Add("db");
  ASSERT_TRUE(p.useDatabase("db"));
  auto tables = p.DB()->Tables();
  for (const char* name : {"Loaded Orders", "Unloaded"}) {
    tables->Add(name);
    auto t = tables->Item(Variant(name));
    t->Fields()->Add(name, "Order Id");
    t->setTblVar("old");
    t->Fields()->Item(Variant("Order Id"))->setFldVar("old");
  }
  tables->Item(Variant("Loaded Orders"))->setTblLoaded(true);
  p.setProgramLanguage("C#");
  EXPECT_EQ(ctx().CurrentProgramLanguage, "C#");
  auto loaded = tables->Item(Variant("Loaded Orders"));
  auto unloaded = tables->Item(Variant("Unloaded"));
  EXPECT_EQ(loaded->TblVar(), core::MakeVarName("Loaded Orders", ""));
  EXPECT_EQ(unloaded->TblVar(), core::MakeVarName("Unloaded", ""));
  EXPECT_EQ(loaded->Fields()->Item(Variant("Order Id"))->FldVar(),
            core::MakeVarName("Order Id", "x_"));
  EXPECT_EQ(unloaded->Fields()->Item(Variant("Order Id"))->FldVar(), "old");
}

TEST_F(ProjectObject, SecPasswdEncriptDigestsByFormat) {
  RUZ p;
  p.setSecPasswd("abc");
  struct Case {
    const char* format;
    const char* expected;
  } cases[] = {
      {"sha1", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
      {"SHA1", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
      {"Md5", "900150983CD24FB0D6963F7D28E17F72"},
      {"", "abc"},
      {"clear", "abc"},
  };
  for (const Case& c : cases) {
    p.setPasswordFormat(c.format);
    EXPECT_EQ(p.SecPasswdEncript(), c.expected) << c.format;
  }
}

TEST_F(ProjectObject, SearchOperatorsAndLanguageWildcard) {
  RUZ p;
  auto lines = [](const std::string& s) {
    size_t n = 1;
    for (size_t at = 0; (at = s.find("\r\n", at)) != std::string::npos; at += 2)
      ++n;
    return n;
  };
  EXPECT_EQ(p.FldSrchOprs(11), "USER SELECT\r\n=\r\n<>");
  EXPECT_EQ(lines(p.FldSrchOprs(202)), 11u);
  EXPECT_TRUE(p.FldSrchOprs(202).ends_with("STARTS WITH"));
  for (int16_t t : {3, 135, 72, 0}) {
    EXPECT_EQ(lines(p.FldSrchOprs(t)), 8u) << t;
    EXPECT_TRUE(p.FldSrchOprs(t).ends_with("BETWEEN")) << t;
  }

  p.setProgramLanguage("C#");
  EXPECT_EQ(au::CStr(p.ResolveLangExt(Variant("*"))), "cs");
  // The letter case of the language does not change what the code is.
  p.setProgramLanguage("c#");
  EXPECT_EQ(au::CStr(p.ResolveLangExt(Variant("*"))), "cs");
  p.setProgramLanguage("VB");
  EXPECT_EQ(au::CStr(p.ResolveLangExt(Variant("*"))), "vb");
  EXPECT_EQ(au::CStr(p.ResolveLangExt(Variant("aspx"))), "aspx");
}

TEST_F(ProjectObject, ProjErrIsSharedByTheThreadsProjects) {
  RUZ a, b;
  a.setProjErr("one");
  EXPECT_EQ(b.ProjErr(), "one");
}

// ---- Settings by name ------------------------------------------------------------------------

TEST_F(ProjectObject, GetVAndSetVConvertByDataType) {
  RUZ p;
  p.setBodyTitle("  'Sales'  ");
  EXPECT_EQ(au::CStr(p.GetV("bodytitle")), "Sales");
  EXPECT_EQ(p.BodyTitle(), "  'Sales'  ");

  p.SetV("RecPerPage", Variant("20"));
  EXPECT_EQ(p.value("RecPerPage").type(), au::VarType::Integer);
  EXPECT_EQ(p.RecPerPage(), 20);
  EXPECT_TRUE(p.SetV("RecPerPage", Variant("30")).isEmpty());

  // A value that does not convert keeps the old one and says so.
  p.setMultiLanguage(true);
  p.SetV("MultiLanguage", Variant("maybe"));
  EXPECT_TRUE(p.MultiLanguage());
  EXPECT_NE(ctx().ProjErr.find("MultiLanguage"), std::string::npos);
  EXPECT_NE(ctx().ProjErr.find("maybe"), std::string::npos);
  ctx().ProjErr.clear();
  // An empty text clears it.
  p.SetV("MultiLanguage", Variant(""));
  EXPECT_FALSE(p.MultiLanguage());
  EXPECT_TRUE(ctx().ProjErr.empty());

  // SetV does none of the typed setters' extra work.
  p.SetV("ProjName", Variant("New Name"));
  EXPECT_EQ(p.ProjVar(), "");

  // Names the project lacks become settings; without a custom setting file they are untyped
  // and nobody is asked about the missing file.
  p.SetV("Extra", Variant("1"));
  core::AGProperty* extra = p.Properties()->find("Extra");
  ASSERT_NE(extra, nullptr);
  EXPECT_EQ(extra->DataType(), "");
  EXPECT_TRUE(extra->FileSave());
  EXPECT_EQ(au::CStr(p.GetV("Extra")), "1");
  EXPECT_TRUE(p.GetV("Other").isEmpty());
  EXPECT_NE(p.Properties()->find("Other"), nullptr);
  EXPECT_TRUE(ui->asked().empty());
  EXPECT_NE(errorOf([&] { p.SetV("", Variant("x")); }), 0);
}

TEST_F(ProjectObject, CustomSettingFileTypesNewSettings) {
  env.write("custom.xml", R"(<qz-setting>
  <section name="Project"><setting id="Other" value="x"/></section>
  <section name="Table"><setting id="Flag" type="Integer" value="5"/></section>
  <section name="Project">
    <setting id="Flag" type="Boolean" value="True"/>
    <setting id="Flag" type="Integer" value="7"/>
    <setting id="Count" type="integer" value="nope"/>
    <group><setting id="Deep" type="Long" value="1"/></group>
  </section>
</qz-setting>)");
  int32_t text = 1;
  core::RegSetValue("HKCU", ctx().SettingsKey, "ConfigFile", text,
                    Variant(env.path("custom.xml").string()));
  RUZ p;
  Variant flag = p.GetV("Flag");
  EXPECT_EQ(flag.type(), au::VarType::Boolean);
  EXPECT_TRUE(au::CBool(flag));
  EXPECT_EQ(p.Properties()->find("Flag")->DataType(), "Boolean");
  EXPECT_EQ(p.Properties()->find("Flag")->RegSave(), false);
  // Ids match with regard to case; an undeclared one gets no type.
  p.GetV("flag2");
  EXPECT_EQ(p.Properties()->find("flag2")->DataType(), "");
  EXPECT_EQ(p.Properties()->find("Deep") == nullptr, true);
  p.GetV("Deep");
  EXPECT_EQ(p.Properties()->find("Deep")->DataType(), "");
  EXPECT_EQ(au::CStr(p.GetV("Other")), "x");
  EXPECT_EQ(p.Properties()->find("Other")->DataType(), "String");
  EXPECT_TRUE(p.GetV("Count").isEmpty());
  EXPECT_EQ(p.Properties()->find("Count")->DataType(), "integer");

  // SetV types a new setting by the file but stores the value as given.
  project::RUZSettings& reader = project::customSettings();
  EXPECT_EQ(reader.LoadSettingType("Project", "Flag"), "Boolean");
  RUZ q;
  q.DeleteProj();
  q.SetV("Flag", Variant("1"));
  EXPECT_EQ(q.Properties()->find("Flag")->Value().type(), au::VarType::String);
  EXPECT_TRUE(au::CBool(q.GetV("Flag")));
  EXPECT_TRUE(ui->asked().empty());
}

TEST_F(ProjectObject, UnreadableCustomSettingFileIsReportedOnce) {
  env.write("custom.xml", "<qz-setting><section");
  int32_t text = 1;
  core::RegSetValue("HKCU", ctx().SettingsKey, "ConfigFile", text,
                    Variant(env.path("custom.xml").string()));
  RUZ p;
  p.GetV("A");
  p.SetV("B", Variant(1));
  ASSERT_EQ(ui->asked().size(), 1u);
  EXPECT_NE(ui->asked()[0].prompt.find("Unable to load custom setting file: '"), std::string::npos);
  EXPECT_EQ(p.Properties()->find("A")->DataType(), "");
}

// ---- User defaults ---------------------------------------------------------------------------

TEST_F(ProjectObject, LoadDefaultReadsTheUsersValuesAndForcesSome) {
  setUser("Project", "MultiLanguage", Variant("False"));
  setUser("Project", "Cache", Variant(""));
  setUser("Project", "RecPerPage", Variant(30), 4);
  setUser("Project", "BodyLeftMargin", Variant("12"));
  setUser("Project", "SecType", Variant("Table"));
  setUser("Project", "PagerStyle", Variant(5), 4);
  setUser("Project", "XMLEncoding", Variant("iso-8859-1"));
  setUser("Project", "defaultDateFormat", Variant("7"));
  setUser("General", "BackupFile", Variant("True"));
  setUser("General", "ScriptEngineTimeout", Variant(60), 4);
  setUser("General", "LanguageFolder", Variant("/lang"));
  RUZ p;
  EXPECT_FALSE(p.MultiLanguage());
  EXPECT_TRUE(p.value("Cache").isEmpty());
  EXPECT_EQ(p.RecPerPage(), 30);
  EXPECT_EQ(p.BodyLeftMargin(), 12);
  EXPECT_EQ(p.SecType(), "None");
  EXPECT_TRUE(p.AutoSync());
  EXPECT_EQ(p.PagerStyle(), 2);
  EXPECT_TRUE(p.OtherGen());
  EXPECT_EQ(p.XMLEncoding(), "iso-8859-1");
  EXPECT_TRUE(p.BackupFile);
  project::ProjectState& st = project::projectState();
  EXPECT_EQ(st.ScriptEngineTimeout, 60);
  EXPECT_EQ(st.LanguageFolder, "/lang");
  EXPECT_EQ(st.DateFormatCode, 7);
}

TEST_F(ProjectObject, UnloadThresholdCountFallsBackTo20) {
  struct Case {
    Variant stored;
    int16_t expected;
  } cases[] = {{Variant(), 20},     {Variant(0), 20},     {Variant(-5), 20},     {Variant(1), 1},
               {Variant(500), 500}, {Variant("abc"), 20}, {Variant("99999"), 20}};
  for (const Case& c : cases) {
    if (!c.stored.isEmpty())
      setUser("General", "UnloadThresholdCount", c.stored, c.stored.isString() ? 1 : 4);
    RUZ p;
    EXPECT_EQ(p.UnloadThresholdCount, c.expected) << au::CStr(c.stored);
  }
}

TEST_F(ProjectObject, SaveDefaultWritesRegistryBackedSettings) {
  RUZ p;
  p.setRecPerPage(15);
  p.setBodyTitle("Title");
  p.setProjName("not a default");
  p.SaveDefault();
  EXPECT_EQ(au::CLng(user("Project", "RecPerPage")), 15);
  EXPECT_EQ(au::CStr(user("Project", "BodyTitle")), "Title");
  EXPECT_TRUE(user("Project", "ProjName").isEmpty());
  EXPECT_EQ(au::CStr(user("General", "Language")), "");
  EXPECT_EQ(au::CStr(user("General", "BackupFile")), "False");
  EXPECT_TRUE(user("Database", "MaxUploadSize").isEmpty());
  RUZ q;
  EXPECT_EQ(q.RecPerPage(), 15);
}

TEST_F(ProjectObject, FirstRunCopiesMachineDefaultsOnceWithoutOverwriting) {
  env.write("machine.reg", R"(
[Software\Brindlewood\4.0\Settings\General]
"LanguageFolder"="/machine/lang"
"ScriptEngineTimeout"=dword:0000001e
[Software\Brindlewood\4.0\Settings\Project]
"RecPerPage"=dword:00000014
[Software\Brindlewood\4.0\Extensions\One\Two]
"Name"="deep"
)");
  setUser("Project", "RecPerPage", Variant(50), 4);
  {
    RUZ p;
    EXPECT_EQ(p.RecPerPage(), 50);
  }
  EXPECT_EQ(au::CStr(user("General", "LanguageFolder")), "/machine/lang");
  Variant timeout = user("General", "ScriptEngineTimeout");
  EXPECT_EQ(timeout.type(), au::VarType::Long);
  EXPECT_EQ(au::CLng(timeout), 30);
  EXPECT_EQ(au::CStr(core::RegGetValue("HKCU", "Software\\Brindlewood\\4.0\\Extensions\\One\\Two",
                                       "Name")),
            "deep");
  // Later runs leave the user's values alone, even ones the machine has.
  setUser("General", "LanguageFolder", Variant(""));
  RUZ again;
  EXPECT_EQ(au::CStr(user("General", "LanguageFolder")), "");
}

TEST_F(ProjectObject, ConstructionFindsTemplateAndFolders) {
  setUser("Project", "Template", Variant("C:\\Templates\\orders.zip"));
  RUZ p;
  project::ProjectState& st = project::projectState();
  EXPECT_EQ(st.TemplateName, "orders.zip");
  EXPECT_EQ(st.AppVersion, "4.0");
  EXPECT_EQ(p.VersionText(), "4.0.0.0");
  EXPECT_EQ(st.GeneralKey, "Software\\Brindlewood\\4.0\\Settings\\General");
  EXPECT_EQ(st.ExtensionsKey, "Software\\Brindlewood\\4.0\\Extensions");
  EXPECT_TRUE(std::filesystem::is_directory(st.BackupFolder));
  EXPECT_TRUE(std::filesystem::is_directory(st.ReportFolder));
  EXPECT_EQ(st.DataFolder, (env.path("home/Documents/Brindlewood")).string());
  EXPECT_TRUE(st.ExtensionsFolder.ends_with("extensions"));

  setUser("Project", "Template", Variant("orders2.zip"));
  RUZ q;
  EXPECT_EQ(st.TemplateName, "orders.zip");
}

} // namespace
