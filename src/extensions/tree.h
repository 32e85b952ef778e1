#pragma once
// The attribute tree of one extension: a project node, at most one database node, and under
// it a node per table with that table's chart and field nodes. Each node keeps the values of
// the attributes its extension declares for its level in a property bag, after the node's
// fixed entries (its name and number).
//
// The table, chart and field lists are the model's named collection with the rules of these
// lists: Add refuses a present name, the table list's Change keeps curSeq, and the chart
// list's SetItem compares names exactly, as templates have always seen it.
#include <cstdint>
#include <string>

#include "core/setting_element.h"
#include "elements/element_collection.h"

namespace quillet::extensions {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

// Fixed entries of the node classes. Columns: name, data type, RegSave, RegFormat, FileSave,
// Sync.
#define QUILLET_EXTDB_SETTINGS(X) X(DBName, String, false, 0, false, false)
#define QUILLET_EXTTABLE_SETTINGS(X)                                                               \
  X(TblSeq, Integer, false, 0, false, false)                                                       \
  X(TblName, String, false, 0, true, false)
#define QUILLET_EXTCHART_SETTINGS(X)                                                               \
  X(ChartSeq, Integer, false, 0, false, false)                                                     \
  X(ChartName, String, false, 0, true, false)
#define QUILLET_EXTFIELD_SETTINGS(X)                                                               \
  X(FldSeq, Integer, false, 0, false, false)                                                       \
  X(FldName, String, false, 0, true, false)

inline constexpr core::SettingDef kExtDbSettings[] = {QUILLET_EXTDB_SETTINGS(QUILLET_SETTING_DEF)};
inline constexpr core::SettingDef kExtTableSettings[] = {
    QUILLET_EXTTABLE_SETTINGS(QUILLET_SETTING_DEF)};
inline constexpr core::SettingDef kExtChartSettings[] = {
    QUILLET_EXTCHART_SETTINGS(QUILLET_SETTING_DEF)};
inline constexpr core::SettingDef kExtFieldSettings[] = {
    QUILLET_EXTFIELD_SETTINGS(QUILLET_SETTING_DEF)};

inline constexpr core::Catalogue kExtProjCatalogue{{}, {}, {}};
inline constexpr core::Catalogue kExtDbCatalogue{kExtDbSettings, {}, {}};
inline constexpr core::Catalogue kExtTableCatalogue{kExtTableSettings, {}, "TblName"};
inline constexpr core::Catalogue kExtChartCatalogue{kExtChartSettings, {}, "ChartName"};
inline constexpr core::Catalogue kExtFieldCatalogue{kExtFieldSettings, {}, "FldName"};

class RUZExtChart : public core::SettingElement {
  QUILLET_OBJECT(RUZExtChart)
public:
  RUZExtChart() : SettingElement(kExtChartCatalogue) {}
  QUILLET_EXTCHART_SETTINGS(QUILLET_SETTING_ACCESSOR)
};

class RUZExtField : public core::SettingElement {
  QUILLET_OBJECT(RUZExtField)
public:
  RUZExtField() : SettingElement(kExtFieldCatalogue) {}
  QUILLET_EXTFIELD_SETTINGS(QUILLET_SETTING_ACCESSOR)
};

class RUZExtCharts : public elements::NamedSeqCollection<RUZExtCharts, RUZExtChart> {
  QUILLET_OBJECT(RUZExtCharts)
public:
  static constexpr bool kAddExistingIsCurrent = false;
  static constexpr bool kChangeTestsNames = true;
  static constexpr std::string_view kNameSetting = "ChartName";
  static constexpr std::string_view kSeqSetting = "ChartSeq";

  bool Add(const std::string& name) { return addNamed({}, name); }
  bool Change(const std::string& oldName, const std::string& newName) {
    return changeNamed({}, oldName, newName);
  }
  bool Delete(const Variant& index) { return deleteNamed({}, index); }
  bool ChartExist(const Variant& index) const { return exists(index); }
  // The first chart whose name equals Index exactly becomes current.
  void SetItem(const Variant& index);

