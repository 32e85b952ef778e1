#pragma once
// A table of the project's database (a base table, a view, a custom view or a report) with
// its 64 settings, its charts, its fields and its generation items, and the collection of a
// database's tables, which numbers them from 1 by TblSeq and keeps the menus, phrases,
// extension entries and custom scripts filed under a table's name in step when it is
// renamed or deleted.
//
// Releasing a table never touches other stores: when the model drops a table it calls
// unload(), which deletes its charts and then its fields through their collections, with
// their cascades.
#include <cstdint>
#include <string>

#include "core/setting_element.h"
#include "elements/chart.h"
#include "elements/element_collection.h"
#include "model/catalogues.h"
#include "model/controlitems.h"
#include "model/field.h"

namespace quillet::model {

class RUZTable : public core::SettingElement {
  QUILLET_OBJECT(RUZTable)
public:
  RUZTable() : SettingElement(kTableCatalogue) {}
  QUILLET_TABLE_SETTINGS(QUILLET_SETTING_ACCESSOR, QUILLET_SETTING_GETTER)

  // Also keeps the table's name copy, the table-name argument of its children's cascades.
  void setTblName(const std::string& name);
  // Also shows or hides the table's "Table" menu item and its charts' "Chart" items.
  void setTblGen(const bool& generate);

  Ref<AGControlItems> ControlList();
  Ref<elements::RUZCharts> Charts();
  Ref<RUZFields> Fields();
  const std::string& nameCopy() const { return nameCopy_; }
  void setNameCopy(const std::string& name) { nameCopy_ = name; }

  // Deletes every chart and then every field, each from the highest position down, with
  // their cascades.
  void unload();

  // Catalogue loaders (bodies registered by the schema reading layer) and the generation
  // defaults of a table fresh from the catalogue.
  void LoadTbl_DAO(const Variant& daoTd, bool loadAll);
  void LoadView_DAO(const Variant& daoQd, bool loadAll);
  void Load_ADO(const Variant& cnn, const Variant& rs, bool loadAll);
  void SetupMySQLFld(const Variant& fld, const Variant& rs, const std::string& fldName);
  std::string MySQLTagValues(const std::string& type);
  void SetupPostgreSqlFld(const Variant& fld, const Variant& rs, const std::string& fldName);
  void Load_ADOCustomView(const Variant& cnn, const std::string& tableName, const std::string& sql);
  void ParseCustomSql();
  void LoadTableDefault();

private:
  Ref<AGControlItems> controls_;
  std::string nameCopy_;
  Ref<elements::RUZCharts> charts_;
  Ref<RUZFields> fields_;
};

class RUZTables : public elements::NamedSeqCollection<RUZTables, RUZTable> {
  QUILLET_OBJECT(RUZTables)
public:
  static constexpr bool kAddExistingIsCurrent = false;
  static constexpr bool kChangeTestsNames = true;

  bool Add(const std::string& name) { return addNamed({}, name); }
  bool Change(const std::string& oldName, const std::string& newName) {
    return changeNamed({}, oldName, newName);
  }
  // Removes the table with its phrases, charts, extension entries, menu items and fields.
  bool Delete(const std::string& index) { return deleteNamed({}, Variant(index)); }
  bool TableExist(const Variant& index) const { return exists(index); }

  static constexpr std::string_view kNameSetting = "TblName";
  static constexpr std::string_view kSeqSetting = "TblSeq";
  Ref<RUZTable> construct(const std::string& name);
  void renamedVar(RUZTable& t, const std::string& newName);
  void renamed(RUZTable& t, const std::string&, const std::string& oldName,
               const std::string& newName);
  void deleting(RUZTable& t, const std::string&, const std::string& name);
  void renumbered(RUZTable& t, const std::string&, const std::string& name);
  void removed(RUZTable& t, const std::string&, const std::string& name);
};

} // namespace quillet::model
