#pragma once
// The script host of a generation run: three engines of the script control, all seeing the
// project through the same published objects ("PROJ", "DB", "Controls", "LANGUAGE", "SCRPT",
// "EXTS", "MENULIST", "CUSTOMSCRIPTS", "FILTERS"):
//   - the main engine holds the system code, the user code and the compiled templates;
//   - the test engine first takes every piece of system and user code on its own, so that a
//     compile error is reported with the file that holds it and kept out of the main engine;
//   - the validation engine holds the checks run before generation.
// Failures replace the thread's project error text (ProjErr) with a report naming the file or
// procedure and the place of the error; callers test ProjErr.
//
// Calling order: construction, Initialize, any number of AddUserCode, Validate, then any mix
// of BuildNewCode, RunModule and AddTemplateScript.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/automation/members.h"
#include "platform/vbscript/script_control.h"
#include "template/parser.h"

namespace quillet::project {
class RUZ;
}

namespace quillet::templating {

class RUZControls;

// The names of the user's script procedures, so that system code can ask whether the user
// replaced one of its functions ("SCRPT").
class AGUserScript : public automation::Object {
  QUILLET_OBJECT(AGUserScript)
public:
  // Appends the name; names are never removed or merged.
  void AddUserModule(const std::string& sModule);
  // Whether the name was added, compared without regard to case.
  bool UserModuleExist(const std::string& sModule) const;
  const std::vector<std::string>& names() const { return names_; }

private:
  std::vector<std::string> names_;
};

class AGScript : public automation::Object {
  QUILLET_OBJECT(AGScript)
public:
  using ScriptControl = platform::vbscript::ScriptControl;

  // Creates the engines, finds the locale answer (registry value "ConvertBoolean", else a
  // probe) and reads the code override paths of the registry's General section. A failure
  // leaves the host inert (IsInitialized false) with ProjErr set.
  AGScript();
  ~AGScript() override;

  // Publishes the objects (a null one is left out) and loads the system code for the program
  // language langid ("VB" or "C#"), the validation code and the user code.
  void Initialize(const Ref<automation::Object>& PROJ, const Ref<automation::Object>& DB,
                  const Ref<automation::Object>& controls, const Ref<automation::Object>& Lang,
                  const Ref<automation::Object>& customscripts, const std::string& langid,
                  const Ref<automation::Object>& filter, const Ref<automation::Object>& EXTS,
                  const Ref<automation::Object>& MenuList);
  // Initialize with the project's own objects: its database, language store, custom
  // scripts, extensions, menus and program language.
  void initializeFor(const Ref<project::RUZ>& project, const Ref<RUZControls>& controls,
                     const Ref<automation::Object>& filter);
  bool IsInitialized() const { return main_ != nullptr; }
  bool NonEnglishLocale() const { return !englishLocale_; }
  // Discards the code, modules and published objects of the three engines.
  void Reset();
  // Adds a script file ("function" controls) to the main engine.
  void AddTemplateScript(const std::string& sFile);
  // Adds a user script file after trying it in the test engine, and registers its
  // procedures with SCRPT.
  void AddUserCode(const std::string& sFile);
  // Whether the main engine's global module has a procedure of that name (any case).
  bool ModuleExist(const std::string& sModule) const;
  bool UserModuleExist(const std::string& sModule) const { return ModuleExist(sModule); }
  // Runs every validation procedure; false at the first that fails or returns False.
  bool Validate();
  // Runs qz_LoadCurrent and then the procedure; its value, or qz_LoadCurrent's on failure.
  Variant RunModule(const std::string& module);
  // Adds sScript under the id sId to the main engine when the id is new (bInitType 0: in any
  // case), then runs the procedure sId with the time-out (milliseconds; 0 or less: none) and
  // gives its value as text; "" after an error. An error inside a compiled template names
  // the template file, line and column where its author wrote the failing text.
  std::string BuildNewCode(const std::string& sId, const std::string& sScript, int16_t bInitType,
                           int32_t lTimeout);

  // ---- For the run and for tests -------------------------------------------------------
  Ref<AGUserScript> userScript() const { return userScript_; }
  ScriptControl* mainEngine() const { return main_.get(); }
  ScriptControl* testEngine() const { return test_.get(); }
  ScriptControl* validationEngine() const { return validation_.get(); }
  // (id, script) of every BuildNewCode that added code, in order.
  const std::vector<std::pair<std::string, std::string>>& addedCode() const { return added_; }
  // The validation procedures, in the order they are run.
  const std::vector<std::string>& validationNames() const { return validationNames_; }
  const Variant& lastResult() const { return lastResult_; }
  // Where the debug dumps ("syscode.txt", "validatecode.txt" and failing code files) are
  // written; the data folder unless the run names its cache folder.
  void setDumpFolder(const std::string& folder) { dumpFolder_ = folder; }
  const std::string& dumpFolder() const { return dumpFolder_; }

private:
  struct CodeFile {
    std::string value;
    bool isFunction = false, override = false, multiline = false, indent = false;
    std::string id, parm;
  };
  bool loadSystemCode(const std::string& langid);
  void loadValidationCode();
  void loadUserCode(const std::string& moduleName);
  // Adds text to the test module and, when it compiles, to the main engine; registers the
  // test module's procedures.
  void addUserText(const std::string& text, const std::string& name);
  std::string translateCodeFile(const std::string& code, const CodeFile& file);
  // The index's file elements; false with ProjErr set when it cannot be read.
  bool readIndex(const std::string& path, const char* what, std::vector<CodeFile>& files);
  // A script file's whole text; a missing or unreadable file is an error in ProjErr.
  std::optional<std::string> readScriptFile(const std::string& path);
  void dump(const std::string& name, const std::string& text);
  // Replaces ProjErr with the report of the engine's last error.
  void reportError(ScriptControl* engine, const std::string& name);
  // Adds code to an engine; false, with the error reported under the name, when it fails.
  bool addCode(ScriptControl* engine, const std::string& code, const std::string& name);
  void reportException(ScriptControl* engine, const std::string& name, const std::exception& e);
  // Where the failing line of a compiled template came from, when sId names one.
  std::optional<TextOrigin> templateOrigin(const std::string& sId, const std::string& sScript,
                                           int32_t line, int32_t column) const;
  void publish(const char* name, const Ref<automation::Object>& object);

  Ref<ScriptControl> main_, test_, validation_;
  Ref<platform::vbscript::ScriptModule> testModule_;
  Ref<AGUserScript> userScript_;
  bool englishLocale_ = true;
  std::string sysCodePath_, prefixPath_, suffixPath_, userCodePath_, validateCodePath_;
  std::string prefixText_, suffixText_, userCodeText_;
  std::vector<std::string> validationNames_;
  std::vector<std::pair<std::string, std::string>> added_;
  Variant lastResult_;
  std::string dumpFolder_;
  Ref<automation::Object> project_, controls_;
};

} // namespace quillet::templating
