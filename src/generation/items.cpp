// Generation items: what a list run offers the user, the choice kept in the project as
// generation lists, and the output file name of every control.
#include "generation/generator.h"
#include "platform/automation/convert.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"

namespace quillet::generation {

namespace text = ::quillet::platform::text;

namespace {

std::string trimBlanks(const std::string& s) {
  return std::string(platform::text::trim(s));
}

std::vector<std::string> splitAt(const std::string& s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t p = s.find(sep, start);
    parts.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
    if (p == std::string::npos) break;
    start = p + 1;
  }
  return parts;
}

std::string buildGenList(model::AGControlItems& items) {
  std::string list;
  for (int32_t i = 1; i <= items.Count(); ++i) {
    Ref<model::AGControlItem> it = items.Item(Variant(i));
    if (!it) continue;
    if (!list.empty()) list += ',';
    list += it->ItemId + "=" + (it->ItemGen ? "1" : "0");
  }
  return list;
}

void purgeAll(model::AGControlItems& items) {
  for (int32_t i = items.Count(); i >= 1; --i) {
    Ref<model::AGControlItem> it = items.Item(Variant(i));
    if (it) items.Delete(Variant(it->ItemId));
  }
}

} // namespace

std::vector<std::string> splitGenList(const std::string& list) {
  std::string t = trimBlanks(list);
  if (t.empty()) return {};
  return splitAt(t, ',');
}

void ApplyGenList(model::AGControlItem& item, const std::vector<std::string>& entries) {
  const std::string prefix = item.ItemId + "=";
  for (const std::string& e : entries) {
    if (e.compare(0, prefix.size(), prefix) != 0) continue;
    item.ItemGen = e.size() > prefix.size() && e[prefix.size()] == '1';
    return;
  }
}

std::string JoinOutputName(const std::string& tblVar, const std::string& fldVar,
                           const std::string& baseName, const std::string& position,
                           const std::string& extra, bool lowerCase) {
  std::string stem = fldVar.empty() ? tblVar : tblVar + "_" + fldVar;
  std::string pos = text::toLower(position);
  std::string name;
  if (pos == "prefix")
    name = extra + stem + baseName;
  else if (pos == "infix")
    name = stem.empty() ? baseName : stem + extra + baseName;
  else if (pos == "suffix")
    name = stem + baseName + extra;
  else
    name = stem + baseName;
  return lowerCase ? text::toLower(name) : name;
}

bool Generator::isParticipating(model::RUZTable& table) {
  return table.TblGen() || !table.TblSysGenUnits().empty();
}

std::vector<Ref<model::RUZTable>> Generator::tablesInSeq() {
  std::vector<Ref<model::RUZTable>> out;
  Ref<model::RUZDatabase> db = proj_.DB();
  if (!db) return out;
  Ref<model::RUZTables> tables = db->Tables();
  int32_t n = tables->Count();
  // A number that no table carries is passed over rather than taken for a table.
  for (int32_t i = 1; i <= n; ++i)
    if (Ref<model::RUZTable> t = tables->Seq(i)) out.push_back(t);
  return out;
}

bool Generator::MatchTableControl(model::RUZTable& table, const std::string& ctrlId,
                                  const std::string& ctrlType, const std::string& ctrlCond) {
  bool result = table.TblGen();
  std::string units = table.TblSysGenUnits();
  if (!units.empty())
    for (const std::string& piece : splitAt(units, ','))
      if (piece == ctrlId) result = true;
  if (!result) return false;
  std::string type = table.TblType();
  bool fits =
      (ctrlType == "table" && (type == "TABLE" || type == "VIEW" || type == "CUSTOMVIEW")) ||
      (ctrlType == "report" && type == "REPORT");
  if (!fits) return false;
  if (Ref<model::RUZDatabase> db = proj_.DB()) db->Tables()->SetItem(Variant(table.TblName()));
  return EvalCondition(ctrlCond);
}

int32_t Generator::CountSelectedUnits() {
  int32_t total = 0;
  auto countList = [&](model::AGControlItems& items) {
    for (int32_t i = 1; i <= items.Count(); ++i) {
      Ref<model::AGControlItem> it = items.Item(Variant(i));
      if (!it || !it->ItemGen) continue;
      for (int32_t c = 1; c <= Controls().Count(); ++c) {
        Ref<RUZControl> ctrl = Controls().Item(Variant(c));
        if (ctrl && ctrl->CtrlID == it->ItemId && EvalCondition(ctrl->CtrlCond)) ++total;
      }
    }
  };
  countList(*proj_.ControlList());
  for (const Ref<model::RUZTable>& t : tablesInSeq()) {
    // Only tables that take part produce units; stale items of others add nothing.
    if (!isParticipating(*t)) continue;
    setCurrentTable(t.get());
    countList(*t->ControlList());
  }
  return total;
}

