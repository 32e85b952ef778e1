// The template set shipped with the program (templates/default): its control file reads, every
// file and session it names is there, every control becomes script the engine accepts, and its
// VB pages keep their texts.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "core/test_env.h"
#include "platform/automation/convert.h"
#include "platform/vbscript/script_control.h"
#include "project/project_env.h"
#include "template/compiler.h"
#include "template/controls.h"
#include "template/parser.h"
#include "template/script_host.h"

namespace quillet::testing {
namespace {

namespace fs = std::filesystem;
using namespace templating;
using platform::automation::makeRef;

const fs::path kSet = fs::path(QUILLET_SOURCE_DIR) / "templates" / "default";

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> out;
  std::stringstream s(text);
  for (std::string part; std::getline(s, part, sep);)
    if (!part.empty()) out.push_back(part);
  return out;
}

class DefaultTemplateSet : public CoreTest {
protected:
  void SetUp() override {
    ASSERT_TRUE(controls->LoadControls((kSet / "control.xml").string())) << ctx().ProjErr;
    for (const auto& entry : fs::directory_iterator(kSet))
      if (entry.path().extension() == ".tpl")
        SharedFileCache().AddFile(entry.path().string(), entry.path().filename().string());
  }
  std::vector<Ref<RUZControl>> all() {
    std::vector<Ref<RUZControl>> out;
    for (int32_t i = 1; i <= controls->Count(); ++i)
      out.push_back(controls->Item(Variant(i)));
    return out;
  }
  Ref<RUZControls> controls = makeRef<RUZControls>();
};

TEST_F(DefaultTemplateSet, NamesOnlyFilesAndSessionsThatExist) {
  EXPECT_EQ(controls->ProdVersion, "4.0");
  std::set<std::string> ids;
  for (const auto& c : all()) {
    SCOPED_TRACE(c->CtrlID);
    EXPECT_TRUE(ids.insert(c->CtrlID + "|" + c->CtrlTagExt).second) << "control given twice";
    for (const std::string& file : split(c->CtrlIFiles, ','))
      EXPECT_TRUE(fs::exists(kSet / file)) << file;
    auto sessions = c->Sessions();
    for (int32_t k = 1; k <= sessions->Count(); ++k) {
      auto s = sessions->Item(k);
      if (s->SessType != "key") continue;
      std::string file = s->SessIFile.empty() ? c->CtrlIFiles : s->SessIFile;
      EXPECT_NE(SharedFileCache().find(file, s->SessValue), nullptr) << file << "/" << s->SessValue;
    }
  }
  for (const char* id : {"default", "list", "web.config", "funcs"})
    EXPECT_EQ(ids.count(std::string(id) + "|"), 1u) << id;
}

TEST_F(DefaultTemplateSet, EveryControlBecomesScriptTheEngineAccepts) {
  CompileSettings settings;
  settings.programStyle = "table";
  settings.programLanguage = "C#";
  settings.condition = [](const std::string&) { return true; };
  auto engine = makeRef<platform::vbscript::ScriptControl>();
  for (const auto& c : all()) {
    SCOPED_TRACE(c->CtrlID);
    std::string script;
    if (c->CtrlType == "function") {
      script = readAll(kSet / c->CtrlIFiles);
    } else {
      bool failed = true;
      script = ScriptCompiler(settings).buildControl(*c, "", (kSet / c->CtrlIFiles).string(), failed);
      ASSERT_FALSE(failed) << ctx().ProjErr;
    }
    try {
      engine->AddCode(script);
    } catch (const platform::automation::Error&) {
      ADD_FAILURE() << engine->Error()->Description() << " at line " << engine->Error()->Line()
                    << ": " << engine->Error()->Text();
    }
  }
  EXPECT_TRUE(ctx().ProjErr.empty()) << ctx().ProjErr;
}

// ---- The VB pages (no VB compiler runs them here): the list, edit and view pages of a small
// table, compared with the texts kept under tests/site/golden. QUILLET_UPDATE_GOLDEN=1 writes
// the texts anew instead (check the difference before keeping it).

const fs::path kGolden = fs::path(QUILLET_SOURCE_DIR) / "tests" / "site" / "golden";

// A SQLite project in VB with one table (markup in its caption): a key, a required text of at
// most 40 characters (a quote and an end of script in its caption), a lookup into a second
// table, a date and a flag.
class VbPages : public ProjectTest {
protected:
  void SetUp() override {
    proj->setProjName("Shop");
    proj->setProgramLanguage("VB");
    proj->Databases()->Add("db");
    proj->useDatabase("db");
    auto db = proj->DB();
    db->setDBType("SQLITE");
    db->setDBQuoteS("`");
    db->setDBQuoteE("`");
    db->setDBPhyPath("/data/shop.db");
    auto tables = db->Tables();
    tables->Add("parts");
    tables->Add("makers");
    auto t = tables->Item(Variant("parts"));
    t->setTblType("TABLE");
    t->setTblVar("parts");
    t->setTblCaption("Parts & <Pieces>");
    for (auto set : {&model::RUZTable::setTblGen, &model::RUZTable::setTblList,
                     &model::RUZTable::setTblView, &model::RUZTable::setTblEdit,
                     &model::RUZTable::setTblAdd, &model::RUZTable::setTblDelete})
      (t.get()->*set)(true);
    t->setTblRecPerPage(int16_t{15});
    struct F {
      const char* name;
      int type;
      const char* validate;
      const char* caption;
    };
    for (F f : {F{"part_id", 3, "INTEGER", "Part"}, F{"name", 200, "", "Say \"name\" </script>"},
                F{"maker_id", 3, "INTEGER", "Maker"}, F{"made_on", 133, "DATE", "Made on"},
                F{"in_stock", 11, "", "In stock"}}) {
      t->Fields()->Add("parts", f.name);
      auto fld = t->Fields()->Item(Variant(f.name));
      fld->setFldVar(std::string("x_") + f.name);
      fld->setFldType(int16_t(f.type));
      fld->setFldValidate(f.validate);
      fld->setFldCaption(f.caption);
      fld->setFldFmtType("None");
      for (auto set : {&model::RUZField::setFldGenerate, &model::RUZField::setFldList,
                       &model::RUZField::setFldView, &model::RUZField::setFldEdit,
                       &model::RUZField::setFldAdd})
        (fld.get()->*set)(true);
    }
    t->Fields()->Item(Variant("part_id"))->setFldIsPrimaryKey(true);
    auto name = t->Fields()->Item(Variant("name"));
    name->setFldRequired(true);
    name->setFldTagMaxLength(40);
    name->setFldBasicSearch(true);
    auto maker = t->Fields()->Item(Variant("maker_id"));
    maker->setFldTagLnkTbl("makers");
    maker->setFldTagLnkFld("maker_id");
    maker->setFldTagLnkDisplay("name");
    t->Fields()->Item(Variant("in_stock"))->setFldHtmlTag("CHECKBOX");
    auto made = t->Fields()->Item(Variant("made_on"));
    made->setFldFmtType("Date/Time");
    made->setFldDtFormat(int16_t{5});
    tables->SetItem(Variant("parts"));

    ASSERT_TRUE(controls->LoadControls((kSet / "control.xml").string())) << ctx().ProjErr;
    for (const auto& entry : fs::directory_iterator(kSet))
      if (entry.path().extension() == ".tpl")
        SharedFileCache().AddFile(entry.path().string(), entry.path().filename().string());
    host = makeRef<AGScript>();
    host->initializeFor(proj, controls, nullptr);
    host->AddTemplateScript((kSet / "functions.vbs").string());
    ASSERT_EQ(ctx().ProjErr, "");
  }

