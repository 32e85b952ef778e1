#pragma once
// Test helpers for the extensions: a private environment, a database with tables, charts and
// fields, the project object's working values the operations use, and a condition
// evaluator that answers from a table of conditions.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "elements/model_env.h"
#include "extensions/extension.h"
#include "extensions/operations.h"
#include "extensions/services.h"
#include "extensions/upkeep.h"
#include "model/database.h"

namespace quillet::testing {

// Conditions not in the table hold. Every evaluation is recorded with the current table and
// field the project object held at that moment.
class ScriptedConditions : public extensions::TemplateServices {
public:
  std::map<std::string, bool> answers;
  std::vector<std::string> seen;
  Ref<platform::automation::Object>* table = nullptr;
  Ref<platform::automation::Object>* field = nullptr;
  bool EvalCondition(const std::string& c, platform::automation::Object*) override {
    auto* t0 = table ? dynamic_cast<model::RUZTable*>(table->get()) : nullptr;
    auto* f0 = field ? dynamic_cast<model::RUZField*>(field->get()) : nullptr;
    std::string t = t0 ? t0->TblName() : "-";
    std::string f = f0 ? f0->FldName() : "-";
    seen.push_back(c + "@" + t + "/" + f);
    auto it = answers.find(c + "@" + t + "/" + f);
    if (it == answers.end()) it = answers.find(c);
    return it == answers.end() ? true : it->second;
  }
};

class ExtTest : public CoreTest {
protected:
  ExtTest() {
    conditions = std::make_shared<ScriptedConditions>();
    conditions->table = &curTable;
    conditions->field = &curField;
    extensions::installTemplateServices(conditions);
    access.extensionsFolder = std::string(QUILLET_TEST_DIR) + "/fixtures";
    access.definitions = &definitions;
    access.currentTable = &curTable;
    access.currentField = &curField;
  }

  // A database "Shop" with Orders (fields Id, Total; charts Sales, Volume) and Customers
  // (fields Id, Name), both loaded base tables.
  void makeDatabase() {
    dbs = platform::automation::makeRef<model::RUZDatabases>();
    dbs->Add("Shop");
    access.database = dbs->Item(Variant("Shop"));
    addTable("Orders", {"Id", "Total"}, {"Sales", "Volume"});
    addTable("Customers", {"Id", "Name"}, {});
  }
  Ref<model::RUZTable> addTable(const std::string& name, std::vector<std::string> fields,
                                std::vector<std::string> charts) {
    auto tables = access.database->Tables();
    tables->Add(name);
    Ref<model::RUZTable> t = tables->Item(Variant(name));
    t->setTblType("TABLE");
    t->setTblLoaded(true);
    for (auto& f : fields)
      t->Fields()->Add(name, f);
    for (auto& c : charts)
      t->Charts()->Add(name, c);
    return t;
  }
  Ref<model::RUZTable> table(const std::string& name) {
    return Ref<model::RUZTable>(access.database->Tables()->items().find(name));
  }
  Ref<extensions::RUZExtensions> exts() { return extensions::extensionList(); }
  Ref<extensions::RUZExtension> ext(const std::string& name) {
    return Ref<extensions::RUZExtension>(exts()->items().find(name));
  }
  // The names of an extension's table, chart and field entries as "T(c1,c2|f1,f2)".
  std::string tree(const std::string& extName) {
    Ref<extensions::RUZExtension> e = ext(extName);
    if (!e) return "no extension";
    if (!e->IsExtended()) return "no tree";
    Ref<extensions::RUZExtTables> tables = e->existingTables();
    if (!tables) return "no database";
    std::string out;
    for (auto& t : tables->items().list()) {
      if (!out.empty()) out += " ";
      out += t->TblName() + ":" + std::to_string(t->TblSeq()) + "(";
      std::string sep;
      for (auto& c : t->Charts()->items().list()) {
        out += sep + c->ChartName() + ":" + std::to_string(c->ChartSeq());
        sep = ",";
      }
      out += "|";
      sep.clear();
      for (auto& f : t->Fields()->items().list()) {
        out += sep + f->FldName() + ":" + std::to_string(f->FldSeq());
        sep = ",";
      }
      out += ")";
    }
    return out;
  }
  // What a Get...Att result shows: the property's value as text, or "Null".
  static std::string shown(const Variant& property) {
    return property.isNull() ? "Null"
                             : platform::automation::CStr(platform::automation::valueOf(property));
  }
  // "Name=Value" of every attribute after the fixed entries of a bag, as text.
  static std::string attrs(core::AGProperties& bag, int skip) {
    std::string out;
    int i = 0;
    for (auto& p : bag.list()) {
      if (i++ < skip) continue;
      if (!out.empty()) out += ";";
      const Variant& v = p->Value();
      out +=
          p->Name() + "=" + (v.isEmpty() ? std::string("<empty>") : platform::automation::CStr(v));
    }
    return out;
  }

  std::shared_ptr<ScriptedConditions> conditions;
  extensions::DefinitionDocument definitions;
  Ref<platform::automation::Object> curTable;
  Ref<platform::automation::Object> curField;
  extensions::ProjectAccess access;
  Ref<model::RUZDatabases> dbs;
};

} // namespace quillet::testing
