#include "sync/synchronise.h"

#include <map>

#include "core/dialect.h"
#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "extensions/operations.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/data/types.h"
#include "platform/text/casefold.h"
#include "platform/ui/ui.h"
#include "project/state.h"
#include "schema/schema_reader.h"

namespace quillet::sync {

namespace automation = ::quillet::platform::automation;
namespace data = ::quillet::platform::data;
namespace text = ::quillet::platform::text;
using automation::Context;
using automation::Ref;
using automation::Variant;

namespace {

bool isTableOrView(const std::string& type) {
  return type == "TABLE" || type == "VIEW";
}

std::vector<Ref<model::RUZTable>> tablesOf(model::RUZDatabase& db) {
  return db.Tables()->items().list();
}
std::vector<Ref<model::RUZField>> fieldsOf(model::RUZTable& t) {
  return t.Fields()->items().list();
}

const schema::AGSchemaTable& record(const schema::AGSchemaDB& cat, int32_t i) {
  return cat.Tables.Tbl[static_cast<size_t>(i)];
}
int32_t tableCount(const schema::AGSchemaDB& cat) {
  return std::min<int32_t>(cat.DBTblCnt, static_cast<int32_t>(cat.Tables.Tbl.size()) - 1);
}
int32_t fieldCount(const schema::AGSchemaTable& t) {
  return std::min<int32_t>(t.TblFldCnt, static_cast<int32_t>(t.TblFields.Fld.size()) - 1);
}
const schema::AGSchemaField& field(const schema::AGSchemaTable& t, int32_t k) {
  return t.TblFields.Fld[static_cast<size_t>(k)];
}

// The one record a custom view's query leaves: record 1, whatever the table count says.
const schema::AGSchemaTable* customViewRecord(const schema::RUZSchema& reader) {
  const auto& tables = reader.db().Tables.Tbl;
  return tables.size() >= 2 ? &tables[1] : nullptr;
}

bool enumOrSet(const std::string& typeName) {
  std::string lower = text::toLower(typeName);
  return lower.rfind("enum", 0) == 0 || lower.rfind("set", 0) == 0;
}

bool schemaFieldMatches(const schema::AGSchemaField& r, model::RUZField& f) {
  if (f.FldType() != r.FldType || f.FldSize() != r.FldSize || f.FldUniqueIdx() != r.FldUniqueIdx ||
      f.FldZeroLen() != r.FldZeroLen || f.FldAutoIncrement() != r.FldAutoIncrement ||
      f.FldAttribute() != r.FldAttribute || f.FldReq() != r.FldReq)
    return false;
  return !enumOrSet(f.FldTypeName()) || f.FldTagValues() == r.FldTagValues;
}

bool fieldsMatch(model::RUZField& a, model::RUZField& b) {
  if (a.FldType() != b.FldType() || a.FldSize() != b.FldSize() ||
      a.FldUniqueIdx() != b.FldUniqueIdx() || a.FldZeroLen() != b.FldZeroLen() ||
      a.FldAutoIncrement() != b.FldAutoIncrement() || a.FldAttribute() != b.FldAttribute() ||
      a.FldReq() != b.FldReq())
    return false;
  return !enumOrSet(a.FldTypeName()) || a.FldTagValues() == b.FldTagValues();
}

Ref<model::RUZField> exactField(model::RUZTable& t, const std::string& name) {
  for (const Ref<model::RUZField>& f : fieldsOf(t))
    if (f->FldName() == name) return f;
  return nullptr;
}

// The progress window every step opens, closed on every way out.
class StatusWindow {
public:
  StatusWindow(project::RUZ& proj, const std::string& action) {
    core::State& ctx = core::state();
    ctx.StatusCaption = ctx.DisplayName + action;
    core::SharedStatus().ShowStatus2(proj.lhWnd, ctx.StatusCaption);
    core::SharedStatus().DispStatus("Please wait...");
  }
  ~StatusWindow() { core::SharedStatus().CloseStatus(); }
  StatusWindow(const StatusWindow&) = delete;
  StatusWindow& operator=(const StatusWindow&) = delete;
};

void add(SyncLog& log, std::string kind, std::string type, std::string table, std::string fld,
         std::string detail, std::string newTable = {}, std::string newField = {}) {
  log.push_back({std::move(kind), std::move(type), std::move(table), std::move(fld),
                 std::move(detail), std::move(newTable), std::move(newField)});
}

// The user's pairing of old names with new ones: for each new name the old one chosen, or
// the new name itself where none was (which renames nothing).
std::vector<std::string> showMappingDialog(const std::string& caption, const std::string& prompt,
                                           const std::string& newHeading,
                                           const std::string& oldHeading,
                                           const std::vector<std::string>& newNames,
                                           const std::vector<std::string>& oldNames) {
  platform::ui::NameMapping q{caption, prompt, newHeading, oldHeading, newNames, oldNames};
  std::optional<std::vector<std::string>> answer = platform::ui::current().mapNames(q);
  std::vector<std::string> out = newNames;
  if (!answer) return out;
  for (size_t i = 0; i < out.size() && i < answer->size(); ++i)
    if (!(*answer)[i].empty()) out[i] = (*answer)[i];
  return out;
}

struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return text::compareNoCase(a, b) < 0;
  }
};

} // namespace

