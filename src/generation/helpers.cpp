// The helpers every unit of a run shares: the two ways a run ends early, progress per unit,
// folders of controls, output paths confined to their root, conditions against the run's
// current table and field, and the run-local table overrides.
#include <algorithm>

#include "core/properties.h"
#include "core/registry.h"
#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "generation/generator.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/automation/text_settings.h"
#include "platform/files/files.h"
#include "platform/files/textfile.h"
#include "platform/text/casefold.h"
#include "project/state.h"

namespace quillet::generation {

namespace files = ::quillet::platform::files;
namespace text = ::quillet::platform::text;
using automation::Context;

GenerationState& genState() {
  return Context::current().shared<GenerationState>();
}

RUZControls& templateControls() {
  GenerationState& st = genState();
  if (!st.controls) st.controls = automation::makeRef<RUZControls>();
  return *st.controls;
}

Generator::Generator(project::RUZ& proj) : Generator(proj, templateServices()) {}

Generator::Generator(project::RUZ& proj, TemplateServices& services)
    : proj_(proj), services_(&services), controls_(&templateControls()) {
  services_->attachRun(*this);
}

Generator::~Generator() {
  releaseRun();
  restoreOverrides();
  services_->detachRun(*this);
}

void Generator::restoreOverrides() {
  // Newest first, so a setting overridden twice ends at the user's own value.
  for (auto it = overrides_.rbegin(); it != overrides_.rend(); ++it) {
    try {
      if (text::equalsNoCase(it->setting, "TblGen"))
        it->table->setTblGen(automation::CBool(it->value));
      else
        it->table->setValue(it->setting, it->value);
    } catch (const automation::Error&) {
      // The value was read from the same setting; putting it back cannot fail to convert.
    }
  }
  overrides_.clear();
}

void Generator::overrideTableFlag(model::RUZTable& table, const std::string& setting, bool value) {
  Variant old = table.value(setting);
  if (automation::CBool(old) == value) return;
  overrides_.push_back({Ref<model::RUZTable>(&table), setting, old});
  if (text::equalsNoCase(setting, "TblGen"))
    table.setTblGen(value);
  else
    table.setValue(setting, Variant(value));
}

// ---- Ending a run ------------------------------------------------------------------------

void Generator::CancelGeneration() {
  core::SharedStatus().CloseStatus();
  core::state().ProjErr = kCancelledText;
  automation::raise(kGenerationAborted, kCancelledText);
}

void Generator::RaiseGenError() {
  core::SharedStatus().CloseStatus();
  automation::raise(kGenerationAborted, core::state().ProjErr);
}

void Generator::ReportUnitProgress() {
  GenerationState& st = genState();
  ++st.GenUnitDone;
  core::SharedStatus().SetStatus(Variant(core::CalcPercent(st.GenUnitDone, st.GenUnitTotal)));
}

void Generator::recordFailure(const std::string& message) {
  core::state().setProjErr(message);
}

// ---- Folders and paths -------------------------------------------------------------------

std::string Generator::GetControlFolder(const std::string& folderId, const std::string& ownFolder) {
  return folderId.empty() ? ownFolder : GetFolderByControlID(folderId);
}

std::string Generator::GetFolderByControlID(const std::string& id) {
  RUZControls& controls = Controls();
  for (int32_t i = 1; i <= controls.Count(); ++i) {
    Ref<RUZControl> c = controls.Item(Variant(i));
    if (c && text::toLower(c->CtrlType) == "folder" && text::equalsNoCase(c->CtrlID, id))
      return c->CtrlOFolder;
  }
  return {};
}

std::string Generator::ResolveAppRootPath(const std::string& folder, const std::string& name,
                                          bool listMode) {
  std::string root;
  std::string rest;
  if (folder.size() >= 2 && folder[0] == '~' && (folder[1] == '\\' || folder[1] == '/')) {
    root = proj_.AppRootFolder();
    rest = folder.substr(2);
  } else {
    root = proj_.Destination();
    rest = folder;
  }
  root = core::AddBackslash(root);
  // Both the folder and the file name must stay below the root; joinInside refuses "..",
  // absolute paths and drive letters whichever separator they use.
  std::string folderPath =
      rest.empty() ? files::toNativeSeparators(root) : files::joinInside(root, rest);
  if (!rest.empty()) folderPath = core::AddBackslash(folderPath);
  if (!listMode && !rest.empty()) CreateFolderPath(folderPath);
  if (name.empty()) return folderPath;
  std::string full = files::joinInside(folderPath.empty() ? "." : folderPath, name);
  if (folderPath.empty() && full.rfind("./", 0) == 0) full.erase(0, 2);
  return full;
}

std::string Generator::resolveForControl(const std::string& controlId, const std::string& folder,
                                         const std::string& name, bool listMode) {
  try {
    return ResolveAppRootPath(folder, name, listMode);
  } catch (const automation::Error& e) {
    if (e.number() != automation::err::kPathFileAccessError) throw;
    recordFailure("Output of control '" + controlId + "' refused: " + e.description());
    return {};
  }
}

void Generator::CreateFolderPath(const std::string& path) {
  if (path.empty()) return;
  try {
    files::createFolders(path);
  } catch (const automation::Error&) {
    // The write that follows fails with the clearer message naming the file.
  }
}

std::string Generator::CheckSourcePath(const std::string& folder, const std::string& name) {
  std::string path =
      files::joinPath(files::toNativeSeparators(folder), files::toNativeSeparators(name));
  if (!files::pathExists(path)) {
    core::SharedStatus().CloseStatus();
    return {};
  }
  return path;
}

// ---- Conditions --------------------------------------------------------------------------

model::RUZTable* Generator::currentTable() const {
  return dynamic_cast<model::RUZTable*>(proj_.curTable.get());
}

model::RUZField* Generator::currentField() const {
  return dynamic_cast<model::RUZField*>(proj_.curField.get());
}

void Generator::setCurrentTable(model::RUZTable* table) {
  proj_.curTable = Ref<automation::Object>(table);
}

void Generator::setCurrentField(model::RUZField* field) {
  proj_.curField = Ref<automation::Object>(field);
}

templating::ConditionScope Generator::conditionScope() {
  templating::ConditionScope scope;
  scope.project = proj_.Properties();
  project::RUZ* p = &proj_;
  scope.getV = [p](const std::string& name) { return p->GetV(name); };
  if (Ref<model::RUZDatabase> db = proj_.DB()) scope.database = db->Properties();
  if (model::RUZTable* t = currentTable()) scope.table = t->Properties();
  if (model::RUZField* f = currentField()) scope.field = f->Properties();
  scope.controls = &Controls();
  scope.runFunction = genState().runFunction;
  return scope;
}

bool Generator::EvalCondition(const std::string& cond) {
  if (cond.empty()) return true;
  return templating::EvalCondition(cond, conditionScope());
}

// ---- Text files --------------------------------------------------------------------------

void Generator::WriteTextFile(const std::string& path, const std::string& content, bool noUtf8) {
  bool utf8 = false;
  try {
    Variant v = core::RegGetValue(Variant("HKCU"), Variant(project::projectState().GeneralKey),
                                  Variant("UTF8Project"));
    utf8 = automation::CBool(core::ConvertValue(v, "Boolean"));
  } catch (const automation::Error&) {
    utf8 = false;
  }
  // A file stored under a name that differs only in letter case takes the new name.
  std::string onDisk = files::resolvePath(path);
  std::string native = files::toNativeSeparators(path);
  if (onDisk != native && files::fileExists(onDisk) && !files::fileExists(native)) {
    try {
      files::move(onDisk, native);
    } catch (const automation::Error&) {
      // The write below replaces the file under its stored name instead.
    }
  }
  writeIfChanged(native, text::encodeText(content,
                                         utf8 && !noUtf8
                                             ? text::Encoding::utf8()
                                             : ::quillet::platform::automation::ansiEncoding(),
                                         false));
}

void Generator::writeIfChanged(const std::string& path, const std::string& bytes) {
  if (files::fileExists(path) && files::entryInfo(path).size == bytes.size() &&
      files::readFile(path) == bytes)
    return;
  files::writeFile(path, bytes);
}

void Generator::copyFileIfChanged(const std::string& from, const std::string& to) {
  if (files::fileExists(to) && files::fileExists(from) &&
      files::entryInfo(to).size == files::entryInfo(from).size &&
      files::readFile(to) == files::readFile(from))
    return;
  files::copyFile(from, to, true);
}

void Generator::copyFolderIfChanged(const std::string& from, const std::string& to) {
  if (!files::folderExists(from))
    automation::raise(76, "Path not found: \"" + from + "\"");
  files::createFolders(to);
  for (const files::Entry& e : files::listFolder(from)) {
    std::string source = files::joinPath(from, e.name), target = files::joinPath(to, e.name);
    if (e.isFolder)
      copyFolderIfChanged(source, target);
    else
      copyFileIfChanged(source, target);
  }
}

} // namespace quillet::generation
