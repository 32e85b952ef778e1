#include "extensions/upkeep.h"

#include <functional>

#include "extensions/custom_scripts.h"
#include "extensions/extension.h"
#include "platform/automation/context.h"

namespace quillet::extensions {

namespace {

// Runs fn on the table list of every extension that has one, in number order.
void forEachTree(const std::function<void(RUZExtTables&)>& fn) {
  Ref<RUZExtensions> list = extensionList();
  const int32_t n = list->Count();
  for (int32_t i = 1; i <= n; ++i) {
    Ref<RUZExtension> ext = list->Seq(i);
    if (!ext) continue;
    if (Ref<RUZExtTables> tables = ext->existingTables()) fn(*tables);
  }
}

// The table node of that name in a tree, or nullptr.
Ref<RUZExtTable> tableNode(RUZExtTables& tables, const std::string& name) {
  if (!tables.TableExist(Variant(name))) return nullptr;
  return tables.Item(Variant(name));
}

} // namespace

void ExtensionUpkeep::RenameExtensionTable(const std::string& oldName, const std::string& newName) {
  forEachTree([&](RUZExtTables& tables) {
    if (tables.TableExist(Variant(oldName))) tables.Change(oldName, newName);
  });
}

void ExtensionUpkeep::DeleteExtensionTable(const std::string& name) {
  forEachTree([&](RUZExtTables& tables) {
    Ref<RUZExtTable> t = tableNode(tables, name);
    if (!t) return;
    Ref<RUZExtCharts> charts = t->Charts();
    for (int32_t j = charts->Count(); j >= 1; --j)
      if (Ref<RUZExtChart> c = charts->Seq(j)) charts->Delete(Variant(c->ChartName()));
    Ref<RUZExtFields> fields = t->Fields();
    for (int32_t j = fields->Count(); j >= 1; --j)
      if (Ref<RUZExtField> f = fields->Seq(j)) fields->Delete(Variant(f->FldName()));
    tables.Delete(name);
  });
}

void ExtensionUpkeep::RenameExtensionChart(const std::string& tableName, const std::string& oldName,
                                           const std::string& newName) {
  forEachTree([&](RUZExtTables& tables) {
    Ref<RUZExtTable> t = tableNode(tables, tableName);
    if (t && t->Charts()->ChartExist(Variant(oldName))) t->Charts()->Change(oldName, newName);
  });
}

void ExtensionUpkeep::DeleteExtensionChart(const std::string& tableName,
                                           const std::string& chartName) {
  forEachTree([&](RUZExtTables& tables) {
    Ref<RUZExtTable> t = tableNode(tables, tableName);
    if (t && t->Charts()->ChartExist(Variant(chartName))) t->Charts()->Delete(Variant(chartName));
  });
}

void ExtensionUpkeep::RenameExtensionField(const std::string& tableName, const std::string& oldName,
                                           const std::string& newName) {
  forEachTree([&](RUZExtTables& tables) {
    Ref<RUZExtTable> t = tableNode(tables, tableName);
    if (t && t->Fields()->FieldExist(Variant(oldName))) t->Fields()->Change(oldName, newName);
  });
}

void ExtensionUpkeep::DeleteExtensionField(const std::string& tableName,
                                           const std::string& fieldName) {
  forEachTree([&](RUZExtTables& tables) {
    Ref<RUZExtTable> t = tableNode(tables, tableName);
    if (t && t->Fields()->FieldExist(Variant(fieldName))) t->Fields()->Delete(Variant(fieldName));
  });
}

bool ExtensionUpkeep::ChangeCustomScripts(const std::string& oldName, const std::string& newName) {
  return customScriptList()->Change(oldName, newName);
}

void installExtensionUpkeep() {
  auto& ctx = automation::Context::current();
  if (dynamic_cast<ExtensionUpkeep*>(ctx.findShared<elements::ModelUpkeep>())) return;
  elements::installUpkeep(std::make_shared<ExtensionUpkeep>());
}

} // namespace quillet::extensions
