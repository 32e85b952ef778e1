#include <algorithm>

#include "core/identifiers.h"
#include "core/loader_copies.h"
#include "core/registry.h"
#include "core/state.h"
#include "core/status.h"
#include "elements/shared.h"
#include "extensions/custom_scripts.h"
#include "extensions/extension.h"
#include "extensions/operations.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/files/files.h"
#include "project/state.h"
#include "sync/load_steps.h"
#include "sync/sync_hooks.h"

namespace quillet::sync {

namespace automation = ::quillet::platform::automation;
using automation::Context;
using automation::Ref;
using automation::Variant;

namespace {

std::string text(const Variant& d) {
  return d.isEmpty() || d.isNull() || d.isMissing() ? std::string() : automation::CStr(d);
}

std::string upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

int16_t loadOne(model::RUZDatabase& db, const std::string& tableName) {
  if (upper(db.DBType()) == "ACCESS")
    return db.LoadDAODB(Variant(db.DBPath()), Variant(db.DBPhyPath()),
                        Variant(db.DBUseServerMapPath()), Variant(db.DBUID()), Variant(db.DBPwd()),
                        Variant(tableName));
  return db.LoadADODB(Variant(db.DBType()), Variant(db.DBName()), Variant(db.DBUID()),
                      Variant(db.DBPwd()), Variant(db.DBConnstr()), Variant(tableName),
                      Variant(db.DBSchema()));
}

} // namespace

// A keyword file that is not there is no error of the load; one that cannot be read is
// reported by the keyword list itself.
void reloadKeywords(project::RUZ& proj) {
  Variant v;
  try {
    v = core::RegGetValue("HKCU", project::projectState().GeneralKey, "Keyword");
  } catch (const automation::Error&) {
  }
  proj.KeywordFile = text(v);
  if (!proj.KeywordFile.empty() && platform::files::fileExists(proj.KeywordFile))
    core::SharedKeywords().Load(proj.KeywordFile);
}

void copyQuoteAndDate(project::RUZ& proj) {
  core::state().CurrentSQLQuote = proj.SQLQuote();
  int16_t date = 0;
  try {
    date = proj.defaultDateFormat();
  } catch (const automation::Error&) {
  }
  project::projectState().DateFormatCode = date;
  core::loaderCopies().DefaultDateFormat = date;
}

Ref<model::RUZTable> exactTable(model::RUZDatabase& db, const std::string& name) {
  Ref<model::RUZTables> tables = db.Tables();
  for (int32_t i = 1; i <= tables->Count(); ++i)
    if (Ref<model::RUZTable> t = tables->Seq(i); t && t->TblName() == name) return t;
  return nullptr;
}

std::string accessDatabaseKey(const std::string& phyPath) {
  size_t cut = phyPath.find_last_of("\\/");
  return cut == std::string::npos ? phyPath : phyPath.substr(cut + 1);
}

void ClearSecuritySettings(project::RUZ& proj) {
  proj.setSecTbl("");
  proj.setSecLoginIDFld("");
  proj.setSecPasswdFld("");
}

void SyncHooks::LoadTableDefault(model::RUZTable& table) {
  table.LoadTableDefault();
}

void SyncHooks::LoadDB(project::RUZ& proj, automation::Args args) {
  core::State& ctx = core::state();
  auto arg = [&](size_t i) -> const Variant& {
    static const Variant kEmpty;
    return i < args.size() ? args[i] : kEmpty;
  };
  const Variant &sDbName = arg(0), &sDbType = arg(1), &sPath = arg(2), &sPhyPath = arg(3),
                &bUseServerMapPath = arg(4), &sUID = arg(5), &sPwd = arg(6), &sConnStr = arg(7),
                &sSchema = arg(8);
  ctx.StatusCaption = ctx.DisplayName + " - Loading Database...";
  if (proj.DB()) {
    ctx.ProjErr = "database already loaded!";
    return;
  }
  const std::string kind = upper(text(sDbType));
  std::string key;
  if (kind == "ACCESS") {
    if (text(sPhyPath).empty()) {
      ctx.ProjErr = "invalid database path!";
      return;
    }
    key = accessDatabaseKey(text(sPhyPath));
  } else if (kind == "ODBC") {
    key = text(sDbName).empty() ? "ODBC" : text(sDbName);
  } else {
    if (text(sConnStr).empty()) {
      ctx.ProjErr = "invalid connection string specified!";
      return;
    }
    key = "DB";
  }
  ctx.CurrentProgramLanguage = proj.ProgramLanguage();
  reloadKeywords(proj);

  core::RUZStatus& status = core::SharedStatus();
  status.ShowStatus(proj.lhWnd, ctx.StatusCaption);
  proj.Databases()->Add(key);
  proj.useDatabase(key);
  copyQuoteAndDate(proj);
  core::LoaderCopies& copies = core::loaderCopies();
  copies.DynamicLoadDB = proj.DynamicLoadDB();
  copies.RepeatColumns = proj.RepeatColumns();

  int16_t rc = 1;
  // The loaders report through ProjErr and their result; anything they raise is a failed
  // load too, which must not leave a half-made database behind.
  try {
    if (Ref<model::RUZDatabase> db = proj.DB()) {
      if (kind == "ACCESS")
        rc = db->LoadDAODB(sPath, sPhyPath, bUseServerMapPath, sUID, sPwd, Variant(""));
      else
        rc = db->LoadADODB(sDbType, sDbName, sUID, sPwd, sConnStr, Variant(""), sSchema);
    }
  } catch (const automation::Error& e) {
    ctx.ProjErr = e.description();
    rc = 1;
  }
  status.CloseStatus();
  if (rc != 0) {
    proj.dropDatabase();
    if (ctx.ProjErr.empty()) ctx.ProjErr = "Load Database failed!";
    return;
  }
  // The loader keeps no path for a SQLite file; the catalogue is read from it again by the
  // check and the synchronisation.
  if (kind == "SQLITE") {
    proj.DB()->setDBPath(text(sPath));
    proj.DB()->setDBPhyPath(text(sPhyPath));
  }
  extensions::ProjectAccess access = proj.extensionAccess();
  extensions::LoadExtensionsFromRegistry(access);
  ctx.ProjErr.clear();
  RefreshMenus(proj);
}

void SyncHooks::LoadTable(project::RUZ& proj, const std::string& name) {
  core::State& ctx = core::state();
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db) {
    ctx.setProjErr("Database not loaded!");
    return;
  }
  bool added = false;
  Ref<model::RUZTable> t = exactTable(*db, name);
  if (!t) {
    if (!db->Tables()->Add(name)) {
      ctx.setProjErr("Table " + name + " cannot be added!");
      return;
    }
    added = true;
    t = db->Tables()->Item(Variant(name));
    t->setTblGen(false);
    t->setTblLoaded(false);
  } else {
    db->Tables()->Item(Variant(name));
  }
  if (t->TblLoaded()) {
    ctx.setProjErr("Table " + name + " already loaded!");
    return;
  }
  ctx.CurrentProgramLanguage = proj.ProgramLanguage();
  reloadKeywords(proj);
  copyQuoteAndDate(proj);

