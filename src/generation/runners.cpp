// The page units: the "table" and "report" controls of a table, the "field" controls of a
// field and the site-wide controls. Each page passes the overwrite check, runs its control's
// page function, is tidied, written and listed. A page whose script fails is not written,
// so the page already there stays as it was.
#include <algorithm>

#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "generation/generator.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/files/files.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"

namespace quillet::generation {

namespace files = ::quillet::platform::files;
namespace text = ::quillet::platform::text;

namespace {

bool tableItemSelected(model::RUZTable& table, const std::string& id) {
  Ref<model::AGControlItems> items = table.ControlList();
  if (!items->ItemExist(Variant(id))) return true;
  Ref<model::AGControlItem> it = items->Item(Variant(id));
  return !it || it->ItemGen;
}

} // namespace

void Generator::noteOutput(const std::string& table, const std::string& itemId,
                           const std::string& path, bool exists) {
  genState().planned.push_back({table, itemId, path, exists});
}

int16_t Generator::GenTableFiles(model::RUZTable& table, bool listMode) {
  int16_t count = 0;
  core::State& st = core::state();
  GenerationState& gs = genState();
  for (int32_t i = 1; i <= Controls().Count(); ++i) {
    Ref<RUZControl> ctrl = Controls().Item(Variant(i));
    if (!ctrl || !MatchTableControl(table, ctrl->CtrlID, ctrl->CtrlType, ctrl->CtrlCond)) continue;
    if (!tableItemSelected(table, ctrl->CtrlID)) continue;
    gs.OutputFileName = GetOutputFileName(*ctrl, table.TblVar(), "");
    std::string folder = GetControlFolder(ctrl->CtrlOFolderID, ctrl->CtrlOFolder);
    if (listMode) {
      std::string path = resolveForControl(ctrl->CtrlID, folder, gs.OutputFileName, true);
      if (path.empty()) continue;
      bool exists = ConfirmOverwriteFile(path, true, true);
      noteOutput(table.TblName(), ctrl->CtrlID, path, exists);
      if (exists) ++count;
      continue;
    }
    core::SharedStatus().DispStatus("Generating " + gs.OutputFileName + "...");
    if (core::SharedStatus().StatusIsCancelled()) CancelGeneration();
    std::string script = services_->TemplateFileName(*ctrl);
    std::string path = resolveForControl(ctrl->CtrlID, folder, gs.OutputFileName, false);
    if (!path.empty()) RunTablePage(table, script, path, *ctrl);
    if (st.hasProjErr()) {
      st.ProjErr = st.DisplayName + ": Generate Table " + table.TblName() + " " + ctrl->CtrlID +
                   " page error\r\n" + st.ProjErr;
      return 0;
    }
  }
  return count;
}

int16_t Generator::GenFieldFiles(model::RUZField& field, bool listMode) {
  int16_t count = 0;
  GenerationState& gs = genState();
  model::RUZTable* table = currentTable();
  if (!field.FldGenerate() || !table) return 0;
  // A table whose items are not built yet (a list run) has every output selected.
  Ref<model::AGControlItems> items = table->ControlList();
  bool anySelected = items->Count() == 0;
  for (int32_t i = 1; i <= items->Count() && !anySelected; ++i)
    if (Ref<model::AGControlItem> it = items->Item(Variant(i))) anySelected = it->ItemGen;
  if (!anySelected) return 0;
  for (int32_t i = 1; i <= Controls().Count(); ++i) {
    Ref<RUZControl> ctrl = Controls().Item(Variant(i));
    if (!ctrl || ctrl->CtrlType != "field" || !EvalCondition(ctrl->CtrlCond)) continue;
    gs.OutputFileName = GetOutputFileName(*ctrl, gs.CurrentTblVar, field.FldParm());
    std::string folder = GetControlFolder(ctrl->CtrlOFolderID, ctrl->CtrlOFolder);
    std::string path = resolveForControl(ctrl->CtrlID, folder, gs.OutputFileName, listMode);
    if (path.empty()) {
      if (listMode) continue;
      return 0;
    }
    if (listMode) {
      bool exists = ConfirmOverwriteFile(path, true, true);
      noteOutput(table->TblName(), ctrl->CtrlID, path, exists);
      if (exists) ++count;
      continue;
    }
    core::SharedStatus().DispStatus("Generating " + gs.OutputFileName + "...");
    RunFieldPage(field, services_->TemplateFileName(*ctrl), path, *ctrl);
    // The loop reports the failure with the field's context; later pages of the field would
    // only run into the same stop.
    if (core::state().hasProjErr()) return 0;
  }
  return count;
}

int16_t Generator::GenOtherControls(bool listMode, const std::string& kinds, bool overwrite) {
  int16_t count = 0;
  core::State& st = core::state();
  GenerationState& gs = genState();
  std::vector<std::string> wanted;
  for (const std::string& k : splitGenList(kinds))
    wanted.push_back(text::toLower(std::string(platform::text::trim(k))));
  for (int32_t i = 1; i <= Controls().Count(); ++i) {
    Ref<RUZControl> ctrl = Controls().Item(Variant(i));
    if (!ctrl) continue;
    std::string type = text::toLower(ctrl->CtrlType);
    if (std::find(wanted.begin(), wanted.end(), type) == wanted.end()) continue;
    if (!EvalCondition(ctrl->CtrlCond)) continue;
    if (!projectItemSelected(ctrl->CtrlID)) continue;
    gs.OutputFileName = GetOutputFileName(*ctrl, "", "");
    std::string folder = GetControlFolder(ctrl->CtrlOFolderID, ctrl->CtrlOFolder);
    if (listMode) {
      std::string path = resolveForControl(ctrl->CtrlID, folder, gs.OutputFileName, true);
      if (path.empty()) continue;
      bool exists = ConfirmOverwriteFile(path, true, true);
      noteOutput("", ctrl->CtrlID, path, exists);
      if (exists) ++count;
      continue;
    }
    std::string script = services_->TemplateFileName(*ctrl);
    core::SharedStatus().DispStatus("Generating " + gs.OutputFileName + "...");
    std::string path = resolveForControl(ctrl->CtrlID, folder, gs.OutputFileName, false);
    if (!path.empty()) RunOtherPage(script, path, overwrite, *ctrl);
    if (st.hasProjErr()) {
      st.ProjErr =
          st.DisplayName + ": Generate " + ctrl->CtrlID + " page error\r\n" + st.ProjErr;
      return 0;
    }
  }
  return count;
}

std::optional<std::string> Generator::runPageScript(const std::string& scriptFile,
                                                    RUZControl& ctrl, int initType,
                                                    const char* missingSuffix) {
  core::State& st = core::state();
  if (scriptFile.empty() || !files::fileExists(scriptFile)) {
    st.ProjErr = "File " + scriptFile + " not found. Generation aborted" + missingSuffix;
    RaiseGenError();
  }
  std::string script = automation::CStr(core::ReadTextFile(Variant(scriptFile)));
  if (!genEngine_) {
    st.setProjErr("No script engine runs for the page of control '" + ctrl.CtrlID + "'");
    return std::nullopt;
  }
  std::optional<std::string> page = genEngine_->BuildNewCode(
      services_->GetScriptFuncName(ctrl), script, initType, genState().ScriptTimeout);
  // Whatever came back from a failed script is partial: the page on disk stays as it was.
  if (!page || st.hasProjErr()) {
    if (!st.hasProjErr()) st.setProjErr("The page script of control '" + ctrl.CtrlID + "' failed");
    return std::nullopt;
  }
  if (ctrl.CtrlSpace) return TidyOutput(ctrl.CtrlOExt, *page, proj_.ProgramLanguage());
  return StripLeadingBlankLines(*page);
}

void Generator::writePage(const std::string& outputPath, const std::string& pageText,
                          RUZControl& ctrl) {
  std::string folder = files::parentFolder(files::toNativeSeparators(outputPath));
  CreateFolderPath(folder);
  try {
    WriteTextFile(outputPath, pageText, false);
  } catch (const automation::Error& e) {
    recordFailure("Writing the page of control '" + ctrl.CtrlID + "' to \"" + outputPath +
                  "\" failed! Error = " + e.description());
    return;
  }
  LogGeneratedFile(outputPath);
}

void Generator::RunTablePage(model::RUZTable& table, const std::string& scriptFile,
                             const std::string& outputPath, RUZControl& ctrl) {
  (void)table;
  if (ConfirmOverwriteFile(outputPath, ctrl.CtrlOverwrite, false)) {
    if (std::optional<std::string> page = runPageScript(scriptFile, ctrl, 2, "."))
      writePage(outputPath, *page, ctrl);
  }
  ReportUnitProgress();
}

void Generator::RunFieldPage(model::RUZField& field, const std::string& scriptFile,
                             const std::string& outputPath, RUZControl& ctrl) {
  if (!ConfirmOverwriteFile(outputPath, ctrl.CtrlOverwrite, false)) return;
  model::RUZTable* table = currentTable();
  if (table) {
    if (Ref<model::RUZDatabase> db = proj_.DB()) db->Tables()->SetItem(Variant(table->TblName()));
    table->Fields()->SetItem(Variant(field.FldName()));
  }
  if (std::optional<std::string> page = runPageScript(scriptFile, ctrl, 2, ""))
    writePage(outputPath, *page, ctrl);
}

void Generator::RunOtherPage(const std::string& scriptFile, const std::string& outputPath,
                             bool overwrite, RUZControl& ctrl) {
  // The run's permission (WebConfigOverwrite for web.config) and the control's own flag must
  // both allow replacing a file that is there.
  if (!ConfirmOverwriteFile(outputPath, overwrite && ctrl.CtrlOverwrite, false)) return;
  std::optional<std::string> page = runPageScript(scriptFile, ctrl, 1, ".");
  if (!page) return;
  writePage(outputPath, *page, ctrl);
  if (!core::state().hasProjErr()) ReportUnitProgress();
}

} // namespace quillet::generation
