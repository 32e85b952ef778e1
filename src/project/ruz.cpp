#include "project/ruz.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <vector>

#include "core/dialect.h"
#include "core/identifiers.h"
#include "core/registry.h"
#include "core/state.h"
#include "core/text_helpers.h"
#include "elements/shared.h"
#include "extensions/project_members.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/factory.h"
#include "platform/crypto/digest.h"
#include "platform/files/files.h"
#include "platform/text/casefold.h"
#include "project/settings_file.h"
#include "project/state.h"

namespace quillet::project {

namespace files = ::quillet::platform::files;
namespace text = ::quillet::platform::text;
using automation::Context;
using core::SettingType;

namespace {

// The registry value as text: "" when missing, numbers in decimal.
std::string regText(const char* root, const std::string& key, const std::string& name) {
  try {
    Variant v = core::RegGetValue(root, key, name);
    if (v.isEmpty() || v.isNull()) return {};
    return automation::CStr(v);
  } catch (const automation::Error&) {
    return {};
  }
}

// Registry writes that fail are not the caller's concern: a default that cannot be stored
// is simply not there next time.
void regWrite(const std::string& key, const std::string& name, int32_t type, const Variant& v) {
  try {
    core::RegSetValue("HKCU", key, name, type, v);
  } catch (const automation::Error&) {
  }
}

// The folder of the running program.
std::string ownFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return exe.parent_path().string();
}

void tolerant(auto&& step) {
  try {
    step();
  } catch (const automation::Error&) {
  }
}

// The marker that the machine-wide defaults were copied to the user once.
constexpr const char* kFirstRunMarker = "MachineDefaultsCopied";

} // namespace

// ---- Hooks of the higher layers ----------------------------------------------------------

void ProjectSyncHooks::LoadTableDefault(model::RUZTable&) {}
bool ProjectSyncHooks::readCatalogue(RUZ&) {
  return false;
}

void RUZ::dropDatabase() {
  Ref<model::RUZDatabases> dbs = Databases();
  db_ = nullptr;
  // The loader may have renamed the database; the list holds at most one, so its first
  // entry is the one to drop when the key no longer finds it.
  try {
    dbs->Delete(Variant(curDBName_));
  } catch (const automation::Error&) {
    if (dbs->Count() > 0) tolerant([&] { dbs->Delete(Variant(int32_t{1})); });
  }
  curDBName_.clear();
}
int32_t ProjectSyncHooks::countDifferences(RUZ&) {
  return 0;
}
bool ProjectSyncHooks::emptyFieldTypeNames(RUZ&) {
  return false;
}
void ProjectSyncHooks::synchronise(RUZ&) {}
void ProjectSyncHooks::SaveTableKeys(RUZ&) {}
void ProjectSyncHooks::RefreshMenus(RUZ&) {}
void ProjectSyncHooks::releaseCatalogue(RUZ&) {}
void ProjectSyncHooks::LoadDB(RUZ&, automation::Args) {
  core::state().setProjErr("Database loading is not available");
}
void ProjectSyncHooks::LoadTable(RUZ& p, const std::string&) {
  LoadDB(p, {});
}
void ProjectSyncHooks::UnLoadTable(RUZ& p, const std::string&) {
  LoadDB(p, {});
}
void ProjectSyncHooks::UnLoadDB(RUZ&) {}
int16_t ProjectSyncHooks::CheckDB(RUZ&) {
  return 0;
}
void ProjectSyncHooks::SynchronizeDB(RUZ&) {}
std::string ProjectSyncHooks::CustomViewConnStr(RUZ&) {
  return {};
}
void ProjectSyncHooks::SyncCustom(RUZ&, const std::string&) {}
void ProjectSyncHooks::SyncReport(RUZ&, const std::string&) {}
void ProjectSyncHooks::LoadCustomView(RUZ& p, const std::string&, const std::string&, bool) {
  LoadDB(p, {});
}
bool ProjectSyncHooks::ChangeCustomViewToView(RUZ&, const std::string&, const std::string&) {
  return false;
}
bool ProjectSyncHooks::LoadReport(RUZ& p, const std::string&, const std::string&) {
  LoadDB(p, {});
  return false;
}
bool ProjectSyncHooks::CopyTableSettings(RUZ&, const std::string&, const std::string&) {
  return false;
}
bool ProjectSyncHooks::CopyFieldSettings(RUZ&, const std::string&, const std::string&,
                                         const std::string&, const std::string&) {
  return false;
}
bool ProjectSyncHooks::LoadChart(RUZ& p, const std::string&, const std::string&) {
  LoadDB(p, {});
  return false;
}
bool ProjectSyncHooks::CopyChart(RUZ& p, const std::string&, const std::string&,
                                 const std::string&) {
  LoadDB(p, {});
  return false;
}

