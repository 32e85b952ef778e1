#pragma once
// Change detection and synchronisation of the project's tables, views and fields with the
// database's catalogue as read into schema records.
#include <string>

#include "project/ruz.h"
#include "schema/records.h"
#include "sync/sync_log.h"

namespace quillet::sync {

struct SyncRun {
  project::RUZ& project;
  model::RUZDatabase& db;
  const schema::AGSchemaDB& catalogue;
  SyncLog& log;
};

// The number of table and view differences (filter "" for all).
int32_t CheckTables(SyncRun& run, const std::string& filter);
// The custom view differences: each query run again and its columns compared.
int32_t CheckCustomViews(SyncRun& run, const std::string& connStr);
// The report differences: report fields against their source table's.
int32_t CheckReports(SyncRun& run);
bool CheckEmptyFieldTypeNames(model::RUZDatabase& db);
// The tables, views and fields added, removed, retyped, changed or renamed in letter case,
// one line each, in catalogue order.
std::vector<std::string> DescribeDifferences(SyncRun& run);

// Maps vanished tables, views and fields onto new ones (a name that changed only in letter
// case is taken as renamed without asking); returns the filter, renamed when its table was.
std::string MapRenamedObjects(SyncRun& run, std::string filter);
void SyncTables(SyncRun& run, const std::string& filter);
// A custom view's query run again and its fields brought in step; alone (not fullRun) it
// also brings the reports on it in step.
void SyncCustom(project::RUZ& project, model::RUZDatabase& db, SyncLog& log,
                const std::string& name, const std::string& connStr, bool fullRun);
// A report's fields brought in step with its source table's.
void SyncReport(project::RUZ& project, model::RUZDatabase& db, SyncLog& log,
                const std::string& name);
void SyncCustomViews(SyncRun& run, const std::string& connStr);
void SyncReports(SyncRun& run);

void UpdateTableFromSchema(model::RUZTable& t, const schema::AGSchemaTable& src, bool isNew);
void UpdateFieldFromSchema(model::RUZField& f, const schema::AGSchemaField& src, bool isNew);
void UpdateFieldFromField(model::RUZField& f, model::RUZField& src, bool isNew);

} // namespace quillet::sync
