// The generation defaults of a field or table fresh from the catalogue.
#include "core/dialect.h"
#include "core/identifiers.h"
#include "core/loader_copies.h"
#include "core/state.h"
#include "core/text_helpers.h"
#include "model/field.h"
#include "model/table.h"
#include "platform/data/types.h"

namespace quillet::model {

namespace data = ::quillet::platform::data;

namespace {

bool isOneOf(int v, std::initializer_list<int> codes) {
  for (int c : codes)
    if (c == v) return true;
  return false;
}

data::DatabaseKind currentKind() {
  return data::databaseKind(core::loaderCopies().CurrentDBMSName);
}

} // namespace

void RUZField::LoadFldDefault() {
  setFldFmtType("None");
  setFldIncLeadDigit(-2);
  setFldUseParen(-2);
  setFldGpDigits(-2);
  setFldSelectType("Values");
  setFldViewTag("FORMATTED TEXT");
  setFldTagAPrefix("None");
  setFldRequired(false);
  setFldPopCalendar(false);
  setFldHtmlTagReadOnly(false);
  setFldSrchOpr2("");
  setFldOrderBy(0);
  setFldOrder("");
  setFldGroupBy(0);
  setFldGroupByType("");
  setFldGroupByInterval(0);
  setFldRowID(0);
  setFldColumnID(0);
  setFldColumnDateType("");
  setFldColumnDateSelect(false);
  setFldSummaryID(0);
  setFldSummaryType("");

  const bool support = FldSupport();
  const int type = FldType();
  const bool autoInc = FldAutoIncrement();
  const data::DatabaseKind kind = currentKind();
  const int16_t dateFormat = core::loaderCopies().DefaultDateFormat;

  setFldGenerate(support);
  setFldVar(core::MakeVarName(FldName(), "x_"));
  setFldList(support && !isOneOf(type, {201, 203, 204, 205}));
  setFldEdit(support);
  setFldAdd(autoInc ? false : support);
  if (kind == data::DatabaseKind::SqlServer && !autoInc && (FldAttribute() & (4 | 8)) == 0) {
    // Computed and other read-only columns get no add or edit control.
    setFldAdd(false);
    setFldEdit(false);
  }
  setFldView(support);

  // Edit control.
  if (autoInc) {
    setFldHtmlTag("");
  } else if (type == 11) {
    setFldHtmlTag("CHECKBOX");
    setFldTagValues(kind == data::DatabaseKind::Access ? "\"True\",\"True\"\r\n\"False\",\"False\""
                                                       : "\"1\",\"1\"\r\n\"0\",\"0\"");
  } else if (isOneOf(type, {141, 201, 203})) {
    setFldHtmlTag("TEXTAREA");
    setFldTagCols(35);
    setFldTagRows(4);
  } else if (isOneOf(type, {200, 202})) {
    setFldHtmlTag("TEXT");
    setFldTagSize(30);
    setFldTagMaxLength(FldSize());
  } else if (isOneOf(type, {7, 133, 135, 146})) {
    setFldHtmlTag("TEXT");
    if (dateFormat >= 5 && dateFormat <= 7) {
      setFldFmtType("Date/Time");
      setFldDtFormat(dateFormat);
    }
  } else if (type == 72) {
    setFldHtmlTag("TEXT");
    setFldTagSize(38);
    setFldTagMaxLength(38);
  } else if (isOneOf(type, {204, 205})) {
    setFldHtmlTag("FILE");
    setFldViewTag("IMAGE");
    setFldTagSize(30);
    setFldHrefFld(FldName());
  } else {
    setFldHtmlTag("TEXT");
    setFldTagSize(30);
  }

  // Validation. A field whose type changed (synchronisation re-derives defaults) must not
  // keep the check of its old type, so the rule starts from nothing.
  if (FldReq()) setFldRequired(true);
  setFldValidate("");
  if (isOneOf(type, {2, 3, 16, 17, 18, 19, 20, 21}))
    setFldValidate("INTEGER");
  else if (isOneOf(type, {4, 5, 6, 14, 131}))
    setFldValidate("FLOAT");
  else if (isOneOf(type, {7, 133, 135, 146})) {
    if (dateFormat == 5)
      setFldValidate("DATE");
    else if (dateFormat == 6)
      setFldValidate("USDATE");
    else if (dateFormat == 7)
      setFldValidate("EURODATE");
  } else if (type == 134)
    setFldValidate("TIME");
  else if (type == 72)
    setFldValidate("GUID");

  const bool textual = isOneOf(type, {129, 130, 200, 201, 202, 203});
  setFldSrchOpr(textual || type == 8 ? "LIKE" : "=");
  setFldSearch(false);
  const std::string tag = FldHtmlTag();
  setFldBasicSearch(support && textual && tag != "SELECT" && tag != "RADIO" && tag != "CHECKBOX");

  if (FldCaption().empty()) setFldCaption(core::NameToCaption(FldName()));
  setFldRepeatColumns(core::loaderCopies().RepeatColumns);
}

void RUZTable::LoadTableDefault() {
  const std::string name = TblName();
  const std::string type = TblType();
  setTblCaption(core::NameToCaption(name));
  setTblVar(core::MakeVarName(name, ""));
  setTblDefault(false);
  setTblList(true);
  const bool table = type == "TABLE";
  setTblAdd(table);
  setTblView(table);
  setTblEdit(table);
  setTblDelete(table);
  setTblCopy(table);
  if (table) setTblSQL("");
  const bool report = type == "REPORT";
  setTblUpdatable(!report);
  setTblSrchType(report ? "NONE" : "BASIC");
  setTblSecurity(core::state().SecurityDefault);
  if (!report) {
    // Straight into the bag: loading a table does not touch its menu items.
    setSetting<core::SettingType::Boolean>("TblGen", false);
    setTblRptSrc(name);
    setTblReportType("rpt");
  }
}

} // namespace quillet::model
