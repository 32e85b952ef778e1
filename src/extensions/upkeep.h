#pragma once
// Keeps the extension trees and custom scripts in step when the model renames or deletes a
// table, chart or field. The model calls through elements::ModelUpkeep; this layer installs
// its implementation when the thread's extension or custom script list comes into being.
//
// Extensions are visited by number, with the count read once. An extension that has no tree
// (or no database node) holds nothing to rename and is left as it is: the upkeep never
// creates a tree, and never touches the project error text.
#include <string>

#include "elements/shared.h"

namespace quillet::extensions {

class ExtensionUpkeep : public elements::ModelUpkeep {
public:
  void RenameExtensionTable(const std::string& oldName, const std::string& newName) override;
  // The table node's charts and then its fields go first, the highest number first.
  void DeleteExtensionTable(const std::string& name) override;
  void RenameExtensionField(const std::string& tableName, const std::string& oldName,
                            const std::string& newName) override;
  void DeleteExtensionField(const std::string& tableName, const std::string& fieldName) override;
  void RenameExtensionChart(const std::string& tableName, const std::string& oldName,
                            const std::string& newName) override;
  void DeleteExtensionChart(const std::string& tableName, const std::string& chartName) override;
  bool ChangeCustomScripts(const std::string& oldName, const std::string& newName) override;
};

// Installs ExtensionUpkeep for the current thread unless it is already installed.
void installExtensionUpkeep();

} // namespace quillet::extensions