// ---- Change detection ---------------------------------------------------------------------

int32_t CheckTables(SyncRun& run, const std::string& filter) {
  StatusWindow window(run.project, " - Checking Database...");
  int32_t newTables = 0, deletedTables = 0, changedTables = 0, keyChanges = 0, newFields = 0,
          changedFields = 0, remainder = 0;
  std::vector<Ref<model::RUZTable>> tables = tablesOf(run.db);
  std::vector<bool> matched(tables.size(), false);
  for (int32_t i = 1; i <= tableCount(run.catalogue); ++i) {
    const schema::AGSchemaTable& r = record(run.catalogue, i);
    if (!filter.empty() && filter != r.TblName) continue;
    Ref<model::RUZTable> t;
    for (size_t n = 0; n < tables.size(); ++n) {
      const std::string type = tables[n]->TblType();
      if (isTableOrView(type) && type == r.TblType && tables[n]->TblName() == r.TblName) {
        t = tables[n];
        matched[n] = true;
        break;
      }
    }
    if (!t) {
      ++newTables;
      newFields += r.TblFldCnt;
      continue;
    }
    t->setTblSchema(r.TblSchema);
    if (!t->TblLoaded()) continue;
    if (t->TblType() == "TABLE" &&
        core::SortTextLines(t->TblKey()) != core::SortTextLines(r.TblKey))
      ++keyChanges;
    int32_t same = 0, changed = 0, added = 0;
    bool mark = false;
    for (int32_t k = 1; k <= fieldCount(r); ++k) {
      Ref<model::RUZField> f = exactField(*t, field(r, k).FldName);
      if (!f) {
        ++added;
        mark = true;
      } else if (schemaFieldMatches(field(r, k), *f)) {
        ++same;
      } else {
        ++changed;
        mark = true;
      }
    }
    if (mark || r.TblFldCnt != t->Fields()->Count()) ++changedTables;
    newFields += added;
    changedFields += changed;
    remainder += r.TblFldCnt - same - changed;
  }
  for (size_t n = 0; n < tables.size(); ++n) {
    if (!isTableOrView(tables[n]->TblType())) continue;
    if (!filter.empty() && tables[n]->TblName() != filter) continue;
    if (matched[n]) continue;
    ++deletedTables;
    remainder += tables[n]->Fields()->Count();
  }
  return newTables + changedTables + deletedTables + keyChanges + newFields + changedFields +
         remainder;
}

int32_t CheckReports(SyncRun& run) {
  core::State& ctx = core::state();
  int32_t total = 0;
  bool any = false;
  for (const Ref<model::RUZTable>& rpt : tablesOf(run.db)) {
    if (rpt->TblType() != "REPORT") continue;
    if (!any) any = true;
    Ref<model::RUZTable> src;
    for (const Ref<model::RUZTable>& t : tablesOf(run.db))
      if (t->TblName() == rpt->TblRptSrc()) {
        src = t;
        break;
      }
    if (!src) {
      ctx.setProjErr("Source Table not found");
      rpt->setTblCustomError(ctx.ProjErr);
      continue;
    }
    int32_t same = 0, changed = 0, added = 0;
    for (const Ref<model::RUZField>& sf : fieldsOf(*src)) {
      Ref<model::RUZField> rf = exactField(*rpt, sf->FldName());
      if (!rf)
        ++added;
      else if (fieldsMatch(*sf, *rf))
        ++same;
      else
        ++changed;
    }
    total += added + changed + (src->Fields()->Count() - same - changed);
  }
  return total;
}

