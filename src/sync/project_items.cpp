// Custom views and reports the user adds to the project, settings copies between tables,
// fields and charts, and new charts.
#include <array>

#include "core/state.h"
#include "core/status.h"
#include "elements/chart.h"
#include "elements/language.h"
#include "elements/shared.h"
#include "extensions/operations.h"
#include "platform/automation/context.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"
#include "schema/schema_reader.h"
#include "sync/load_steps.h"
#include "sync/sync_hooks.h"
#include "sync/synchronise.h"

namespace quillet::sync {

using automation::Variant;

namespace {

Ref<model::RUZTable> tableNamed(model::RUZDatabase& db, const std::string& name) {
  Ref<model::RUZTables> tables = db.Tables();
  return tables->TableExist(Variant(name)) ? tables->Item(Variant(name)) : nullptr;
}

Ref<model::RUZField> fieldNamed(model::RUZTable& t, const std::string& name) {
  Ref<model::RUZFields> fields = t.Fields();
  return fields->FieldExist(Variant(name)) ? fields->Item(Variant(name)) : nullptr;
}

Ref<model::RUZField> exactFieldOf(model::RUZTable& t, const std::string& name) {
  for (const Ref<model::RUZField>& f : t.Fields()->items().list())
    if (f->FldName() == name) return f;
  return nullptr;
}

// Writes every setting of the source that takes part in copies (its Sync flag) into the
// target's setting of the same name, where the target has one; `skip` names settings left
// out as well (letter case ignored).
template <size_t N>
void copySettings(core::SettingElement& from, core::SettingElement& to,
                  const std::array<std::string_view, N>& skip) {
  Ref<core::AGProperties> target = to.Properties();
  for (const Ref<core::AGProperty>& p : from.Properties()->list()) {
    if (!p->Sync() || !target->PropertyExist(Variant(p->Name()))) continue;
    bool skipped = false;
    for (std::string_view s : skip)
      skipped = skipped || platform::text::equalsNoCase(p->Name(), s);
    if (!skipped) target->Item(p->Name())->setValue(p->Value());
  }
}
void copySettings(core::SettingElement& from, core::SettingElement& to) {
  copySettings(from, to, std::array<std::string_view, 0>{});
}

// A table's own state, not its looks: whether its columns were read, whether it is
// generated and which table a report reads from stay with the target of a copy.
constexpr std::array<std::string_view, 3> kTableStateSettings{"TblLoaded", "TblGen", "TblRptSrc"};

// The progress window of the loading members, closed on every way out.
class LoadingWindow {
public:
  LoadingWindow(project::RUZ& proj, const std::string& name) {
    core::State& ctx = core::state();
    ctx.StatusCaption = ctx.DisplayName + " - Loading " + name + "...";
    core::SharedStatus().ShowStatus2(proj.lhWnd, ctx.StatusCaption);
    core::SharedStatus().DispStatus("Please wait...");
  }
  ~LoadingWindow() { core::SharedStatus().CloseStatus(); }
  LoadingWindow(const LoadingWindow&) = delete;
  LoadingWindow& operator=(const LoadingWindow&) = delete;
};

// The schema object is held for one conversion only.
struct ReleaseSchema {
  Ref<schema::RUZSchema>& held;
  ~ReleaseSchema() { held = nullptr; }
};

std::string unquoted(std::string_view part, const std::string& qs, const std::string& qe) {
  std::string s(platform::text::trim(part));
  if (s.size() >= 2 && qs.size() == 1 && qe.size() == 1 && s.front() == qs[0] &&
      s.back() == qe[0])
    s = s.substr(1, s.size() - 2);
  return s;
}

} // namespace

void ResolveSourceField(model::RUZDatabase& db, model::RUZField& f) {
  const std::string source = f.FldSourceName();
  if (source.empty()) return;
  size_t dot = source.find('.');
  if (dot == std::string::npos || source.find('.', dot + 1) != std::string::npos) return;
  const std::string table = unquoted(std::string_view(source).substr(0, dot), db.DBQuoteS(),
                                     db.DBQuoteE());
  const std::string fld =
      unquoted(std::string_view(source).substr(dot + 1), db.DBQuoteS(), db.DBQuoteE());
  Ref<model::RUZTable> t = tableNamed(db, table);
  if (!t || !t->Fields()->FieldExist(Variant(fld))) return;
  f.setFldSourceTable(table);
  f.setFldSourceField(fld);
}

void SyncHooks::LoadCustomView(project::RUZ& proj, const std::string& name,
                               const std::string& sql, bool copyFields) {
  core::State& ctx = core::state();
  ctx.ProjErr.clear();
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db) {
    ctx.setProjErr("Database not loaded!");
    return;
  }
  // The table list takes names without regard to letter case, so a name taken in another
  // case is as taken as the same name.
  if (db->Tables()->TableExist(Variant(name))) {
    ctx.setProjErr("Table/View " + name + " already exists!");
    return;
  }
  ctx.CurrentProgramLanguage = proj.ProgramLanguage();
  reloadKeywords(proj);
  int16_t rc = 1;
  {
    LoadingWindow window(proj, name);
    copyQuoteAndDate(proj);
    try {
      rc = db->LoadADOCustomView(Variant(CustomViewConnStr(proj)), Variant(name), Variant(sql));
    } catch (const automation::Error& e) {
      ctx.ProjErr = e.description();
      rc = 1;
    }
    Ref<model::RUZTable> view = rc == 0 ? tableNamed(*db, name) : nullptr;
    if (view) {
      std::vector<Ref<model::RUZField>> fields = view->Fields()->items().list();
      for (const Ref<model::RUZField>& f : fields)
        if (!f->FldSourceName().empty() &&
            (f->FldSourceTable().empty() || f->FldSourceField().empty()))
          ResolveSourceField(*db, *f);
      if (copyFields)
        for (const Ref<model::RUZField>& f : fields) {
          if (f->FldSourceTable().empty() || f->FldSourceField().empty()) continue;
          Ref<model::RUZTable> src = exactTable(*db, f->FldSourceTable());
          if (!src || !src->TblLoaded()) continue;
          if (Ref<model::RUZField> sf = exactFieldOf(*src, f->FldSourceField()))
            copySettings(*sf, *f);
        }
    }
  }
  if (rc != 0) {
    if (ctx.ProjErr.empty()) ctx.ProjErr = "Load Database failed!";
    return;
  }
  extensions::ProjectAccess access = proj.extensionAccess();
  extensions::AddTableExtensionDefaults(access, name);
  RefreshMenus(proj);
  ctx.ProjErr.clear();
}

