#include "template/merge.h"

#include <gtest/gtest.h>

#include "extensions/extension.h"
#include "project/project_env.h"
#include "template/cache.h"
#include "template/work.h"

namespace quillet::testing {
namespace {

using namespace templating;
using platform::automation::makeRef;

const char* kTemplateControls = R"(
  <control id="list" type="table" ifiles="list.tpl" remark="List">
    <session type="control_start" value=""/>
    <session type="key" value="head" ifile="common.tpl"/>
    <session type="key" value="body"/>
    <session type="key" value="foot"/>
  </control>
  <control id="list" type="table" tagext=".vb" ifiles="listcode.vb.tpl"/>
  <control id="old" type="other" ifiles="old.tpl"/>
)";

const char* kExtensionControls = R"(
  <control id="extra" type="other" ifiles="extra.*.tpl" action="add" remark="Added by sample">
    <session type="key" value="main" ifile="extra.tpl"/>
  </control>
  <control id="list" type="table" action="change">
    <session type="key" value="more" ifile="more.tpl" action="add" location="body" loctype="after"/>
    <session type="key" value="head" ifile="head2.tpl" action="change"/>
    <session type="key" value="foot" action="delete"/>
    <session type="key" value="ghost" ifile="g.tpl" action="change"/>
  </control>
  <control id="list" type="table" tagext=".*" action="change">
    <session type="key" value="code" ifile="code.tpl" action="add"/>
  </control>
  <control id="old" action="delete"/>
  <control id="ignored" action="Add"/>
)";

class MergeTest : public ProjectTest {
protected:
  MergeTest() {
    proj->setProgramLanguage("VB");
    templateWork().ExtensionsWorkFolder = env.path("exts").string();
    extensions::extensionList()->Add("sample");
  }
  std::string controlFile(const std::string& version, const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<Brindlewood date=\"2025/01/01\" version=\"" + version +
           "\" desc=\"d\" author=\"a\">" + body + "</Brindlewood>";
  }
  Ref<RUZControls> templateList() {
    env.write("tpl/control.xml", controlFile("4.0", kTemplateControls));
    auto list = makeRef<RUZControls>();
    EXPECT_TRUE(list->LoadControls(env.path("tpl/control.xml").string()));
    return list;
  }
  static std::string describe(RUZControls& list) {
    std::string out;
    for (int32_t i = 1; i <= list.Count(); ++i) {
      Ref<RUZControl> c = list.Item(Variant(i));
      out += c->CtrlID + c->CtrlTagExt + "[" + c->CtrlExt + "]:";
      for (int32_t k = 1; k <= c->Sessions()->Count(); ++k) {
        Ref<RUZSession> s = c->Sessions()->Item(k);
        out += " " + s->SessValue + "=" + s->SessIFile + "@" + s->SessExt;
      }
      out += "\n";
    }
    return out;
  }
  Ref<project::RUZ> proj = makeRef<project::RUZ>();
};

TEST_F(MergeTest, AddsChangesAndDeletesControls) {
  Ref<RUZControls> list = templateList();
  // The extension's files sit in a wrapping folder inside its archive.
  env.write("exts/sample/inner/control.xml", controlFile("4.0", kExtensionControls));
  ASSERT_TRUE(MergeExtensionControls(*proj, *list, "sample"));
  EXPECT_EQ(describe(*list),
            "list[]: =@ head=head2.tpl@sample body=@ more=more.tpl@sample\n"
            "list.vb[]: code=code.tpl@sample\n"
            "extra[sample]: main=extra.tpl@sample\n");
  Ref<RUZControl> extra = list->Item(Variant(3));
  EXPECT_EQ(extra->CtrlRemark, "Added by sample");
  EXPECT_EQ(extra->CtrlIFiles, "extra.vb.tpl");

  // A second extension adding the same control changes nothing: the first one wins.
  extensions::extensionList()->Add("second");
  env.write("exts/second/control.xml",
            controlFile("4.0", R"(<control id="extra" ifiles="other.tpl" action="add"/>)"));
  ASSERT_TRUE(MergeExtensionControls(*proj, *list, "second"));
  EXPECT_EQ(list->Item(Variant(3))->CtrlIFiles, "extra.vb.tpl");
}

