#include "model/table.h"

#include "elements/language.h"
#include "elements/menu.h"
#include "elements/naming.h"
#include "elements/shared.h"
#include "platform/text/casefold.h"

namespace quillet::model {

using elements::tolerant;
using platform::text::equalsNoCase;

// ---- RUZTable ----

void RUZTable::setTblName(const std::string& name) {
  setSetting<core::SettingType::String>("TblName", name);
  nameCopy_ = name;
}

void RUZTable::setTblGen(const bool& generate) {
  setSetting<core::SettingType::Boolean>("TblGen", generate);
  Ref<elements::RUZMenus> menus = elements::menuList();
  const std::string name = TblName();
  const int32_t n = menus->Count();
  for (int32_t i = 1; i <= n; ++i) {
    Ref<elements::RUZMenu> m = menus->Item(i);
    if (!m) continue;
    if (m->MenuUrl == name && m->MenuType == "Table") {
      m->MenuShow = generate;
    } else if (!m->MenuUrl.empty() && m->MenuType == "Chart") {
      if (m->MenuUrl.substr(0, m->MenuUrl.find('|')) == name) m->MenuShow = generate;
    }
  }
}

Ref<AGControlItems> RUZTable::ControlList() {
  if (!controls_) controls_ = automation::makeRef<AGControlItems>();
  return controls_;
}

Ref<elements::RUZCharts> RUZTable::Charts() {
  if (!charts_) charts_ = automation::makeRef<elements::RUZCharts>();
  return charts_;
}

Ref<RUZFields> RUZTable::Fields() {
  if (!fields_) fields_ = automation::makeRef<RUZFields>();
  return fields_;
}

void RUZTable::unload() {
  if (charts_) charts_->deleteAll(nameCopy_);
  if (fields_) fields_->deleteAll(nameCopy_);
}

// ---- RUZTables ----

Ref<RUZTable> RUZTables::construct(const std::string& name) {
  auto t = automation::makeRef<RUZTable>();
  t->setTblName(name);
  return t;
}

void RUZTables::renamedVar(RUZTable& t, const std::string& newName) {
  t.setTblVar(elements::varName(newName, ""));
  // The children's cascades name the table by this copy: it follows the rename.
  t.setNameCopy(newName);
}

void RUZTables::renamed(RUZTable&, const std::string&, const std::string& oldName,
                        const std::string& newName) {
  elements::upkeep().RenameExtensionTable(oldName, newName);
  // Menu items name the table in the letter case they were made with; every item of the
  // table follows the rename, and a chart item keeps everything after the table part.
  Ref<elements::RUZMenus> menus = elements::menuList();
  for (int32_t i = 1; i <= menus->Count(); ++i) {
    elements::RUZMenu* m = menus->at(i);
    if (m->MenuType == "Table" && equalsNoCase(m->MenuUrl, oldName)) {
      m->MenuUrl = newName;
    } else if (m->MenuType == "Chart") {
      size_t bar = m->MenuUrl.find('|');
      if (bar != std::string::npos && equalsNoCase(m->MenuUrl.substr(0, bar), oldName))
        m->MenuUrl = newName + m->MenuUrl.substr(bar);
    }
  }
  elements::upkeep().ChangeCustomScripts(oldName, newName);
}

void RUZTables::deleting(RUZTable& t, const std::string&, const std::string& name) {
  tolerant([&] { elements::languageStore()->deleteTablePhrasesAnyCase(name); });
  tolerant([&] {
    Ref<elements::RUZCharts> charts = t.Charts();
    for (int32_t n = charts->Count(); n >= 1; --n) {
      elements::RUZChart* c = charts->bySeq(n);
      if (c) charts->Delete(name, Variant(c->ChartName()));
    }
  });
}

void RUZTables::renumbered(RUZTable&, const std::string&, const std::string& name) {
  tolerant([&] { elements::upkeep().DeleteExtensionTable(name); });
  tolerant([&] {
    // Walked from the end, so a deletion never makes the walk skip an item.
    Ref<elements::RUZMenus> menus = elements::menuList();
    for (int32_t i = menus->Count(); i >= 1; --i) {
      elements::RUZMenu* m = menus->at(i);
      if (m && m->MenuType == "Table" && equalsNoCase(m->MenuUrl, name))
        menus->DeleteMenu(m->MenuId);
    }
  });
}

void RUZTables::removed(RUZTable& t, const std::string&, const std::string&) {
  tolerant([&] { t.unload(); });
}

QUILLET_DEFINE_CLASS(RUZTable) {
  core::addSettingMembers(b, kTableCatalogue);
  core::addNameAccess(b);
  b.get("Charts", &RUZTable::Charts)
      .get("Fields", &RUZTable::Fields)
      .get("ControlList", &RUZTable::ControlList)
      .prop(
          "TblName", [](RUZTable& t) { return t.TblName(); },
          [](RUZTable& t, const std::string& v) { t.setTblName(v); })
      .prop(
          "TblGen", [](RUZTable& t) { return t.TblGen(); },
          [](RUZTable& t, bool v) { t.setTblGen(v); })
      .method("LoadTbl_DAO", &RUZTable::LoadTbl_DAO)
      .method("LoadView_DAO", &RUZTable::LoadView_DAO)
      .method("Load_ADO", &RUZTable::Load_ADO)
      .method("SetupMySQLFld", &RUZTable::SetupMySQLFld)
      .method("MySQLTagValues", &RUZTable::MySQLTagValues)
      .method("SetupPostgreSqlFld", &RUZTable::SetupPostgreSqlFld)
      .method("Load_ADOCustomView", &RUZTable::Load_ADOCustomView)
      .method("ParseCustomSql", &RUZTable::ParseCustomSql)
      .method("LoadTableDefault", &RUZTable::LoadTableDefault);
}

QUILLET_DEFINE_CLASS(RUZTables) {
  using C = RUZTables;
  elements::addNamedCollectionMembers(b);
  b.get("curSeq", &C::curSeqValue)
      .method("TableExist", &C::TableExist)
      .method("SetItem", &C::SetItem)
      .method("SetSeq", [](C& c, int32_t i) { c.SetSeq(i); });
}

} // namespace quillet::model
