// The two runs the host starts: the list run, which prepares the template set, rebuilds the
// generation items and counts the outputs already there, and the generating run, which
// checks the project, prepares and compiles the template set and writes the site. Whatever
// way a run ends (done, stopped, raised), its script engines and cache index are released
// and the table settings it switched off for itself are put back, so the next run starts
// fresh and a later save keeps the user's choices.
#include "core/properties.h"
#include "core/registry.h"
#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "generation/generator.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/files/files.h"
#include "platform/text/casefold.h"
#include "platform/ui/ui.h"
#include "project/state.h"
#include "template/prepare.h"

namespace quillet::generation {

namespace files = ::quillet::platform::files;
namespace text = ::quillet::platform::text;
namespace ui = ::quillet::platform::ui;

// Releases the run's state when a run ends, also by a raise.
class RunScope {
public:
  explicit RunScope(Generator& g) : g_(g) {}
  ~RunScope() {
    g_.releaseRun();
    g_.restoreOverrides();
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

private:
  Generator& g_;
};

namespace {

Variant userValue(const std::string& key, const std::string& name) {
  try {
    return core::RegGetValue(Variant("HKCU"), Variant(key), Variant(name));
  } catch (const automation::Error&) {
    return Variant();
  }
}

std::string afterLastSeparator(const std::string& path) {
  size_t p = path.find_last_of("\\/");
  return p == std::string::npos ? path : path.substr(p + 1);
}

bool yes(const std::string& question) {
  return ui::current().messageBox(question, ui::kYesNo, core::state().DisplayName) == ui::kYes;
}

void showPhase(const std::string& phase, bool withBar) {
  core::State& st = core::state();
  st.StatusCaption = st.DisplayName + phase;
  core::RUZStatus& status = core::SharedStatus();
  if (withBar)
    status.ShowStatus3(st.lhWnd, st.StatusCaption);
  else
    status.ShowStatus2(st.lhWnd, st.StatusCaption);
  status.DispStatus("Please wait...");
}

bool isCopyOrFolder(const RUZControl& ctrl) {
  std::string type = text::toLower(ctrl.CtrlType);
  return type == "copy" || type == "folder";
}

std::string replaceStar(std::string s, const std::string& lang) {
  for (size_t p = 0; (p = s.find('*', p)) != std::string::npos; p += lang.size())
    s.replace(p, 1, lang);
  return s;
}

} // namespace

void Generator::releaseRun() {
  if (cacheOpen_) {
    cacheOpen_ = false;
    services_->releaseCache();
  }
  for (std::unique_ptr<PageScriptEngine>* engine : {&genEngine_, &cssEngine_}) {
    if (!*engine) continue;
    try {
      (*engine)->Reset();
    } catch (const automation::Error&) {
      // The engine goes either way.
    }
    engine->reset();
  }
  genState().runFunction = nullptr;
  runCssTemplate = nullptr;
}

void Generator::InitScriptEngine() {
  genEngine_ = services_->createEngine();
  if (genEngine_ && genEngine_->IsInitialized()) {
    genEngine_->Initialize(proj_, Controls());
    PageScriptEngine* engine = genEngine_.get();
    genState().runFunction = [engine](const std::string& name) { return engine->RunModule(name); };
    return;
  }
  core::SharedStatus().CloseStatus();
  genEngine_.reset();
  genState().runFunction = nullptr;
}

void Generator::DeleteFilesByExtension(const std::string& folder, const std::string& ext) {
  if (folder.empty() || !files::folderExists(folder)) return;
  for (const files::Entry& e : files::listFolder(folder)) {
    if (e.isFolder) continue;
    size_t dot = e.name.rfind('.');
    std::string own = dot == std::string::npos ? std::string() : e.name.substr(dot + 1);
    if (text::equalsNoCase(own, ext)) files::deleteFile(files::joinPath(folder, e.name), false);
  }
}

void Generator::GenScript() {
  core::State& st = core::state();
  project::ProjectState& ps = project::projectState();
  GenerationState& gs = genState();
  templating::TemplateWork& work = templating::templateWork();
  RunScope scope(*this);
  // A site is thousands of files the run can make again: each is still replaced atomically,
  // but the disk is waited for once, at the end, not per page.
  files::DeferredSync durable;
  auto fail = [&](const std::string& message) { st.ProjErr = st.DisplayName + message; };

  st.ProjErr.clear();
  SaveGenLists();
  if (!proj_.CheckRequiredComponents()) return;
  if (proj_.HeaderLogo().empty()) {
    Variant logo = userValue(ps.ProjectKey, "HeaderLogo");
    if (!logo.isEmpty() && !logo.isNull()) proj_.setHeaderLogo(automation::CStr(logo));
  }
  Ref<model::RUZDatabase> db = proj_.DB();
  if (!db) return fail(": Database not loaded! Generation aborted!");
  if (db->Tables()->Count() < 1) return fail(": No tables found in the Database! Generation aborted!");

  if (proj_.Template().find_first_of("\\/") != std::string::npos)
    ps.TemplateName = afterLastSeparator(proj_.Template());
  services_->openCache(ps.TemplateName);
  cacheOpen_ = true;
  work.TemplateFolder =
      services_->ExtractTemplate(proj_.Template(), "Script", false, true, !gs.KeepTemplateFlag);
  if (st.hasProjErr()) return;

  // Extensions: a missing archive may be passed over when the user agrees.
  bool extensionsChanged = false, userCodeChanged = false, controlChanged = false;
  Ref<extensions::RUZExtensions> exts = proj_.Extensions();
  auto archiveOf = [&](extensions::RUZExtension& e) {
    return core::AddBackslash(ps.ExtensionsFolder) + e.Template();
  };
  for (int32_t i = 1; i <= exts->Count(); ++i) {
    Ref<extensions::RUZExtension> e = exts->Seq(i);
    if (!e || !e->Enabled()) continue;
    std::string archive = archiveOf(*e);
    int r = services_->CheckCachedFile("extension", e->Name(), archive);
    if (r < 0) {
      if (!yes("The '" + e->Name() +
               "' extension is not found! Do you want to ignore the extension and continue "
               "generation?"))
        return fail(" - Error in loading the '" + e->Name() + "' extension. Generation aborted.");
      e->setEnabled(false);
      extensionsChanged = true;
    }
    work.ExtensionsWorkFolder = services_->ExtensionsWorkFolder();
    services_->ExtractTemplate(archive, e->Name(), true, true, r >= 1);
    if (r >= 0 && !services_->ExtensionFilesCached(e->Name())) extensionsChanged = true;
  }
  work.ExtensionsWorkFolder = services_->ExtensionsWorkFolder();
  std::string enabledNames;
  for (int32_t i = 1; i <= exts->Count(); ++i) {
    Ref<extensions::RUZExtension> e = exts->Seq(i);
    if (!e || !e->Enabled()) continue;
    if (!enabledNames.empty()) enabledNames += "\r\n";
    enabledNames += e->Name();
  }
  if (!services_->MatchCacheGroup("extension", enabledNames)) {
    services_->DeleteCacheGroup("extension");
    extensionsChanged = true;
  }

  // No user code file named: the engine runs with its built-in user code.
  int r = proj_.USERCODE.empty()
              ? 0
              : services_->CheckCachedFile("usercode", "usercode", proj_.USERCODE);
  if (r < 0) return fail(": User code file not found! Generation aborted!");
  userCodeChanged = r != 0;
  std::string controlFile = files::joinPath(work.TemplateFolder, "control.xml");
  r = services_->CheckCachedFile("control", "control", controlFile);
  if (r < 0) return fail(": control file not found! Generation aborted!");
  controlChanged = r != 0;

  RUZControls& controls = Controls();
  if (!controls.LoadControls(controlFile)) {
    if (templating::ControlFileStatus() == 2)
      return fail(
          ": Control file is invalid! Please check if the correct template file is in use!");
    return fail(
        ": Load control file failed! Please check if the correct template file is in use!");
  }
  switch (project::RUZ::CompareVersion(controls.ProdVersion, st.versionText())) {
  case 2:
    return fail(": Template version (" + controls.ProdVersion +
                ") newer than software version (" + st.fullVersionText() +
                ")! Generation aborted!");
  case -1:
    return fail(": Template version (" + controls.ProdVersion + ") older than minimum required (" +
                st.versionText() + ")! Generation aborted!");
  default:
    break;
  }

  proj_.CodeBaseFile = automation::CStr(userValue(ps.GeneralKey, "CodeBase"));
  if (!proj_.CodeBaseFile.empty() && files::fileExists(proj_.CodeBaseFile))
    proj_.CodeBase()->Load(proj_.CodeBaseFile);

  // Language files: one that does not load may be passed over when the user agrees.
  Ref<elements::RUZLanguage> lang = proj_.Language();
  lang->ResetFiles();
  std::string list = proj_.MultiLanguage() ? proj_.LanguageFiles() : proj_.DefaultLanguageFile();
  if (!list.empty()) {
    std::vector<std::string> entries = splitGenList(list);
    for (std::string& entry : entries) {
      if (lang->Load(files::joinPath(ps.LanguageFolder, entry))) continue;
      if (!yes("Load language file '" + entry +
               "' failed! Do you want to ignore the language file and continue generation?"))
        return fail(" - Error in loading the language file '" + entry + "'. Generation aborted.");
      entry.clear();
    }
    if (proj_.MultiLanguage()) {
      list.clear();
      for (const std::string& entry : entries) {
        if (entry.empty()) continue;
        if (!list.empty()) list += ",";
        list += entry;
      }
      proj_.setLanguageFiles(list);
    }
    if (list.empty()) return fail(": No language file specified in project! Generation aborted!");
  }

  if (!gs.KeepTemplateFlag || extensionsChanged || userCodeChanged || controlChanged) {
    DeleteFilesByExtension(services_->CacheFolder(), "tpl");
    services_->DeleteCacheGroup("tpl");
    if (extensionsChanged) {
      for (int32_t i = 1; i <= exts->Count(); ++i) {
        Ref<extensions::RUZExtension> e = exts->Seq(i);
        if (!e || !e->Enabled() || !files::fileExists(archiveOf(*e))) continue;
        services_->AddCacheFile("extension", e->Name(), archiveOf(*e));
        services_->CacheExtensionFiles(e->Name());
      }
    }
    if (userCodeChanged) services_->AddCacheFile("usercode", "usercode", proj_.USERCODE);
    if (controlChanged) services_->AddCacheFile("control", "control", controlFile);
  }

  std::string langExt = proj_.ProgramLanguage() == "C#" ? "cs" : "vb";
  for (int32_t i = 1; i <= controls.Count(); ++i) {
    Ref<RUZControl> c = controls.Item(Variant(i));
    if (!c) continue;
    c->CtrlOExt = replaceStar(c->CtrlOExt, langExt);
    c->CtrlIFiles = replaceStar(c->CtrlIFiles, langExt);
    c->CtrlTagExt = replaceStar(c->CtrlTagExt, langExt);
    Ref<templating::RUZSessions> sessions = c->Sessions();
    for (int32_t k = 1; k <= sessions->Count(); ++k)
      if (Ref<templating::RUZSession> s = sessions->Item(k))
        s->SessIFile = replaceStar(s->SessIFile, langExt);
  }

  proj_.BackupFile =
      automation::CBool(core::ConvertValue(userValue(ps.GeneralKey, "BackupFile"), "Boolean"));
  gs.ScriptTimeout =
      automation::CLng(core::ConvertValue(userValue(ps.GeneralKey, "ScriptEngineTimeout"), "Long"));

  showPhase(" - Initializing VBScript Engine...", false);
  InitScriptEngine();
  if (!st.hasProjErr()) {
    cssEngine_ = services_->createEngine();
    if (!genEngine_ || !cssEngine_ || !cssEngine_->IsInitialized()) {
      core::SharedStatus().CloseStatus();
      // Without an engine nothing can be produced; saying so keeps the run from reading as
      // a success.
      return fail(": The script engine cannot be started! Generation aborted!");
    }
    cssEngine_->Initialize(proj_, controls);
    PageScriptEngine* css = cssEngine_.get();
    runCssTemplate = [css](const std::string& t) { return css->RunTemplateAsFunction(t); };
  }
  if (!st.hasProjErr()) {
    for (int32_t i = 1; i <= exts->Count(); ++i) {
      Ref<extensions::RUZExtension> e = exts->Seq(i);
      if (!e || !e->Enabled() || !files::fileExists(archiveOf(*e))) continue;
      std::string folder = templating::GetExtensionFolder(e->Name());
      if (folder.empty()) continue;
      std::string userCode = files::joinPath(folder, "usercode.vbs");
      if (files::fileExists(userCode)) genEngine_->AddUserCode(userCode);
      std::string langFile = files::joinPath(folder, "lang.xml");
      if (files::fileExists(langFile)) lang->LoadExtension(langFile);
    }
  }
  core::SharedStatus().CloseStatus();
  if (st.hasProjErr()) return;

  showPhase(" - Merging extensions...", false);
  bool extensionFailed = false;
  for (int32_t i = 1; i <= exts->Count(); ++i) {
    Ref<extensions::RUZExtension> e = exts->Seq(i);
    if (!e || !e->Enabled() || !files::fileExists(archiveOf(*e))) continue;
    if (services_->MergeExtensionControls(e->Name())) continue;
    e->setEnabled(false);
    services_->DeleteCache("extension", e->Name());
    std::string message;
    int16_t status = templating::ControlFileStatus();
    if (status == 3)
      message = st.DisplayName + ": Incorrect version (" + services_->extensionControlVersion() +
                ") for extension '" + e->Name() + "'. Extension is disabled.";
    else if (status == 2)
      message =
          st.DisplayName + ": Incorrect extension '" + e->Name() + "' used. Extension is disabled.";
    else
      message =
          st.DisplayName + ": Load extension '" + e->Name() + "' failed. Extension is disabled.";
    ui::current().messageBox(message, ui::kExclamation | ui::kOkOnly, "");
    extensionFailed = true;
  }
  core::SharedStatus().CloseStatus();
  if (extensionFailed &&
      !yes("Some extensions are disabled due to error in loading the extensions. Do you want to "
           "continue generation?")) {
    fail(" - Error in loading extensions. Generation aborted.");
    services_->WriteCacheFile();
    return;
  }

  if (!st.hasProjErr()) services_->LoadFunctionScripts(*genEngine_);
  if (!st.hasProjErr()) {
    showPhase(" - Validating project settings...", false);
    genEngine_->Validate();
    core::SharedStatus().CloseStatus();
  }

  // Controls are counted, not their sessions: a control without sessions is compiled from
  // its whole input file and must be rebuilt as well.
  // A compiled page serves every table and field: no table or field left current by an
  // earlier run may decide which of its sessions are in it.
  setCurrentTable(nullptr);
  setCurrentField(nullptr);
  showPhase(" - Validating control.xml...", false);
  gs.SessionsTranslated = 0;
  gs.SessionsToTranslate = 0;
  for (int32_t i = 1; i <= controls.Count(); ++i) {
    Ref<RUZControl> c = controls.Item(Variant(i));
    if (!c || isCopyOrFolder(*c)) continue;
    if (services_->ValidateTemplateFiles(*c)) ++gs.SessionsToTranslate;
  }
  core::SharedStatus().CloseStatus();
  if (gs.SessionsToTranslate >= 1) {
    showPhase(" - Loading template...", false);
    services_->clearFileCache();
    for (int32_t i = 1; i <= controls.Count(); ++i) {
      Ref<RUZControl> c = controls.Item(Variant(i));
      if (c && !isCopyOrFolder(*c)) services_->LoadTemplateFiles(*c);
    }
    core::SharedStatus().CloseStatus();
    showPhase(" - Creating Cache Files...", true);
    for (int32_t i = 1; i <= controls.Count(); ++i) {
      Ref<RUZControl> c = controls.Item(Variant(i));
      if (!c || isCopyOrFolder(*c)) continue;
      if (core::SharedStatus().StatusIsCancelled()) CancelGeneration();
      core::SharedStatus().Refresh();
      if (!c->CtrlGen) continue;
      std::string label = c->CtrlTagExt.empty() ? c->CtrlID : c->CtrlID + "(" + c->CtrlTagExt + ")";
      core::SharedStatus().DispStatus("Loading " + label + " script...");
      services_->BuildControlScript(*c, services_->TemplateFileName(*c));
    }
    core::SharedStatus().CloseStatus();
    std::string cacheFolder = services_->CacheFolder();
    if (!cacheFolder.empty() && files::folderExists(cacheFolder))
      for (const files::Entry& e : files::listFolder(cacheFolder)) {
        if (e.isFolder) continue;
        size_t dot = e.name.rfind('.');
        if (dot != std::string::npos && e.name.substr(dot + 1) == "xml") continue;
        services_->AddCacheFile("tpl", e.name, files::joinPath(cacheFolder, e.name));
      }
    services_->WriteCacheFile();
  }

  core::RUZStatus& status = core::SharedStatus();
  status.ShowStatus3(st.lhWnd, st.DisplayName + " - Generating " + st.PlatformText + " Scripts...");
  CreateOutputFolders();
  proj_.MenuList()->Sort();
  GenerateAll(false);
  durable.flush();
  status.CloseStatus();
}

int32_t Generator::GenCheck() {
  core::State& st = core::state();
  project::ProjectState& ps = project::projectState();
  GenerationState& gs = genState();
  templating::TemplateWork& work = templating::templateWork();
  RunScope scope(*this);
  auto stop = [&](const std::string& message) {
    if (!message.empty()) st.ProjErr = st.DisplayName + message;
    core::SharedStatus().CloseStatus();
    return 0;
  };

  st.ProjErr.clear();
  if (!proj_.CheckRequiredComponents()) return 0;
  showPhase(" - Preparing for generation...", false);
  if (proj_.HeaderLogo().empty()) {
    Variant logo = userValue(ps.ProjectKey, "HeaderLogo");
    if (!logo.isEmpty() && !logo.isNull()) proj_.setHeaderLogo(automation::CStr(logo));
  }
  if (proj_.Template().find_first_of("\\/") != std::string::npos)
    ps.TemplateName = afterLastSeparator(proj_.Template());
  services_->openCache(ps.TemplateName);
  cacheOpen_ = true;
  gs.TemplateKept = false;

  int r = services_->CheckCachedFile("template", "template", proj_.Template());
  if (r < 0) return stop(": Template file not found! Generation aborted!");
  gs.KeepTemplateFlag = r == 0;
  if (r == 1) {
    if (gs.keepTemplateAnswer)
      gs.KeepTemplateFlag = *gs.keepTemplateAnswer;
    else
      gs.KeepTemplateFlag =
          ui::current().choose("The template file \"" + proj_.Template() +
                                   "\" has changed since it was last unpacked. Keep the unpacked "
                                   "template and its compiled scripts, or overwrite them?",
                               {"Keep", "Overwrite"}, 0, st.DisplayName) == 0;
    gs.TemplateKept = gs.KeepTemplateFlag;
  }
  // An answer to overwrite given ahead rebuilds everything, changed or not.
  if (gs.keepTemplateAnswer && !*gs.keepTemplateAnswer) gs.KeepTemplateFlag = false;
  work.TemplateFolder =
      services_->ExtractTemplate(proj_.Template(), "Script", false, true, !gs.KeepTemplateFlag);
  if (st.hasProjErr()) return stop("");
  if (!gs.TemplateKept) {
    services_->AddCacheFile("template", "template", proj_.Template());
    services_->WriteCacheFile();
  }
  if (!gs.KeepTemplateFlag) {
    DeleteFilesByExtension(services_->CacheFolder(), "tpl");
    services_->DeleteCacheGroup("tpl");
  }
  RUZControls& controls = Controls();
  if (!controls.LoadControls(files::joinPath(work.TemplateFolder, "control.xml"))) {
    if (templating::ControlFileStatus() == 2)
      return stop(
          ": Control file is invalid! Please check if the correct template file is in use!");
    return stop(
        ": Load control file failed! Please check if the correct template file is in use!");
  }
  Ref<extensions::RUZExtensions> exts = proj_.Extensions();
  for (int32_t i = 1; i <= exts->Count(); ++i) {
    Ref<extensions::RUZExtension> e = exts->Seq(i);
    if (!e || !e->Enabled()) continue;
    std::string archive = core::AddBackslash(ps.ExtensionsFolder) + e->Template();
    if (!files::fileExists(archive)) continue;
    r = services_->CheckCachedFile("extension", e->Name(), archive);
    services_->ExtractTemplate(archive, e->Name(), true, true, r > 0);
    services_->MergeExtensionControls(e->Name());
  }
  work.ExtensionsWorkFolder = services_->ExtensionsWorkFolder();
  InitScriptEngine();
  if (genEngine_) genEngine_->Validate();
  PurgeControlItems();
  cacheOpen_ = false;
  services_->releaseCache();
  if (!st.hasProjErr() && genEngine_) services_->LoadFunctionScripts(*genEngine_);
  int32_t count = GenerateAll(true);
  BuildControlItems();
  core::SharedStatus().CloseStatus();
  return count;
}

} // namespace quillet::generation
