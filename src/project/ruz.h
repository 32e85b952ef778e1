#pragma once
// The project object: the host's entry into the engine. It holds the project's 168 settings
// (typed properties, access by name and the bag itself), owns the database list and the
// generation items, hands out the thread's shared stores, keeps the user's defaults in the
// registry and writes and reads the project file.
//
// Operations that can fail report through the thread's project error text (ProjErr):
// "Brindlewood: <message>"; an empty text after Save or Load means success.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/setting_element.h"
#include "elements/language.h"
#include "elements/menu.h"
#include "extensions/codebase.h"
#include "extensions/custom_scripts.h"
#include "extensions/definitions.h"
#include "extensions/extension.h"
#include "extensions/operations.h"
#include "model/controlitems.h"
#include "model/database.h"
#include "platform/xml/xml.h"
#include "project/catalogue.h"

namespace quillet::project {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

class RUZ;

// What loading a project needs of the schema reader and of the synchronisation, which sit
// above the project object. They install their implementation in the thread's context
// (Context::setShared<ProjectSyncHooks>); until they do, loading says that synchronisation
// is not available and goes on without it.
class ProjectSyncHooks {
public:
  virtual ~ProjectSyncHooks() = default;
  virtual bool available() { return false; }
  // Whether loading a project whose AutoSync is set checks it against its database; a
  // caller that checks by itself turns this off.
  virtual bool autoSyncOnLoad() { return true; }
  // Gives a table read from a project file its defaults (caption, variable name, page
  // flags by table type) before the file's attributes are read into it.
  virtual void LoadTableDefault(model::RUZTable& table);
  // Reads the current database's catalogue for the check; false with ProjErr set when it
  // cannot be read.
  virtual bool readCatalogue(RUZ& project);
  // The number of tables, views, custom views and reports that differ from the catalogue.
  virtual int32_t countDifferences(RUZ& project);
  // Whether a supported field lacks its type name where the database kind needs it.
  virtual bool emptyFieldTypeNames(RUZ& project);
  // Brings the whole project in step with the catalogue and writes the log.
  virtual void synchronise(RUZ& project);
  // Stores every table's key field names in its TblKey.
  virtual void SaveTableKeys(RUZ& project);
  // Adds menu items for listed tables and shown charts, drops those of missing ones.
  virtual void RefreshMenus(RUZ& project);
  // Forgets the catalogue read for the check.
  virtual void releaseCatalogue(RUZ& project);

  // The project object's database members. Without the synchronisation layer they only say
  // that database loading is not available.
  virtual void LoadDB(RUZ& project, automation::Args args);
  virtual void LoadTable(RUZ& project, const std::string& tableName);
  virtual void UnLoadTable(RUZ& project, const std::string& tableName);
  virtual void UnLoadDB(RUZ& project);
  // The number of differences from the catalogue, -1 when it cannot be read.
  virtual int16_t CheckDB(RUZ& project);
  virtual void SynchronizeDB(RUZ& project);
  virtual std::string CustomViewConnStr(RUZ& project);
  virtual void SyncCustom(RUZ& project, const std::string& name);
  virtual void SyncReport(RUZ& project, const std::string& name);
  // Custom views, reports, settings copies and charts of the loaded database.
  virtual void LoadCustomView(RUZ& project, const std::string& name, const std::string& sql,
                              bool copyFields);
  virtual bool ChangeCustomViewToView(RUZ& project, const std::string& source,
                                      const std::string& target);
  virtual bool LoadReport(RUZ& project, const std::string& name, const std::string& source);
  virtual bool CopyTableSettings(RUZ& project, const std::string& source,
                                 const std::string& target);
  virtual bool CopyFieldSettings(RUZ& project, const std::string& sourceTable,
                                 const std::string& sourceField, const std::string& targetTable,
                                 const std::string& targetField);
  virtual bool LoadChart(RUZ& project, const std::string& chart, const std::string& table);
  virtual bool CopyChart(RUZ& project, const std::string& oldChart, const std::string& newChart,
                         const std::string& table);
};
// The context's hooks; a context without its own gets them from the factory the
// synchronisation layer registered, else the stand-in above.
ProjectSyncHooks& syncHooks();
void registerSyncHooksFactory(std::function<std::shared_ptr<ProjectSyncHooks>()> factory);

// Turns a project file of another format or an older version into a current one; the path
// of the converted file comes back. Installed in the context like the hooks above.
class ProjectConverter {
public:
  virtual ~ProjectConverter() = default;
  // The stand-in hands back a current file unchanged and raises for anything older, which
  // it cannot convert.
  virtual std::string ConvertProject(const std::string& file, const std::string& code,
                                     const std::string& version);
};
ProjectConverter& projectConverter();

class RUZ : public core::SettingElement {
  QUILLET_OBJECT(RUZ)
public:
  RUZ();
  ~RUZ() override;

