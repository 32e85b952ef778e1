#pragma once
// The project loaders: a catalogue read into the project's database, tables and fields.
#include <cstdint>
#include <string>

#include "model/database.h"
#include "platform/data/access.h"
#include "schema/ado_reader.h"

namespace quillet::schema {

// RUZDatabase.LoadADODB: every table and view (tableName empty) or the one named.
int16_t loadAdoDatabase(model::RUZDatabase& db, const std::string& dbType,
                        const std::string& dbName, const std::string& uid, const std::string& pwd,
                        const std::string& connStr, const std::string& tableName,
                        const std::string& schema);
// RUZTable.Load_ADO for a listed row.
void loadAdoTable(AdoSession& s, model::RUZTable& t, const std::string& type,
                  const std::string& schema, bool loadAll);

// RUZDatabase.LoadDAODB over an Access file.
int16_t loadAccessDatabase(model::RUZDatabase& db, const std::string& path,
                           const std::string& phyPath, bool useServerMapPath,
                           const std::string& uid, const std::string& pwd,
                           const std::string& tableName);

// RUZTable.LoadTbl_DAO (td given) or LoadView_DAO (qd given).
void loadAccessTableMember(model::RUZTable& t, const data::AccessTable* td,
                           const data::AccessQuery* qd, bool loadAll);

// RUZDatabase.LoadADOCustomView and RUZTable.Load_ADOCustomView / ParseCustomSql.
int16_t loadCustomViewIntoDatabase(model::RUZDatabase& db, const std::string& connStr,
                                   const std::string& tableName, const std::string& sql);
void loadCustomViewTable(AdoSession& s, model::RUZTable& t, const std::string& tableName,
                         const std::string& sql);
void parseCustomSql(model::RUZTable& t);

} // namespace quillet::schema
