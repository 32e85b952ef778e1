#pragma once
// The generation run of the project object: the generation items the user chooses from, the
// output names, the checks before a file is replaced, the shared assets, the language files,
// the database copy and the tidying of pages. A Generator works on one project for one run;
// the run's counters live in the thread's GenerationState so that the page scripts, the
// progress display and later runs see them.
//
// Every output path is confined to the destination folder or the application root: a control
// (also one an extension added) that names a folder or file outside them writes nothing and
// leaves an error naming the control in ProjErr.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/database.h"
#include "model/table.h"
#include "project/ruz.h"
#include "template/condition.h"
#include "template/controls.h"

namespace quillet::generation {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;
using templating::RUZControl;
using templating::RUZControls;

// Module state of a generation run, one per thread.
struct GenerationState {
  int32_t GenUnitTotal = 0;
  int32_t GenUnitDone = 0;
  std::string OutputFileName;
  int32_t ScriptTimeout = 0;
  std::string CurrentTblVar;
  std::string CurrentTemplateFolder;
  // The unpacked template (the folder of control.xml) and the root of unpacked extensions.
  std::string TemplateFolder;
  std::string ExtensionsWorkFolder;
  // The template's control list, created on first use.
  Ref<RUZControls> controls;
  // Runs a script function of the run's engine for "function" conditions; empty when no
  // engine runs.
  std::function<Variant(const std::string&)> runFunction;
  // The text of the test web server file's source, beside the program (empty: none).
  std::string webServerFile;
};
GenerationState& genState();
// The thread's template control list.
RUZControls& templateControls();

// The raise of CancelGeneration and RaiseGenError: error -1.
inline constexpr int32_t kGenerationAborted = -1;
inline constexpr const char* kCancelledText = "Generation cancelled by user!";

// Pure text operations of page tidying.
std::string TidyOutput(const std::string& extension, const std::string& text,
                       const std::string& programLanguage);
std::string StripLeadingBlankLines(const std::string& text);
// The generator meta line put before "</head>".
std::string GeneratorMetaLine();

// Entries of a stored generation list ("id=1,id=0").
std::vector<std::string> splitGenList(const std::string& list);
void ApplyGenList(model::AGControlItem& item, const std::vector<std::string>& entries);
std::string JoinOutputName(const std::string& tblVar, const std::string& fldVar,
                           const std::string& baseName, const std::string& position,
                           const std::string& extra, bool lowerCase);

class Generator {
public:
  explicit Generator(project::RUZ& proj);
  // Puts back the table settings this run switched off for itself.
  ~Generator();
  Generator(const Generator&) = delete;
  Generator& operator=(const Generator&) = delete;

  project::RUZ& project() { return proj_; }
  RUZControls& Controls() { return *controls_; }

  // ---- Helpers ---------------------------------------------------------------------------
  [[noreturn]] void CancelGeneration();
  [[noreturn]] void RaiseGenError();
  void ReportUnitProgress();
  std::string GetControlFolder(const std::string& folderId, const std::string& ownFolder);
  std::string GetFolderByControlID(const std::string& id);
  // The output path of a file in a folder of the template: "~\" or "~/" in front means the
  // application root, anything else the destination. Raises error 75 when the folder or name
  // leads outside that root. Creates the folder unless listMode.
  std::string ResolveAppRootPath(const std::string& folder, const std::string& name, bool listMode);
  // As ResolveAppRootPath; a path that leaves its root sets ProjErr naming the control and
  // gives "".
  std::string resolveForControl(const std::string& controlId, const std::string& folder,
                                const std::string& name, bool listMode);
  static void CreateFolderPath(const std::string& path);
  std::string CheckSourcePath(const std::string& folder, const std::string& name);

  // ---- Conditions ------------------------------------------------------------------------
  templating::ConditionScope conditionScope();
  bool EvalCondition(const std::string& cond);
  model::RUZTable* currentTable() const;
  model::RUZField* currentField() const;
  void setCurrentTable(model::RUZTable* table);
  void setCurrentField(model::RUZField* field);

  // ---- Generation items and output names -------------------------------------------------
  static bool isParticipating(model::RUZTable& table);
  int32_t CountSelectedUnits();
  void PurgeControlItems();
  void BuildControlItems();
  void LoadGenLists();
  void SaveGenLists();
  std::string GetOutputFileName(RUZControl& ctrl, const std::string& tblVar,
                                const std::string& fldVar);
  std::string MakeOutputName(const std::string& tblVar, const std::string& fldVar,
                             const std::string& baseName);
  bool MatchTableControl(model::RUZTable& table, const std::string& ctrlId,
                         const std::string& ctrlType, const std::string& ctrlCond);
  // The tables in sequence order; numbers without a table are passed over.
  std::vector<Ref<model::RUZTable>> tablesInSeq();

  // ---- Overwrite check and generated-files list ------------------------------------------
  bool ConfirmOverwriteFile(const std::string& path, bool mayOverwrite, bool checkOnly);
  bool ConfirmOverwriteFolder(const std::string& path, bool mayOverwrite, bool checkOnly);
  void LogGeneratedFile(const std::string& path);

  // ---- Shared assets, copied files, language files, database -----------------------------
  // Whether the item of that key in the project's list is selected (no item: selected).
  bool projectItemSelected(const std::string& key);
  Variant CopyFileItem(const std::string& itemKey, const std::string& statusText,
                       const std::string& remark, const std::string& sourcePath,
                       const std::string& folder, bool listMode);
  int16_t GenerateSharedAssets(bool listMode);
  int16_t CopyTemplateFiles(bool listMode);
  Variant WriteLanguageFile(const std::string& itemKey, const std::string& statusText,
                            const std::string& remark, const std::string& sourcePath,
                            const std::string& folder, bool listMode);
  int16_t CopyDatabase(bool listMode);
  // The folder a control's input files come from: the template's, or that of the extension
  // that added the control.
  std::string GetExtensionFolder(const std::string& extension);
  // Runs the style-sheet template text (set by the driver once a script engine runs).
  std::function<std::string(const std::string&)> runCssTemplate;

  // ---- Text files ------------------------------------------------------------------------
  // The page or style sheet as UTF-8 when the user's UTF8Project asks for it, else ANSI.
  // Raises the files layer's error when it cannot be written.
  static void WriteTextFile(const std::string& path, const std::string& text, bool noUtf8);

  // ---- Run-local overrides ---------------------------------------------------------------
  // Sets a Boolean setting of a table for this run only; the destructor puts the user's value
  // back, so a later save keeps it.
  void overrideTableFlag(model::RUZTable& table, const std::string& setting, bool value);

private:
  struct Override {
    Ref<model::RUZTable> table;
    std::string setting;
    Variant value;
  };
  void recordFailure(const std::string& message);

  project::RUZ& proj_;
  Ref<RUZControls> controls_;
  std::vector<Override> overrides_;
};

} // namespace quillet::generation