namespace {
std::mutex& hooksFactoryLock() {
  static std::mutex m;
  return m;
}
std::function<std::shared_ptr<ProjectSyncHooks>()>& hooksFactory() {
  static std::function<std::shared_ptr<ProjectSyncHooks>()> f;
  return f;
}
} // namespace

void registerSyncHooksFactory(std::function<std::shared_ptr<ProjectSyncHooks>()> factory) {
  std::lock_guard<std::mutex> lock(hooksFactoryLock());
  hooksFactory() = std::move(factory);
}

ProjectSyncHooks& syncHooks() {
  Context& ctx = Context::current();
  if (ProjectSyncHooks* h = ctx.findShared<ProjectSyncHooks>()) return *h;
  std::function<std::shared_ptr<ProjectSyncHooks>()> make;
  {
    std::lock_guard<std::mutex> lock(hooksFactoryLock());
    make = hooksFactory();
  }
  if (make) {
    std::shared_ptr<ProjectSyncHooks> h = make();
    ProjectSyncHooks& ref = *h;
    ctx.setShared<ProjectSyncHooks>(std::move(h));
    return ref;
  }
  return ctx.shared<ProjectSyncHooks>();
}

std::string ProjectConverter::ConvertProject(const std::string& file, const std::string&,
                                             const std::string&) {
  std::string fileVersion;
  try {
    fileVersion = platform::xml::Document::load(file).documentElement().attribute("Version");
  } catch (const automation::Error&) {
    return file;
  }
  const std::string& current = projectState().ProjectFileVersion;
  if (RUZ::CompareVersion(fileVersion, current) == -1)
    automation::raise(automation::err::kInvalidProcedureCall,
                      file + ": a project file of version " + fileVersion +
                          " cannot be converted here; only version " + current +
                          " project files can be read");
  return file;
}

ProjectConverter& projectConverter() {
  return Context::current().shared<ProjectConverter>();
}

// ---- Construction ------------------------------------------------------------------------

RUZ::RUZ() : SettingElement(kProjectCatalogue) {
  core::State& ctx = core::state();
  ProjectState& st = projectState();
  versionText_ = ctx.fullVersionText();
  st.AppVersion = ctx.versionText();
  st.ProjectFileVersion = st.AppVersion;
  st.ControlFileVersion = st.AppVersion;
  st.ConverterCode = "TQMZ";

  const std::string product = "Software\\" + ctx.ProductKey + "\\" + st.AppVersion;
  st.GeneralKey = ctx.sectionKey("General");
  st.ProjectKey = ctx.sectionKey("Project");
  st.AdvancedFiltersKey = product + "\\AdvancedFilters";
  st.ExtensionsKey = product + "\\Extensions";

  if (regText("HKCU", st.GeneralKey, kFirstRunMarker).empty()) CopyMachineDefaults();

  st.ExtensionsFolder = regText("HKCU", st.ExtensionsKey, "SourceFolder");
  std::string tmpl = regText("HKCU", st.ProjectKey, "Template");
  size_t slash = tmpl.find_last_of("\\/");
  if (slash != std::string::npos) st.TemplateName = tmpl.substr(slash + 1);
  if (st.ExtensionsFolder.empty()) st.ExtensionsFolder = files::joinPath(ownFolder(), "extensions");

  LoadDefault();

  st.DocumentsFolder = core::GetSpecialFolderPath(lhWnd, core::kFolderDocuments);
  // Without a documents folder the data would land at the file system's root.
  if (st.DocumentsFolder.empty()) st.DocumentsFolder = files::tempFolder();
  st.DataFolder =
      files::joinPath(core::AddBackslash(st.DocumentsFolder), core::CompactName(ctx.ProductKey));
  st.BackupFolder = files::joinPath(st.DataFolder, "Backup");
  st.ReportFolder = files::joinPath(st.DataFolder, "Report");
  for (const std::string* f : {&st.DataFolder, &st.BackupFolder, &st.ReportFolder})
    tolerant([&] { files::createFolders(*f); });
}