  // Errors the loader left before this call are not this load's; a load that succeeds but
  // leaves its own message (a table that is gone) reports it.
  ctx.ProjErr.clear();
  int16_t rc = 1;
  try {
    rc = loadOne(*db, name);
  } catch (const automation::Error& e) {
    ctx.ProjErr = e.description();
  }
  if (rc != 0) {
    if (ctx.ProjErr.empty()) ctx.ProjErr = "Load Database failed!";
    return;
  }
  if (!t->TblLoaded()) {
    // The catalogue no longer lists the table: the loader read nothing into it.
    if (ctx.ProjErr.empty()) ctx.setProjErr("Table " + name + " not found in the database!");
    return;
  }
  (void)added;
  extensions::ProjectAccess access = proj.extensionAccess();
  extensions::AddTableExtensionDefaults(access, t->TblName());
  RefreshMenus(proj);
  // ProjErr was emptied before the load: whatever stands there now is the loader's word on
  // a load that succeeded only in part, and stays for the caller.
}

void SyncHooks::UnLoadTable(project::RUZ& proj, const std::string& name) {
  core::State& ctx = core::state();
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db) {
    ctx.setProjErr("Database not loaded!");
    return;
  }
  Ref<model::RUZTable> t = exactTable(*db, name);
  if (!t) {
    ctx.setProjErr("Table " + name + " not found!");
    return;
  }
  if (!t->TblLoaded()) {
    ctx.setProjErr("Table " + name + " not loaded!");
    return;
  }
  ctx.StatusCaption = ctx.DisplayName + " - Unloading " + name + "...";
  core::RUZStatus& status = core::SharedStatus();
  status.ShowStatus2(proj.lhWnd, ctx.StatusCaption);
  status.DispStatus("Please wait...");
  t->unload();
  t->setTblLoaded(false);
  t->setTblGen(false);
  status.CloseStatus();
  RefreshMenus(proj);
  ctx.ProjErr.clear();
}