  Ref<RUZExtChart> construct(const std::string& name);
};

class RUZExtFields : public elements::NamedSeqCollection<RUZExtFields, RUZExtField> {
  QUILLET_OBJECT(RUZExtFields)
public:
  static constexpr bool kAddExistingIsCurrent = false;
  static constexpr bool kChangeTestsNames = true;
  static constexpr std::string_view kNameSetting = "FldName";
  static constexpr std::string_view kSeqSetting = "FldSeq";

  bool Add(const std::string& name) { return addNamed({}, name); }
  bool Change(const std::string& oldName, const std::string& newName) {
    return changeNamed({}, oldName, newName);
  }
  bool Delete(const Variant& index) { return deleteNamed({}, index); }
  bool FieldExist(const Variant& index) const { return exists(index); }

  Ref<RUZExtField> construct(const std::string& name);
};

class RUZExtTable : public core::SettingElement {
  QUILLET_OBJECT(RUZExtTable)
public:
  RUZExtTable() : SettingElement(kExtTableCatalogue) {}
  QUILLET_EXTTABLE_SETTINGS(QUILLET_SETTING_ACCESSOR)
  Ref<RUZExtCharts> Charts();
  Ref<RUZExtFields> Fields();

private:
  Ref<RUZExtCharts> charts_;
  Ref<RUZExtFields> fields_;
};

class RUZExtTables : public elements::NamedSeqCollection<RUZExtTables, RUZExtTable> {
  QUILLET_OBJECT(RUZExtTables)
public:
  static constexpr bool kAddExistingIsCurrent = false;
  static constexpr bool kChangeTestsNames = true;
  static constexpr std::string_view kNameSetting = "TblName";
  static constexpr std::string_view kSeqSetting = "TblSeq";

  bool Add(const std::string& name) { return addNamed({}, name); }
  // The renamed table becomes current by name only: curSeq keeps its value.
  bool Change(const std::string& oldName, const std::string& newName);
  bool Delete(const std::string& index) { return deleteNamed({}, Variant(index)); }
  bool TableExist(const Variant& index) const { return exists(index); }

  Ref<RUZExtTable> construct(const std::string& name);
};

class RUZExtDb : public core::SettingElement {
  QUILLET_OBJECT(RUZExtDb)
public:
  RUZExtDb() : SettingElement(kExtDbCatalogue) {}
  QUILLET_EXTDB_SETTINGS(QUILLET_SETTING_ACCESSOR)
  Ref<RUZExtTables> Tables();

private:
  Ref<RUZExtTables> tables_;
};

// The database nodes of a project node: one at most.
class RUZExtDbs : public automation::Object {
  QUILLET_OBJECT(RUZExtDbs)
public:
  const std::string& curName() const { return curName_; }
  // Adds the node when the list is empty; otherwise sets the project error text to
  // "support 1 db only!". Adding the node leaves the error text alone, so reaching an
  // extension's database never hides an earlier failure.
  void Add(const std::string& name);
  int32_t Count() const { return dbs_.count(); }
  // The keyed collection's error for a name or position the list lacks.
  void Delete(const Variant& index);
  Ref<RUZExtDb> Item(const Variant& index);
  Ref<automation::Enumerator> NewEnum() const { return dbs_.newEnum(); }

private:
  elements::KeyedItems<RUZExtDb> dbs_;
  std::string curName_;
};

class RUZExtProj : public core::SettingElement {
  QUILLET_OBJECT(RUZExtProj)
public:
  RUZExtProj() : SettingElement(kExtProjCatalogue) {}
  // The database node, added under the name "DB" on first use.
  Ref<RUZExtDb> DB();
  int16_t DBCnt() const { return static_cast<int16_t>(dbs_ ? dbs_->Count() : 0); }
  // The database node when there is one; never creates it.
  Ref<RUZExtDb> existingDb() const;

private:
  Ref<RUZExtDbs> dbs_;
  std::string dbName_;
};

} // namespace quillet::extensions
