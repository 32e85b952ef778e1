#pragma once
// RUZSchema: a database catalogue read into schema records without touching the project,
// for the change detection and synchronisation and for hosts that want the catalogue as
// plain data.
#include <cstdint>
#include <string>

#include "platform/automation/members.h"
#include "platform/data/rowset.h"
#include "schema/records.h"

namespace quillet::schema {

namespace data = ::quillet::platform::data;

class RUZSchema : public automation::Object {
  QUILLET_OBJECT(RUZSchema)
public:
  // Copies: changing them changes nothing here.
  AGSchemaDB DB() const { return db_; }
  int32_t tblcnt() const { return db_.DBTblCnt; }
  // Error 9 for an index outside the table array.
  AGSchemaTable Tbl(int32_t i) const;
  const AGSchemaDB& db() const { return db_; }
  bool loaded() const { return loaded_ != 0; }

  // Reads the catalogue: "ACCESS" from sPhyPath, "SQLITE" from the file at sPhyPath, "ODBC"
  // from the data source sDbName, any other type from sConnStr (sDbName becomes "DB").
  // The outcome is ProjErr ("" on success) and tblcnt.
  void LoadDB(Variant& sDbName, const std::string& sDbType, const std::string& sPath,
              const std::string& sPhyPath, bool bDBUseServerMapPath, const std::string& sUID,
              const std::string& sPwd, const std::string& sConnStr, const std::string& sSchema,
              const std::string& sTableName);

  void SetupMySQLFld(AGSchemaField& f, data::Rowset& rs, const std::string& name);
  std::string MySQLTagValues(const std::string& type);
  void SetupPostgreSqlFld(AGSchemaField& f, data::Rowset& rs, const std::string& name);
  // One custom view into table record 1 (the array is cut to records 0 and 1); 0 when read.
  int16_t LoadADOCustomView(const std::string& connStr, const std::string& tableName,
                            const std::string& sql);

private:
  int16_t readAdo(const std::string& dbType, const std::string& dbName, const std::string& uid,
                  const std::string& pwd, const std::string& connStr, const std::string& schema,
                  const std::string& tableName);
  int16_t readAccess(const std::string& path, const std::string& phyPath, bool useServerMapPath,
                     const std::string& uid, const std::string& pwd, const std::string& tableName);
  AGSchemaTable& appendTable(const std::string& name, const std::string& type);

  AGSchemaDB db_;
  int32_t loaded_ = 0;
  std::string dbmsName_; // upper-cased
};

} // namespace quillet::schema