RUZ::~RUZ() = default;

// ---- Typed settings with extra work -----------------------------------------------------

void RUZ::setProjName(const std::string& name) {
  setSetting<SettingType::String>("ProjName", name);
  setSetting<SettingType::String>("ProjVar", core::MakeVarName(name, ""));
}

void RUZ::setDestination(const std::string& folder) {
  setSetting<SettingType::String>("Destination", folder);
  projectState().Destination = folder;
}

void RUZ::setProgramLanguage(const std::string& language) {
  setSetting<SettingType::String>("ProgramLanguage", language);
  core::state().CurrentProgramLanguage = language;
  if (!db_) return;
  for (const Ref<model::RUZTable>& t : db_->Tables()->items().list()) {
    t->setTblVar(core::MakeVarName(t->TblName(), ""));
    if (!t->TblLoaded()) continue;
    for (const Ref<model::RUZField>& f : t->Fields()->items().list())
      f->setFldVar(core::MakeVarName(f->FldName(), "x_"));
  }
}

std::string RUZ::SecPasswdEncript() {
  std::string p = SecPasswd();
  std::string f = text::toLower(PasswordFormat());
  if (f == "sha1") return platform::crypto::HashSHA1(p);
  if (f == "md5") return platform::crypto::HashMD5(p);
  return p;
}

// ---- Object graph --------------------------------------------------------------------------

Ref<model::AGControlItems> RUZ::ControlList() {
  if (!controlList_) controlList_ = automation::makeRef<model::AGControlItems>();
  return controlList_;
}

Ref<elements::RUZMenus> RUZ::MenuList() {
  return elements::menuList();
}

Ref<model::RUZDatabases> RUZ::Databases() {
  if (!databases_) databases_ = automation::makeRef<model::RUZDatabases>();
  return databases_;
}

bool RUZ::useDatabase(const std::string& name) {
  Ref<model::RUZDatabases> dbs = Databases();
  for (int32_t i = 1; i <= dbs->Count(); ++i) {
    Ref<model::RUZDatabase> db = dbs->Item(Variant(i));
    if (text::equalsNoCase(db->DBName(), name)) {
      db_ = db;
      curDBName_ = db->DBName();
      return true;
    }
  }
  return false;
}

int16_t RUZ::DBCnt() {
  return static_cast<int16_t>(Databases()->Count());
}

Ref<elements::RUZLanguage> RUZ::Language() {
  return elements::languageStore();
}

Ref<extensions::RUZExtensions> RUZ::Extensions() {
  return extensions::extensionList();
}

Ref<extensions::RUZCodeBase> RUZ::CodeBase() {
  return extensions::codeBase();
}

Ref<extensions::RUZCustomScripts> RUZ::customscripts() {
  return extensions::customScriptList();
}

extensions::ProjectAccess RUZ::extensionAccess() {
  extensions::ProjectAccess a;
  a.database = db_;
  a.extensionsFolder = projectState().ExtensionsFolder;
  a.definitions = &definitions_;
  a.currentTable = &curTable;
  a.currentField = &curField;
  a.project = this;
  a.codeBaseFile = &CodeBaseFile;
  return a;
}