bool SyncHooks::ChangeCustomViewToView(project::RUZ& proj, const std::string& source,
                                       const std::string& target) {
  core::State& ctx = core::state();
  if (target.empty() || source.empty()) return false;
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db) {
    ctx.setProjErr("Database not loaded!");
    return false;
  }
  Ref<model::RUZTable> t = tableNamed(*db, source);
  if (!t) return false;
  if (t->TblType() != "CUSTOMVIEW") {
    ctx.setProjErr("source table is not a custom view!");
    return false;
  }
  if (!t->TblCustomError().empty()) {
    ctx.setProjErr("custom view has error!");
    return false;
  }
  // The new name must be free (or the custom view's own, in any letter case) before
  // anything changes, or the view would end up changed but under its old name.
  if (Ref<model::RUZTable> other = tableNamed(*db, target); other && other.get() != t.get()) {
    ctx.setProjErr("Table/View " + target + " already exists!");
    return false;
  }
  catalogue_ = automation::makeRef<schema::RUZSchema>();
  ReleaseSchema release{catalogue_};
  Variant dbName(db->DBName());
  catalogue_->LoadDB(dbName, db->DBType(), db->DBPath(), db->DBPhyPath(), db->DBUseServerMapPath(),
                     db->DBUID(), db->DBPwd(), db->DBConnstr(), db->DBSchema(), target);
  if (catalogue_->tblcnt() != 1 || catalogue_->db().Tables.Tbl.size() < 2) {
    ctx.setProjErr("load view failed!");
    return false;
  }
  const schema::AGSchemaTable& r = catalogue_->db().Tables.Tbl[1];
  const int32_t count = std::min<int32_t>(r.TblFldCnt, static_cast<int32_t>(r.TblFields.Fld.size()) - 1);
  if (t->Fields()->Count() != r.TblFldCnt) {
    ctx.setProjErr("fields mismatched!");
    return false;
  }
  for (int32_t i = 1; i <= count; ++i)
    if (!exactFieldOf(*t, r.TblFields.Fld[static_cast<size_t>(i)].FldName)) {
      ctx.setProjErr("fields mismatched!");
      return false;
    }
  for (int32_t i = 1; i <= count; ++i) {
    const schema::AGSchemaField& sf = r.TblFields.Fld[static_cast<size_t>(i)];
    for (const Ref<model::RUZField>& f : t->Fields()->items().list())
      if (f->FldName() == sf.FldName) {
        UpdateFieldFromSchema(*f, sf, false);
        f->setFldAlias(false);
        f->setFldSourceName("");
        f->setFldSourceTable("");
        f->setFldSourceField("");
      }
  }
  if (source != target) {
    db->Tables()->Change(source, target);
    t->setTblRptSrc(target);
  }
  t->setTblType(r.TblType);
  t->setTblCustomSQL("");
  return true;
}