int32_t CheckCustomViews(SyncRun& run, const std::string& connStr) {
  core::State& ctx = core::state();
  StatusWindow window(run.project, " - Checking Custom View...");
  int32_t total = 0;
  for (const Ref<model::RUZTable>& t : tablesOf(run.db)) {
    if (t->TblType() != "CUSTOMVIEW") continue;
    try {
      auto reader = automation::makeRef<schema::RUZSchema>();
      if (reader->LoadADOCustomView(connStr, t->TblName(), t->TblCustomSQL()) > 0) {
        t->setTblCustomError(ctx.ProjErr);
        continue;
      }
      t->setTblCustomError("");
      const schema::AGSchemaTable* view = customViewRecord(*reader);
      if (!view) continue;
      const schema::AGSchemaTable& r = *view;
      int32_t same = 0, changed = 0, added = 0;
      for (int32_t k = 1; k <= fieldCount(r); ++k) {
        Ref<model::RUZField> f = exactField(*t, field(r, k).FldName);
        if (!f)
          ++added;
        else if (schemaFieldMatches(field(r, k), *f))
          ++same;
        else
          ++changed;
      }
      total += added + changed + (r.TblFldCnt - same - changed);
    } catch (const automation::Error& e) {
      ctx.ProjErr = e.description();
    }
  }
  return total;
}

bool CheckEmptyFieldTypeNames(model::RUZDatabase& db) {
  data::DatabaseKind kind = data::databaseKind(db.DBDBMSName());
  if (!(kind == data::DatabaseKind::SqlServer ||
        (kind == data::DatabaseKind::PostgreSql && !db.DBConnstr().empty())))
    return false;
  for (const Ref<model::RUZTable>& t : tablesOf(db))
    for (const Ref<model::RUZField>& f : fieldsOf(*t))
      if (f->FldSupport() && f->FldTypeName().empty()) return true;
  return false;
}

std::vector<std::string> DescribeDifferences(SyncRun& run) {
  std::vector<std::string> out;
  std::vector<Ref<model::RUZTable>> tables = tablesOf(run.db);
  std::vector<bool> matched(tables.size(), false);
  auto label = [](const std::string& type) { return type == "VIEW" ? "view " : "table "; };
  for (int32_t i = 1; i <= tableCount(run.catalogue); ++i) {
    const schema::AGSchemaTable& r = record(run.catalogue, i);
    size_t hit = tables.size();
    for (size_t n = 0; n < tables.size() && hit == tables.size(); ++n)
      if (!matched[n] && tables[n]->TblType() == r.TblType && tables[n]->TblName() == r.TblName)
        hit = n;
    for (size_t n = 0; n < tables.size() && hit == tables.size(); ++n)
      if (!matched[n] && tables[n]->TblType() == r.TblType &&
          text::equalsNoCase(tables[n]->TblName(), r.TblName)) {
        hit = n;
        out.push_back("renamed " + std::string(label(r.TblType)) + tables[n]->TblName() + " to " +
                      r.TblName);
      }
    if (hit == tables.size()) {
      out.push_back("added " + std::string(label(r.TblType)) + r.TblName);
      continue;
    }
    matched[hit] = true;
    model::RUZTable& t = *tables[hit];
    if (!t.TblLoaded()) continue;
    const std::string T = r.TblName;
    std::vector<Ref<model::RUZField>> fields = fieldsOf(t);
    std::vector<bool> seen(fields.size(), false);
    for (int32_t k = 1; k <= fieldCount(r); ++k) {
      const schema::AGSchemaField& sf = field(r, k);
      size_t f = fields.size();
      for (size_t n = 0; n < fields.size() && f == fields.size(); ++n)
        if (!seen[n] && fields[n]->FldName() == sf.FldName) f = n;
      for (size_t n = 0; n < fields.size() && f == fields.size(); ++n)
        if (!seen[n] && text::equalsNoCase(fields[n]->FldName(), sf.FldName)) {
          f = n;
          out.push_back("renamed field " + T + "." + fields[n]->FldName() + " to " + sf.FldName);
        }
      if (f == fields.size()) {
        out.push_back("added field " + T + "." + sf.FldName);
        continue;
      }
      seen[f] = true;
      if (fields[f]->FldType() != sf.FldType)
        out.push_back("retyped field " + T + "." + sf.FldName + " from " +
                      std::to_string(fields[f]->FldType()) + " to " + std::to_string(sf.FldType));
      else if (!schemaFieldMatches(sf, *fields[f]))
        out.push_back("changed field " + T + "." + sf.FldName);
    }
    for (size_t n = 0; n < fields.size(); ++n)
      if (!seen[n]) out.push_back("removed field " + T + "." + fields[n]->FldName());
    if (t.TblType() == "TABLE" && core::SortTextLines(t.TblKey()) != core::SortTextLines(r.TblKey))
      out.push_back("changed key of table " + T);
  }
  for (size_t n = 0; n < tables.size(); ++n)
    if (!matched[n] && isTableOrView(tables[n]->TblType()))
      out.push_back("removed " + std::string(label(tables[n]->TblType())) + tables[n]->TblName());
  return out;
}

// ---- Attribute copies ---------------------------------------------------------------------

