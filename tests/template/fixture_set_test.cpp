// The fixture template set: every control of tests/template/fixtures/set that has template
// text compiles to the script stored beside it in fixtures/expected, before and after the
// sample extension (fixtures/sample) adds, changes and deletes controls and sessions.
// QUILLET_UPDATE_GOLDEN=1 rewrites the expected scripts after a deliberate change.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include <gtest/gtest.h>

#include "core/test_env.h"
#include "template/compiler.h"
#include "template/condition.h"
#include "template/controls.h"
#include "template/parser.h"

namespace quillet::testing {
namespace {

using namespace templating;
using platform::automation::makeRef;
namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(QUILLET_TEST_DIR) / "fixtures";

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void setValue(core::AGProperties& bag, const char* name, const char* value) {
  bag.Add(name, "String");
  bag.Item(name)->setValue(Variant(std::string(value)));
}

class FixtureSetTest : public CoreTest {
protected:
  FixtureSetTest() {
    scope.project = makeRef<core::AGProperties>();
    scope.table = makeRef<core::AGProperties>();
    scope.field = makeRef<core::AGProperties>();
    setValue(*scope.project, "ProgramLanguage", "VB");
    setValue(*scope.table, "TblType", "TABLE");
    setValue(*scope.field, "FldHtmlTag", "IMAGE");
    settings.programStyle = "Default";
    settings.programLanguage = "VB";
    settings.condition = [this](const std::string& c) { return EvalCondition(c, scope); };
    settings.extensionFolder = [](const std::string& ext) {
      return (kFixtures / (ext.empty() ? "set" : ext)).string();
    };
    settings.cacheFolder = env.path("cache").string();
    fs::create_directories(settings.cacheFolder);
    EXPECT_TRUE(controls->LoadControls((kFixtures / "set/control.xml").string())) << ctx().ProjErr;
    for (const char* f : {"list.tpl", "common.tpl", "report.tpl", "field.tpl", "default.tpl",
                          "code.tpl", "web.config.tpl"})
      SharedFileCache().AddFile((kFixtures / "set" / f).string(), f);
    for (const char* f : {"extra.tpl", "head.tpl"})
      SharedFileCache().AddFile((kFixtures / "sample" / f).string(), f);
  }

  // The controls the compile phase translates: all but "copy", "folder" and "function".
  std::vector<Ref<RUZControl>> compiled() {
    std::vector<Ref<RUZControl>> out;
    for (int32_t i = 1; i <= controls->Count(); ++i) {
      Ref<RUZControl> c = controls->Item(Variant(i));
      if (c->CtrlType != "copy" && c->CtrlType != "folder" && c->CtrlType != "function")
        out.push_back(c);
    }
    return out;
  }

  // Builds the control and compares its script with fixtures/expected/<name>.
  void expectGolden(RUZControl& c, const std::string& name) {
    ScriptCompiler compiler(settings);
    std::string out = env.path("cache/" + name).string();
    ASSERT_TRUE(compiler.BuildControlScript(c, out)) << name << ": " << ctx().ProjErr;
    fs::path expected = kFixtures / "expected" / name;
    if (std::getenv("QUILLET_UPDATE_GOLDEN"))
      fs::copy_file(out, expected, fs::copy_options::overwrite_existing);
    EXPECT_EQ(readAll(out), readAll(expected)) << name;
  }

  // What the extension merge does with the sample extension's control file: add, change
  // (sessions added after a named one, changed and deleted) and delete.
  void applySample() {
    auto ext = makeRef<RUZControls>();
    ASSERT_TRUE(ext->LoadControls((kFixtures / "sample/control.xml").string()));
    for (int32_t i = 1; i <= ext->Count(); ++i) {
      Ref<RUZControl> e = ext->Item(Variant(i));
      e->CtrlExt = "sample";
      if (e->CtrlAction == "add") controls->AddControl(*e);
      if (e->CtrlAction == "delete") controls->DeleteControl(*e);
      if (e->CtrlAction != "change") continue;
      for (int32_t k = 1; k <= controls->Count(); ++k) {
        Ref<RUZControl> t = controls->Item(Variant(k));
        if (t->CtrlID != e->CtrlID || t->CtrlTagExt != e->CtrlTagExt) continue;
        for (int32_t s = 1; s <= e->Sessions()->Count(); ++s) {
          Ref<RUZSession> x = e->Sessions()->Item(s);
          x->SessExt = "sample";
          if (x->SessAction == "add")
            t->Sessions()->AddSession(*x, x->SessLocation, x->SessLocType);
          if (x->SessAction == "change") t->Sessions()->ChangeSession(x->SessValue, *x);
          if (x->SessAction == "delete") t->Sessions()->DeleteSession(x->SessValue);
        }
        break;
      }
    }
  }

  Ref<RUZControls> controls = makeRef<RUZControls>();
  ConditionScope scope;
  CompileSettings settings;
};

TEST_F(FixtureSetTest, EveryControlKindIsInTheSet) {
  std::set<std::string> types, markers;
  for (int32_t i = 1; i <= controls->Count(); ++i) {
    Ref<RUZControl> c = controls->Item(Variant(i));
    types.insert(c->CtrlType);
    for (int32_t k = 1; k <= c->Sessions()->Count(); ++k)
      markers.insert(c->Sessions()->Item(k)->SessType);
  }
  EXPECT_EQ(types,
            (std::set<std::string>{"table", "report", "field", "other", "simple", "inline",
                                   "codebehind", "web.config", "copy", "folder", "function"}));
  EXPECT_EQ(markers, (std::set<std::string>{"key", "control_start", "class_start", "class_end",
                                            "register", "include"}));
}

TEST_F(FixtureSetTest, CompiledScriptsMatchTheirGoldenText) {
  for (const auto& c : compiled())
    expectGolden(*c, "Default_vb_" + c->CtrlID + c->CtrlTagExt + ".tpl");
}

TEST_F(FixtureSetTest, SampleExtensionAddsChangesAndDeletes) {
  applySample();
  std::vector<std::string> ids;
  for (const auto& c : compiled())
    ids.push_back(c->CtrlID);
  EXPECT_EQ(ids, (std::vector<std::string>{"list.page", "rpt", "fldview", "default", "inline",
                                           "code", "web.config", "extra"}));
  Ref<RUZControl> extra = controls->Item(Variant("extra"));
  expectGolden(*extra, "sample_extra.tpl");
  expectGolden(*controls->Item(Variant("list.page")), "sample_list.page-x.tpl");
}

} // namespace
} // namespace quillet::testing
