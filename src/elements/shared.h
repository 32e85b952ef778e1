#pragma once
// The thread's shared stores of this subsystem (the menu list and the language store) and
// the upkeep calls into the extension and custom script subsystem that renames and deletions
// of tables, fields and charts make.
//
// The extension subsystem sits above this one, so it installs its implementation of
// ModelUpkeep in the thread's context (Context::setShared<ModelUpkeep>); until it does, the
// calls do nothing. Every cascade therefore runs in full now and reaches the extensions as
// soon as they are wired.
#include <memory>
#include <string>

#include "platform/automation/context.h"
#include "platform/automation/ref.h"

namespace quillet::elements {

namespace automation = ::quillet::platform::automation;
using automation::Ref;

class RUZMenus;
class RUZLanguage;

class ModelUpkeep {
public:
  virtual ~ModelUpkeep() = default;
  // Extension entries filed under a table, field or chart name.
  virtual void RenameExtensionTable(const std::string& oldName, const std::string& newName);
  virtual void DeleteExtensionTable(const std::string& name);
  virtual void RenameExtensionField(const std::string& tableName, const std::string& oldName,
                                    const std::string& newName);
  virtual void DeleteExtensionField(const std::string& tableName, const std::string& fieldName);
  virtual void RenameExtensionChart(const std::string& tableName, const std::string& oldName,
                                    const std::string& newName);
  virtual void DeleteExtensionChart(const std::string& tableName, const std::string& chartName);
  // Custom scripts whose level-1 key is the table's old name (the custom script list's
  // Change); the caller ignores the result.
  virtual bool ChangeCustomScripts(const std::string& oldName, const std::string& newName);
};

// The thread's upkeep hooks (a do-nothing instance until a higher layer installs its own).
ModelUpkeep& upkeep();
// Installs a higher layer's upkeep for the current thread (under the ModelUpkeep type, which
// is the one upkeep() looks for).
void installUpkeep(std::shared_ptr<ModelUpkeep> hooks);

// The thread's menu list and language store, created empty on first use. The host, the
// script engine and the model all reach the same instances through these.
Ref<RUZMenus> menuList();
Ref<RUZLanguage> languageStore();
// Empties the five phrase-override lists of the thread's language store (the runtime phrases
// and language files stay). Loading a menu list keeps the overrides, so the project loader
// calls this when it starts a fresh project.
void clearPhraseOverrides();

// Registers this subsystem's creatable classes with the class factory ("Quillet.RUZMenus",
// "Quillet.RUZCharts", ...). The host and tests call it once; static registration would be
// dropped by the linker.
void registerElementClasses();

} // namespace quillet::elements