void UpdateTableFromSchema(model::RUZTable& t, const schema::AGSchemaTable& src, bool isNew) {
  t.setTblUpdatable(src.TblUpdatable);
  t.setTblSQL(src.TblSQL);
  if (isNew) {
    t.setTblType(src.TblType);
    t.setTblGen(src.TblGen);
    t.setTblKey(src.TblKey);
    t.setTblLoaded(true);
    t.LoadTableDefault();
  } else if (t.TblKey().empty()) {
    t.setTblKey(src.TblKey);
  }
}

void UpdateFieldFromSchema(model::RUZField& f, const schema::AGSchemaField& src, bool isNew) {
  f.setFldType(src.FldType);
  f.setFldTypeName(src.FldTypeName);
  f.setFldIsPrimaryKey(src.FldIsPrimaryKey);
  f.setFldAutoIncrement(src.FldAutoIncrement);
  f.setFldAttribute(src.FldAttribute);
  f.setFldReq(src.FldReq);
  f.setFldSize(src.FldSize);
  f.setFldSupport(src.FldSupport);
  f.setFldUniqueIdx(src.FldUniqueIdx);
  f.setFldZeroLen(src.FldZeroLen);
  f.setFldQuoteS(src.FldQuoteS);
  f.setFldQuoteE(src.FldQuoteE);
  if (enumOrSet(src.FldTypeName)) {
    f.setFldTagValues(src.FldTagValues);
    f.setValue("FldDefault", src.FldDefault);
  }
  if (isNew) {
    f.setFldGenerate(src.FldSupport);
    f.setFldRequired(src.FldReq);
    f.setFldCaption(src.FldCaption);
    f.LoadFldDefault();
  }
}

void UpdateFieldFromField(model::RUZField& f, model::RUZField& src, bool isNew) {
  schema::AGSchemaField r;
  r.FldType = src.FldType();
  r.FldTypeName = src.FldTypeName();
  r.FldIsPrimaryKey = src.FldIsPrimaryKey();
  r.FldAutoIncrement = src.FldAutoIncrement();
  r.FldAttribute = src.FldAttribute();
  r.FldReq = src.FldReq();
  r.FldSize = src.FldSize();
  r.FldSupport = src.FldSupport();
  r.FldUniqueIdx = src.FldUniqueIdx();
  r.FldZeroLen = src.FldZeroLen();
  r.FldQuoteS = src.FldQuoteS();
  r.FldQuoteE = src.FldQuoteE();
  r.FldTagValues = src.FldTagValues();
  r.FldDefault = src.value("FldDefault");
  r.FldCaption = src.FldCaption();
  UpdateFieldFromSchema(f, r, isNew);
}

// The words the two field passes record with: the table synchronisation's and the custom
// view's differ, as earlier logs show them.
struct FieldWords {
  const char* changedType;
  const char* added;
  bool extensionsBeforeCopy;
};
constexpr FieldWords kTableWords{"Changed type from ", "Added field", false};
constexpr FieldWords kCustomViewWords{"Change type from ", "Add field", true};

// Marks each field whose name and type the record repeats and refreshes its attributes.
void markExactFields(model::RUZTable& t, const schema::AGSchemaTable& r) {
  for (int32_t k = 1; k <= fieldCount(r); ++k) {
    const schema::AGSchemaField& sf = field(r, k);
    for (const Ref<model::RUZField>& f : fieldsOf(t))
      if (!f->FldSync() && f->FldName() == sf.FldName && f->FldType() == sf.FldType) {
        f->setFldSync(true);
        UpdateFieldFromSchema(*f, sf, false);
        break;
      }
  }
}

// Retypes the fields whose type changed and adds those the record has anew; both get their
// generation defaults for the new type.
void followChangedFields(project::RUZ& proj, model::RUZTable& t, const schema::AGSchemaTable& r,
                         SyncLog& log, const FieldWords& words) {
  const std::string T = t.TblName();
  Ref<model::RUZFields> fields = t.Fields();
  for (int32_t k = 1; k <= fieldCount(r); ++k) {
    const schema::AGSchemaField& sf = field(r, k);
    Ref<model::RUZField> f;
    bool changed = false, added = false;
    if (fields->FieldExist(Variant(sf.FldName))) {
      f = fields->Item(Variant(sf.FldName));
      if (f->FldType() != sf.FldType) {
        f->setFldSyncMessage(words.changedType + std::to_string(f->FldType()) + " to " +
                             std::to_string(sf.FldType));
        add(log, "C", "Field", T, sf.FldName, f->FldSyncMessage());
        changed = true;
      }
    } else if (fields->Add(T, sf.FldName)) {
      f = fields->Item(Variant(sf.FldName));
      f->setFldSyncMessage(words.added);
      add(log, "A", "Field", T, sf.FldName, words.added);
      changed = added = true;
    }
    if (!changed || !f) continue;
    extensions::ProjectAccess access = proj.extensionAccess();
    if (words.extensionsBeforeCopy && added)
      extensions::AddFieldExtensionDefaults(access, T, sf.FldName);
    f->setFldSync(true);
    UpdateFieldFromSchema(*f, sf, true);
    if (!words.extensionsBeforeCopy) extensions::AddFieldExtensionDefaults(access, T, sf.FldName);
  }
}