bool SyncHooks::LoadReport(project::RUZ& proj, const std::string& name,
                           const std::string& source) {
  core::State& ctx = core::state();
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db) {
    ctx.setProjErr("Database not loaded!");
    return false;
  }
  Ref<model::RUZTables> tables = db->Tables();
  Ref<model::RUZTable> src = exactTable(*db, source);
  if (tables->TableExist(Variant(name))) {
    ctx.setProjErr("Table/View " + name + " already exists!");
    return false;
  }
  if (!src || !src->TblLoaded()) {
    ctx.setProjErr("Table/View " + source + " not exist or loaded!");
    return false;
  }
  ctx.CurrentProgramLanguage = proj.ProgramLanguage();
  reloadKeywords(proj);
  {
    LoadingWindow window(proj, name);
    if (!tables->Add(name)) return false;
    Ref<model::RUZTable> rpt = tables->Item(Variant(name));
    rpt->setTblType("REPORT");
    rpt->setTblRptSrc(source);
    rpt->setTblLoaded(true);
    rpt->setTblGen(true);
    rpt->LoadTableDefault();
    rpt->setTblUserIDFld(src->TblUserIDFld());
    rpt->setTblSecurity(src->TblSecurity());
    Ref<model::RUZFields> fields = rpt->Fields();
    for (const Ref<model::RUZField>& sf : src->Fields()->items().list()) {
      if (!fields->Add(name, sf->FldName())) continue;
      Ref<model::RUZField> f = fields->Item(Variant(sf->FldName()));
      Ref<core::AGProperties> bag = f->Properties();
      // A report field starts as a copy of its source field, whatever the copies usually
      // leave out, but never adds, edits or searches.
      for (const Ref<core::AGProperty>& p : sf->Properties()->list())
        if (p->Name() != "FldName" && bag->PropertyExist(Variant(p->Name())))
          bag->Item(p->Name())->setValue(p->Value());
      f->setFldAdd(false);
      f->setFldView(false);
      f->setFldEdit(false);
      f->setFldSearch(false);
      f->setFldBasicSearch(false);
      f->setFldRegister(false);
    }
  }
  extensions::ProjectAccess access = proj.extensionAccess();
  extensions::AddTableExtensionDefaults(access, name);
  RefreshMenus(proj);
  ctx.ProjErr.clear();
  return true;
}

bool SyncHooks::CopyTableSettings(project::RUZ& proj, const std::string& source,
                                  const std::string& target) {
  core::State& ctx = core::state();
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db) {
    ctx.setProjErr("Database not loaded!");
    return false;
  }
  Ref<model::RUZTable> from = tableNamed(*db, source), to = tableNamed(*db, target);
  if (!from || !to) {
    ctx.setProjErr("Table " + (from ? target : source) + " not found!");
    return false;
  }
  copySettings(*from, *to, kTableStateSettings);
  for (const Ref<model::RUZField>& f : from->Fields()->items().list())
    if (Ref<model::RUZField> g = fieldNamed(*to, f->FldName())) copySettings(*f, *g);
  Ref<elements::RUZLanguage> lang = elements::languageStore();
  const int32_t n = lang->TableCount();
  for (int32_t i = 1; i <= n; ++i) {
    Ref<elements::AGTablePhrase> p = lang->TableItem(i);
    if (p && p->fields[1] == source && !p->fields[3].empty())
      lang->SetTablePhrase(p->fields[0], target, p->fields[2], p->fields[3]);
  }
  ctx.ProjErr.clear();
  return true;
}

