#include "template/merge.h"

#include <functional>

#include "core/state.h"
#include "extensions/extension.h"
#include "platform/automation/error.h"
#include "platform/files/files.h"
#include "platform/text/ascii.h"
#include "template/prepare.h"
#include "template/work.h"

namespace quillet::templating {

namespace files = ::quillet::platform::files;
namespace text = ::quillet::platform::text;

namespace {

bool installed(const std::string& name) {
  return extensions::extensionList()->ExtensionExist(Variant(name));
}

void replaceStar(std::string& value, const std::string& lang) {
  std::string out;
  for (char c : value)
    if (c == '*')
      out += lang;
    else
      out.push_back(c);
  value = std::move(out);
}

void resolveStars(RUZControls& list, const std::string& lang) {
  for (int32_t i = 1; i <= list.Count(); ++i) {
    Ref<RUZControl> c = list.Item(Variant(i));
    replaceStar(c->CtrlOExt, lang);
    replaceStar(c->CtrlIFiles, lang);
    replaceStar(c->CtrlTagExt, lang);
    Ref<RUZSessions> sessions = c->Sessions();
    for (int32_t k = 1; k <= sessions->Count(); ++k) replaceStar(sessions->Item(k)->SessIFile, lang);
  }
}

// Loads the extension's control file into the extension control list, leaving ProjErr as it
// was: the run goes on without an extension it cannot read. "" when it cannot be read.
std::string loadExtensionControls(const std::string& extensionName) {
  TemplateWork& w = templateWork();
  w.ExtensionLoadError.clear();
  const std::string folder = GetExtensionFolder(extensionName);
  const std::string file = folder.empty() ? std::string() : files::joinPath(folder, "control.xml");
  if (file.empty() || !files::fileExists(file)) {
    ControlFileStatus() = 1;
    return {};
  }
  w.ExtensionControls = automation::makeRef<RUZControls>();
  core::State& st = core::state();
  const std::string before = st.ProjErr;
  st.ProjErr.clear();
  const bool ok = w.ExtensionControls->LoadControls(file);
  w.ExtensionLoadError = st.ProjErr;
  st.ProjErr = before;
  return ok ? folder : std::string();
}

// Every template file of the extension's controls other than "copy" ones, with its cache
// key ("<extension>\<file as the control file names it>") and its path.
void eachTemplateFile(const std::string& extensionName, const std::string& folder,
                      const std::function<void(const std::string&, const std::string&)>& visit) {
  RUZControls& list = *templateWork().ExtensionControls;
  auto fileAt = [&](const std::string& relative) {
    if (relative.empty()) return;
    std::string path;
    try {
      path = files::joinInside(folder, relative);
    } catch (const automation::Error&) {
      return; // a name that leaves the extension's folder names none of its files
    }
    visit(extensionName + "\\" + relative, path);
  };
  for (int32_t i = 1; i <= list.Count(); ++i) {
    Ref<RUZControl> c = list.Item(Variant(i));
    if (text::lowerAscii(c->CtrlType) == "copy") continue;
    // Each file of a comma list is watched on its own, below the input folder (which ends
    // in a separator already).
    if (!c->CtrlIFiles.empty()) {
      size_t start = 0;
      for (;;) {
        size_t comma = c->CtrlIFiles.find(',', start);
        std::string entry(text::trim(std::string_view(c->CtrlIFiles)
                                         .substr(start, comma == std::string::npos
                                                            ? std::string_view::npos
                                                            : comma - start)));
        if (!entry.empty()) fileAt(c->CtrlIFolder.empty() ? entry : c->CtrlIFolder + entry);
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    }
    Ref<RUZSessions> sessions = c->Sessions();
    for (int32_t k = 1; k <= sessions->Count(); ++k)
      fileAt(std::string(text::trim(sessions->Item(k)->SessIFile)));
  }
}

} // namespace

bool MergeExtensionControls(project::RUZ& proj, RUZControls& controls,
                            const std::string& extensionName) {
  TemplateWork& w = templateWork();
  if (!installed(extensionName)) {
    ControlFileStatus() = 1;
    return false;
  }
  if (loadExtensionControls(extensionName).empty()) return false;
  RUZControls& ext = *w.ExtensionControls;
  const int16_t r = project::RUZ::CompareVersion(core::state().versionText(), ext.ProdVersion);
  if (r < 0 || r > 1) {
    ControlFileStatus() = 3;
    w.RejectedExtensionVersion = ext.ProdVersion;
    return false;
  }
  resolveStars(ext, languageSuffix(proj.ProgramLanguage()));
  for (int32_t i = 1; i <= ext.Count(); ++i) {
    Ref<RUZControl> c = ext.Item(Variant(i));
    c->CtrlExt = extensionName;
    if (c->CtrlAction == "add") {
      controls.AddControl(*c);
    } else if (c->CtrlAction == "change") {
      for (int32_t k = 1; k <= controls.Count(); ++k) {
        Ref<RUZControl> t = controls.Item(Variant(k));
        if (t->CtrlID == c->CtrlID && t->CtrlTagExt == c->CtrlTagExt) {
          MergeSessions(*t, *c);
          break;
        }
      }
    } else if (c->CtrlAction == "delete") {
      controls.DeleteControl(*c);
    }
  }
  return true;
}

void MergeSessions(RUZControl& templateControl, RUZControl& extensionControl) {
  Ref<RUZSessions> target = templateControl.Sessions();
  Ref<RUZSessions> source = extensionControl.Sessions();
  for (int32_t i = 1; i <= source->Count(); ++i) {
    Ref<RUZSession> s = source->Item(i);
    s->SessExt = extensionControl.CtrlExt;
    if (s->SessAction == "add") {
      target->AddSession(*s, s->SessLocation, s->SessLocType);
    } else if (s->SessAction == "change") {
      if (target->SessionExist(s->SessValue)) target->ChangeSession(s->SessValue, *s);
    } else if (s->SessAction == "delete") {
      target->DeleteSession(s->SessValue);
    }
  }
}

bool ExtensionFilesCached(project::RUZ& proj, RUZCache& cache, const std::string& extensionName) {
  if (!installed(extensionName)) return false;
  const std::string folder = loadExtensionControls(extensionName);
  // A control file that is missing or unreadable is no evidence that nothing changed.
  if (folder.empty()) return false;
  if (CheckCachedFile(cache, "extensionfiles", extensionName + "\\control.xml",
                      files::joinPath(folder, "control.xml")) != 0)
    return false;
  resolveStars(*templateWork().ExtensionControls, languageSuffix(proj.ProgramLanguage()));
  bool cached = true;
  eachTemplateFile(extensionName, folder, [&](const std::string& key, const std::string& path) {
    if (files::fileExists(path) && CheckCachedFile(cache, "extensionfiles", key, path) != 0)
      cached = false;
  });
  return cached;
}

void CacheExtensionFiles(project::RUZ& proj, RUZCache& cache, const std::string& extensionName) {
  if (!installed(extensionName)) return;
  const std::string folder = loadExtensionControls(extensionName);
  if (folder.empty()) return;
  RecordCachedFile(cache, "extensionfiles", extensionName + "\\control.xml",
                   files::joinPath(folder, "control.xml"));
  resolveStars(*templateWork().ExtensionControls, languageSuffix(proj.ProgramLanguage()));
  eachTemplateFile(extensionName, folder, [&](const std::string& key, const std::string& path) {
    RecordCachedFile(cache, "extensionfiles", key, path);
  });
}

} // namespace quillet::templating
