// The template engine behind a generation run. A page engine is one script host (AGScript)
// with the project's published objects; the services prepare the template set in the
// thread's template work (templateWork()), keep the run's cache index (runCache()) and
// compile controls with the run's conditions.
#include "generation/engine.h"

#include <ctime>

#include "core/properties.h"
#include "core/registry.h"
#include "core/state.h"
#include "generation/generator.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/files/files.h"
#include "platform/text/casefold.h"
#include "project/state.h"
#include "template/cache.h"
#include "template/compiler.h"
#include "template/filters.h"
#include "template/merge.h"
#include "template/prepare.h"
#include "template/script_host.h"
#include "template/work.h"

namespace quillet::generation {

namespace files = ::quillet::platform::files;
namespace text = ::quillet::platform::text;

namespace {

bool generalFlag(const char* name) {
  try {
    Variant v = core::RegGetValue(Variant("HKCU"), Variant(project::projectState().GeneralKey),
                                  Variant(std::string(name)));
    return automation::CBool(core::ConvertValue(v, "Boolean"));
  } catch (const automation::Error&) {
    return false;
  }
}

std::string nowText() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y/%m/%d %H:%M:%S", &tm);
  return buf;
}

// The script host holds its published objects by reference count. A project or control
// list that no reference owns (one on the stack) gets a count it never gives back, so that
// the host letting go of it does not delete it.
template <class T> Ref<T> heldBy(T& object) {
  if (object.refCount() == 0) object.addRef();
  return Ref<T>(&object);
}

class EnginePage : public PageScriptEngine {
public:
  EnginePage() : host_(automation::makeRef<templating::AGScript>()) {}
  ~EnginePage() override = default;

  bool IsInitialized() override { return host_->IsInitialized(); }

  void Initialize(project::RUZ& proj, templating::RUZControls& controls) override {
    proj_ = &proj;
    auto filter = automation::makeRef<templating::RUZFilter>();
    filter->Load();
    host_->initializeFor(heldBy(proj), heldBy(controls), filter);
  }

  void AddUserCode(const std::string& file) override { host_->AddUserCode(file); }
  void Validate() override { host_->Validate(); }
  Variant RunModule(const std::string& name) override { return host_->RunModule(name); }

  std::optional<std::string> BuildNewCode(const std::string& funcName, const std::string& script,
                                          int initType, int32_t timeout) override {
    core::State& st = core::state();
    std::string earlier = std::move(st.ProjErr);
    st.ProjErr.clear();
    std::string page =
        host_->BuildNewCode(funcName, script, static_cast<int16_t>(initType), timeout);
    if (st.hasProjErr()) return std::nullopt;
    st.ProjErr = std::move(earlier);
    return page;
  }

  // Runs the style-sheet template at once as "qzExParse"; the text as it was when it does
  // not translate, the reason then left in ProjErr.
  std::string RunTemplateAsFunction(const std::string& templateText) override {
    if (!proj_) return templateText;
    templating::CompileSettings settings;
    settings.programStyle = proj_->ProgramStyle();
    settings.programLanguage = proj_->ProgramLanguage();
    templating::ScriptCompiler compiler(settings);
    std::string script = compiler.parseFunction(templateText);
    if (core::state().hasProjErr()) return templateText;
    return host_->BuildNewCode("qzExParse", script, 0, genState().ScriptTimeout);
  }

  void Reset() override { host_->Reset(); }

  void AddTemplateScript(const std::string& file) { host_->AddTemplateScript(file); }

private:
  Ref<templating::AGScript> host_;
  project::RUZ* proj_ = nullptr;
};

class EngineServices : public TemplateServices {
public:
  void attachRun(Generator& run) override { run_ = &run; }
  void detachRun(Generator& run) override {
    if (run_ == &run) run_ = nullptr;
  }

  std::unique_ptr<PageScriptEngine> createEngine() override {
    return std::make_unique<EnginePage>();
  }

  // ---- Cache index ------------------------------------------------------------------------
  void openCache(const std::string& templateName) override {
    templating::TemplateWork& w = templating::templateWork();
    w.TemplateName = templateName.empty() && run_ ? files::fileName(run_->project().Template())
                                                  : templateName;
    templating::runCache() = automation::makeRef<templating::RUZCache>();
  }
  void releaseCache() override { templating::runCache() = nullptr; }
  int CheckCachedFile(const std::string& group, const std::string& key,
                      const std::string& file) override {
    return templating::CheckCachedFile(cache(), group, key, file);
  }
  void AddCacheFile(const std::string& group, const std::string& key,
                    const std::string& file) override {
    templating::RecordCachedFile(cache(), group, key, file);
  }
  bool MatchCacheGroup(const std::string& group, const std::string& list) override {
    return cache().MatchCacheGroup(group, list);
  }
  void DeleteCacheGroup(const std::string& group) override { cache().DeleteCacheGroup(group); }
  void DeleteCache(const std::string& group, const std::string& key) override {
    cache().DeleteCache(group, key);
  }
  void WriteCacheFile() override { cache().WriteCacheFile(); }