std::string RUZ::ProjErr() const {
  return core::state().ProjErr;
}

void RUZ::setProjErr(const std::string& text) {
  core::state().ProjErr = text;
}

// ---- Settings by name ----------------------------------------------------------------------

Variant RUZ::GetV(const std::string& name) {
  Ref<core::AGProperties> bag = Properties();
  if (core::AGProperty* p = bag->find(name)) return core::ConvertValue(p->Value(), p->DataType());
  RUZSettings& file = customSettings();
  std::string type = file.LoadSettingType("Project", name);
  Variant v = file.LoadSettingValue("Project", name);
  if (!bag->Add(name, type, false, 0, true, true))
    automation::raise(automation::err::kInvalidProcedureCall);
  bag->find(name)->setValue(v);
  return v;
}

Variant RUZ::SetV(const std::string& name, const Variant& value) {
  Ref<core::AGProperties> bag = Properties();
  const Variant& given = value;
  if (core::AGProperty* p = bag->find(name)) {
    Variant converted = core::ConvertValue(given, p->DataType());
    bool blank = given.isEmpty() || (given.isString() && given.asString().empty());
    if (converted.isEmpty() && !blank) {
      // Storing Empty would silently lose the old value.
      std::string shown;
      tolerant([&] { shown = automation::CStr(given); });
      core::state().appendProjErr("Setting \"" + p->Name() + "\" cannot take the value \"" + shown +
                                  "\" (" + p->DataType() + " expected); it keeps its value.");
      return {};
    }
    p->setValue(converted);
    return {};
  }
  std::string type = customSettings().LoadSettingType("Project", name);
  if (!bag->Add(name, type, false, 0, true, true))
    automation::raise(automation::err::kInvalidProcedureCall);
  bag->find(name)->setValue(given);
  return {};
}

// ---- Lifecycle -------------------------------------------------------------------------------

void RUZ::AddProj(const std::string& name) {
  setSetting<SettingType::String>("ProjName", name);
  setSetting<SettingType::String>("ProjVar", core::MakeVarName(name, ""));
  LoadDefault();
  projInit_ = true;
}

void RUZ::DeleteProj() {
  ClearSettings();
  db_ = nullptr;
  Ref<model::RUZDatabases> dbs = Databases();
  while (dbs->Count() > 0)
    dbs->Delete(Variant(1));
  curDBName_.clear();
  DefineSettings();
  projInit_ = false;
}

Variant RUZ::ResolveLangExt(const Variant& v) {
  if (!(v.isString() && v.asString() == "*")) return v;
  // Any letter case of C# means C#: file names must agree with the code written into them.
  return Variant(text::equalsNoCase(ProgramLanguage(), "C#") ? "cs" : "vb");
}

bool RUZ::CheckRequiredComponents() {
  // The file, regular expression and XML services are linked into the program, so they are
  // always there.
  return true;
}

std::string RUZ::SearchOperatorsFor(int16_t adoType) {
  switch (core::AdoTypeClass(adoType)) {
  case 4:
    return "=\r\n<>";
  case 3:
    return "=\r\n<>\r\n<\r\n<=\r\n>\r\n>=\r\nBETWEEN\r\nLIKE\r\nNOT LIKE\r\nSTARTS WITH";
  default:
    return "=\r\n<>\r\n<\r\n<=\r\n>\r\n>=\r\nBETWEEN";
  }
}

std::string RUZ::FldSrchOprs(int16_t adoType) {
  return "USER SELECT\r\n" + SearchOperatorsFor(adoType);
}

// ---- User defaults ---------------------------------------------------------------------------

