#pragma once
// The extension operations of the project object: adding an extension with the attribute
// entries its definition file declares for the loaded tables, charts and fields, reading
// and writing attribute values by level, the defaults for tables, charts and fields loaded
// later, and the installed extensions of the registry.
//
// Entry points for the project object's member table: each takes a ProjectAccess built from
// the project object's state, then the member's own arguments.
//
// The operations work on the thread's extension list. A level takes part when its condition
// holds (TemplateServices::EvalCondition); while a table or field level's condition is
// evaluated, that table (and field) is the project object's current one, and afterwards the
// current table and field are what they were before the call, so a template calling these
// members during generation keeps the run's current table and field. Model lists are
// searched without making anything current in them for the same reason.
//
// Without a database, the table, chart and field members answer false (or do nothing).
#include <functional>
#include <string>

#include "extensions/definitions.h"
#include "extensions/extension.h"
#include "model/database.h"

namespace quillet::extensions {

// What the operations use of the project object.
struct ProjectAccess {
  // The current database; null when none is loaded.
  Ref<model::RUZDatabase> database;
  // The folder of installed extensions; definition files are confined to it.
  std::string extensionsFolder;
  // The project object's extension definition document (a private one when null).
  DefinitionDocument* definitions = nullptr;
  // The project object's current table and field (an RUZTable and an RUZField), which
  // conditions read; none when null.
  Ref<automation::Object>* currentTable = nullptr;
  Ref<automation::Object>* currentField = nullptr;
  // The project object as the condition evaluator receives it.
  automation::Object* project = nullptr;
  // The project object's code base file path (LoadCustomScriptCode rewrites it).
  std::string* codeBaseFile = nullptr;
  // Makes the template control with that id current in the project object's control list.
  std::function<void(const std::string&)> selectControl;
};

// ---- Members of the project object ------------------------------------------------------

// Adds (or refreshes) an extension, enabled, and builds its attribute tree from its
// definition file. False only for an empty name.
bool AddExtension(ProjectAccess& project, const std::string& sName, const std::string& sTemplate,
                  const std::string& sXmlFile);
// The default of one declared attribute; "" when the extension, its file, the level or the
// definition is missing.
Variant GetExtDefault(ProjectAccess& project, const std::string& sExtName,
                      const std::string& sNodeType, const std::string& sAttName);

// Store a value (unconverted) into a declared attribute; entries missing for a table, chart
// or field of the database are created first. False when anything needed is missing.
bool SetExtProjAtt(ProjectAccess& project, const std::string& sExtName, const std::string& sAttName,
                   const Variant& val);
bool SetExtDbAtt(ProjectAccess& project, const std::string& sExtName, const std::string& sAttName,
                 const Variant& val);
bool SetExtTblAtt(ProjectAccess& project, const std::string& sExtName, const std::string& sTblName,
                  const std::string& sAttName, const Variant& val);
bool SetExtChartAtt(ProjectAccess& project, const std::string& sExtName,
                    const std::string& sTblName, const std::string& sChartName,
                    const std::string& sAttName, const Variant& val);
bool SetExtFldAtt(ProjectAccess& project, const std::string& sExtName, const std::string& sTblName,
                  const std::string& sFldName, const std::string& sAttName, const Variant& val);

// The attribute's property object itself (later changes show through it), or Null. They
// never create table, chart or field entries and need no database.
Variant GetExtProjAtt(ProjectAccess& project, const std::string& sExtName,
                      const std::string& sAttName);
Variant GetExtDbAtt(ProjectAccess& project, const std::string& sExtName,
                    const std::string& sAttName);
Variant GetExtTblAtt(ProjectAccess& project, const std::string& sExtName,
                     const std::string& sTblName, const std::string& sAttName);
Variant GetExtChartAtt(ProjectAccess& project, const std::string& sExtName,
                       const std::string& sTblName, const std::string& sChartName,
                       const std::string& sAttName);
Variant GetExtFldAtt(ProjectAccess& project, const std::string& sExtName,
                     const std::string& sTblName, const std::string& sFldName,
                     const std::string& sAttName);

// Add one entry, with the level element's attributes and defaults, when it is missing and
// the level's condition holds; true only when this call added it. A new chart entry also
// takes over the chart's old appearance settings that it declares as attributes.
bool AddExtendedTable(ProjectAccess& project, const std::string& sExtName,
                      const std::string& sTblName, const platform::xml::Node& tblNode);
bool AddExtendedChart(ProjectAccess& project, const std::string& sExtName,
                      const std::string& sTblName, const std::string& sChartName,
                      const platform::xml::Node& chartNode);
bool AddExtendedField(ProjectAccess& project, const std::string& sExtName,
                      const std::string& sTblName, const std::string& sFldName,
                      const platform::xml::Node& fldNode);

bool DeleteExtension(const std::string& sName);

// Copies the old chart's extension attribute values to the entries of its copy.
void CopyChartToExtensions(ProjectAccess& project, const std::string& sTableName,
                           const std::string& sOldChartName, const std::string& sNewChartName);

// ---- Called by the project loading and the database loaders -------------------------------

// Adds every extension installed under the user's Extensions registry key.
void LoadExtensionsFromRegistry(ProjectAccess& project);
// Entries for a table (with its charts and fields), a chart or a field loaded after the
// extensions were added; present entries keep their values.
void AddTableExtensionDefaults(ProjectAccess& project, const std::string& tableName);
void AddChartExtensionDefaults(ProjectAccess& project, const std::string& tableName,
                               const std::string& chartName);
void AddFieldExtensionDefaults(ProjectAccess& project, const std::string& tableName,
                               const std::string& fieldName);

// The registry key of installed extensions ("Software\<product>\<version>\Extensions").
std::string extensionsRegistryKey();

} // namespace quillet::extensions