// ---- Rename mapping -----------------------------------------------------------------------

std::string MapRenamedObjects(SyncRun& run, std::string filter) {
  std::map<std::string, std::string, NoCaseLess> renamed; // new table name -> old
  run.log.clear();
  Ref<model::RUZTables> tables = run.db.Tables();
  auto renameTable = [&](const std::string& type, const std::string& from, const std::string& to) {
    tables->Change(from, to);
    if (filter == from) filter = to;
    if (tables->TableExist(Variant(to))) {
      add(run.log, "C", type, from, "", "Rename " + from + " to " + to, to);
      renamed.emplace(to, from);
    }
  };
  for (auto [kind, label] : {std::pair<std::string, std::string>{"TABLE", "table"},
                             std::pair<std::string, std::string>{"VIEW", "view"}}) {
    std::vector<std::string> newNames, oldNames;
    std::vector<Ref<model::RUZTable>> all = tablesOf(run.db);
    for (const Ref<model::RUZTable>& t : all)
      if (t->TblType() == kind) {
        t->setTblSync(false);
        for (const Ref<model::RUZField>& f : fieldsOf(*t))
          f->setFldSync(false);
      }
    for (int32_t i = 1; i <= tableCount(run.catalogue); ++i) {
      const schema::AGSchemaTable& r = record(run.catalogue, i);
      if (r.TblType != kind) continue;
      Ref<model::RUZTable> hit;
      for (const Ref<model::RUZTable>& t : all)
        if (t->TblType() == kind && !t->TblSync() && t->TblName() == r.TblName) {
          hit = t;
          break;
        }
      if (hit)
        hit->setTblSync(true);
      else
        newNames.push_back(r.TblName);
    }
    // A name that changed only in letter case is the same table: rename it in place so its
    // settings stay, rather than offering it for mapping or dropping it.
    for (auto it = newNames.begin(); it != newNames.end();) {
      Ref<model::RUZTable> twin;
      for (const Ref<model::RUZTable>& t : all)
        if (t->TblType() == kind && !t->TblSync() && text::equalsNoCase(t->TblName(), *it)) {
          twin = t;
          break;
        }
      if (!twin) {
        ++it;
        continue;
      }
      std::string from = twin->TblName();
      renameTable(kind, from, *it);
      twin->setTblSync(true);
      it = newNames.erase(it);
    }
    for (const Ref<model::RUZTable>& t : all)
      if (t->TblType() == kind && !t->TblSync() && (filter.empty() || filter == t->TblName()))
        oldNames.push_back(t->TblName());
    if (newNames.empty() || oldNames.empty()) continue;
    std::vector<std::string> answer =
        showMappingDialog("New " + label + " found in schema",
                          "To use old settings, please select the old " + label +
                              "(s) which you would like to map to the new " + label + "(s)",
                          "New " + label, "Old " + label, newNames, oldNames);
    for (size_t n = 0; n < newNames.size(); ++n)
      if (answer[n] != newNames[n]) renameTable(kind, answer[n], newNames[n]);
  }

  for (int32_t i = 1; i <= tableCount(run.catalogue); ++i) {
    const schema::AGSchemaTable& r = record(run.catalogue, i);
    if (!filter.empty() && filter != r.TblName) continue;
    for (const Ref<model::RUZTable>& t : tablesOf(run.db)) {
      if (!isTableOrView(t->TblType()) || t->TblType() != r.TblType || t->TblName() != r.TblName ||
          !t->TblLoaded())
        continue;
      std::vector<Ref<model::RUZField>> fields = fieldsOf(*t);
      std::vector<std::string> newNames, oldNames;
      for (int32_t k = 1; k <= fieldCount(r); ++k) {
        Ref<model::RUZField> hit;
        for (const Ref<model::RUZField>& f : fields)
          if (!f->FldSync() && f->FldName() == field(r, k).FldName) {
            hit = f;
            break;
          }
        if (hit)
          hit->setFldSync(true);
        else
          newNames.push_back(field(r, k).FldName);
      }
      const std::string tableName = t->TblName();
      auto oldTable = [&] {
        auto it = renamed.find(tableName);
        return it == renamed.end() ? tableName : it->second;
      };
      auto renameField = [&](const std::string& from, const std::string& to) {
        t->Fields()->Change(tableName, from, to);
        if (t->Fields()->FieldExist(Variant(to)) && exactField(*t, to))
          add(run.log, "C", "Field", oldTable(), from, "Rename " + from + " to " + to, t->TblName(),
              to);
      };
      for (auto it = newNames.begin(); it != newNames.end();) {
        Ref<model::RUZField> twin;
        for (const Ref<model::RUZField>& f : fields)
          if (!f->FldSync() && text::equalsNoCase(f->FldName(), *it)) {
            twin = f;
            break;
          }
        if (!twin) {
          ++it;
          continue;
        }
        renameField(twin->FldName(), *it);
        twin->setFldSync(true);
        it = newNames.erase(it);
      }
      for (const Ref<model::RUZField>& f : fields)
        if (!f->FldSync()) oldNames.push_back(f->FldName());
      if (newNames.empty() || oldNames.empty()) continue;
      std::vector<std::string> answer = showMappingDialog(
          "Table: " + tableName + " - New fields found in schema",
          "To use old settings, please select the old fields which you would like to map to the "
          "new fields",
          "New field", "Old field", newNames, oldNames);
      for (size_t n = 0; n < newNames.size(); ++n)
        if (answer[n] != newNames[n]) renameField(answer[n], newNames[n]);
    }
  }
  return filter;
}