void Generator::PurgeControlItems() {
  purgeAll(*proj_.ControlList());
  for (const Ref<model::RUZTable>& t : tablesInSeq()) {
    if (!isParticipating(*t)) continue;
    purgeAll(*t->ControlList());
    setCurrentTable(nullptr);
  }
}

void Generator::BuildControlItems() {
  std::vector<Ref<model::RUZTable>> tables = tablesInSeq();
  for (int32_t c = 1; c <= Controls().Count(); ++c) {
    Ref<RUZControl> ctrl = Controls().Item(Variant(c));
    if (!ctrl) continue;
    std::string remark = ctrl->CtrlRemark;
    if (!ctrl->CtrlExt.empty()) {
      if (!remark.empty()) remark += " ";
      remark += "(" + ctrl->CtrlExt + ")";
    }
    std::string type = text::toLower(ctrl->CtrlType);
    if (type == "function" || type == "folder" || type == "field") continue;
    if (type == "table" || type == "report") {
      for (const Ref<model::RUZTable>& t : tables) {
        setCurrentTable(t.get());
        if (isParticipating(*t) && MatchTableControl(*t, ctrl->CtrlID, type, ctrl->CtrlCond))
          t->ControlList()->Add(ctrl->CtrlID, GetOutputFileName(*ctrl, t->TblVar(), ""), true,
                                remark);
        setCurrentTable(nullptr);
      }
    } else if (EvalCondition(ctrl->CtrlCond)) {
      proj_.ControlList()->Add(ctrl->CtrlID, GetOutputFileName(*ctrl, "", ""), true, remark);
    }
  }
  LoadGenLists();
}

void Generator::LoadGenLists() {
  auto apply = [](model::AGControlItems& items, const std::vector<std::string>& entries) {
    if (entries.empty()) return;
    for (int32_t i = 1; i <= items.Count(); ++i)
      if (Ref<model::AGControlItem> it = items.Item(Variant(i))) ApplyGenList(*it, entries);
  };
  apply(*proj_.ControlList(), splitGenList(proj_.OtherGenList()));
  for (const Ref<model::RUZTable>& t : tablesInSeq())
    apply(*t->ControlList(), splitGenList(t->TblGenList()));
}

void Generator::SaveGenLists() {
  proj_.setOtherGenList(buildGenList(*proj_.ControlList()));
  for (const Ref<model::RUZTable>& t : tablesInSeq())
    if (isParticipating(*t)) t->setTblGenList(buildGenList(*t->ControlList()));
}

std::string Generator::MakeOutputName(const std::string& tblVar, const std::string& fldVar,
                                      const std::string& baseName) {
  return JoinOutputName(tblVar, fldVar, baseName, proj_.OutputNameType(), proj_.OutputNameExt(),
                        proj_.OutputNameLCase());
}

std::string Generator::GetOutputFileName(RUZControl& ctrl, const std::string& tblVar,
                                         const std::string& fldVar) {
  std::string base = ctrl.CtrlOFile;
  std::string ext = automation::CStr(proj_.ResolveLangExt(Variant(ctrl.CtrlOExt)));
  if (proj_.AppCompat() && !ctrl.CtrlOFileCompat.empty()) base = ctrl.CtrlOFileCompat;
  std::string type = text::toLower(ctrl.CtrlType);
  if (type == "copy") {
    if (ctrl.CtrlOFile.empty()) {
      if (!ctrl.CtrlIFiles.empty()) return ctrl.CtrlIFiles;
      if (!ctrl.CtrlID.empty()) return ctrl.CtrlID;
    }
  } else if (type == "other") {
    base = MakeOutputName("", "", base);
  } else if (type == "table" || type == "report") {
    base = MakeOutputName(tblVar, "", base);
  } else if (type == "field") {
    base = MakeOutputName(tblVar, fldVar, base);
  }
  if (text::toLower(ctrl.CtrlParm) == "usecompatversion")
    base += std::to_string(proj_.AppCompatVersion());
  if (proj_.OutputNameLCase()) {
    base = text::toLower(base);
    ext = text::toLower(ext);
  }
  return ext.empty() ? base : base + "." + ext;
}

} // namespace quillet::generation
