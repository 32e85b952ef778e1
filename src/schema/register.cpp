#include "schema/register.h"

#include "core/dialect.h"
#include "core/loader_copies.h"
#include "model/loaders.h"
#include "platform/automation/factory.h"
#include "schema/ado_reader.h"
#include "schema/dao_objects.h"
#include "schema/project_loader.h"
#include "schema/project_sinks.h"
#include "schema/schema_reader.h"

namespace quillet::schema {

namespace {

template <class T> Ref<T> objectOf(const Variant& v) {
  T* p = v.isObject() ? dynamic_cast<T*>(v.asObject()) : nullptr;
  if (!p) automation::raise(automation::err::kTypeMismatch);
  return Ref<T>(p);
}

std::string text(const Variant& d) {
  return d.isEmpty() || d.isNull() || d.isMissing() ? std::string() : automation::CStr(d);
}

data::DatabaseKind currentKind() {
  return data::databaseKind(core::loaderCopies().CurrentDBMSName);
}

// A session over a connection the caller opened.
AdoSession sessionOf(const Variant& cnn) {
  AdoSession s;
  s.cnn = objectOf<data::Connection>(cnn);
  s.kind = currentKind();
  return s;
}

class Loaders : public model::SchemaLoaders {
public:
  void LoadFld_DAO(model::RUZField& f, const V& daoFld) override {
    ProjectFieldSink(f).loadDao(objectOf<DaoField>(daoFld)->column);
  }
  void LoadFld_ADO(model::RUZField& f, const V& adoFld) override {
    ProjectFieldSink(f).loadAdo(objectOf<data::Field>(adoFld)->info(), currentKind());
  }
  void LoadTbl_DAO(model::RUZTable& t, const V& daoTd, bool loadAll) override {
    const data::AccessTable& td = objectOf<DaoTableDef>(daoTd)->table;
    loadTable(t, &td, nullptr, loadAll);
  }
  void LoadView_DAO(model::RUZTable& t, const V& daoQd, bool loadAll) override {
    loadTable(t, nullptr, &objectOf<DaoQueryDef>(daoQd)->query, loadAll);
  }
  void Load_ADO(model::RUZTable& t, const V& cnn, const V& rs, bool loadAll) override {
    AdoSession s = sessionOf(cnn);
    Ref<data::Rowset> row = objectOf<data::Rowset>(rs);
    loadAdoTable(s, t, text(row->value("TABLE_TYPE")), readerState().currentTableSchema, loadAll);
  }
  void SetupMySQLFld(model::RUZTable&, const V& fld, const V& rs,
                     const std::string& name) override {
    ProjectFieldSink sink(*objectOf<model::RUZField>(fld));
    setupMySqlField(sink, *objectOf<data::Rowset>(rs), name);
  }
  std::string MySQLTagValues(const std::string& type) override { return mySqlTagValues(type); }
  void SetupPostgreSqlFld(model::RUZTable&, const V& fld, const V& rs,
                          const std::string& name) override {
    ProjectFieldSink sink(*objectOf<model::RUZField>(fld));
    setupPostgresField(sink, *objectOf<data::Rowset>(rs), name);
  }
  void Load_ADOCustomView(model::RUZTable& t, const V& cnn, const std::string& name,
                          const std::string& sql) override {
    AdoSession s = sessionOf(cnn);
    loadCustomViewTable(s, t, name, sql);
  }
  void ParseCustomSql(model::RUZTable& t) override { parseCustomSql(t); }

  int16_t LoadADODB(model::RUZDatabase& db, const V& dbType, const V& dbName, const V& uid,
                    const V& pwd, const V& connStr, const V& tableName, const V& schema) override {
    return loadAdoDatabase(db, text(dbType), text(dbName), text(uid), text(pwd), text(connStr),
                           text(tableName), text(schema));
  }
  int16_t LoadADOCustomView(model::RUZDatabase& db, const V& connStr, const V& tableName,
                            const V& sql) override {
    return loadCustomViewIntoDatabase(db, text(connStr), text(tableName), text(sql));
  }
  int16_t LoadDAODB(model::RUZDatabase& db, const V& path, const V& phyPath,
                    const V& useServerMapPath, const V& uid, const V& pwd,
                    const V& tableName) override {
    const Variant& smp = useServerMapPath;
    return loadAccessDatabase(db, text(path), text(phyPath),
                              !smp.isEmpty() && !smp.isMissing() && automation::CBool(smp),
                              text(uid), text(pwd), text(tableName));
  }

private:
  static void loadTable(model::RUZTable& t, const data::AccessTable* td,
                        const data::AccessQuery* qd, bool loadAll) {
    loadAccessTableMember(t, td, qd, loadAll);
  }
};

} // namespace

void registerSchemaClasses() {
  model::registerSchemaLoaders(std::make_shared<Loaders>());
  automation::registerClass<RUZSchema>("Quillet.RUZSchema");
}

} // namespace quillet::schema