// ---- Table and view synchronisation -------------------------------------------------------

void SyncTables(SyncRun& run, const std::string& filter) {
  core::State& ctx = core::state();
  project::RUZ& proj = run.project;
  model::RUZDatabase& db = run.db;
  db.setDBDotNetConnectionString(run.catalogue.DBDotNetConnectionString);
  db.setDBDBMSVer(run.catalogue.DBDBMSVer);
  int16_t date = 0;
  try {
    date = proj.defaultDateFormat();
  } catch (const automation::Error&) {
  }
  project::projectState().DateFormatCode = date;
  ctx.SecurityDefault = db.SecDefault();
  StatusWindow window(proj, " - Synchronizing Tables and Views...");
  auto passes = [&](const std::string& name) { return filter.empty() || filter == name; };
  Ref<model::RUZTables> tables = db.Tables();

  for (const Ref<model::RUZTable>& t : tablesOf(db)) {
    if (!passes(t->TblName()) || !isTableOrView(t->TblType())) continue;
    t->setTblSync(false);
    t->setTblSyncMessage("");
    for (const Ref<model::RUZField>& f : fieldsOf(*t)) {
      f->setFldSync(false);
      f->setFldSyncMessage("");
    }
  }

  for (int32_t i = 1; i <= tableCount(run.catalogue); ++i) {
    const schema::AGSchemaTable& r = record(run.catalogue, i);
    if (!passes(r.TblName)) continue;
    Ref<model::RUZTable> t;
    for (const Ref<model::RUZTable>& c : tablesOf(db))
      if (isTableOrView(c->TblType()) && !c->TblSync() && c->TblType() == r.TblType &&
          c->TblName() == r.TblName) {
        t = c;
        break;
      }
    if (!t) continue;
    t->setTblSync(true);
    if (!t->TblLoaded()) continue;
    UpdateTableFromSchema(*t, r, false);
    const std::string T = t->TblName();
    Ref<model::RUZFields> fields = t->Fields();
    markExactFields(*t, r);
    followChangedFields(proj, *t, r, run.log, kTableWords);
    fields->SetSeq(1);
    if (t->TblType() == "TABLE" &&
        core::SortTextLines(t->TblKey()) != core::SortTextLines(r.TblKey)) {
      // Closing the question without an answer keeps the key the user had.
      size_t choice = platform::ui::current().choose(
          "Primary key for \"" + T + "\" has been modified. Keep/Update primary Key?",
          {"Keep", "Update"}, 0, ctx.DisplayName);
      if (choice == 1) {
        t->setTblSyncMessage("Changed key from " + t->TblKey() + " to " + r.TblKey);
        add(run.log, "C", t->TblType(), T, "", t->TblSyncMessage());
        t->setTblKey(r.TblKey);
      }
    }
    RestoreTableKeys(*t);
  }

  for (int32_t i = 1; i <= tableCount(run.catalogue); ++i) {
    const schema::AGSchemaTable& r = record(run.catalogue, i);
    if (!passes(r.TblName)) continue;
    bool changed = false;
    Ref<model::RUZTable> t;
    if (tables->TableExist(Variant(r.TblName))) {
      t = tables->Item(Variant(r.TblName));
      // A table already matched is in step; only a table of another kind is retyped.
      if (!t->TblSync() && t->TblType() != r.TblType) {
        const std::string oldType = t->TblType();
        t->setTblSyncMessage("Changed type from " + oldType + " to " + r.TblType);
        add(run.log, "C", oldType, r.TblName, "", t->TblSyncMessage());
        changed = true;
        for (const Ref<model::RUZField>& f : fieldsOf(*t)) {
          add(run.log, "D", "Field", t->TblName(), f->FldName(), "Delete field");
          t->Fields()->Delete(t->TblName(), Variant(f->FldName()));
        }
      }
    } else if (tables->Add(r.TblName)) {
      t = tables->Item(Variant(r.TblName));
      t->setTblSyncMessage("Add " + r.TblType);
      add(run.log, "A", r.TblType, r.TblName, "", t->TblSyncMessage());
      changed = true;
    }
    if (!changed || !t) continue;
    t->setTblSync(true);
    t->setTblType(r.TblType);
    if (proj.DynamicLoadDB()) {
      t->setTblLoaded(false);
      t->setTblGen(false);
      continue;
    }
    UpdateTableFromSchema(*t, r, true);
    const std::string T = t->TblName();
    for (int32_t k = 1; k <= fieldCount(r); ++k) {
      const schema::AGSchemaField& sf = field(r, k);
      if (!t->Fields()->Add(T, sf.FldName)) continue;
      Ref<model::RUZField> f = t->Fields()->Item(Variant(sf.FldName));
      f->setFldSyncMessage("New field");
      add(run.log, "A", "Field", T, sf.FldName, "New field");
      UpdateFieldFromSchema(*f, sf, true);
      f->setFldSync(true);
    }
    extensions::ProjectAccess access = proj.extensionAccess();
    extensions::AddTableExtensionDefaults(access, T);
  }

  for (const Ref<model::RUZTable>& t : tablesOf(db)) {
    if (!passes(t->TblName()) || !isTableOrView(t->TblType())) continue;
    const std::string T = t->TblName();
    if (t->TblSync()) {
      for (const Ref<model::RUZField>& f : fieldsOf(*t))
        if (!f->FldSync()) {
          add(run.log, "D", "Field", T, f->FldName(), "Delete field");
          t->Fields()->Delete(T, Variant(f->FldName()));
        }
    } else {
      add(run.log, "D", t->TblType(), T, "", "Delete table");
      for (const Ref<model::RUZField>& f : fieldsOf(*t))
        add(run.log, "D", "Field", T, f->FldName(), "Delete field");
      tables->Delete(T);
    }
  }
  tables->SetSeq(1);
}