TEST_F(MergeTest, RefusesExtensionsItCannotTake) {
  struct Case {
    const char* name;
    const char* file; // control file content; null for none
    int16_t status;
    const char* rejected;
  } cases[] = {
      {"notinstalled", nullptr, 1, ""},
      {"sample", nullptr, 1, ""},
      {"sample", "<Brindlewood", 1, ""},
      {"sample", "<Other date=\"\" version=\"4.0\" desc=\"\" author=\"\"/>", 2, ""},
      {"sample", "4.1", 3, "4.1"},
      {"sample", "3.9", 3, "3.9"},
      {"sample", "5.0", 3, "5.0"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.name) + " " + (k.file ? k.file : "(none)"));
    std::filesystem::remove_all(env.path("exts"));
    templateWork().RejectedExtensionVersion.clear();
    if (k.file) {
      const std::string f = k.file;
      env.write("exts/sample/control.xml",
                f.size() == 3 ? controlFile(f, R"(<control id="old" action="delete"/>)") : f);
    }
    Ref<RUZControls> list = templateList();
    const std::string before = describe(*list);
    ctx().ProjErr.clear();
    EXPECT_FALSE(MergeExtensionControls(*proj, *list, k.name));
    EXPECT_EQ(ControlFileStatus(), k.status);
    EXPECT_EQ(templateWork().RejectedExtensionVersion, k.rejected);
    EXPECT_EQ(describe(*list), before);
    // The run goes on without the extension: its failure does not stand in ProjErr.
    EXPECT_EQ(ctx().ProjErr, "");
  }
  env.write("exts/sample/control.xml", controlFile("4.0.9", ""));
  Ref<RUZControls> list = templateList();
  EXPECT_TRUE(MergeExtensionControls(*proj, *list, "sample"));
}

TEST_F(MergeTest, WatchesEveryTemplateFileOfAnExtension) {
  env.write("exts/sample/control.xml", controlFile("4.0", R"(
    <control id="a" type="other" ifiles="one.tpl, two.tpl" ifolder="pages" action="add">
      <session type="key" value="s" ifile="sess.*.tpl"/>
    </control>
    <control id="c" type="Copy" ifiles="asset.js" action="add"/>)"));
  for (const char* f : {"pages/one.tpl", "pages/two.tpl", "sess.vb.tpl", "asset.js"})
    env.write(std::string("exts/sample/") + f, "v1");
  RUZCache cache(env.path("cache").string());
  EXPECT_FALSE(ExtensionFilesCached(*proj, cache, "sample"));
  CacheExtensionFiles(*proj, cache, "sample");
  std::vector<std::string> keys;
  for (const auto& e : cache.entries()) keys.push_back(e.Key);
  EXPECT_EQ(keys, (std::vector<std::string>{"sample\\control.xml", "sample\\pages\\one.tpl",
                                            "sample\\pages\\two.tpl", "sample\\sess.vb.tpl"}));
  EXPECT_TRUE(ExtensionFilesCached(*proj, cache, "sample"));

  for (const char* changed : {"pages/two.tpl", "sess.vb.tpl"}) {
    SCOPED_TRACE(changed);
    env.write(std::string("exts/sample/") + changed, "version 2");
    EXPECT_FALSE(ExtensionFilesCached(*proj, cache, "sample"));
    CacheExtensionFiles(*proj, cache, "sample");
    EXPECT_TRUE(ExtensionFilesCached(*proj, cache, "sample"));
  }
  env.write("exts/sample/asset.js", "copied files are not compiled");
  EXPECT_TRUE(ExtensionFilesCached(*proj, cache, "sample"));

  // Without its control file the extension is not taken as unchanged.
  std::filesystem::remove(env.path("exts/sample/control.xml"));
  EXPECT_FALSE(ExtensionFilesCached(*proj, cache, "sample"));
  EXPECT_FALSE(ExtensionFilesCached(*proj, cache, "notinstalled"));
}

} // namespace
} // namespace quillet::testing
