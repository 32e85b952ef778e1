#include "model/database.h"

#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "platform/automation/context.h"

namespace quillet::model {

using automation::Context;

void RUZDatabase::setSecDefault(const std::string& value) {
  setSetting<core::SettingType::String>("SecDefault", value);
  core::state().SecurityDefault = value;
}

Ref<RUZTables> RUZDatabase::Tables() {
  if (!tables_) tables_ = automation::makeRef<RUZTables>();
  return tables_;
}

void RUZDatabase::unload() {
  core::State& ctx = core::state();
  Ref<RUZTables> tables = Tables();
  ctx.ProgressTotal = ctx.ProgressCount = tables->Count();
  ctx.StatusCaption = ctx.DisplayName + " - Unloading Database...";
  core::RUZStatus& status = core::SharedStatus();
  status.ShowStatus(0, ctx.StatusCaption);
  for (int32_t i = tables->Count(); i >= 1; --i) {
    // Positions are dense while only the collection numbers the tables; should they not be,
    // the table standing at the position goes, so every table is unloaded.
    RUZTable* t = tables->bySeq(i);
    if (!t) t = tables->items().at(i);
    if (!t) continue;
    std::string name = t->TblName();
    status.DispStatus("Unloading " + t->TblType() + " " + name + "...");
    tables->Delete(name);
    --ctx.ProgressCount;
    status.SetStatus(Variant(core::CalcPercent(static_cast<int32_t>(ctx.ProgressCount),
                                               static_cast<int32_t>(ctx.ProgressTotal))));
  }
  status.CloseStatus();
  ctx.SecurityDefault.clear();
}

void RUZDatabases::Add(const std::string& name) {
  core::State& ctx = core::state();
  if (dbs_.count() >= 1) {
    ctx.ProjErr = "support 1 db only!";
    return;
  }
  ctx.ProjErr.clear();
  auto db = automation::makeRef<RUZDatabase>();
  db->setDBName(name);
  dbs_.append(db, name);
  curName_ = name;
  curSeq_ = dbs_.count();
}

void RUZDatabases::Delete(const Variant& index) {
  int32_t pos = dbs_.positionOf(index);
  if (pos == 0) {
    dbs_.remove(index); // raises the keyed collection's error
    return;
  }
  Ref<RUZDatabase> db(dbs_.at(pos));
  db->unload();
  dbs_.removeAt(pos);
}

Ref<RUZDatabase> RUZDatabases::Item(const Variant& index) {
  RUZDatabase* db = dbs_.resolve(index);
  if (!db) automation::raise(automation::err::kObjectNotSet);
  curName_ = db->DBName();
  return Ref<RUZDatabase>(db);
}

QUILLET_DEFINE_CLASS(RUZDatabase) {
  using D = RUZDatabase;
  core::addSettingMembers(b, kDatabaseCatalogue);
  core::addNameAccess(b);
  b.get("Tables", &D::Tables)
      .prop(
          "SecDefault", [](D& d) { return d.SecDefault(); },
          [](D& d, const std::string& v) { d.setSecDefault(v); });
  // Values the provider reports: read-only here, the schema loaders write them.
  for (const char* name :
       {"DBADOVer", "DBDBMSName", "DBOLEDBVer", "DBProviderName", "DBProviderVer"})
    b.raw(name, core::detail::settingGetter(name, core::SettingType::String), 0, 0);
  b.method("LoadADODB", &D::LoadADODB)
      .method("LoadADOCustomView", &D::LoadADOCustomView)
      .method("LoadDAODB", &D::LoadDAODB);
}

QUILLET_DEFINE_CLASS(RUZDatabases) {
  using D = RUZDatabases;
  b.get("curName", &D::curName)
      .get("curSeq", &D::curSeq)
      .method("Add", &D::Add)
      .method("Count", &D::Count)
      .method("Delete", &D::Delete)
      .get("Item", &D::Item)
      .defaultMember("Item")
      .enumerator(&D::NewEnum);
}

} // namespace quillet::model
