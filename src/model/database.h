#pragma once
// The project's database: its 31 settings (connection, quoting, reported versions, security
// and user levels) and its tables, and the project's database list, which holds at most one.
//
// Dropping the database from the list unloads it first: every table is deleted through the
// table collection, from the last position to the first, with its whole cascade and with
// messages in the progress display. Destruction itself touches nothing else.
#include <cstdint>
#include <string>

#include "core/setting_element.h"
#include "elements/element_collection.h"
#include "model/catalogues.h"
#include "model/table.h"

namespace quillet::model {

class RUZDatabase : public core::SettingElement {
  QUILLET_OBJECT(RUZDatabase)
public:
  RUZDatabase() : SettingElement(kDatabaseCatalogue) {}
  QUILLET_DATABASE_SETTINGS(QUILLET_SETTING_ACCESSOR, QUILLET_SETTING_GETTER)
  // Also makes the text the thread's security default for newly loaded tables.
  void setSecDefault(const std::string& value);

  Ref<RUZTables> Tables();
  // Deletes every table under a progress display and empties the thread's security default.
  void unload();

  // Catalogue loaders (bodies registered by the schema reading layer): 0 success, 1 not
  // opened or failed, 3 an error ended the load (the reason is in ProjErr).
  int16_t LoadADODB(const Variant& dbType, const Variant& dbName, const Variant& uid,
                    const Variant& pwd, const Variant& connStr, const Variant& tableName,
                    const Variant& schema);
  int16_t LoadADOCustomView(const Variant& connStr, const Variant& tableName, const Variant& sql);
  int16_t LoadDAODB(const Variant& path, const Variant& phyPath, const Variant& useServerMapPath,
                    const Variant& uid, const Variant& pwd, const Variant& tableName);

  // Kept by the schema loaders between their steps: the data source's SQL Server database
  // and server, its trusted-connection flag, and the chosen Oracle schema.
  Variant workingSchema = Variant("");
  Variant dsnDatabase;
  std::string dsnServer;
  bool dsnTrusted = false;

private:
  Ref<RUZTables> tables_;
};

class RUZDatabases : public automation::Object {
  QUILLET_OBJECT(RUZDatabases)
public:
  const std::string& curName() const { return curName_; }
  std::string curSeq() const { return std::to_string(curSeq_); }
  // Adds the database when the list is empty (ProjErr becomes ""); otherwise ProjErr
  // becomes "support 1 db only!" and nothing changes.
  void Add(const std::string& name);
  int32_t Count() const { return dbs_.count(); }
  // Unloads the database at that name or position and removes it; the keyed collection's
  // error for one that is not there.
  void Delete(const Variant& index);
  // The database at that name or position (curName becomes its DBName); error 91 when none.
  Ref<RUZDatabase> Item(const Variant& index);
  Ref<automation::Enumerator> NewEnum() const { return dbs_.newEnum(); }

private:
  elements::KeyedItems<RUZDatabase> dbs_;
  std::string curName_;
  int32_t curSeq_ = 0;
};

} // namespace quillet::model