  // ---- Template set and extensions --------------------------------------------------------
  std::string ExtractTemplate(const std::string& archive, const std::string& subFolder,
                              bool isExtension, bool unpack, bool force) override {
    std::string folder =
        templating::ExtractTemplate(archive, subFolder, isExtension, unpack, force);
    if (!isExtension) templating::templateWork().TemplateFolder = folder;
    return folder;
  }
  std::string CacheFolder() override { return templating::templateWork().CacheFolder; }
  std::string ExtensionsWorkFolder() override {
    return templating::templateWork().ExtensionsWorkFolder;
  }
  bool ExtensionFilesCached(const std::string& name) override {
    return templating::ExtensionFilesCached(project(), cache(), name);
  }
  void CacheExtensionFiles(const std::string& name) override {
    templating::CacheExtensionFiles(project(), cache(), name);
  }
  bool MergeExtensionControls(const std::string& name) override {
    return templating::MergeExtensionControls(project(), run().Controls(), name);
  }
  std::string extensionControlVersion() override {
    return templating::templateWork().RejectedExtensionVersion;
  }

  // ---- Controls ---------------------------------------------------------------------------
  bool ValidateTemplateFiles(templating::RUZControl& ctrl) override {
    return templating::ValidateTemplateFiles(project(), cache(), ctrl);
  }
  void clearFileCache() override { templating::SharedFileCache().Clear(); }
  void LoadTemplateFiles(templating::RUZControl& ctrl) override {
    templating::LoadTemplateFiles(project(), ctrl, templating::SharedFileCache());
  }
  std::string TemplateFileName(templating::RUZControl& ctrl) override {
    return templating::TemplateFileName(project(), ctrl);
  }
  std::string GetScriptFuncName(templating::RUZControl& ctrl) override {
    project::RUZ& proj = project();
    templating::CompileSettings names;
    names.programStyle = proj.ProgramStyle();
    names.programLanguage = proj.ProgramLanguage();
    return templating::ScriptCompiler(std::move(names)).functionName(ctrl);
  }
  // A control that does not compile stops the run, the reason in ProjErr.
  void BuildControlScript(templating::RUZControl& ctrl, const std::string& path) override {
    if (!compiler().BuildControlScript(ctrl, path)) run().RaiseGenError();
  }
  void LoadFunctionScripts(PageScriptEngine& engine) override {
    auto* page = dynamic_cast<EnginePage*>(&engine);
    if (!page || !run_) return;
    core::State& st = core::state();
    RUZControls& controls = run().Controls();
    templating::TemplateWork& w = templating::templateWork();
    for (int32_t i = 1; i <= controls.Count(); ++i) {
      Ref<RUZControl> c = controls.Item(Variant(i));
      if (!c || !text::equalsNoCase(c->CtrlType, "function")) continue;
      if (!run().EvalCondition(c->CtrlCond)) continue;
      w.CurrentTemplateFolder = templating::GetExtensionFolder(c->CtrlExt);
      if (c->CtrlIFiles.empty()) continue;
      std::string path;
      try {
        // A name that climbs out of its folder is no script of the template.
        path = files::joinInside(w.CurrentTemplateFolder, c->CtrlIFiles);
      } catch (const automation::Error&) {
      }
      if (path.empty() || !files::fileExists(path)) {
        st.ProjErr = st.DisplayName + ": Script file does not exist - \"" + c->CtrlIFiles +
                     "\"! Check if correct template.";
        return;
      }
      page->AddTemplateScript(path);
      if (st.hasProjErr()) return;
    }
  }

private:
  Generator& run() {
    if (!run_) automation::raise(kGenerationAborted, "No generation run uses the template engine");
    return *run_;
  }
  project::RUZ& project() { return run().project(); }
  templating::RUZCache& cache() {
    Ref<templating::RUZCache>& c = templating::runCache();
    if (!c) openCache(project::projectState().TemplateName);
    return *c;
  }
  // The compiler with the run's settings: the project's style and language, the user's
  // session comments, the run's conditions and the template work's folders.
  templating::ScriptCompiler compiler() {
    project::RUZ& proj = project();
    templating::CompileSettings settings;
    settings.programStyle = proj.ProgramStyle();
    settings.programLanguage = proj.ProgramLanguage();
    settings.showSession = generalFlag("ShowSession");
    settings.showSessionTime = generalFlag("ShowSessionTime");
    Generator* g = run_;
    settings.condition = [g](const std::string& cond) { return g->EvalCondition(cond); };
    settings.now = nowText;
    settings.extensionFolder = [](const std::string& ext) {
      return templating::GetExtensionFolder(ext);
    };
    settings.cacheFolder = templating::templateWork().CacheFolder;
    return templating::ScriptCompiler(std::move(settings));
  }

  Generator* run_ = nullptr;
};

} // namespace

std::shared_ptr<TemplateServices> makeTemplateEngineServices() {
  return std::make_shared<EngineServices>();
}

void registerTemplateEngine() {
  registerTemplateServicesFactory(makeTemplateEngineServices);
}

} // namespace quillet::generation