void RUZ::LoadDefault() {
  ProjectState& st = projectState();
  for (const Ref<core::AGProperty>& p : Properties()->list()) {
    if (!p->RegSave()) continue;
    std::string t = regText("HKCU", st.ProjectKey, p->Name());
    p->setValue(core::ConvertValue(Variant(t), p->DataType()));
  }
  st.LanguageFolder = regText("HKCU", st.GeneralKey, "LanguageFolder");
  Variant backup =
      core::ConvertValue(Variant(regText("HKCU", st.GeneralKey, "BackupFile")), "Boolean");
  BackupFile = !backup.isEmpty() && automation::CBool(backup);
  Variant dateFormat = core::ConvertValue(value("defaultDateFormat"), "Integer");
  st.DateFormatCode = dateFormat.isEmpty() ? 0 : automation::CInt(dateFormat);
  USERCODE = regText("HKCU", st.GeneralKey, "USERCODE");
  Variant timeout =
      core::ConvertValue(Variant(regText("HKCU", st.GeneralKey, "ScriptEngineTimeout")), "Long");
  st.ScriptEngineTimeout = timeout.isEmpty() ? 0 : automation::CLng(timeout);
  st.AppThemesFolder = regText("HKCU", st.GeneralKey, "AppThemesFolder");
  st.AppDataFolder = regText("HKCU", st.GeneralKey, "AppDataFolder");

  for (const char* name : {"IncFiles", "IncVirtuals", "SecLoginID", "SecPasswd", "SecTbl",
                           "SecLoginIDFld", "SecPasswdFld"})
    setSetting<SettingType::String>(name, "");
  setSetting<SettingType::String>("SecType", "None");
  setSetting<SettingType::Boolean>("AutoSync", true);
  setSetting<SettingType::Boolean>("AutoBrowse", false);
  setSetting<SettingType::Boolean>("CreateVDir", false);
  if (value("XMLEncoding").isEmpty() ||
      (value("XMLEncoding").isString() && value("XMLEncoding").asString().empty())) {
    core::InitSystemCharset();
    setSetting<SettingType::String>("XMLEncoding", core::SystemCharsetValues().SystemCharset);
  }
  setSetting<SettingType::Boolean>("OtherGen", true);
  setSetting<SettingType::Boolean>("WebConfigGen", true);
  setSetting<SettingType::Boolean>("WebConfigOverwrite", true);
  setSetting<SettingType::Boolean>("LinkOnLeft", false);
  setSetting<SettingType::Integer>("PagerStyle", 2);
  setSetting<SettingType::Boolean>("MultiDelete", false);

  // A count that is not a number must not make the project object impossible to create.
  Variant threshold = core::ConvertValue(
      Variant(regText("HKCU", st.GeneralKey, "UnloadThresholdCount")), "Integer");
  int16_t n = threshold.isEmpty() ? 0 : automation::CInt(threshold);
  UnloadThresholdCount = n < 1 ? 20 : n;
}

void RUZ::SaveDefault() {
  ProjectState& st = projectState();
  core::State& ctx = core::state();
  for (const Ref<core::AGProperty>& p : Properties()->list())
    if (p->RegSave()) regWrite(st.ProjectKey, p->Name(), p->RegFormat(), p->Value());
  if (db_)
    for (const Ref<core::AGProperty>& p : db_->Properties()->list())
      if (p->RegSave()) regWrite(ctx.DatabaseDefaultsKey, p->Name(), p->RegFormat(), p->Value());
  regWrite(st.GeneralKey, "Language", 1, Variant(SavedLanguage));
  regWrite(st.GeneralKey, "BackupFile", 1, Variant(BackupFile));
  regWrite(st.GeneralKey, "USERCODE", 1, Variant(USERCODE));
  regWrite(st.GeneralKey, "ScriptEngineTimeout", 4, Variant(st.ScriptEngineTimeout));
  regWrite(st.GeneralKey, "AppThemesFolder", 1, Variant(st.AppThemesFolder));
  regWrite(st.GeneralKey, "AppDataFolder", 1, Variant(st.AppDataFolder));
}

void RUZ::CopyMachineDefaults() {
  ProjectState& st = projectState();
  CopyRegistrySection(st.AdvancedFiltersKey);
  CopyRegistrySection(core::state().SettingsKey);
  CopyRegistrySection(st.ExtensionsKey);
  regWrite(st.GeneralKey, kFirstRunMarker, 4, Variant(int32_t{1}));
}

