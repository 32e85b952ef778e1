#include "model/loaders.h"

#include <mutex>

#include "model/database.h"
#include "model/field.h"
#include "model/table.h"
#include "platform/automation/error.h"

namespace quillet::model {

namespace {

std::mutex& registryLock() {
  static std::mutex m;
  return m;
}
std::shared_ptr<SchemaLoaders>& registered() {
  static std::shared_ptr<SchemaLoaders> loaders;
  return loaders;
}

} // namespace

void registerSchemaLoaders(std::shared_ptr<SchemaLoaders> loaders) {
  std::lock_guard<std::mutex> lock(registryLock());
  registered() = std::move(loaders);
}

SchemaLoaders& schemaLoaders() {
  std::lock_guard<std::mutex> lock(registryLock());
  if (!registered())
    automation::raise(429, "ActiveX component can't create object: schema reading is not loaded");
  return *registered();
}

void RUZField::LoadFld_DAO(const Variant& daoFld) {
  schemaLoaders().LoadFld_DAO(*this, daoFld);
}
void RUZField::LoadFld_ADO(const Variant& adoFld) {
  schemaLoaders().LoadFld_ADO(*this, adoFld);
}

void RUZTable::LoadTbl_DAO(const Variant& daoTd, bool loadAll) {
  schemaLoaders().LoadTbl_DAO(*this, daoTd, loadAll);
}
void RUZTable::LoadView_DAO(const Variant& daoQd, bool loadAll) {
  schemaLoaders().LoadView_DAO(*this, daoQd, loadAll);
}
void RUZTable::Load_ADO(const Variant& cnn, const Variant& rs, bool loadAll) {
  schemaLoaders().Load_ADO(*this, cnn, rs, loadAll);
}
void RUZTable::SetupMySQLFld(const Variant& fld, const Variant& rs, const std::string& fldName) {
  schemaLoaders().SetupMySQLFld(*this, fld, rs, fldName);
}
std::string RUZTable::MySQLTagValues(const std::string& type) {
  return schemaLoaders().MySQLTagValues(type);
}
void RUZTable::SetupPostgreSqlFld(const Variant& fld, const Variant& rs,
                                  const std::string& fldName) {
  schemaLoaders().SetupPostgreSqlFld(*this, fld, rs, fldName);
}
void RUZTable::Load_ADOCustomView(const Variant& cnn, const std::string& tableName,
                                  const std::string& sql) {
  schemaLoaders().Load_ADOCustomView(*this, cnn, tableName, sql);
}
void RUZTable::ParseCustomSql() {
  schemaLoaders().ParseCustomSql(*this);
}

int16_t RUZDatabase::LoadADODB(const Variant& dbType, const Variant& dbName, const Variant& uid,
                               const Variant& pwd, const Variant& connStr, const Variant& tableName,
                               const Variant& schema) {
  return schemaLoaders().LoadADODB(*this, dbType, dbName, uid, pwd, connStr, tableName, schema);
}
int16_t RUZDatabase::LoadADOCustomView(const Variant& connStr, const Variant& tableName,
                                       const Variant& sql) {
  return schemaLoaders().LoadADOCustomView(*this, connStr, tableName, sql);
}
int16_t RUZDatabase::LoadDAODB(const Variant& path, const Variant& phyPath,
                               const Variant& useServerMapPath, const Variant& uid,
                               const Variant& pwd, const Variant& tableName) {
  return schemaLoaders().LoadDAODB(*this, path, phyPath, useServerMapPath, uid, pwd, tableName);
}

} // namespace quillet::model
