#pragma once
// A stand-in template engine for driving whole runs: the "unpacked template" is a folder of
// the test, a control's compiled script is a copy of its input file, and running a page
// replaces {TABLE}, {FIELD} and {PROJ} with the current table, field and project name. A
// page text holding {FAIL} fails the way a script error does: the engine reports, with the
// template's file and line, and hands back what it had written so far.
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/state.h"
#include "generation/services.h"
#include "platform/automation/convert.h"
#include "platform/files/files.h"

namespace quillet::testing {

using platform::automation::Ref;
using platform::automation::Variant;

struct FakeCounters {
  int enginesCreated = 0;
  int enginesAlive = 0;
  int enginesReset = 0;
  int cacheOpened = 0;
  bool cacheOpen = false;
  int cacheWrites = 0;
  std::vector<std::string> built; // controls compiled, in order
  std::vector<std::string> pages; // functions run, in order
};

class FakeEngine : public generation::PageScriptEngine {
public:
  FakeEngine(std::shared_ptr<FakeCounters> c, project::RUZ*& proj) : c_(std::move(c)), proj_(proj) {
    ++c_->enginesCreated;
    ++c_->enginesAlive;
  }
  ~FakeEngine() override { --c_->enginesAlive; }
  bool IsInitialized() override { return true; }
  void Initialize(project::RUZ& proj, templating::RUZControls&) override { proj_ = &proj; }
  void AddUserCode(const std::string&) override {}
  void Validate() override {}
  Variant RunModule(const std::string&) override { return Variant(true); }
  std::optional<std::string> BuildNewCode(const std::string& funcName, const std::string& script,
                                          int, int32_t) override {
    c_->pages.push_back(funcName);
    std::string out = script;
    auto put = [&](const std::string& key, const std::string& value) {
      for (size_t p = 0; (p = out.find(key, p)) != std::string::npos; p += value.size())
        out.replace(p, key.size(), value);
    };
    Ref<model::RUZDatabase> db = proj_->DB();
    Ref<model::RUZTable> t = db->Tables()->Item(Variant(db->Tables()->curName()));
    put("{TABLE}", t ? t->TblName() : std::string());
    put("{FIELD}", t ? t->Fields()->curName() : std::string());
    put("{PROJ}", proj_->ProjName());
    size_t fail = out.find("{FAIL}");
    if (fail != std::string::npos) {
      core::state().ProjErr = "Brindlewood (" + funcName + ".tpl): script error, line 2";
      return out.substr(0, fail);
    }
    return out;
  }
  std::string RunTemplateAsFunction(const std::string& text) override { return "/*css*/" + text; }
  void Reset() override { ++c_->enginesReset; }

private:
  std::shared_ptr<FakeCounters> c_;
  project::RUZ*& proj_;
};

class FakeServices : public generation::TemplateServices {
public:
  FakeServices(std::string templateFolder, std::string cacheFolder)
      : templateFolder_(std::move(templateFolder)), cacheFolder_(std::move(cacheFolder)) {
    std::filesystem::create_directories(cacheFolder_);
  }
  std::shared_ptr<FakeCounters> counters = std::make_shared<FakeCounters>();
  project::RUZ* proj = nullptr;
  // Controls whose sources count as changed, so they are compiled again.
  std::vector<std::string> changed;

  std::unique_ptr<generation::PageScriptEngine> createEngine() override {
    return std::make_unique<FakeEngine>(counters, proj);
  }
  void openCache(const std::string&) override {
    ++counters->cacheOpened;
    counters->cacheOpen = true;
  }
  void releaseCache() override { counters->cacheOpen = false; }
  int CheckCachedFile(const std::string& group, const std::string& key,
                      const std::string& file) override {
    if (group == "usercode") return 0;
    if (group == "template") return 0;
    if (!platform::files::fileExists(file)) return -1;
    auto it = cache_.find(group + "|" + key);
    if (it == cache_.end()) return 2;
    return it->second == stamp(file) ? 0 : 1;
  }
  void AddCacheFile(const std::string& group, const std::string& key,
                    const std::string& file) override {
    cache_[group + "|" + key] = stamp(file);
  }
  bool MatchCacheGroup(const std::string&, const std::string&) override { return true; }
  void DeleteCacheGroup(const std::string& group) override {
    for (auto it = cache_.begin(); it != cache_.end();)
      it = it->first.rfind(group + "|", 0) == 0 ? cache_.erase(it) : std::next(it);
  }
  void DeleteCache(const std::string& group, const std::string& key) override {
    cache_.erase(group + "|" + key);
  }
  void WriteCacheFile() override { ++counters->cacheWrites; }
  std::string ExtractTemplate(const std::string&, const std::string&, bool isExtension, bool,
                              bool) override {
    return isExtension ? std::string() : templateFolder_;
  }
  std::string CacheFolder() override { return cacheFolder_; }
  std::string ExtensionsWorkFolder() override { return {}; }
  bool ExtensionFilesCached(const std::string&) override { return true; }
  void CacheExtensionFiles(const std::string&) override {}
  bool MergeExtensionControls(const std::string&) override { return true; }
  std::string extensionControlVersion() override { return {}; }
  bool ValidateTemplateFiles(templating::RUZControl& ctrl) override {
    bool again = !platform::files::fileExists(TemplateFileName(ctrl));
    for (const std::string& id : changed)
      if (id == ctrl.CtrlID) again = true;
    ctrl.CtrlGen = again;
    return again;
  }
  void clearFileCache() override {}
  void LoadTemplateFiles(templating::RUZControl&) override {}
  std::string TemplateFileName(templating::RUZControl& ctrl) override {
    return cacheFolder_ + "/" + ctrl.CtrlID + ctrl.CtrlTagExt + ".tpl";
  }
  std::string GetScriptFuncName(templating::RUZControl& ctrl) override {
    return "qzEx_" + ctrl.CtrlID;
  }
  void BuildControlScript(templating::RUZControl& ctrl, const std::string& path) override {
    counters->built.push_back(ctrl.CtrlID);
    std::string input = templateFolder_ + "/" + ctrl.CtrlIFiles;
    if (platform::files::fileExists(input))
      std::filesystem::copy_file(input, path, std::filesystem::copy_options::overwrite_existing);
  }
  void LoadFunctionScripts(generation::PageScriptEngine&) override {}

private:
  static std::string stamp(const std::string& file) {
    if (!platform::files::fileExists(file)) return {};
    auto info = platform::files::entryInfo(file);
    return std::to_string(info.size) + "/" +
           std::to_string(info.modified.time_since_epoch().count());
  }
  std::string templateFolder_;
  std::string cacheFolder_;
  std::map<std::string, std::string> cache_;
};

} // namespace quillet::testing
