#include "template/prepare.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "archive/zip_builder.h"
#include "files/tempdir.h"
#include "platform/automation/error.h"
#include "project/project_env.h"
#include "template/cache.h"
#include "template/work.h"

namespace quillet::testing {
namespace {

using namespace templating;
using platform::automation::makeRef;
namespace fs = std::filesystem;

class PrepareTest : public ProjectTest {
protected:
  PrepareTest() {
    proj->setProgramStyle("Default");
    proj->setProgramLanguage("VB");
  }
  Ref<project::RUZ> proj = makeRef<project::RUZ>();
  const fs::path templates = env.path("home/Documents/Brindlewood/Templates");

  // A control with the given input files and key sessions (value=ifile pairs).
  Ref<RUZControl> control(const std::string& ifiles,
                          std::vector<std::pair<std::string, std::string>> sessions = {},
                          const std::string& ext = "") {
    auto c = makeRef<RUZControl>();
    c->CtrlID = "list";
    c->CtrlIFiles = ifiles;
    c->CtrlExt = ext;
    for (auto& [value, ifile] : sessions) {
      RUZSession s;
      s.SessType = "key";
      s.SessValue = value;
      s.SessIFile = ifile;
      c->Sessions()->append(s);
    }
    return c;
  }
  std::string stopText(const std::function<void()>& f) {
    try {
      f();
    } catch (const platform::automation::Error& e) {
      EXPECT_EQ(e.number(), -1);
      EXPECT_EQ(e.description(), ctx().ProjErr);
      return e.description();
    }
    return "no stop";
  }
};

TEST_F(PrepareTest, UnpacksIntoTheWorkFolderAndFindsTheControlFile) {
  const bool hadTemplates = fs::exists(templates);
  EXPECT_EQ(ExtractTemplate("", "Script", false, true, true), "");
  EXPECT_EQ(fs::exists(templates), hadTemplates);

  ZipBuilder()
      .file("wrap/inner/control.xml", "<Brindlewood/>")
      .file("wrap/inner/list.tpl", "x")
      .write(env.path("Std Template.zip").string());
  const std::string archive = env.path("Std Template.zip").string();
  const std::string root = (templates / "StdTemplate.zip").string();
  EXPECT_EQ(ExtractTemplate(archive, "Script", false, true, false), root + "/Script/wrap/inner");
  TemplateWork& w = templateWork();
  EXPECT_EQ(w.CacheFolder, root + "/cache");
  EXPECT_EQ(w.ExtensionsWorkFolder, root + "/extensions");
  EXPECT_TRUE(fs::is_directory(w.BackupFolder) && fs::is_directory(w.ReportFolder));
  EXPECT_TRUE(fs::is_directory(w.CacheFolder));

  // Not forced and already unpacked: the archive is not even opened.
  env.write("Std Template.zip", "no longer an archive");
  EXPECT_EQ(ExtractTemplate(archive, "Script", false, true, false), root + "/Script/wrap/inner");
  EXPECT_EQ(ctx().ProjErr, "");
  // Forced: the folder goes, and the failure of the archive is reported, not passed over.
  EXPECT_EQ(ExtractTemplate(archive, "Script", false, true, true), root + "/Script");
  EXPECT_NE(ctx().ProjErr.find("Std Template.zip"), std::string::npos) << ctx().ProjErr;
  EXPECT_FALSE(fs::exists(root + "/Script/wrap"));
  ctx().ProjErr.clear();

  // Entries that would land outside the work folder stop the unpacking before any write.
  ZipBuilder().file("control.xml", "<x/>").file("../../../../escaped.txt", "x").write(archive);
  ExtractTemplate(archive, "Script", false, true, true);
  EXPECT_NE(ctx().ProjErr.find("../../../../escaped.txt"), std::string::npos) << ctx().ProjErr;
  EXPECT_FALSE(fs::exists(root + "/Script/control.xml"));
  EXPECT_FALSE(fs::exists(templates / "escaped.txt"));
  EXPECT_FALSE(fs::exists(env.path("home/Documents/escaped.txt")));
}

TEST_F(PrepareTest, ControlFolderIsFoundOnlyDownSingleFolders) {
  TempDir dir;
  dir.write("a/b/c/control.xml", "");
  dir.write("two/x/control.xml", "");
  fs::create_directories(dir / "two/y");
  EXPECT_EQ(FindControlFolder(dir / "a"), dir / "a/b/c");
  EXPECT_EQ(FindControlFolder(dir / "two"), "");
  EXPECT_EQ(FindControlFolder(dir / "missing"), "");
  fs::create_directory_symlink(".", dir / "loop");
  fs::create_directories(dir / "l");
  fs::create_directory_symlink("..", dir / "l/up"); // a chain that never ends
  EXPECT_EQ(FindControlFolder(dir / "l"), "");
}

TEST_F(PrepareTest, CollectsIncludeNames) {
  struct Case {
    const char* text;
    const char* lang;
    const char* names;
  } cases[] = {
      {"<!--##include common.tpl/header##-->", "VB", "common.tpl"},
      {"x<!--##INCLUDE a/b/c##--><!--##include  whole ##-->", "VB", "a/b,whole"},
      {"<!--##include code.*.tpl/s##-->", "C#", "code.cs.tpl"},
      {"<!--##include code.*.tpl/s##-->", "c#", "code.vb.tpl"},
      {"<!--##include /s##--><!--##include b/s##-->", "VB", ",b"},
      {"<!--##include a/s##--><!--##include b/s", "VB", "a"},
      {"no markers", "VB", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CollectIncludeFiles(c.text, c.lang), c.names) << c.text;
}

class ValidateTest : public PrepareTest {
protected:
  ValidateTest() {
    TemplateWork& w = templateWork();
    w.TemplateFolder = env.path("tpl").string();
    w.CacheFolder = env.path("cache").string();
    w.ExtensionsWorkFolder = env.path("exts").string();
    env.write("tpl/control.xml", "");
    env.write("tpl/list.tpl", "<!--##include common.tpl/header##-->");
    env.write("tpl/common.tpl", "");
    env.write("tpl/body.tpl", "");
    env.write("exts/ext1/control.xml", "");
    env.write("cache/Default_vb_list.tpl", "compiled");
  }
  // Records the compiled script as of that time.
  void cachedAt(const char* when) {
    cache->AddCache("tpl", "Default_vb_list.tpl", Variant(when), Variant(8));
  }
  void touch(const std::string& rel, int year) {
    auto t = std::chrono::system_clock::from_time_t(0) +
             std::chrono::hours(24 * 365 * (year - 1970) + 24 * 200);
    fs::last_write_time(env.path(rel), fs::file_time_type::clock::from_sys(t));
  }
  Ref<RUZCache> cache = makeRef<RUZCache>(env.path("cache").string());
};

TEST_F(ValidateTest, MarksControlsWhoseFilesChanged) {
  auto c = control("list.tpl", {{"body", "body.tpl"}});
  // No cached script date: compiled again, nothing else looked at.
  EXPECT_TRUE(ValidateTemplateFiles(*proj, *cache, *c));

  cachedAt("2099/01/01 00:00:00");
  EXPECT_FALSE(ValidateTemplateFiles(*proj, *cache, *c));
  EXPECT_FALSE(c->CtrlGen);

  for (const char* changed : {"tpl/list.tpl", "tpl/common.tpl", "tpl/body.tpl"}) {
    SCOPED_TRACE(changed);
    touch("tpl/list.tpl", 2000);
    touch("tpl/common.tpl", 2000);
    touch("tpl/body.tpl", 2000);
    cachedAt("2010/06/01 00:00:00");
    EXPECT_FALSE(ValidateTemplateFiles(*proj, *cache, *c));
    touch(changed, 2020);
    EXPECT_TRUE(ValidateTemplateFiles(*proj, *cache, *c));
    EXPECT_TRUE(c->CtrlGen);
  }

  // The compiled script itself gone: compiled again.
  cachedAt("2099/01/01 00:00:00");
  fs::remove(env.path("cache/Default_vb_list.tpl"));
  EXPECT_TRUE(ValidateTemplateFiles(*proj, *cache, *c));
}

TEST_F(ValidateTest, MissingFilesStopTheRun) {
  cachedAt("2099/01/01 00:00:00");
  const std::string folder = env.path("tpl").string();
  struct Case {
    Ref<RUZControl> ctrl;
    const char* name;
  } cases[] = {
      {control("list.tpl, gone.tpl"), " gone.tpl"},
      {control("list.tpl", {{"body", "nobody.tpl"}}), "nobody.tpl"},
      {control("../../home/secret.tpl"), "../../home/secret.tpl"},
  };
  for (const Case& k : cases)
    EXPECT_EQ(stopText([&] { ValidateTemplateFiles(*proj, *cache, *k.ctrl); }),
              "Missing \"" + std::string(k.name) + "\" in template folder \"" + folder +
                  "\". Generation aborted.");
  env.write("tpl/list.tpl", "<!--##include absent.tpl/x##-->");
  EXPECT_NE(stopText([&] { ValidateTemplateFiles(*proj, *cache, *control("list.tpl")); })
                .find("\"absent.tpl\""),
            std::string::npos);
  auto withFolder = control("list.tpl");
  withFolder->CtrlIFolder = "images\\";
  EXPECT_NE(stopText([&] { ValidateTemplateFiles(*proj, *cache, *withFolder); }).find("images"),
            std::string::npos);
}

TEST_F(ValidateTest, ExtensionFilesFallBackToTheTemplateAlikeInCheckAndLoad) {
  extensions::extensionList()->Add("ext1");
  extensions::extensionList()->Item(Variant("ext1"))->setEnabled(true);
  env.write("exts/ext1/common.tpl", "<!--##session header##-->from extension<!--##/session##-->");
  env.write("tpl/common.tpl", "<!--##session header##-->from template<!--##/session##-->");
  env.write("tpl/body.tpl", "<!--##session body##-->template body<!--##/session##-->");
  cachedAt("2099/01/01 00:00:00");

  // A session an extension added names a file only the template has.
  auto c = control("list.tpl", {{"body", "body.tpl"}});
  c->Sessions()->Item(1)->SessExt = "ext1";
  EXPECT_FALSE(ValidateTemplateFiles(*proj, *cache, *c));

  RUZFileCache files;
  LoadTemplateFiles(*proj, *c, files);
  EXPECT_EQ(files.GetSession("body.tpl", "body"), "template body");
  // The template's include resolves to the enabled extension's copy.
  EXPECT_EQ(files.GetSession("common.tpl", "header"), "from extension");

  extensions::extensionList()->Item(Variant("ext1"))->setEnabled(false);
  RUZFileCache again;
  LoadTemplateFiles(*proj, *c, again);
  EXPECT_EQ(again.GetSession("common.tpl", "header"), "from template");
}

TEST_F(PrepareTest, CompiledScriptName) {
  templateWork().CacheFolder = "/c";
  auto c = control("");
  c->CtrlTagExt = "_a";
  proj->setProgramLanguage("C#");
  EXPECT_EQ(TemplateFileName(*proj, *c), "/c/Default_cs_list_a.tpl");
  proj->setProgramLanguage("c#");
  EXPECT_EQ(TemplateFileName(*proj, *c), "/c/Default_vb_list_a.tpl");
}

TEST_F(PrepareTest, AsksWhetherToKeepTheUnpackedTemplate) {
  ui->answer("Overwrite");
  EXPECT_FALSE(AskKeepTemplate());
  ui->answer("keep");
  EXPECT_TRUE(AskKeepTemplate());
  templateWork().KeepTemplateFlag = false;
  EXPECT_TRUE(AskKeepTemplate()); // closed without an answer: nothing is deleted
  ASSERT_EQ(ui->asked().size(), 3u);
  EXPECT_EQ(ui->asked()[0].title, "Brindlewood");
  EXPECT_EQ(ui->asked()[0].options, (std::vector<std::string>{"Keep", "Overwrite"}));
}

} // namespace
} // namespace quillet::testing
