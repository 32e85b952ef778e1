#include "template/prepare.h"

#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "extensions/extension.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/files/files.h"
#include "platform/text/ascii.h"
#include "platform/ui/ui.h"

namespace quillet::templating {

namespace files = ::quillet::platform::files;
namespace text = ::quillet::platform::text;

TemplateWork& templateWork() {
  return automation::Context::current().shared<TemplateWork>();
}

namespace {

// A chain of single subfolders deeper than this is a loop of links, not a template.
constexpr int kMaxFolderChain = 64;

std::string trimmed(std::string_view s) {
  return std::string(text::trim(s, text::kSpaces));
}

// folder/name when the name stays inside the folder, else "" (which no file exists at).
std::string inFolder(const std::string& folder, const std::string& name) {
  if (folder.empty() || name.empty()) return {};
  try {
    return files::joinInside(folder, name);
  } catch (const automation::Error&) {
    return {};
  }
}

std::vector<std::string> splitList(const std::string& list) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t comma = list.find(',', start);
    out.push_back(list.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

// Stops the run: the reason replaces ProjErr, the progress window closes, and error -1
// carries the text to the host's call.
[[noreturn]] void stopMissing(const std::string& name, const std::string& folder) {
  core::State& st = core::state();
  st.ProjErr = "Missing \"" + name + "\" in template folder \"" + folder + "\". Generation aborted.";
  core::SharedStatus().CloseStatus();
  automation::raise(-1, st.ProjErr);
}

// The cached script's date as "yyyy/mm/dd hh:nn:ss"; "" for none (the zero date, or text
// that is no date, which is no evidence the script is current).
std::string cachedStamp(const Variant& date) {
  const std::string s = core::FormatTimestamp(date);
  if (s.size() != 19 || s[4] != '/' || s[13] != ':') return {};
  if (s == "1899/12/30 00:00:00") return {};
  return s;
}

bool newerThan(const std::string& path, const std::string& stamp) {
  return core::FormatTimestamp(fileModified(path)) > stamp;
}

std::string fileText(const std::string& path) {
  return automation::CStr(core::ReadTextFile(Variant(path)));
}

} // namespace

std::string languageSuffix(const std::string& programLanguage) {
  return programLanguage == "C#" ? "cs" : "vb";
}

std::string TemplateFileName(project::RUZ& proj, const RUZControl& control) {
  return files::joinPath(templateWork().CacheFolder,
                         proj.ProgramStyle() + "_" + languageSuffix(proj.ProgramLanguage()) + "_" +
                             control.CtrlID + control.CtrlTagExt + ".tpl");
}

std::string GetTemplateWorkFolder(const std::string& name, const std::string& subfolder,
                                  bool isExtension) {
  TemplateWork& w = templateWork();
  const std::string documents = trimmed(files::documentsFolder());
  const std::string data = files::joinPath(documents, core::CompactName(core::state().ProductKey));
  w.BackupFolder = files::joinPath(data, "Backup");
  files::createFolders(w.BackupFolder);
  w.ReportFolder = files::joinPath(data, "Report");
  files::createFolders(w.ReportFolder);
  const std::string templates = files::joinPath(data, "Templates");
  files::createFolders(templates);
  if (name.empty()) return {};
  if (isExtension) {
    if (w.ExtensionsWorkFolder.empty()) return {};
    const std::string folder = inFolder(w.ExtensionsWorkFolder, subfolder);
    if (folder.empty()) return {};
    w.ExtensionWorkFolder = folder;
    files::createFolders(folder);
    return folder;
  }
  const std::string root = files::joinPath(templates, core::CompactName(name));
  files::createFolders(root);
  w.ExtensionsWorkFolder = files::joinPath(root, "extensions");
  files::createFolders(w.ExtensionsWorkFolder);
  w.CacheFolder = files::joinPath(root, "cache");
  files::createFolders(w.CacheFolder);
  const std::string folder = inFolder(root, subfolder);
  if (folder.empty()) return {};
  files::createFolders(folder);
  return folder;
}

std::string FindControlFolder(const std::string& start) {
  try {
    if (start.empty() || !files::folderExists(start)) return {};
    std::string folder = start;
    for (int depth = 0; depth < kMaxFolderChain; ++depth) {
      if (files::fileExists(files::joinPath(folder, "control.xml"))) return folder;
      std::string only;
      int folders = 0;
      for (const files::Entry& e : files::listFolder(folder))
        if (e.isFolder && ++folders == 1) only = e.name;
      if (folders != 1) return {};
      folder = files::joinPath(folder, only);
    }
  } catch (const automation::Error&) {
  }
  // A folder that cannot be walked holds no control file we could read.
  return {};
}

std::string GetExtensionFolder(const std::string& extensionName) {
  const TemplateWork& w = templateWork();
  if (extensionName.empty()) return w.TemplateFolder;
  const std::string folder = inFolder(w.ExtensionsWorkFolder, extensionName);
  return folder.empty() ? std::string() : FindControlFolder(folder);
}

std::string ExtractTemplate(const std::string& archivePath, const std::string& subfolder,
                            bool isExtension, bool unpack, bool force) {
  if (archivePath.empty()) return {};
  TemplateWork& w = templateWork();
  std::string folder = GetTemplateWorkFolder(files::fileName(archivePath), subfolder, isExtension);
  if (!unpack || folder.empty()) return folder;
  if (!force) {
    const std::string found = FindControlFolder(folder);
    if (!found.empty()) return found;
  }
  if (!files::fileExists(archivePath)) return folder;
  try {
    std::string target = folder;
    if (!target.empty() && (target.back() == '/' || target.back() == '\\')) target.pop_back();
    if (files::folderExists(target)) files::deleteFolder(target, true);
    platform::archive::ZipExtractor& x = w.extractor;
    x.ArchivePath = archivePath;
    x.UseFolderNames = true;
    x.OverwriteFiles = true;
    x.TimeMode = 1;
    x.TargetFolder = folder;
    x.Extract();
  } catch (const automation::Error& e) {
    core::state().setProjErr("Unpacking \"" + archivePath + "\" failed: " + e.description());
    return folder;
  }
  const std::string found = FindControlFolder(folder);
  return found.empty() ? folder : found;
}

std::string FindTemplateFile(const std::string& fileName) {
  const TemplateWork& w = templateWork();
  if (w.CurrentTemplateFolder != w.TemplateFolder) {
    const std::string own = inFolder(w.CurrentTemplateFolder, fileName);
    if (!own.empty() && files::fileExists(own)) return own;
    return inFolder(w.TemplateFolder, fileName);
  }
  Ref<extensions::RUZExtensions> list = extensions::extensionList();
  for (int32_t i = 1; i <= list->Count(); ++i) {
    Ref<extensions::RUZExtension> ext = list->Seq(i);
    if (!ext || !ext->Enabled()) continue;
    const std::string candidate = inFolder(GetExtensionFolder(ext->Name()), fileName);
    if (!candidate.empty() && files::fileExists(candidate)) return candidate;
  }
  return inFolder(w.CurrentTemplateFolder, fileName);
}

std::string CollectIncludeFiles(const std::string& source, const std::string& programLanguage) {
  static constexpr std::string_view kStart = "<!--##include";
  static constexpr std::string_view kEnd = "##-->";
  const std::string lower = text::lowerAscii(source);
  std::string list;
  bool first = true;
  size_t p = lower.find(kStart);
  while (p != std::string::npos) {
    const size_t e = lower.find(kEnd, p);
    if (e == std::string::npos) break;
    const std::string inner = source.substr(p + kStart.size(), e - p - kStart.size());
    const size_t slash = inner.rfind('/');
    const std::string name = trimmed(slash == std::string::npos ? inner : inner.substr(0, slash));
    if (!first) list += ",";
    list += name;
    first = false;
    p = lower.find(kStart, e + kEnd.size());
  }
  const std::string lang = languageSuffix(programLanguage);
  std::string out;
  for (char c : list)
    if (c == '*')
      out += lang;
    else
      out.push_back(c);
  return out;
}

namespace {

// The file of a key session, looked for in its extension's folder and then in the
// template's; the check and the loading both use it, so that the file checked is the file
// loaded. Makes the session's folder the current one; "" for a session without a file.
std::string sessionFile(const RUZSession& s) {
  TemplateWork& w = templateWork();
  w.CurrentTemplateFolder = GetExtensionFolder(s.SessExt);
  if (s.SessIFile.empty()) return {};
  std::string path = inFolder(w.CurrentTemplateFolder, trimmed(s.SessIFile));
  if (w.CurrentTemplateFolder != w.TemplateFolder && (path.empty() || !files::fileExists(path)))
    path = inFolder(w.TemplateFolder, trimmed(s.SessIFile));
  return path;
}

// Walks the include names of a file: a missing one stops the run, a newer one answers true.
bool includesNewer(const std::string& path, const std::string& stamp,
                   const std::string& programLanguage) {
  const std::string names = CollectIncludeFiles(fileText(path), programLanguage);
  if (names.empty()) return false;
  for (const std::string& name : splitList(names)) {
    const std::string found = FindTemplateFile(name);
    if (found.empty() || !files::fileExists(found))
      stopMissing(name, templateWork().CurrentTemplateFolder);
    if (newerThan(found, stamp)) return true;
  }
  return false;
}

} // namespace

bool ValidateTemplateFiles(project::RUZ& proj, RUZCache& cache, RUZControl& control) {
  TemplateWork& w = templateWork();
  const std::string lang = proj.ProgramLanguage();
  control.CtrlGen = false;
  w.CurrentTemplateFolder = GetExtensionFolder(control.CtrlExt);
  if (!control.CtrlIFolder.empty()) {
    const std::string folder = inFolder(w.CurrentTemplateFolder, trimmed(control.CtrlIFolder));
    if (folder.empty() || !files::folderExists(folder))
      stopMissing(control.CtrlIFolder, w.CurrentTemplateFolder);
  }
  const std::string script = TemplateFileName(proj, control);
  const std::string stamp = cachedStamp(cache.GetCacheDate("tpl", files::fileName(script)));
  if (stamp.empty() || !files::fileExists(script)) return control.CtrlGen = true;
  if (control.CtrlIFiles.empty()) return false;
  for (const std::string& entry : splitList(control.CtrlIFiles)) {
    const std::string path = inFolder(w.CurrentTemplateFolder, trimmed(entry));
    if (path.empty() || !files::fileExists(path)) stopMissing(entry, w.CurrentTemplateFolder);
    if (newerThan(path, stamp) || includesNewer(path, stamp, lang)) return control.CtrlGen = true;
  }
  Ref<RUZSessions> sessions = control.Sessions();
  for (int32_t i = 1; i <= sessions->Count(); ++i) {
    Ref<RUZSession> s = sessions->Item(i);
    if (s->SessType != "key") continue;
    const std::string path = sessionFile(*s);
    if (s->SessIFile.empty()) continue;
    if (path.empty() || !files::fileExists(path))
      stopMissing(s->SessIFile, w.CurrentTemplateFolder);
    if (newerThan(path, stamp) || includesNewer(path, stamp, lang)) return control.CtrlGen = true;
  }
  return false;
}

namespace {

void loadWithIncludes(const std::string& path, const std::string& name, RUZFileCache& fileCache,
                      const std::string& programLanguage) {
  fileCache.AddFile(path, name);
  const std::string names = CollectIncludeFiles(fileText(path), programLanguage);
  if (names.empty()) return;
  for (const std::string& include : splitList(names)) {
    const std::string found = FindTemplateFile(include);
    if (!found.empty() && files::fileExists(found)) fileCache.AddFile(found, include);
  }
}

} // namespace

void LoadTemplateFiles(project::RUZ& proj, RUZControl& control, RUZFileCache& fileCache) {
  TemplateWork& w = templateWork();
  const std::string lang = proj.ProgramLanguage();
  w.CurrentTemplateFolder = GetExtensionFolder(control.CtrlExt);
  if (control.CtrlIFiles.empty()) return;
  for (const std::string& entry : splitList(control.CtrlIFiles)) {
    const std::string path = inFolder(w.CurrentTemplateFolder, trimmed(entry));
    if (!path.empty() && files::fileExists(path)) loadWithIncludes(path, entry, fileCache, lang);
  }
  Ref<RUZSessions> sessions = control.Sessions();
  for (int32_t i = 1; i <= sessions->Count(); ++i) {
    Ref<RUZSession> s = sessions->Item(i);
    if (s->SessType != "key") continue;
    const std::string path = sessionFile(*s);
    if (!path.empty() && files::fileExists(path))
      loadWithIncludes(path, s->SessIFile, fileCache, lang);
  }
}

bool AskKeepTemplate() {
  TemplateWork& w = templateWork();
  const std::vector<std::string> options = {"Keep", "Overwrite"};
  const size_t answer = platform::ui::current().choose(
      "Template version in zip file is different with that in the template folder. Do you want "
      "to keep the existing files in the template folder or extract and overwrite from the zip "
      "file?",
      options, 0, core::state().DisplayName);
  w.KeepTemplateFlag = answer == 0;
  return w.KeepTemplateFlag;
}

} // namespace quillet::templating