bool SyncHooks::CopyFieldSettings(project::RUZ& proj, const std::string& sourceTable,
                                  const std::string& sourceField, const std::string& targetTable,
                                  const std::string& targetField) {
  core::State& ctx = core::state();
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db) {
    ctx.setProjErr("Database not loaded!");
    return false;
  }
  Ref<model::RUZTable> st = tableNamed(*db, sourceTable), tt = tableNamed(*db, targetTable);
  if (!st || !tt) {
    ctx.setProjErr("Table " + (st ? targetTable : sourceTable) + " not found!");
    return false;
  }
  Ref<model::RUZField> from = fieldNamed(*st, sourceField), to = fieldNamed(*tt, targetField);
  if (!from || !to) {
    ctx.setProjErr("Field " + (from ? targetTable + "." + targetField
                                    : sourceTable + "." + sourceField) +
                   " not found!");
    return false;
  }
  copySettings(*from, *to);
  Ref<elements::RUZLanguage> lang = elements::languageStore();
  const int32_t n = lang->FieldCount();
  for (int32_t i = 1; i <= n; ++i) {
    Ref<elements::AGFieldPhrase> p = lang->FieldItem(i);
    if (p && p->fields[1] == sourceTable && p->fields[2] == sourceField && !p->fields[4].empty())
      lang->SetFieldPhrase(p->fields[0], targetTable, targetField, p->fields[3], p->fields[4]);
  }
  ctx.ProjErr.clear();
  return true;
}

namespace {

// The table a chart member works on, or nothing with the reason in ProjErr.
Ref<model::RUZTable> chartSource(project::RUZ& proj, const std::string& table) {
  Ref<model::RUZDatabase> db = proj.DB();
  if (!db) {
    core::state().setProjErr("Database not loaded!");
    return nullptr;
  }
  Ref<model::RUZTable> t = tableNamed(*db, table);
  if (!t) core::state().setProjErr("Chart source " + table + " not exist!");
  return t;
}

} // namespace

bool SyncHooks::LoadChart(project::RUZ& proj, const std::string& chart, const std::string& table) {
  core::State& ctx = core::state();
  Ref<model::RUZTable> t = chartSource(proj, table);
  if (!t) return false;
  Ref<elements::RUZCharts> charts = t->Charts();
  if (charts->ChartExist(Variant(chart))) {
    ctx.setProjErr("Chart " + chart + " already exists!");
    return false;
  }
  if (!charts->Add(t->TblName(), chart)) {
    ctx.setProjErr("Add Chart " + chart + " failed!");
    return false;
  }
  ctx.ProjErr.clear();
  extensions::ProjectAccess access = proj.extensionAccess();
  extensions::AddChartExtensionDefaults(access, table, chart);
  RefreshMenus(proj);
  return true;
}

bool SyncHooks::CopyChart(project::RUZ& proj, const std::string& oldChart,
                          const std::string& newChart, const std::string& table) {
  core::State& ctx = core::state();
  Ref<model::RUZTable> t = chartSource(proj, table);
  if (!t) return false;
  Ref<elements::RUZCharts> charts = t->Charts();
  if (!charts->ChartExist(Variant(oldChart))) {
    ctx.setProjErr("Chart " + oldChart + " does not exist!");
    return false;
  }
  if (charts->ChartExist(Variant(newChart))) {
    ctx.setProjErr("Chart " + newChart + " already exists!");
    return false;
  }
  if (!charts->Add(t->TblName(), newChart)) {
    ctx.setProjErr("Add Chart " + newChart + " failed!");
    return false;
  }
  Ref<elements::RUZChart> from = charts->Item(Variant(oldChart));
  Ref<elements::RUZChart> to = charts->Item(Variant(newChart));
  copySettings(*from, *to, std::array<std::string_view, 1>{"ChartCaption"});
  Ref<elements::RUZTrends> oldTrends = from->Trendlines(), newTrends = to->Trendlines();
  const int32_t n = oldTrends->Count();
  for (int32_t i = 1; i <= n; ++i) {
    Ref<elements::RUZTrend> tr = oldTrends->Seq(i);
    if (!tr) continue;
    // A name the new chart refuses (one already copied, in another letter case) must not
    // overwrite the trendline copied before it.
    if (newTrends->TrendExist(Variant(tr->TrendName())) || !newTrends->Add(tr->TrendName()))
      continue;
    copySettings(*tr, *newTrends->Item(Variant(tr->TrendName())));
  }
  extensions::ProjectAccess access = proj.extensionAccess();
  extensions::CopyChartToExtensions(access, table, oldChart, newChart);
  RefreshMenus(proj);
  ctx.ProjErr.clear();
  return true;
}

} // namespace quillet::sync