// Copies the machine's values that the user lacks: what the user saved stays.
void RUZ::CopyRegistrySection(const std::string& section) {
  core::cRegistry machine;
  machine.ClassKey = core::kHkeyLocalMachine;
  machine.SectionKey = section;
  core::cRegistry user;
  user.ClassKey = core::kHkeyCurrentUser;
  user.SectionKey = section;
  std::vector<std::string> names, present;
  int32_t count = 0, presentCount = 0;
  tolerant([&] { machine.EnumerateValues(names, count); });
  tolerant([&] { user.EnumerateValues(present, presentCount); });
  for (const std::string& name : names) {
    if (std::any_of(present.begin(), present.end(),
                    [&](const std::string& p) { return text::equalsNoCase(p, name); }))
      continue;
    tolerant([&] {
      Variant v = core::RegGetValue("HKLM", section, name);
      int32_t type = core::LastRegistryType();
      core::RegSetValue("HKCU", section, name, type, v);
    });
  }
  std::vector<std::string> subkeys;
  tolerant([&] { machine.EnumerateSections(subkeys, count); });
  for (const std::string& sub : subkeys)
    CopyRegistrySection(section + "\\" + sub);
}

// ---- Member table ---------------------------------------------------------------------------

namespace {

// The typed setting properties in the interface's order: catalogue order, with a few
// properties standing elsewhere than their setting.
std::vector<std::string_view> typedPropertyOrder() {
  std::vector<std::string_view> order;
  for (const core::SettingDef& d : kProjectSettings)
    order.push_back(d.name);
  auto moveAfter = [&](std::string_view name, std::string_view anchor) {
    order.erase(std::find(order.begin(), order.end(), name));
    order.insert(std::find(order.begin(), order.end(), anchor) + 1, name);
  };
  auto moveBefore = [&](std::string_view name, std::string_view anchor) {
    order.erase(std::find(order.begin(), order.end(), name));
    order.insert(std::find(order.begin(), order.end(), anchor), name);
  };
  order.insert(std::find(order.begin(), order.end(), "SecPasswd") + 1, "SecPasswdEncript");
  moveBefore("TblHdrColor", "TblHdrFontColor");
  moveAfter("XMLEncoding", "DateSeparator");
  moveBefore("AutoBrowse", "CreateVDir");
  return order;
}

} // namespace