void SyncHooks::UnLoadDB(project::RUZ& proj) {
  if (!proj.DB()) return;
  proj.dropDatabase();
  Ref<extensions::RUZExtensions> exts = extensions::extensionList();
  for (int32_t i = exts->Count(); i >= 1; --i)
    if (auto e = exts->Seq(i)) extensions::DeleteExtension(e->Name());
  Ref<extensions::RUZCustomScripts> scripts = extensions::customScriptList();
  for (int32_t i = scripts->Count(); i >= 1; --i)
    if (auto s = scripts->Seq(i)) extensions::DeleteCustomScript(s->parts());
  Ref<elements::RUZMenus> menus = elements::menuList();
  for (int32_t i = menus->Count(); i >= 1; --i)
    if (elements::RUZMenu* m = menus->at(i)) menus->DeleteMenu(m->MenuId);
  core::state().ProjErr.clear();
  ClearSecuritySettings(proj);
}

void SyncHooks::RefreshMenus(project::RUZ& proj) {
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db) return;
  Ref<model::RUZTables> tables = db->Tables();
  Ref<elements::RUZMenus> menus = elements::menuList();
  for (int32_t i = menus->Count(); i >= 1; --i) {
    elements::RUZMenu* m = menus->at(i);
    if (!m) continue;
    std::string table;
    if (m->MenuType == "Table")
      table = m->MenuUrl;
    else if (m->MenuType == "Chart")
      table = m->MenuUrl.substr(0, m->MenuUrl.find('|'));
    else
      continue;
    if (!tables->TableExist(Variant(table))) menus->DeleteMenu(m->MenuId);
  }
  for (const Ref<model::RUZTable>& t : tables->items().list()) {
    if (!t->TblLoaded()) continue;
    const std::string name = t->TblName();
    if (!menus->MenuHasTable("Table", name))
      menus->AddMenu(-1, t->TblCaption(), -1, {}, {}, 0, {}, name, "Table", false, 0,
                     t->TblList() && t->TblGen(), -1);
    Ref<elements::RUZMenu> parent = menus->GetItemByTableName("Table", name);
    const int32_t parentId = parent ? parent->MenuId : -1;
    int32_t number = 0;
    for (const Ref<elements::RUZChart>& c : t->Charts()->items().list()) {
      ++number;
      const std::string url = name + "|" + c->ChartName();
      if (menus->MenuHasTable("Chart", url)) continue;
      menus->AddMenu(-1, c->ChartCaption(), parentId, {}, {}, 0, {}, url, "Chart", false, 0,
                     c->ShowChart() && t->TblGen() && t->TblList(), number * 100);
    }
  }
}

void registerSyncClasses() {
  project::registerSyncHooksFactory([] { return std::make_shared<SyncHooks>(); });
}

} // namespace quillet::sync