// ---- Custom views and reports --------------------------------------------------------------

namespace {

// The project table of that name and kind; an unknown name is reported.
Ref<model::RUZTable> tableOfKind(model::RUZDatabase& db, const std::string& name,
                                 const std::string& type, const char* what) {
  Ref<model::RUZTables> tables = db.Tables();
  Ref<model::RUZTable> t =
      tables->TableExist(Variant(name)) ? tables->Item(Variant(name)) : Ref<model::RUZTable>();
  if (!t || t->TblType() != type) {
    core::state().setProjErr(std::string(what) + " " + name + " not found!");
    return nullptr;
  }
  return t;
}

void refreshCopies(project::RUZ& proj, model::RUZDatabase& db) {
  int16_t date = 0;
  try {
    date = proj.defaultDateFormat();
  } catch (const automation::Error&) {
  }
  project::projectState().DateFormatCode = date;
  core::state().SecurityDefault = db.SecDefault();
}

} // namespace

void SyncCustom(project::RUZ& proj, model::RUZDatabase& db, SyncLog& log, const std::string& name,
                const std::string& connStr, bool fullRun) {
  core::State& ctx = core::state();
  Ref<model::RUZTable> t = tableOfKind(db, name, "CUSTOMVIEW", "Custom view");
  if (!t) return;
  const std::string T = t->TblName();
  auto reader = automation::makeRef<schema::RUZSchema>();
  ctx.ProjErr.clear();
  int16_t rc = 1;
  try {
    rc = reader->LoadADOCustomView(connStr, T, t->TblCustomSQL());
  } catch (const automation::Error& e) {
    ctx.ProjErr = e.description();
  }
  if (rc != 0 || !ctx.ProjErr.empty()) {
    if (ctx.ProjErr.empty()) ctx.ProjErr = "Load Database failed!";
    t->setTblCustomError(ctx.ProjErr);
    t->setTblSyncMessage(t->TblCustomError());
    add(log, "C", t->TblType(), T, "", t->TblSyncMessage());
    ctx.ProjErr.clear();
    return;
  }
  const schema::AGSchemaTable* view = customViewRecord(*reader);
  if (!view) return;
  const schema::AGSchemaTable& r = *view;
  t->setTblCustomError("");
  for (const Ref<model::RUZField>& f : fieldsOf(*t))
    f->setFldSync(false);
  UpdateTableFromSchema(*t, r, false);
  markExactFields(*t, r);
  followChangedFields(proj, *t, r, log, kCustomViewWords);
  Ref<model::RUZFields> fields = t->Fields();
  for (const Ref<model::RUZField>& f : fieldsOf(*t))
    if (!f->FldSync()) {
      add(log, "D", "Field", T, f->FldName(), "Delete field");
      fields->Delete(T, Variant(f->FldName()));
    }
  if (!t->TblKey().empty()) RestoreTableKeys(*t);
  t->ParseCustomSql();
  fields->SetSeq(1);
  if (fullRun) return;
  for (const Ref<model::RUZTable>& rpt : tablesOf(db))
    if (rpt->TblType() == "REPORT" && rpt->TblRptSrc() == T)
      SyncReport(proj, db, log, rpt->TblName());
}

