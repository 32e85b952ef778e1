#pragma once
// What a generation run needs of the template engine, as two small interfaces: the script
// engine that runs the page functions, validation and "function" conditions, and the
// preparation of the template set (unpacking, the cache index, the extension merge and the
// compiling of controls into page functions). The driver reaches them only through these,
// so a run can be tried against a stand-in and the engine can change beneath it.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/automation/variant.h"
#include "project/ruz.h"
#include "template/controls.h"

namespace quillet::generation {

class Generator;

// One script engine of a run, with the published objects of the project.
class PageScriptEngine {
public:
  virtual ~PageScriptEngine() = default;
  // Whether the engine could be created; an engine that is not is released unused.
  virtual bool IsInitialized() = 0;
  // Publishes the project, its database, the template controls and the shared stores.
  virtual void Initialize(project::RUZ& proj, templating::RUZControls& controls) = 0;
  // Adds a user code file; a failure is reported into ProjErr.
  virtual void AddUserCode(const std::string& file) = 0;
  // Runs the validation code; a failing check is reported into ProjErr.
  virtual void Validate() = 0;
  // Runs a script function by name and gives its value; raises on a script error.
  virtual platform::automation::Variant RunModule(const std::string& name) = 0;
  // Adds a page function (once per run when initType is not 0) and runs it. The page text,
  // or nothing when the script failed: the engine has then put its report, with the
  // template's file and line, into ProjErr.
  virtual std::optional<std::string> BuildNewCode(const std::string& funcName,
                                                  const std::string& script, int initType,
                                                  int32_t timeout) = 0;
  // Runs a template text (the style sheet's) as a function and gives its output.
  virtual std::string RunTemplateAsFunction(const std::string& templateText) = 0;
  virtual void Reset() = 0;
};

// The preparation of the template set for one run. Folders and the cache index belong to
// the run: openCache creates the index afresh, releaseCache drops it.
class TemplateServices {
public:
  virtual ~TemplateServices() = default;

  // The run the services work for from now on (its project, its conditions), and its end.
  virtual void attachRun(Generator& run) { (void)run; }
  virtual void detachRun(Generator& run) { (void)run; }

  virtual std::unique_ptr<PageScriptEngine> createEngine() = 0;

  // ---- Cache index ------------------------------------------------------------------------
  virtual void openCache(const std::string& templateName) = 0;
  virtual void releaseCache() = 0;
  // -1: no such file; 0: as recorded; 1: changed; 2: not recorded.
  virtual int CheckCachedFile(const std::string& group, const std::string& key,
                              const std::string& file) = 0;
  // Records the file's date and size under (group, key).
  virtual void AddCacheFile(const std::string& group, const std::string& key,
                            const std::string& file) = 0;
  virtual bool MatchCacheGroup(const std::string& group, const std::string& list) = 0;
  virtual void DeleteCacheGroup(const std::string& group) = 0;
  virtual void DeleteCache(const std::string& group, const std::string& key) = 0;
  virtual void WriteCacheFile() = 0;

  // ---- Template set and extensions --------------------------------------------------------
  // Unpacks the archive when forced or not yet unpacked; the folder of its control.xml.
  virtual std::string ExtractTemplate(const std::string& archive, const std::string& subFolder,
                                      bool isExtension, bool unpack, bool force) = 0;
  virtual std::string CacheFolder() = 0;
  virtual std::string ExtensionsWorkFolder() = 0;
  virtual bool ExtensionFilesCached(const std::string& name) = 0;
  virtual void CacheExtensionFiles(const std::string& name) = 0;
  // False with ControlFileStatus set when the extension's control file cannot be merged.
  virtual bool MergeExtensionControls(const std::string& name) = 0;
  // The version of the extension control file that status 3 refers to.
  virtual std::string extensionControlVersion() = 0;

  // ---- Controls ---------------------------------------------------------------------------
  // Whether the control must be compiled again (also its CtrlGen); raises when one of its
  // files is missing.
  virtual bool ValidateTemplateFiles(templating::RUZControl& ctrl) = 0;
  virtual void clearFileCache() = 0;
  virtual void LoadTemplateFiles(templating::RUZControl& ctrl) = 0;
  virtual std::string TemplateFileName(templating::RUZControl& ctrl) = 0;
  virtual std::string GetScriptFuncName(templating::RUZControl& ctrl) = 0;
  virtual void BuildControlScript(templating::RUZControl& ctrl, const std::string& path) = 0;
  // Adds the scripts of "function" controls to the engine; failures go into ProjErr.
  virtual void LoadFunctionScripts(PageScriptEngine& engine) = 0;
};

// The template services of the thread: those installed in its context, else the ones the
// registered factory makes, else a stand-in whose every run reports that no template engine
// is available.
TemplateServices& templateServices();
void installTemplateServices(std::shared_ptr<TemplateServices> services);
void registerTemplateServicesFactory(std::function<std::shared_ptr<TemplateServices>()> factory);

} // namespace quillet::generation
