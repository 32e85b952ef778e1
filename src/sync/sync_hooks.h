#pragma once
// Database loading and synchronisation of the project object: loading and unloading the
// database and its tables, the menu refresh, and the checks and synchronisation that the
// project file loading asks for. Installed into every context through the project's hook
// factory, so the project object's members reach it by name.
#include <string>

#include "project/ruz.h"

namespace quillet::sync {

namespace automation = ::quillet::platform::automation;

class SyncHooks : public project::ProjectSyncHooks {
public:
  bool available() override { return false; }

  void LoadDB(project::RUZ& project, automation::Args args) override;
  void LoadTable(project::RUZ& project, const std::string& tableName) override;
  void UnLoadTable(project::RUZ& project, const std::string& tableName) override;
  void UnLoadDB(project::RUZ& project) override;
  void RefreshMenus(project::RUZ& project) override;
  void LoadTableDefault(model::RUZTable& table) override;
};

// Empties the project's login table and its user-name and password fields.
void ClearSecuritySettings(project::RUZ& project);

// The key under which an Access database stands in the project's list: the file name of
// its physical path, either separator accepted.
std::string accessDatabaseKey(const std::string& phyPath);

// Installs the hooks for every context created from now on.
void registerSyncClasses();

} // namespace quillet::sync
