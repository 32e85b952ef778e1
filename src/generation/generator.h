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
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "model/database.h"
#include "model/table.h"
#include "project/ruz.h"
#include "template/condition.h"
#include "template/controls.h"
#include "generation/services.h"

namespace quillet::generation {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;
using templating::RUZControl;
using templating::RUZControls;

// An output a list run looked at: the item it belongs to, where it goes, and whether a file
// is there already.
struct PlannedOutput {
  std::string table; // "" for the site-wide outputs
  std::string itemId;
  std::string path;
  bool exists = false;
};

// Module state of a generation run, one per thread.
struct GenerationState {
  int32_t GenUnitTotal = 0;
  int32_t GenUnitDone = 0;
  std::string OutputFileName;
  int32_t ScriptTimeout = 0;
  std::string CurrentTblVar;
  // The template's control list, created on first use.
  Ref<RUZControls> controls;
  // Runs a script function of the run's engine for "function" conditions; empty when no
  // engine runs.
  std::function<Variant(const std::string&)> runFunction;
  // The text of the test web server file's source, beside the program (empty: none).
  std::string webServerFile;
  // True: the unpacked template and its compiled scripts stay; false: unpacked again and
  // rebuilt. Decided by the list run, read by the generating run.
  bool KeepTemplateFlag = false;
  bool TemplateKept = false;
  // The answer to the keep-or-overwrite question given ahead (the command line); nothing:
  // the question is asked when the template archive changed.
  std::optional<bool> keepTemplateAnswer;
  // Controls to compile and compiled so far.
  int32_t SessionsToTranslate = 0;
  int32_t SessionsTranslated = 0;
  // Every output the last list run looked at, in the order of the run.
  std::vector<PlannedOutput> planned;
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
  Generator(project::RUZ& proj, TemplateServices& services);
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
  // that added the control. The folders themselves are the template work's
  // (templating::templateWork()), which the preparation of the template set fills.
  std::string GetExtensionFolder(const std::string& extension);
  // Runs the style-sheet template text (set by the driver once a script engine runs).
  std::function<std::string(const std::string&)> runCssTemplate;

  // ---- Page runners ----------------------------------------------------------------------
  int16_t GenTableFiles(model::RUZTable& table, bool listMode);
  int16_t GenFieldFiles(model::RUZField& field, bool listMode);
  int16_t GenOtherControls(bool listMode, const std::string& kinds, bool overwrite);
  void RunTablePage(model::RUZTable& table, const std::string& scriptFile,
                    const std::string& outputPath, RUZControl& ctrl);
  void RunFieldPage(model::RUZField& field, const std::string& scriptFile,
                    const std::string& outputPath, RUZControl& ctrl);
  void RunOtherPage(const std::string& scriptFile, const std::string& outputPath,
                    bool overwrite, RUZControl& ctrl);

  // ---- Generation loop -------------------------------------------------------------------
  int32_t GenerateAll(bool listMode);
  void CreateOutputFolders();
  void PrepareTableGen(model::RUZTable* table);
  void MakeUniqueVarNames(model::RUZTable& table);

  // ---- Driver ----------------------------------------------------------------------------
  // The generating run; its outcome is ProjErr (empty: everything was produced). Raises
  // error -1 when cancelled or when a unit ends the run.
  void GenScript();
  // The list run: the generation items are rebuilt and the number of selected outputs that
  // already exist comes back; 0 when the run stopped early.
  int32_t GenCheck();
  void InitScriptEngine();
  // Deletes the files of the folder whose extension (after the last ".") is ext, in any case.
  static void DeleteFilesByExtension(const std::string& folder, const std::string& ext);
  PageScriptEngine* GenEngine() { return genEngine_.get(); }

  // ---- Text files ------------------------------------------------------------------------
  // The page or style sheet as UTF-8 when the user's UTF8Project asks for it, else ANSI.
  // Raises the files layer's error when it cannot be written.
  static void WriteTextFile(const std::string& path, const std::string& text, bool noUtf8);
  // Writes or copies unless the target holds those bytes already, so that an output that did
  // not change keeps its time and a run over an unchanged project touches nothing.
  static void writeIfChanged(const std::string& path, const std::string& bytes);
  static void copyFileIfChanged(const std::string& from, const std::string& to);
  static void copyFolderIfChanged(const std::string& from, const std::string& to);

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
  void noteOutput(const std::string& table, const std::string& itemId, const std::string& path,
                  bool exists);
  // The page text of a control's script, or nothing when it failed (ProjErr says why).
  std::optional<std::string> runPageScript(const std::string& scriptFile, RUZControl& ctrl,
                                           int initType, const char* missingSuffix);
  void writePage(const std::string& outputPath, const std::string& text, RUZControl& ctrl);
  void restoreOverrides();
  void releaseRun();
  friend class RunScope;

  // The generated-files list as the run last saw it: its path, size and (case-folded) lines.
  struct LogSeen {
    std::string path;
    uint64_t size = 0;
    std::unordered_set<std::string> lines;
  };
  LogSeen log_;
  project::RUZ& proj_;
  TemplateServices* services_;
  std::unique_ptr<PageScriptEngine> genEngine_;
  std::unique_ptr<PageScriptEngine> cssEngine_;
  bool cacheOpen_ = false;
  Ref<RUZControls> controls_;
  std::vector<Override> overrides_;
};

} // namespace quillet::generation
