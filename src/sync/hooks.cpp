#include <chrono>

#include "core/state.h"
#include "platform/automation/context.h"
#include "platform/data/connection_string.h"
#include "platform/text/casefold.h"
#include "project/state.h"
#include "sync/sync_hooks.h"
#include "sync/synchronise.h"

namespace quillet::sync {

using automation::Context;
using automation::Variant;

namespace {

// The scope is "ALL" for the steps of one run and empty again however they end.
class ScopeGuard {
public:
  ScopeGuard(std::string& scope) : scope_(scope) { scope_ = "ALL"; }
  ~ScopeGuard() { scope_.clear(); }
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;

private:
  std::string& scope_;
};

// The catalogue is held for one check or synchronisation only.
struct Release {
  Ref<schema::RUZSchema>& held;
  ~Release() { held = nullptr; }
};

std::tm localNow() {
  std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

} // namespace

bool SyncHooks::readCatalogue(project::RUZ& proj) {
  core::State& ctx = core::state();
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db) return false;
  ctx.ProjErr.clear();
  catalogue_ = automation::makeRef<schema::RUZSchema>();
  Variant name(db->DBName());
  catalogue_->LoadDB(name, db->DBType(), db->DBPath(), db->DBPhyPath(), db->DBUseServerMapPath(),
                     db->DBUID(), db->DBPwd(), db->DBConnstr(), db->DBSchema(), "");
  return ctx.ProjErr.empty() && catalogue_->loaded();
}

int32_t SyncHooks::countDifferences(project::RUZ& proj) {
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db || !catalogue_) return 0;
  SyncRun run{proj, *db, catalogue_->db(), changes_};
  return CheckTables(run, "") + CheckCustomViews(run, CustomViewConnStr(proj)) + CheckReports(run);
}

bool SyncHooks::emptyFieldTypeNames(project::RUZ& proj) {
  Ref<model::RUZDatabase> db = proj.DB();
  return db && CheckEmptyFieldTypeNames(*db);
}

void SyncHooks::releaseCatalogue(project::RUZ&) {
  catalogue_ = nullptr;
}

void SyncHooks::SaveTableKeys(project::RUZ& proj) {
  if (Ref<model::RUZDatabase> db = proj.DB()) sync::SaveTableKeys(*db);
}

void SyncHooks::runSteps(project::RUZ& proj, bool refreshMenus) {
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db || !catalogue_) return;
  ScopeGuard scope(scope_);
  SyncRun run{proj, *db, catalogue_->db(), changes_};
  MapRenamedObjects(run, "");
  SyncTables(run, "");
  SyncCustomViews(run, CustomViewConnStr(proj));
  SyncReports(run);
  if (refreshMenus) RefreshMenus(proj);
  SyncLookupLinks(*db, changes_);
  core::State& ctx = core::state();
  std::string path = WriteSyncLog(changes_, project::projectState().ReportFolder, proj.ProjVar(),
                                  ctx.DisplayName, ctx.versionText(), clock ? clock() : localNow());
  proj.setSetting<core::SettingType::String>("SyncLog", path);
  sync::SaveTableKeys(*db);
}

void SyncHooks::synchronise(project::RUZ& proj) {
  runSteps(proj, false);
}

bool SyncHooks::holdCatalogue(project::RUZ& proj) {
  if (readCatalogue(proj)) return true;
  core::State& ctx = core::state();
  if (ctx.ProjErr.empty()) ctx.ProjErr = "Load Database failed!";
  catalogue_ = nullptr;
  return false;
}

int16_t SyncHooks::CheckDB(project::RUZ& proj) {
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db || !holdCatalogue(proj)) return db ? -1 : 0;
  Release release{catalogue_};
  int32_t n = countDifferences(proj);
  db->setDBDotNetConnectionString(catalogue_->db().DBDotNetConnectionString);
  return static_cast<int16_t>(std::min<int32_t>(n, INT16_MAX));
}

void SyncHooks::SynchronizeDB(project::RUZ& proj) {
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db) return;
  core::State& ctx = core::state();
  ctx.StatusCaption = ctx.DisplayName + " - Database Synchronization...";
  // A catalogue that could not be read says nothing about what the database holds: the
  // project stays as it is and the reason is left for the caller.
  if (!holdCatalogue(proj)) return;
  Release release{catalogue_};
  runSteps(proj, true);
}

void SyncHooks::SyncCustom(project::RUZ& proj, const std::string& name) {
  if (Ref<model::RUZDatabase> db = proj.DB())
    sync::SyncCustom(proj, *db, changes_, name, CustomViewConnStr(proj), scope_ == "ALL");
}

void SyncHooks::SyncReport(project::RUZ& proj, const std::string& name) {
  if (Ref<model::RUZDatabase> db = proj.DB()) sync::SyncReport(proj, *db, changes_, name);
}

bool SyncHooks::describeDifferences(project::RUZ& proj, std::vector<std::string>& lines) {
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db) return true;
  if (!holdCatalogue(proj)) return false;
  Release release{catalogue_};
  SyncRun run{proj, *db, catalogue_->db(), changes_};
  lines = DescribeDifferences(run);
  return true;
}

std::string SyncHooks::CustomViewConnStr(project::RUZ& proj) {
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db) return {};
  const std::string type = platform::text::toUpper(db->DBType());
  if (type == "ACCESS") {
    std::string provider = "Microsoft.Jet.OLEDB.4.0";
    const std::string ver = db->DBDBMSVer();
    if (!ver.empty() && ver.substr(0, ver.find('.')) == "12") provider = "Microsoft.ACE.OLEDB.12.0";
    std::string s = "Provider=" + provider + ";Data Source=" + db->DBPhyPath() + ";";
    if (!db->DBPwd().empty()) s += "Jet OLEDB:Database Password=" + db->DBPwd() + ";";
    return s;
  }
  if (type == "ODBC") {
    // A database opened with a connection string of its own runs its custom views there
    // too, not through a data source of the same name.
    if (!db->DBConnstr().empty()) return db->DBConnstr();
    return "dsn=" + platform::data::quoteOdbcValue(db->DBName()) +
           ";uid=" + platform::data::quoteOdbcValue(db->DBUID()) +
           ";pwd=" + platform::data::quoteOdbcValue(db->DBPwd());
  }
  return db->DBConnstr();
}

} // namespace quillet::sync
