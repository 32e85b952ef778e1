#include "extensions/tree.h"

#include "core/collection.h"
#include "core/state.h"
#include "platform/automation/context.h"

namespace quillet::extensions {

using elements::tolerant;

Ref<RUZExtChart> RUZExtCharts::construct(const std::string& name) {
  auto c = automation::makeRef<RUZExtChart>();
  c->setChartName(name);
  return c;
}

void RUZExtCharts::SetItem(const Variant& index) {
  tolerant([&] {
    const std::string wanted = automation::CStr(index);
    for (int32_t i = 1; i <= items_.count(); ++i) {
      RUZExtChart* c = items_.at(i);
      if (c->ChartName() == wanted) {
        makeCurrent(*c);
        return;
      }
    }
  });
}

Ref<RUZExtField> RUZExtFields::construct(const std::string& name) {
  auto f = automation::makeRef<RUZExtField>();
  f->setFldName(name);
  return f;
}

Ref<RUZExtCharts> RUZExtTable::Charts() {
  if (!charts_) charts_ = automation::makeRef<RUZExtCharts>();
  return charts_;
}

Ref<RUZExtFields> RUZExtTable::Fields() {
  if (!fields_) fields_ = automation::makeRef<RUZExtFields>();
  return fields_;
}

bool RUZExtTables::Change(const std::string& oldName, const std::string& newName) {
  const int32_t keep = curSeq_;
  bool changed = changeNamed({}, oldName, newName);
  curSeq_ = keep;
  return changed;
}

Ref<RUZExtTable> RUZExtTables::construct(const std::string& name) {
  auto t = automation::makeRef<RUZExtTable>();
  t->setTblName(name);
  return t;
}

Ref<RUZExtTables> RUZExtDb::Tables() {
  if (!tables_) tables_ = automation::makeRef<RUZExtTables>();
  return tables_;
}

void RUZExtDbs::Add(const std::string& name) {
  if (dbs_.count() > 0) {
    core::state().ProjErr = "support 1 db only!";
    return;
  }
  auto db = automation::makeRef<RUZExtDb>();
  db->setDBName(name);
  dbs_.append(db, name);
  curName_ = name;
}

void RUZExtDbs::Delete(const Variant& index) {
  int32_t pos = dbs_.positionOf(index);
  if (pos == 0) {
    dbs_.remove(index); // raises the keyed collection's error
    return;
  }
  dbs_.removeAt(pos);
}

Ref<RUZExtDb> RUZExtDbs::Item(const Variant& index) {
  RUZExtDb* db = dbs_.resolve(index);
  if (!db) automation::raise(core::kErrKeyNotFound, "Key not found.");
  curName_ = db->DBName();
  return Ref<RUZExtDb>(db);
}

Ref<RUZExtDb> RUZExtProj::DB() {
  if (!dbs_) dbs_ = automation::makeRef<RUZExtDbs>();
  if (dbs_->Count() == 0) {
    dbName_ = "DB";
    dbs_->Add(dbName_);
  }
  return dbs_->Item(Variant(dbName_));
}

Ref<RUZExtDb> RUZExtProj::existingDb() const {
  if (!dbs_ || dbs_->Count() == 0) return nullptr;
  return dbs_->Item(Variant(int32_t{1}));
}

// ---- Member tables ----

QUILLET_DEFINE_CLASS(RUZExtProj) {
  b.get("DB", &RUZExtProj::DB)
      .get("DBCnt", &RUZExtProj::DBCnt)
      .get("Properties", [](RUZExtProj& p) { return p.Properties(); });
}

QUILLET_DEFINE_CLASS(RUZExtDbs) {
  using D = RUZExtDbs;
  b.get("curName", &D::curName)
      .method("Add", &D::Add)
      .method("Count", &D::Count)
      .method("Delete", &D::Delete)
      .get("Item", &D::Item)
      .defaultMember("Item")
      .enumerator(&D::NewEnum);
}

QUILLET_DEFINE_CLASS(RUZExtDb) {
  core::addSettingMembers(b, kExtDbCatalogue);
  b.get("Tables", &RUZExtDb::Tables);
}

QUILLET_DEFINE_CLASS(RUZExtTable) {
  core::addSettingMembers(b, kExtTableCatalogue);
  b.get("Charts", &RUZExtTable::Charts).get("Fields", &RUZExtTable::Fields);
}

QUILLET_DEFINE_CLASS(RUZExtChart) {
  core::addSettingMembers(b, kExtChartCatalogue);
}

QUILLET_DEFINE_CLASS(RUZExtField) {
  core::addSettingMembers(b, kExtFieldCatalogue);
}

namespace {
template <class C> void addExtListMembers(automation::ClassBuilder<C>& b) {
  elements::addNamedCollectionMembers(b);
  b.get("curSeq", &C::curSeqValue)
      .method("SetItem", &C::SetItem)
      .method("SetSeq", [](C& c, int16_t i) { c.SetSeq(i); });
}
} // namespace

QUILLET_DEFINE_CLASS(RUZExtTables) {
  addExtListMembers(b);
  b.method("TableExist", &RUZExtTables::TableExist);
}

QUILLET_DEFINE_CLASS(RUZExtCharts) {
  addExtListMembers(b);
  b.method("ChartExist", &RUZExtCharts::ChartExist);
}

QUILLET_DEFINE_CLASS(RUZExtFields) {
  addExtListMembers(b);
  b.method("FieldExist", &RUZExtFields::FieldExist);
}

} // namespace quillet::extensions