  std::string page(const std::string& id) {
    CompileSettings settings;
    settings.programStyle = proj->ProgramStyle();
    settings.programLanguage = proj->ProgramLanguage();
    ScriptCompiler compiler(settings);
    Ref<RUZControl> ctrl = controls->Item(Variant(id));
    bool failed = true;
    std::string script = compiler.buildControl(*ctrl, "", ctrl->CtrlIFiles, failed);
    EXPECT_FALSE(failed) << ctx().ProjErr;
    std::string out = host->BuildNewCode(compiler.functionName(*ctrl), script, 2, 0);
    EXPECT_EQ(ctx().ProjErr, "") << id;
    return out;
  }

  Ref<project::RUZ> proj = makeRef<project::RUZ>();
  Ref<RUZControls> controls = makeRef<RUZControls>();
  Ref<AGScript> host;

  // The page compared with its kept text, or written as it when QUILLET_UPDATE_GOLDEN is set.
  void expectKept(const std::string& text, const std::string& name) {
    fs::path golden = kGolden / name;
    if (std::getenv("QUILLET_UPDATE_GOLDEN")) {
      std::ofstream(golden, std::ios::binary) << text;
      return;
    }
    ASSERT_TRUE(fs::exists(golden)) << golden;
    EXPECT_EQ(text, readAll(golden));
    // VB throughout: no C# statement or literal slipped in.
    EXPECT_NE(text.find("<%@ Page Language=\"VB\" %>"), std::string::npos);
    EXPECT_EQ(text.find("Language=\"C#\""), std::string::npos);
    EXPECT_EQ(text.find("};"), std::string::npos);
    EXPECT_EQ(text.find("\\\""), std::string::npos) << "a C# escape in a VB literal";
  }
};

TEST_F(VbPages, MatchTheKeptTexts) {
  for (const char* id : {"list", "edit", "view"}) {
    SCOPED_TRACE(id);
    std::string text = page(id);
    expectKept(text, std::string("parts") + id + ".vb.aspx");
    EXPECT_EQ(text.find("LanguageChooser"), std::string::npos) << "a chooser with one language";
  }
}

// With several languages the phrases are looked up while the page runs, in the language the
// chooser sets; with one the page keeps its texts (above).
TEST_F(VbPages, TakeTheirPhrasesFromTheLanguageFilesWithSeveralLanguages) {
  proj->setMultiLanguage(true);
  proj->setLanguageFiles("english.xml,german.xml");
  std::string text = page("list");
  expectKept(text, "partslist.languages.vb.aspx");
  for (const char* part : {"<%= LanguageChooser() %>", "{\"english.xml\", \"german.xml\"}",
                           "<%= HttpUtility.HtmlEncode(Phrase(\"search\", \"Search\")) %>"})
    EXPECT_NE(text.find(part), std::string::npos) << part;
  proj->setLanguageFiles("english.xml");
  EXPECT_EQ(page("list").find("LanguageChooser"), std::string::npos) << "one file is one language";
}

} // namespace
} // namespace quillet::testing