void SyncReport(project::RUZ& proj, model::RUZDatabase& db, SyncLog& log, const std::string& name) {
  core::State& ctx = core::state();
  Ref<model::RUZTable> rpt = tableOfKind(db, name, "REPORT", "Report");
  if (!rpt) return;
  const std::string R = rpt->TblName();
  Ref<model::RUZTable> src;
  for (const Ref<model::RUZTable>& t : tablesOf(db))
    if (t->TblName() == rpt->TblRptSrc()) {
      src = t;
      break;
    }
  if (!src || !src->TblCustomError().empty()) {
    rpt->setTblCustomError(ctx.DisplayName +
                           (src ? ": Source Table Error" : ": Source Table not found"));
    rpt->setTblSyncMessage(rpt->TblCustomError());
    add(log, "C", rpt->TblType(), R, "", rpt->TblSyncMessage());
    return;
  }
  // The report copies its source's attributes, not its name, kind or key.
  rpt->setTblUpdatable(src->TblUpdatable());
  rpt->setTblSQL(src->TblSQL());
  if (rpt->TblKey().empty()) rpt->setTblKey(src->TblKey());
  std::vector<Ref<model::RUZField>> srcFields = fieldsOf(*src);
  for (const Ref<model::RUZField>& f : fieldsOf(*rpt))
    f->setFldSync(false);
  for (const Ref<model::RUZField>& f : srcFields)
    f->setFldSync(false);
  for (const Ref<model::RUZField>& sf : srcFields)
    for (const Ref<model::RUZField>& rf : fieldsOf(*rpt))
      if (!rf->FldSync() && rf->FldName() == sf->FldName()) {
        UpdateFieldFromField(*rf, *sf, false);
        rf->setFldAlias(sf->FldAlias());
        rf->setFldSourceName(sf->FldSourceName());
        rf->setFldSourceTable(sf->FldSourceTable());
        rf->setFldSourceField(sf->FldSourceField());
        rf->setFldSync(true);
        sf->setFldSync(true);
        break;
      }
  Ref<model::RUZFields> fields = rpt->Fields();
  for (const Ref<model::RUZField>& sf : srcFields) {
    if (sf->FldSync() || !fields->Add(R, sf->FldName())) continue;
    Ref<model::RUZField> f = fields->Item(Variant(sf->FldName()));
    f->setFldSyncMessage("Add field");
    add(log, "A", "Field", R, sf->FldName(), "Add field");
    f->setFldSync(true);
    UpdateFieldFromField(*f, *sf, true);
    extensions::ProjectAccess access = proj.extensionAccess();
    extensions::AddFieldExtensionDefaults(access, R, sf->FldName());
  }
  for (const Ref<model::RUZField>& f : fieldsOf(*rpt))
    if (!f->FldSync()) {
      add(log, "D", "Field", R, f->FldName(), "Delete field");
      fields->Delete(R, Variant(f->FldName()));
    }
  fields->SetSeq(1);
  rpt->setTblCustomError("");
}

void SyncCustomViews(SyncRun& run, const std::string& connStr) {
  refreshCopies(run.project, run.db);
  StatusWindow window(run.project, " - Synchronizing Custom Views...");
  for (const Ref<model::RUZTable>& t : tablesOf(run.db))
    if (t->TblType() == "CUSTOMVIEW")
      SyncCustom(run.project, run.db, run.log, t->TblName(), connStr, true);
  run.db.Tables()->SetSeq(1);
}

void SyncReports(SyncRun& run) {
  refreshCopies(run.project, run.db);
  StatusWindow window(run.project, " - Synchronizing Reports...");
  for (const Ref<model::RUZTable>& t : tablesOf(run.db))
    if (t->TblType() == "REPORT") SyncReport(run.project, run.db, run.log, t->TblName());
  run.db.Tables()->SetSeq(1);
}

} // namespace quillet::sync
