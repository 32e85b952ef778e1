#pragma once
// The change records of a synchronisation, the log file they are written to, and the key
// lists that the next change detection compares.
#include <ctime>
#include <string>
#include <vector>

#include "model/table.h"
#include "project/ruz.h"

namespace quillet::sync {

struct SyncLogEntry {
  std::string Kind;       // "A" added, "C" changed, "D" deleted
  std::string ObjectType; // "Field", or the kind of table
  std::string TableName;  // for a rename the old table name
  std::string FieldName;  // for a field rename the old field name
  std::string Detail;
  std::string NewTableName;
  std::string NewFieldName;
};
using SyncLog = std::vector<SyncLogEntry>;

// Sorts the records by table and field (character codes) and writes them under the report
// folder as <ProjVar>_<yyyyMMddHHmmss>.log, UTF-8, every line ended by CR LF. The path
// comes back; with no records nothing is written and "" comes back.
std::string WriteSyncLog(SyncLog& log, const std::string& reportFolder, const std::string& projVar,
                         const std::string& software, const std::string& version,
                         const std::tm& now);

// Mends lookups and field references that point at tables or fields the synchronisation
// deleted or renamed; every repair is itself recorded.
void SyncLookupLinks(model::RUZDatabase& db, SyncLog& log);

// Every table's primary-key field names, sorted, one per line, into TblKey.
void SaveTableKeys(model::RUZDatabase& db);
// The fields' key flags again from TblKey.
void RestoreTableKeys(model::RUZTable& table);
std::string UnquoteName(const std::string& name);

} // namespace quillet::sync
