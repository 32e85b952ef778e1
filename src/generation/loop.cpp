// The one loop of a run: tables are prepared, then the database copy, the pages of each
// participating table and its fields, the shared assets, the site-wide pages, the copied
// files and web.config, in that order. A table's generation flags are switched off for the
// run only when it cannot be generated; the project keeps the user's choice.
#include <unordered_set>

#include "core/state.h"
#include "elements/chart.h"
#include "generation/generator.h"
#include "platform/automation/convert.h"
#include "platform/files/files.h"
#include "platform/text/casefold.h"

namespace quillet::generation {

namespace text = ::quillet::platform::text;

namespace {

// Names taken within one table, without regard to case.
class NameSet {
public:
  bool taken(const std::string& name) const { return names_.count(text::toLower(name)) != 0; }
  void take(const std::string& name) { names_.insert(text::toLower(name)); }
  std::string freeName(const std::string& name) const {
    if (!taken(name)) return name;
    for (int32_t n = 1;; ++n) {
      std::string candidate = name + "_" + std::to_string(n);
      if (!taken(candidate)) return candidate;
    }
  }

private:
  std::unordered_set<std::string> names_;
};

} // namespace

void Generator::PrepareTableGen(model::RUZTable* table) {
  if (!table) return;
  genState().CurrentTblVar = table->TblVar();
  if (!table->TblKey().empty()) return;
  for (const char* flag : {"TblAdd", "TblCopy", "TblView", "TblEdit", "TblInlineEdit", "TblDelete"})
    overrideTableFlag(*table, flag, false);
}

void Generator::MakeUniqueVarNames(model::RUZTable& table) {
  NameSet names;
  names.take(table.TblVar());
  Ref<elements::RUZCharts> charts = table.Charts();
  for (int32_t i = 1; i <= charts->Count(); ++i) {
    elements::RUZChart* c = charts->items().at(i);
    if (!c) continue;
    std::string name = names.freeName(c->ChartVar());
    names.take(name);
    if (name != c->ChartVar()) c->setChartVar(name);
  }
  Ref<model::RUZFields> fields = table.Fields();
  for (int32_t i = 1; i <= fields->Count(); ++i) {
    model::RUZField* f = fields->items().at(i);
    if (!f) continue;
    std::string parm = f->FldParm();
    std::string name = names.freeName(parm);
    names.take(name);
    if (name != parm) f->setFldVar("x_" + name);
  }
}

void Generator::CreateOutputFolders() {
  for (int32_t i = 1; i <= Controls().Count(); ++i) {
    Ref<RUZControl> ctrl = Controls().Item(Variant(i));
    if (!ctrl || text::toLower(ctrl->CtrlType) != "folder" || ctrl->CtrlOFolder.empty()) continue;
    resolveForControl(ctrl->CtrlID, ctrl->CtrlOFolder, "", false);
  }
}

int32_t Generator::GenerateAll(bool listMode) {
  core::State& st = core::state();
  GenerationState& gs = genState();
  if (listMode) gs.planned.clear();
  auto stop = [&] { return st.hasProjErr() && !listMode; };
  gs.GenUnitTotal = 0;
  Ref<model::RUZDatabase> db = proj_.DB();
  if (db) {
    Ref<model::RUZTables> tables = db->Tables();
    for (int32_t i = 1; i <= tables->Count(); ++i) {
      model::RUZTable* t = tables->items().at(i);
      if (!t) continue;
      if (t->Fields()->Count() <= 0 || !t->TblCustomError().empty())
        overrideTableFlag(*t, "TblGen", false);
      setCurrentTable(t);
      PrepareTableGen(t);
      if (t->TblGen()) MakeUniqueVarNames(*t);
    }
  }
  gs.GenUnitTotal = CountSelectedUnits();
  gs.GenUnitDone = 0;
  setCurrentTable(nullptr);
  setCurrentField(nullptr);

  int32_t sum = CopyDatabase(listMode);
  if (stop()) return 0;

  // Every participating table is inspected in list mode too, so the count says how many
  // outputs are there, not only whether one is.
  for (const Ref<model::RUZTable>& t : tablesInSeq()) {
    if (isParticipating(*t)) {
      setCurrentTable(t.get());
      PrepareTableGen(t.get());
      sum += GenTableFiles(*t, listMode);
      if (stop()) return 0;
    }
    if (!t->TblGen()) continue;
    Ref<model::RUZFields> fields = t->Fields();
    int32_t n = fields->Count();
    for (int32_t j = 1; j <= n; ++j) {
      Ref<model::RUZField> f = fields->Seq(j);
      // A number no field carries is passed over.
      if (!f || !f->FldGenerate()) continue;
      setCurrentTable(t.get());
      db->Tables()->SetItem(Variant(t->TblName()));
      setCurrentField(f.get());
      fields->SetItem(Variant(f->FldName()));
      sum += GenFieldFiles(*f, listMode);
      if (stop()) {
        st.ProjErr = st.DisplayName + ": Generate Table " + t->TblName() + " Field " +
                     f->FldName() + " page error\r\n" + st.ProjErr;
        return 0;
      }
    }
  }
  setCurrentTable(nullptr);
  sum += GenerateSharedAssets(listMode);
  if (stop()) return 0;
  sum += GenOtherControls(listMode, "other,simple,inline,codebehind", true);
  if (stop()) return 0;
  sum += CopyTemplateFiles(listMode);
  if (stop()) return 0;
  if (automation::CBool(proj_.GetV("WebConfigGen")))
    sum += GenOtherControls(listMode, "web.config",
                            automation::CBool(proj_.GetV("WebConfigOverwrite")));
  return st.hasProjErr() ? 0 : sum;
}

} // namespace quillet::generation