  // ---- Typed settings ------------------------------------------------------------------
  QUILLET_PROJECT_SETTINGS(QUILLET_SETTING_ACCESSOR, QUILLET_SETTING_GETTER, QUILLET_SETTING_GETTER)
  // Also makes ProjVar the name as a script identifier.
  void setProjName(const std::string& name);
  // Also the thread's copy of the destination folder that generation reads.
  void setDestination(const std::string& folder);
  // Also the thread's program language copy, and the script variable names of the loaded
  // database's tables and of the fields of its loaded tables.
  void setProgramLanguage(const std::string& language);
  // SecPasswd as a SHA-1 or MD5 digest when PasswordFormat asks for one, else unchanged.
  std::string SecPasswdEncript();

  // ---- Object graph --------------------------------------------------------------------
  int32_t lhWnd = 0;
  bool ProjInit() const { return projInit_; }
  Ref<model::AGControlItems> ControlList();
  // The loaded database, or nothing.
  Ref<model::RUZDatabase> DB() const { return db_; }
  Ref<elements::RUZMenus> MenuList();
  int16_t DBCnt();
  Ref<model::RUZDatabases> Databases();
  // Makes the database of that name in Databases the loaded one (the database loaders call
  // it); false when there is none.
  bool useDatabase(const std::string& name);
  // Forgets the loaded database: it leaves the list and the key is emptied.
  void dropDatabase();
  Ref<elements::RUZLanguage> Language();
  Ref<extensions::RUZExtensions> Extensions();
  Ref<extensions::RUZCodeBase> CodeBase();
  Ref<extensions::RUZCustomScripts> customscripts();
  const std::string& CurDBName() const { return curDBName_; }
  std::string ProjErr() const;
  void setProjErr(const std::string& text);
  const std::string& VersionText() const { return versionText_; }

  // ---- Settings by name ----------------------------------------------------------------
  // The setting converted by its data type. A name the project lacks becomes a setting typed
  // and valued by the custom setting file.
  Variant GetV(const std::string& name);
  // Stores the value converted by the setting's data type. A value that does not convert
  // keeps the old one and appends a line to ProjErr. A name the project lacks becomes a
  // setting typed by the custom setting file, holding the value as given.
  Variant SetV(const std::string& name, const Variant& value);

  // ---- Lifecycle -----------------------------------------------------------------------
  void AddProj(const std::string& name);
  void DeleteProj();
  // "USER SELECT" and the search operators for a field of that ADO type, one per line.
  std::string FldSrchOprs(int16_t adoType);
  // "*" gives the program language's file extension ("cs" or "vb").
  Variant ResolveLangExt(const Variant& value);
  bool CheckRequiredComponents();

  // ---- User defaults -------------------------------------------------------------------
  void LoadDefault();
  void SaveDefault();
  bool BackupFile = false;
  std::string USERCODE;
  int16_t UnloadThresholdCount = 20;
  std::string SavedLanguage;

  // ---- Project file --------------------------------------------------------------------
  void Save(const std::string& projFile);
  void Load(const std::string& projFile);
  // 2 when a's major number is higher, 1 when the major numbers are equal and a's minor is
  // higher, -1 when a is lower in any of the first three parts, else 0.
  static int16_t CompareVersion(const std::string& a, const std::string& b);

  // ---- Working values ------------------------------------------------------------------
  std::string CodeBaseFile;
  std::string KeywordFile;
  Ref<automation::Object> curTable;
  Ref<automation::Object> curField;
  // What the extension operations use of the project.
  extensions::ProjectAccess extensionAccess();

private:
  void DefineSettings() { InitProperties(); }
  void ClearSettings() { ClearProperties(); }
  void CopyMachineDefaults();
  bool LoadFromDocument(const std::string& path, const platform::xml::Document& doc);
  void synchroniseAfterLoad();
  void CopyRegistrySection(const std::string& section);
  std::string SearchOperatorsFor(int16_t adoType);

  // Reading (project_reader.cpp).
  friend class ProjectReader;

  bool projInit_ = false;
  std::string versionText_;
  Ref<model::RUZDatabases> databases_;
  Ref<model::RUZDatabase> db_;
  std::string curDBName_;
  Ref<model::AGControlItems> controlList_;
  extensions::DefinitionDocument definitions_;
};

// Registers "Quillet.RUZ" and "Quillet.RUZSettings" with the class factory.
void registerProjectClasses();

} // namespace quillet::project
