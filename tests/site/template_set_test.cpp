// The template set shipped with the program (templates/default): its control file reads, every
// file and session it names is there, and every control becomes script the engine accepts.
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "core/test_env.h"
#include "platform/automation/convert.h"
#include "platform/vbscript/script_control.h"
#include "template/compiler.h"
#include "template/controls.h"
#include "template/parser.h"

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

} // namespace
} // namespace quillet::testing
