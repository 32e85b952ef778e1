#pragma once
// Database loading and synchronisation of the project object: loading and unloading the
// database and its tables, the menu refresh, and the checks and synchronisation that the
// project file loading asks for. Installed into every context through the project's hook
// factory, so the project object's members reach it by name.
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "project/ruz.h"
#include "schema/schema_reader.h"
#include "sync/sync_log.h"

namespace quillet::sync {

namespace automation = ::quillet::platform::automation;
using automation::Ref;

class SyncHooks : public project::ProjectSyncHooks {
public:
  bool available() override { return true; }
  bool autoSyncOnLoad() override { return autoSync; }
  bool autoSync = true;

  void LoadDB(project::RUZ& project, automation::Args args) override;
  void LoadTable(project::RUZ& project, const std::string& tableName) override;
  void UnLoadTable(project::RUZ& project, const std::string& tableName) override;
  void UnLoadDB(project::RUZ& project) override;
  void RefreshMenus(project::RUZ& project) override;
  void LoadTableDefault(model::RUZTable& table) override;

  bool readCatalogue(project::RUZ& project) override;
  int32_t countDifferences(project::RUZ& project) override;
  bool emptyFieldTypeNames(project::RUZ& project) override;
  void synchronise(project::RUZ& project) override;
  void SaveTableKeys(project::RUZ& project) override;
  void releaseCatalogue(project::RUZ& project) override;

  int16_t CheckDB(project::RUZ& project) override;
  void SynchronizeDB(project::RUZ& project) override;
  std::string CustomViewConnStr(project::RUZ& project) override;
  void SyncCustom(project::RUZ& project, const std::string& name) override;
  void SyncReport(project::RUZ& project, const std::string& name) override;

  void LoadCustomView(project::RUZ& project, const std::string& name, const std::string& sql,
                      bool copyFields) override;
  bool ChangeCustomViewToView(project::RUZ& project, const std::string& source,
                              const std::string& target) override;
  bool LoadReport(project::RUZ& project, const std::string& name,
                  const std::string& source) override;
  bool CopyTableSettings(project::RUZ& project, const std::string& source,
                         const std::string& target) override;
  bool CopyFieldSettings(project::RUZ& project, const std::string& sourceTable,
                         const std::string& sourceField, const std::string& targetTable,
                         const std::string& targetField) override;
  bool LoadChart(project::RUZ& project, const std::string& chart,
                 const std::string& table) override;
  bool CopyChart(project::RUZ& project, const std::string& oldChart, const std::string& newChart,
                 const std::string& table) override;

  // What differs between the project and its database's catalogue, one line per change;
  // false with the reason in ProjErr when the catalogue cannot be read.
  bool describeDifferences(project::RUZ& project, std::vector<std::string>& lines);

  // The change records of the last synchronisation.
  SyncLog& changes() { return changes_; }
  // The synchronisation scope: "ALL" while a whole synchronisation runs.
  const std::string& scope() const { return scope_; }
  // The local time the log is stamped with; tests fix it.
  std::function<std::tm()> clock;

private:
  // The steps of a whole synchronisation; the menu refresh only when asked.
  void runSteps(project::RUZ& project, bool refreshMenus);
  // Reads the catalogue; false with the reason in ProjErr when it cannot be read.
  bool holdCatalogue(project::RUZ& project);

  Ref<schema::RUZSchema> catalogue_;
  SyncLog changes_;
  std::string scope_;
};

// Completes a custom view field's source table and field from its source expression
// ("table.field", either part in the database's identifier quotes) when the project holds
// that table with that field.
void ResolveSourceField(model::RUZDatabase& db, model::RUZField& field);

// Empties the project's login table and its user-name and password fields.
void ClearSecuritySettings(project::RUZ& project);

// The key under which an Access database stands in the project's list: the file name of
// its physical path, either separator accepted.
std::string accessDatabaseKey(const std::string& phyPath);

// Installs the hooks for every context created from now on.
void registerSyncClasses();

} // namespace quillet::sync
