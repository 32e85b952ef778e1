#pragma once
// The catalogue loaders of the database, table and field classes. Their bodies read
// databases and so live in the schema reading layer above this one, which registers them
// here once (schema::registerSchemaClasses); the classes' members forward to them, so a
// caller of the model never needs the layer above. Until they are registered, calling a
// loader raises error 429.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/automation/variant.h"

namespace quillet::model {

class RUZDatabase;
class RUZTable;
class RUZField;

namespace automation = ::quillet::platform::automation;

// The DAO and ADO objects of the original interface are the data layer's equivalents:
// an Access column, table or query object, a Connection, a Rowset and a rowset Field.
class SchemaLoaders {
public:
  virtual ~SchemaLoaders() = default;
  using V = automation::Variant;

  virtual void LoadFld_DAO(RUZField& f, const V& daoFld) = 0;
  virtual void LoadFld_ADO(RUZField& f, const V& adoFld) = 0;

  virtual void LoadTbl_DAO(RUZTable& t, const V& daoTd, bool loadAll) = 0;
  virtual void LoadView_DAO(RUZTable& t, const V& daoQd, bool loadAll) = 0;
  virtual void Load_ADO(RUZTable& t, const V& cnn, const V& rs, bool loadAll) = 0;
  virtual void SetupMySQLFld(RUZTable& t, const V& fld, const V& rs, const std::string& name) = 0;
  virtual std::string MySQLTagValues(const std::string& type) = 0;
  virtual void SetupPostgreSqlFld(RUZTable& t, const V& fld, const V& rs,
                                  const std::string& name) = 0;
  virtual void Load_ADOCustomView(RUZTable& t, const V& cnn, const std::string& name,
                                  const std::string& sql) = 0;
  virtual void ParseCustomSql(RUZTable& t) = 0;

  virtual int16_t LoadADODB(RUZDatabase& db, const V& dbType, const V& dbName, const V& uid,
                            const V& pwd, const V& connStr, const V& tableName,
                            const V& schema) = 0;
  virtual int16_t LoadADOCustomView(RUZDatabase& db, const V& connStr, const V& tableName,
                                    const V& sql) = 0;
  virtual int16_t LoadDAODB(RUZDatabase& db, const V& path, const V& phyPath,
                            const V& useServerMapPath, const V& uid, const V& pwd,
                            const V& tableName) = 0;
};

// Registers the loaders for the whole process (the last registration wins).
void registerSchemaLoaders(std::shared_ptr<SchemaLoaders> loaders);
// The registered loaders; error 429 when none were registered.
SchemaLoaders& schemaLoaders();

} // namespace quillet::model
