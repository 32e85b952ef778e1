#include "extensions/operations.h"

#include <vector>

#include "core/registry.h"
#include "core/state.h"
#include "extensions/services.h"
#include "platform/automation/context.h"

namespace quillet::extensions {

namespace xml = ::quillet::platform::xml;
using elements::tolerant;

namespace {

DefinitionDocument& definitionsOf(ProjectAccess& p) {
  if (!p.definitions) {
    static thread_local DefinitionDocument fallback;
    return fallback;
  }
  return *p.definitions;
}

bool loadDefinitions(ProjectAccess& p, RUZExtension& ext) {
  return definitionsOf(p).load(p.extensionsFolder, ext.XmlFile());
}

bool holds(ProjectAccess& p, const xml::Node& level) {
  std::string cond = GetCondAttribute(level);
  if (cond.empty()) return true;
  return templateServices().EvalCondition(cond, p.project);
}

// Makes a table (and field) the project object's current one for the life of the scope and
// puts back what was current before.
class CurrentScope {
public:
  CurrentScope(ProjectAccess& p, model::RUZTable* table, model::RUZField* field) : p_(p) {
    if (p_.currentTable) {
      savedTable_ = *p_.currentTable;
      *p_.currentTable = Ref<automation::Object>(table);
    }
    if (p_.currentField) {
      savedField_ = *p_.currentField;
      if (field) *p_.currentField = Ref<automation::Object>(field);
    }
  }
  ~CurrentScope() {
    if (p_.currentTable) *p_.currentTable = savedTable_;
    if (p_.currentField) *p_.currentField = savedField_;
  }
  CurrentScope(const CurrentScope&) = delete;
  CurrentScope& operator=(const CurrentScope&) = delete;

private:
  ProjectAccess& p_;
  Ref<automation::Object> savedTable_;
  Ref<automation::Object> savedField_;
};

// The database's table of that name, found without making it current; nullptr when there is
// no database or no such table.
model::RUZTable* findTable(ProjectAccess& p, const std::string& name) {
  if (!p.database) return nullptr;
  return p.database->Tables()->items().find(name);
}

elements::RUZChart* findChart(model::RUZTable* t, const std::string& name) {
  return t ? t->Charts()->items().find(name) : nullptr;
}

model::RUZField* findField(model::RUZTable* t, const std::string& name) {
  return t ? t->Fields()->items().find(name) : nullptr;
}

Ref<RUZExtension> findExtension(const std::string& name) {
  Ref<RUZExtensions> list = extensionList();
  if (!list->ExtensionExist(Variant(name))) return nullptr;
  return Ref<RUZExtension>(list->items().find(name));
}

// The extension's table entry, or nullptr; creates the tree root and database node.
RUZExtTable* tableEntry(RUZExtension& ext, const std::string& name) {
  return ext.PROJ()->DB()->Tables()->items().find(name);
}

// Stores a value into a declared attribute of a bag.
bool storeAttribute(core::AGProperties& bag, const std::string& name, const Variant& val) {
  core::AGProperty* p = bag.find(name);
  if (!p) return false;
  p->setValue(val);
  return true;
}

Variant attributeOf(core::AGProperties& bag, const std::string& name) {
  core::AGProperty* p = bag.find(name);
  if (!p) return Variant::null();
  return Variant(static_cast<automation::Object*>(p));
}

// Moves the chart's old appearance settings into the attributes of its new entry that
// declare them, resetting each setting that moved.
void moveLegacyChartSettings(elements::RUZChart& c, core::AGProperties& bag) {
  auto move = [&](const char* attribute, auto test, auto value, auto reset) {
    tolerant([&] {
      if (!test() || !bag.find(attribute)) return;
      bag.find(attribute)->setValue(value());
      reset();
    });
  };
  move(
      "canvasBgColor", [&] { return !c.ChartChartBgColor().empty(); },
      [&] { return Variant(c.ChartChartBgColor()); }, [&] { c.setChartChartBgColor(""); });
  move(
      "canvasBorderColor", [&] { return !c.ChartChartBorderColor().empty(); },
      [&] { return Variant(c.ChartChartBorderColor()); }, [&] { c.setChartChartBorderColor(""); });
  move(
      "numDivLines", [&] { return c.ChartNumGridLines() > 0; },
      [&] { return Variant(c.ChartNumGridLines()); }, [&] { c.setChartNumGridLines(0); });
  move(
      "divLineColor", [&] { return !c.ChartGridColor().empty(); },
      [&] { return Variant(c.ChartGridColor()); }, [&] { c.setChartGridColor(""); });
  move(
      "yAxisMinValue", [&] { return c.ChartYAxisMinValue() != 0; },
      [&] { return Variant(c.ChartYAxisMinValue()); }, [&] { c.setChartYAxisMinValue(0); });
  move(
      "yAxisMaxValue", [&] { return c.ChartYAxisMaxValue() != 0; },
      [&] { return Variant(c.ChartYAxisMaxValue()); }, [&] { c.setChartYAxisMaxValue(0); });
  move(
      "rotateNames", [&] { return c.ChartXAxisNameRotated(); }, [&] { return Variant(true); },
      [&] { c.setChartXAxisNameRotated(false); });
}

// Runs fn for every extension in number order whose definition file loads and whose table
// is loaded (the common steps of the defaults for later tables, charts and fields).
template <class F> void forEachLoadedDefinition(ProjectAccess& p, model::RUZTable& table, F fn) {
  Ref<RUZExtensions> list = extensionList();
  const int32_t n = list->Count();
  for (int32_t i = 1; i <= n; ++i) {
    Ref<RUZExtension> ext = list->Seq(i);
    if (!ext || ext->XmlFile().empty()) continue;
    if (!loadDefinitions(p, *ext)) continue;
    if (!table.TblLoaded()) continue;
    fn(*ext);
  }
}

void addTableEntries(ProjectAccess& p, RUZExtension& ext, model::RUZTable& table) {
  DefinitionDocument& doc = definitionsOf(p);
  const std::string extName = ext.Name();
  const std::string tblName = table.TblName();
  AddExtendedTable(p, extName, tblName, doc.level(Level::Table));
  xml::Node chartNode = doc.level(Level::Chart);
  Ref<elements::RUZCharts> charts = table.Charts();
  const int32_t nc = charts->Count();
  for (int32_t j = 1; j <= nc; ++j)
    if (elements::RUZChart* c = charts->bySeq(j))
      AddExtendedChart(p, extName, tblName, c->ChartName(), chartNode);
  xml::Node fieldNode = doc.level(Level::Field);
  Ref<model::RUZFields> fields = table.Fields();
  const int32_t nf = fields->Count();
  for (int32_t j = 1; j <= nf; ++j)
    if (model::RUZField* f = fields->bySeq(j))
      AddExtendedField(p, extName, tblName, f->FldName(), fieldNode);
}

} // namespace

bool AddExtension(ProjectAccess& p, const std::string& sName, const std::string& sTemplate,
                  const std::string& sXmlFile) {
  Ref<RUZExtensions> list = extensionList();
  if (!list->Add(sName)) return false;
  Ref<RUZExtension> ext(list->items().find(sName));
  if (!ext) return false;
  ext->setTemplate(sTemplate);
  ext->setXmlFile(sXmlFile);
  ext->setEnabled(true);
  if (sXmlFile.empty()) return true;
  DefinitionDocument& doc = definitionsOf(p);
  if (!doc.load(p.extensionsFolder, sXmlFile)) return true;

  xml::Node projectNode = doc.level(Level::Project);
  if (holds(p, projectNode)) LoadAttributeDefinitions(*ext->PROJ()->Properties(), projectNode);
  if (!p.database) return true;
  xml::Node dbNode = doc.level(Level::Database);
  if (holds(p, dbNode)) LoadAttributeDefinitions(*ext->PROJ()->DB()->Properties(), dbNode);

  Ref<model::RUZTables> tables = p.database->Tables();
  const int32_t n = tables->Count();
  for (int32_t i = 1; i <= n; ++i) {
    model::RUZTable* t = tables->bySeq(i);
    if (!t || !t->TblLoaded()) continue;
    addTableEntries(p, *ext, *t);
  }
  return true;
}

Variant GetExtDefault(ProjectAccess& p, const std::string& sExtName, const std::string& sNodeType,
                      const std::string& sAttName) {
  Ref<RUZExtension> ext = findExtension(sExtName);
  if (!ext || !loadDefinitions(p, *ext)) return Variant("");
  return definitionDefault(definitionsOf(p), levelOf(sNodeType), sAttName);
}

bool AddExtendedTable(ProjectAccess& p, const std::string& sExtName, const std::string& sTblName,
                      const xml::Node& tblNode) {
  model::RUZTable* table = findTable(p, sTblName);
  if (!table) return false;
  CurrentScope current(p, table, nullptr);
  Ref<RUZExtension> ext = findExtension(sExtName);
  if (!ext || !tblNode || !holds(p, tblNode)) return false;
  Ref<RUZExtTables> entries = ext->PROJ()->DB()->Tables();
  if (entries->TableExist(Variant(sTblName)) || !entries->Add(sTblName)) return false;
  if (RUZExtTable* entry = entries->items().find(sTblName))
    LoadAttributeDefinitions(*entry->Properties(), tblNode);
  return true;
}

bool AddExtendedChart(ProjectAccess& p, const std::string& sExtName, const std::string& sTblName,
                      const std::string& sChartName, const xml::Node& chartNode) {
  Ref<RUZExtension> ext = findExtension(sExtName);
  if (!ext || !chartNode) return false;
  RUZExtTable* tableNode = tableEntry(*ext, sTblName);
  if (!tableNode) return false;
  model::RUZTable* table = findTable(p, sTblName);
  bool ok = false;
  {
    // A chart condition's table clauses read the chart's own table.
    CurrentScope current(p, table, nullptr);
    ok = holds(p, chartNode);
  }
  Ref<RUZExtCharts> entries = tableNode->Charts();
  if (!ok || entries->ChartExist(Variant(sChartName)) || !entries->Add(sChartName)) return false;
  RUZExtChart* entry = entries->items().find(sChartName);
  if (!entry) return true;
  LoadAttributeDefinitions(*entry->Properties(), chartNode);
  if (elements::RUZChart* chart = findChart(table, sChartName))
    moveLegacyChartSettings(*chart, *entry->Properties());
  return true;
}

bool AddExtendedField(ProjectAccess& p, const std::string& sExtName, const std::string& sTblName,
                      const std::string& sFldName, const xml::Node& fldNode) {
  model::RUZTable* table = findTable(p, sTblName);
  model::RUZField* field = findField(table, sFldName);
  if (!field) return false;
  CurrentScope current(p, table, field);
  Ref<RUZExtension> ext = findExtension(sExtName);
  if (!ext || !fldNode) return false;
  RUZExtTable* tableNode = tableEntry(*ext, sTblName);
  if (!tableNode || !holds(p, fldNode)) return false;
  Ref<RUZExtFields> entries = tableNode->Fields();
  if (entries->FieldExist(Variant(sFldName)) || !entries->Add(sFldName)) return false;
  if (RUZExtField* entry = entries->items().find(sFldName))
    LoadAttributeDefinitions(*entry->Properties(), fldNode);
  return true;
}

bool SetExtProjAtt(ProjectAccess&, const std::string& sExtName, const std::string& sAttName,
                   const Variant& val) {
  Ref<RUZExtension> ext = findExtension(sExtName);
  return ext && storeAttribute(*ext->PROJ()->Properties(), sAttName, val);
}

bool SetExtDbAtt(ProjectAccess&, const std::string& sExtName, const std::string& sAttName,
                 const Variant& val) {
  Ref<RUZExtension> ext = findExtension(sExtName);
  return ext && storeAttribute(*ext->PROJ()->DB()->Properties(), sAttName, val);
}

namespace {
// The extension's table entry, created from its definition file when missing.
RUZExtTable* ensureTableEntry(ProjectAccess& p, RUZExtension& ext, const std::string& tblName) {
  if (RUZExtTable* t = tableEntry(ext, tblName)) return t;
  if (!loadDefinitions(p, ext)) return nullptr;
  if (!AddExtendedTable(p, ext.Name(), tblName, definitionsOf(p).level(Level::Table)))
    return nullptr;
  return tableEntry(ext, tblName);
}
} // namespace

bool SetExtTblAtt(ProjectAccess& p, const std::string& sExtName, const std::string& sTblName,
                  const std::string& sAttName, const Variant& val) {
  if (!findTable(p, sTblName)) return false;
  Ref<RUZExtension> ext = findExtension(sExtName);
  if (!ext) return false;
  RUZExtTable* t = ensureTableEntry(p, *ext, sTblName);
  return t && storeAttribute(*t->Properties(), sAttName, val);
}

bool SetExtChartAtt(ProjectAccess& p, const std::string& sExtName, const std::string& sTblName,
                    const std::string& sChartName, const std::string& sAttName,
                    const Variant& val) {
  if (!findChart(findTable(p, sTblName), sChartName)) return false;
  Ref<RUZExtension> ext = findExtension(sExtName);
  if (!ext) return false;
  RUZExtTable* t = ensureTableEntry(p, *ext, sTblName);
  if (!t) return false;
  if (!t->Charts()->ChartExist(Variant(sChartName))) {
    if (!loadDefinitions(p, *ext)) return false;
    if (!AddExtendedChart(p, sExtName, sTblName, sChartName, definitionsOf(p).level(Level::Chart)))
      return false;
  }
  RUZExtChart* c = t->Charts()->items().find(sChartName);
  return c && storeAttribute(*c->Properties(), sAttName, val);
}

bool SetExtFldAtt(ProjectAccess& p, const std::string& sExtName, const std::string& sTblName,
                  const std::string& sFldName, const std::string& sAttName, const Variant& val) {
  if (!findField(findTable(p, sTblName), sFldName)) return false;
  Ref<RUZExtension> ext = findExtension(sExtName);
  if (!ext) return false;
  RUZExtTable* t = ensureTableEntry(p, *ext, sTblName);
  if (!t) return false;
  if (!t->Fields()->FieldExist(Variant(sFldName))) {
    if (!loadDefinitions(p, *ext)) return false;
    if (!AddExtendedField(p, sExtName, sTblName, sFldName, definitionsOf(p).level(Level::Field)))
      return false;
  }
  RUZExtField* f = t->Fields()->items().find(sFldName);
  return f && storeAttribute(*f->Properties(), sAttName, val);
}

Variant GetExtProjAtt(ProjectAccess&, const std::string& sExtName, const std::string& sAttName) {
  Ref<RUZExtension> ext = findExtension(sExtName);
  return ext ? attributeOf(*ext->PROJ()->Properties(), sAttName) : Variant::null();
}

Variant GetExtDbAtt(ProjectAccess&, const std::string& sExtName, const std::string& sAttName) {
  Ref<RUZExtension> ext = findExtension(sExtName);
  return ext ? attributeOf(*ext->PROJ()->DB()->Properties(), sAttName) : Variant::null();
}

Variant GetExtTblAtt(ProjectAccess&, const std::string& sExtName, const std::string& sTblName,
                     const std::string& sAttName) {
  Ref<RUZExtension> ext = findExtension(sExtName);
  RUZExtTable* t = ext ? tableEntry(*ext, sTblName) : nullptr;
  return t ? attributeOf(*t->Properties(), sAttName) : Variant::null();
}

Variant GetExtChartAtt(ProjectAccess&, const std::string& sExtName, const std::string& sTblName,
                       const std::string& sChartName, const std::string& sAttName) {
  Ref<RUZExtension> ext = findExtension(sExtName);
  RUZExtTable* t = ext ? tableEntry(*ext, sTblName) : nullptr;
  RUZExtChart* c = t ? t->Charts()->items().find(sChartName) : nullptr;
  return c ? attributeOf(*c->Properties(), sAttName) : Variant::null();
}

Variant GetExtFldAtt(ProjectAccess&, const std::string& sExtName, const std::string& sTblName,
                     const std::string& sFldName, const std::string& sAttName) {
  Ref<RUZExtension> ext = findExtension(sExtName);
  RUZExtTable* t = ext ? tableEntry(*ext, sTblName) : nullptr;
  RUZExtField* f = t ? t->Fields()->items().find(sFldName) : nullptr;
  return f ? attributeOf(*f->Properties(), sAttName) : Variant::null();
}

bool DeleteExtension(const std::string& sName) {
  return extensionList()->Delete(Variant(sName));
}

std::string extensionsRegistryKey() {
  return core::state().ProductRegistryPath + "\\Extensions";
}

void LoadExtensionsFromRegistry(ProjectAccess& p) {
  core::cRegistry reg;
  reg.ClassKey = core::kHkeyCurrentUser;
  reg.SectionKey = extensionsRegistryKey();
  std::vector<std::string> subkeys;
  int32_t count = 0;
  if (!reg.EnumerateSections(subkeys, count)) return;
  auto text = [](const std::string& section, const char* name) {
    Variant v = core::RegGetValue("HKCU", section, name);
    return v.isEmpty() || v.isNull() ? std::string() : automation::CStr(v);
  };
  for (const std::string& sub : subkeys) {
    const std::string section = reg.SectionKey + "\\" + sub;
    AddExtension(p, text(section, "Name"), text(section, "Template"), text(section, "XmlFile"));
  }
}

void AddTableExtensionDefaults(ProjectAccess& p, const std::string& tableName) {
  model::RUZTable* table = findTable(p, tableName);
  if (!table) return;
  forEachLoadedDefinition(p, *table, [&](RUZExtension& ext) { addTableEntries(p, ext, *table); });
}

void AddChartExtensionDefaults(ProjectAccess& p, const std::string& tableName,
                               const std::string& chartName) {
  model::RUZTable* table = findTable(p, tableName);
  elements::RUZChart* chart = findChart(table, chartName);
  if (!chart) return;
  forEachLoadedDefinition(p, *table, [&](RUZExtension& ext) {
    AddExtendedChart(p, ext.Name(), table->TblName(), chart->ChartName(),
                     definitionsOf(p).level(Level::Chart));
  });
}

void AddFieldExtensionDefaults(ProjectAccess& p, const std::string& tableName,
                               const std::string& fieldName) {
  model::RUZTable* table = findTable(p, tableName);
  model::RUZField* field = findField(table, fieldName);
  if (!field) return;
  forEachLoadedDefinition(p, *table, [&](RUZExtension& ext) {
    AddExtendedField(p, ext.Name(), table->TblName(), field->FldName(),
                     definitionsOf(p).level(Level::Field));
  });
}

void CopyChartToExtensions(ProjectAccess& p, const std::string& sTableName,
                           const std::string& sOldChartName, const std::string& sNewChartName) {
  model::RUZTable* table = findTable(p, sTableName);
  if (!findChart(table, sOldChartName)) return;
  elements::RUZChart* copy = findChart(table, sNewChartName);
  if (!copy) return;
  forEachLoadedDefinition(p, *table, [&](RUZExtension& ext) {
    xml::Node chartNode = definitionsOf(p).level(Level::Chart);
    RUZExtTable* t = tableEntry(ext, sTableName);
    if (!t || !t->Charts()->ChartExist(Variant(sOldChartName))) return;
    if (!AddExtendedChart(p, ext.Name(), table->TblName(), copy->ChartName(), chartNode)) return;
    RUZExtChart* from = t->Charts()->items().find(sOldChartName);
    RUZExtChart* to = t->Charts()->items().find(sNewChartName);
    if (!from || !to) return;
    for (const Ref<core::AGProperty>& prop : from->Properties()->list())
      if (prop->Sync()) to->Properties()->Item(prop->Name())->setValue(prop->Value());
  });
}

} // namespace quillet::extensions