QUILLET_DEFINE_CLASS(RUZ) {
  b.prop(
       "lhWnd", [](RUZ& r) { return r.lhWnd; }, [](RUZ& r, int32_t h) { r.lhWnd = h; })
      .get("ProjInit", &RUZ::ProjInit)
      .get("ControlList", &RUZ::ControlList)
      .get("DB",
           [](RUZ& r) -> Variant {
             if (!r.DB()) return Variant::nothing();
             return Variant(static_cast<automation::Object*>(r.DB().get()));
           })
      .get("MenuList", &RUZ::MenuList)
      .get("DBCnt", &RUZ::DBCnt)
      .get("Properties", [](RUZ& r) { return r.Properties(); })
      .method("GetV", &RUZ::GetV)
      .method("SetV", &RUZ::SetV)
      .get("Extensions", &RUZ::Extensions)
      .get("Language", &RUZ::Language)
      .get("CodeBase", &RUZ::CodeBase)
      .get("customscripts", &RUZ::customscripts)
      .prop(
          "hwnd", [](RUZ& r) { return r.lhWnd; }, [](RUZ& r, int32_t h) { r.lhWnd = h; })
      .prop("ProjErr", &RUZ::ProjErr, &RUZ::setProjErr);

  for (std::string_view name : typedPropertyOrder()) {
    if (name == "SecPasswdEncript") {
      b.get("SecPasswdEncript", &RUZ::SecPasswdEncript);
      continue;
    }
    const core::SettingDef* def = kProjectCatalogue.find(name);
    if (name == "ProjName")
      b.prop("ProjName", &RUZ::ProjName, &RUZ::setProjName);
    else if (name == "Destination")
      b.prop("Destination", &RUZ::Destination, &RUZ::setDestination);
    else if (name == "ProgramLanguage")
      b.prop("ProgramLanguage", &RUZ::ProgramLanguage, &RUZ::setProgramLanguage);
    else if (name == "ProjVar" || name == "SyncLog")
      b.raw(std::string(name), core::detail::settingGetter(def->name, def->type), 0, 0);
    else
      b.raw(std::string(name), core::detail::settingGetter(def->name, def->type), 0, 0,
            core::detail::settingLetter(def->name, def->type));
  }

  b.method("AddProj", &RUZ::AddProj).method("DeleteProj", &RUZ::DeleteProj);
  extensions::addExtensionMembers(b, &RUZ::extensionAccess);
  extensions::addCustomCodeMembers(b, &RUZ::extensionAccess);
  b.method("Save", &RUZ::Save)
      .method("Load", &RUZ::Load)
      .method("LoadDefault", &RUZ::LoadDefault)
      .method("SaveDefault", &RUZ::SaveDefault)
      .method("FldSrchOprs", &RUZ::FldSrchOprs);
  b.method("LoadDB",
           [](RUZ& r, automation::Args args) {
             if (args.size() != 9) automation::raise(automation::err::kWrongArgumentCount);
             syncHooks().LoadDB(r, args);
           })
      .method("LoadTable",
              [](RUZ& r, Variant& name) { syncHooks().LoadTable(r, automation::CStr(name)); })
      .method("UnLoadTable",
              [](RUZ& r, Variant& name) { syncHooks().UnLoadTable(r, automation::CStr(name)); })
      .method("LoadCustomView",
              [](RUZ& r, Variant& name, Variant& sql, Variant& copyFields) {
                syncHooks().LoadCustomView(r, automation::CStr(name), automation::CStr(sql),
                                           automation::CBool(copyFields));
              })
      .method("ChangeCustomViewToView",
              [](RUZ& r, const std::string& source, const std::string& target) {
                return syncHooks().ChangeCustomViewToView(r, source, target);
              })
      .method("CopyTableSettings",
              [](RUZ& r, const std::string& source, const std::string& target) {
                return syncHooks().CopyTableSettings(r, source, target);
              })
      .method("CopyFieldSettings",
              [](RUZ& r, const std::string& st, const std::string& sf, const std::string& tt,
                 const std::string& tf) { return syncHooks().CopyFieldSettings(r, st, sf, tt, tf); })
      .method("LoadReport",
              [](RUZ& r, Variant& name, Variant& source) {
                return syncHooks().LoadReport(r, automation::CStr(name), automation::CStr(source));
              })
      .method("LoadChart",
              [](RUZ& r, Variant& chart, Variant& table) {
                return syncHooks().LoadChart(r, automation::CStr(chart), automation::CStr(table));
              })
      .method("CopyChart",
              [](RUZ& r, Variant& oldChart, Variant& newChart, Variant& table) {
                return syncHooks().CopyChart(r, automation::CStr(oldChart),
                                             automation::CStr(newChart), automation::CStr(table));
              })
      .method("UnLoadDB", [](RUZ& r) { syncHooks().UnLoadDB(r); })
      .method("CheckDB", [](RUZ& r) { return syncHooks().CheckDB(r); })
      .method("SynchronizeDB", [](RUZ& r) { syncHooks().SynchronizeDB(r); })
      .method("CustomViewConnStr", [](RUZ& r) { return syncHooks().CustomViewConnStr(r); })
      .method("SyncCustom",
              [](RUZ& r, Variant& name) { syncHooks().SyncCustom(r, automation::CStr(name)); })
      .method("SyncReport",
              [](RUZ& r, Variant& name) { syncHooks().SyncReport(r, automation::CStr(name)); });
}

void registerProjectClasses() {
  automation::registerClass<RUZ>("Quillet.RUZ");
  automation::registerClass<RUZSettings>("Quillet.RUZSettings");
}

} // namespace quillet::project
