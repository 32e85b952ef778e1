#include <algorithm>
#include <limits>

#include "core/dialect.h"
#include "core/state.h"
#include "core/text_helpers.h"
#include "platform/automation/convert.h"
#include "schema/listing.h"
#include "schema/project_sinks.h"
#include "schema/record_sinks.h"

namespace quillet::schema {

namespace {

int32_t clampSize(int64_t size) {
  return static_cast<int32_t>(std::clamp<int64_t>(size, 0, std::numeric_limits<int32_t>::max()));
}

// The PostgreSQL driver cannot tell long text from short: above 8000 characters a text
// column is long text.
int widenedPgType(int type, int64_t size) {
  if (type == 200 && size > 8000) return 201;
  if (type == 202 && size > 8000) return 203;
  return type;
}

} // namespace

// ---- project ----

void ProjectFieldSink::loadAdo(const data::ColumnInfo& c, data::DatabaseKind kind) {
  f_.setFldName(c.name);
  TypeFacts t = adoTypeMap(c.type, kind);
  f_.setFldType(static_cast<int16_t>(t.type));
  if (f_.FldTypeName().empty()) f_.setFldTypeName(core::AdoTypeName(c.type, c.precision));
  f_.setFldSupport(t.support);
  if (t.quotes) {
    f_.setFldQuoteS(t.quotes->first);
    f_.setFldQuoteE(t.quotes->second);
  }
  f_.setFldSize(clampSize(c.definedSize));
  f_.setFldZeroLen(true);
  f_.setFldReq(false);
  f_.setFldUniqueIdx(false);
  f_.setFldAttribute(c.attributes);
  // A driver that cannot tell counts as "not auto-increment" rather than leaving the field
  // without its defaults.
  const bool autoInc = c.autoIncrement.value_or(false);
  f_.setFldAutoIncrement(autoInc);
  if (kind == data::DatabaseKind::PostgreSql) {
    f_.setFldType(static_cast<int16_t>(widenedPgType(t.type, c.definedSize)));
    if (!autoInc) f_.setFldAttribute(c.attributes | 4);
  }
  f_.LoadFldDefault();
}

void ProjectFieldSink::loadDao(const data::AccessColumn& c) {
  f_.setFldName(c.name);
  TypeFacts t = daoTypeMap(c.type);
  f_.setFldType(static_cast<int16_t>(t.type));
  f_.setFldSupport(t.support);
  if (t.quotes) {
    f_.setFldQuoteS(t.quotes->first);
    f_.setFldQuoteE(t.quotes->second);
  }
  f_.setFldSize(clampSize(c.size));
  f_.setFldUniqueIdx(false);
  f_.setFldAttribute(daoAttributeMask(c.attributes, c.required));
  f_.setFldAutoIncrement((c.attributes & 16) == 16);
  f_.setFldZeroLen(c.allowZeroLength);
  f_.setFldReq(c.required);
  if (!c.caption.empty()) f_.setFldCaption(c.caption);
  // The column's own default, so that a GUID key filled by GenGUID() is recognised as one
  // the database fills.
  if (!c.defaultValue.empty()) f_.setFldDefault(Variant(c.defaultValue));
  f_.LoadFldDefault();
}

void ProjectFieldSink::setTagValues(const std::string& values, const std::string& htmlTag) {
  f_.setFldTagValues(values);
  if (!htmlTag.empty()) f_.setFldHtmlTag(htmlTag);
}

std::string ProjectFieldSink::defaultText() {
  return textOf(f_.FldDefault());
}

ProjectFieldSink* ProjectTableSink::sinkFor(model::RUZField* f) {
  if (!f) return nullptr;
  for (auto& [field, sink] : sinks_)
    if (field == f) return sink.get();
  sinks_.emplace_back(f, std::make_unique<ProjectFieldSink>(*f));
  return sinks_.back().second.get();
}

FieldSink* ProjectTableSink::addField(const std::string& name) {
  Ref<model::RUZFields> fields = t_.Fields();
  if (!fields->Add(t_.nameCopy(), name)) return nullptr;
  return sinkFor(fields->Item(Variant(name)).get());
}

FieldSink* ProjectTableSink::field(const std::string& name) {
  for (auto& f : t_.Fields()->items().list())
    if (f->FldName() == name) return sinkFor(f.get());
  return nullptr;
}

size_t ProjectTableSink::fieldCount() {
  return static_cast<size_t>(t_.Fields()->Count());
}

FieldSink* ProjectTableSink::fieldAt(size_t i) {
  return sinkFor(t_.Fields()->items().list().at(i).get());
}

void ProjectTableSink::duplicateColumn(const std::string& name, bool) {
  setGen(false);
  t_.setTblError(core::state().DisplayName + ": Duplicate Column Name - " + name +
                 " found! ASP scripts may not be generated correctly! Please rename duplicated "
                 "field names to ensure correct generation!");
}

// ---- records ----

void RecordFieldSink::loadAdo(const data::ColumnInfo& c, data::DatabaseKind kind) {
  AGSchemaField& r = f();
  r.FldName = c.name;
  TypeFacts t = adoTypeMap(c.type, kind);
  r.FldType = static_cast<int16_t>(t.type);
  if (r.FldTypeName.empty()) r.FldTypeName = core::AdoTypeName(c.type, c.precision);
  r.FldSupport = t.support;
  if (t.quotes) {
    r.FldQuoteS = t.quotes->first;
    r.FldQuoteE = t.quotes->second;
  }
  r.FldSize = clampSize(c.definedSize);
  r.FldZeroLen = true;
  r.FldReq = false;
  r.FldUniqueIdx = false;
  r.FldAttribute = c.attributes;
  r.FldAutoIncrement = c.autoIncrement.value_or(false);
  if (kind == data::DatabaseKind::PostgreSql) {
    r.FldType = static_cast<int16_t>(widenedPgType(t.type, c.definedSize));
    if (!r.FldAutoIncrement) r.FldAttribute |= 4;
  }
}

void RecordFieldSink::loadDao(const data::AccessColumn& c) {
  AGSchemaField& r = f();
  r.FldDefault = c.defaultValue.empty() ? Variant() : Variant(c.defaultValue);
  r.FldZeroLen = c.allowZeroLength;
  r.FldReq = c.required;
  r.FldName = c.name;
  TypeFacts t = daoTypeMap(c.type);
  r.FldType = static_cast<int16_t>(t.type);
  r.FldSupport = t.support;
  if (t.quotes) {
    r.FldQuoteS = t.quotes->first;
    r.FldQuoteE = t.quotes->second;
  }
  r.FldSize = clampSize(c.size);
  r.FldAttribute = daoAttributeMask(c.attributes, c.required);
  if ((c.attributes & 16) == 16) r.FldAutoIncrement = true;
  r.FldCaption = !c.caption.empty() ? c.caption : core::NameToCaption(c.name);
}

std::string RecordFieldSink::defaultText() {
  return textOf(f().FldDefault);
}

RecordTableSink::RecordTableSink(AGSchemaTable& t) : t_(t) {
  if (t_.TblFields.Fld.empty()) t_.TblFields.Fld.resize(1); // element 0 stays empty
  for (size_t i = 1; i < t_.TblFields.Fld.size(); ++i)
    sinks_.push_back(std::make_unique<RecordFieldSink>(t_, i));
}

FieldSink* RecordTableSink::addField(const std::string& name) {
  auto& fields = t_.TblFields.Fld;
  fields.emplace_back();
  fields.back().FldName = name;
  fields.back().FldSeq = static_cast<int32_t>(fields.size() - 1);
  sinks_.push_back(std::make_unique<RecordFieldSink>(t_, fields.size() - 1));
  return sinks_.back().get();
}

FieldSink* RecordTableSink::field(const std::string& name) {
  for (auto& s : sinks_)
    if (s->name() == name) return s.get();
  return nullptr;
}

void RecordTableSink::finish() {
  t_.TblFldCnt = static_cast<int32_t>(t_.TblFields.Fld.size()) - 1;
}

} // namespace quillet::schema
