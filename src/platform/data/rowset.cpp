#include "platform/data/rowset.h"

#include "platform/text/casefold.h"

namespace quillet::platform::data {

using automation::Args;
using automation::raise;

namespace {

[[noreturn]] void itemNotFound(std::string_view what) {
  raise(adoerr::kItemNotFound,
        "Item cannot be found in the collection corresponding to the requested name or ordinal" +
            (what.empty() ? std::string(".") : std::string(": ") + std::string(what) + "."),
        "ADODB");
}

// A collection index: a number is an ordinal from 0, anything else a name.
std::optional<size_t> ordinalOf(const Variant& v, size_t count) {
  if (!v.isNumber()) return std::nullopt;
  double d = automation::CDbl(v);
  if (d < 0 || d >= static_cast<double>(count)) itemNotFound(automation::CStr(v));
  return static_cast<size_t>(d);
}

} // namespace

// ---- Property / Properties ------------------------------------------------------------

QUILLET_DEFINE_CLASS(Property) {
  b.get("Name", [](Property& p) { return p.name(); })
      .get("Value", [](Property& p) { return p.value(); })
      .get("Type", [](Property& p) { return static_cast<int32_t>(p.value().varType()); })
      .defaultMember("Value");
}

void Properties::add(std::string name, Variant value) {
  for (auto& p : items_)
    if (text::equalsNoCase(p->name(), name)) {
      p = automation::makeRef<Property>(std::move(name), std::move(value));
      return;
    }
  items_.push_back(automation::makeRef<Property>(std::move(name), std::move(value)));
}

const Property* Properties::find(std::string_view name) const {
  for (const auto& p : items_)
    if (text::equalsNoCase(p->name(), name)) return p.get();
  return nullptr;
}

Ref<Property> Properties::item(const Variant& index) const {
  if (auto ord = ordinalOf(index, items_.size())) return items_[*ord];
  std::string name = automation::CStr(index);
  if (const Property* p = find(name)) return Ref<Property>(const_cast<Property*>(p));
  itemNotFound(name);
}

QUILLET_DEFINE_CLASS(Properties) {
  b.get("Count", [](Properties& p) { return static_cast<int32_t>(p.count()); })
      .get("Item", [](Properties& p, Variant index) { return p.item(index); })
      .defaultMember("Item")
      .enumerator([](Properties& p) -> Ref<automation::Enumerator> {
        std::vector<Variant> all;
        for (size_t i = 0; i < p.count(); ++i)
          all.emplace_back(p.item(Variant(static_cast<int32_t>(i))));
        return automation::makeRef<automation::VectorEnumerator>(std::move(all));
      });
}

// ---- Field / Fields -------------------------------------------------------------------

const ColumnInfo& Field::info() const {
  return rowset_->columns().at(index_);
}

Variant Field::value() const {
  return rowset_->value(index_);
}

Ref<Properties> Field::properties() const {
  const ColumnInfo& c = info();
  auto props = automation::makeRef<Properties>();
  props->add("ISAUTOINCREMENT", c.autoIncrement ? Variant(*c.autoIncrement) : Variant::null());
  auto text = [](const std::string& s) { return s.empty() ? Variant::null() : Variant(s); };
  props->add("BASECATALOGNAME", text(c.baseCatalog));
  props->add("BASESCHEMANAME", text(c.baseSchema));
  props->add("BASETABLENAME", text(c.baseTable));
  props->add("BASECOLUMNNAME", text(c.baseColumn));
  props->add("KEYCOLUMN", Variant((c.attributes & fieldattr::kKeyColumn) != 0));
  return props;
}

QUILLET_DEFINE_CLASS(Field) {
  b.get("Name", [](Field& f) { return f.info().name; })
      .get("Type", [](Field& f) { return static_cast<int32_t>(f.info().type); })
      .get("DefinedSize", [](Field& f) { return Variant::fromInt64(f.info().definedSize); })
      .get("Precision", [](Field& f) { return static_cast<uint8_t>(f.info().precision); })
      .get("NumericScale", [](Field& f) { return static_cast<uint8_t>(f.info().scale); })
      .get("Attributes", [](Field& f) { return static_cast<int32_t>(f.info().attributes); })
      .get("Value", [](Field& f) { return f.value(); })
      .get("Properties", [](Field& f) { return f.properties(); })
      .defaultMember("Value");
}

size_t Fields::count() const {
  return rowset_->columnCount();
}

Ref<Field> Fields::item(const Variant& index) const {
  if (auto ord = ordinalOf(index, rowset_->columnCount()))
    return automation::makeRef<Field>(rowset_, *ord);
  return automation::makeRef<Field>(rowset_, rowset_->column(automation::CStr(index)));
}

Ref<automation::Enumerator> Fields::newEnum() {
  std::vector<Variant> all;
  for (size_t i = 0; i < count(); ++i)
    all.emplace_back(automation::makeRef<Field>(rowset_, i));
  return automation::makeRef<automation::VectorEnumerator>(std::move(all));
}

QUILLET_DEFINE_CLASS(Fields) {
  b.get("Count", [](Fields& f) { return static_cast<int32_t>(f.count()); })
      .get("Item", [](Fields& f, Variant index) { return f.item(index); })
      .defaultMember("Item")
      .enumerator([](Fields& f) { return f.newEnum(); });
}

// ---- Rowset ---------------------------------------------------------------------------

Rowset::Rowset(std::vector<ColumnInfo> columns) {
  setColumns(std::move(columns));
}

void Rowset::setColumns(std::vector<ColumnInfo> columns) {
  columns_.clear();
  index_.clear();
  rows_.clear();
  for (auto& c : columns)
    addColumn(std::move(c));
}

size_t Rowset::addColumn(ColumnInfo column) {
  if (!rows_.empty())
    raise(automation::err::kInvalidProcedureCall, "columns are fixed once rows exist");
  index_.emplace(text::foldCase(column.name), columns_.size());
  columns_.push_back(std::move(column));
  return columns_.size() - 1;
}

void Rowset::addRow(std::vector<Variant> values) {
  if (values.size() != columns_.size())
    raise(automation::err::kInvalidProcedureCall, "row has " + std::to_string(values.size()) +
                                                      " values for " +
                                                      std::to_string(columns_.size()) + " columns");
  rows_.push_back(std::move(values));
}

std::optional<size_t> Rowset::findColumn(std::string_view name) const {
  auto it = index_.find(text::foldCase(name));
  if (it == index_.end()) return std::nullopt;
  return it->second;
}

size_t Rowset::column(std::string_view name) const {
  if (auto i = findColumn(name)) return *i;
  itemNotFound(name);
}

void Rowset::checkOpen() const {
  if (!open_)
    raise(adoerr::kObjectClosed, "Operation is not allowed when the object is closed.", "ADODB");
}

bool Rowset::eof() const {
  checkOpen();
  return pos_ >= rows_.size();
}

bool Rowset::bof() const {
  checkOpen();
  return beforeFirst_ || rows_.empty();
}

void Rowset::moveFirst() {
  checkOpen();
  pos_ = 0;
  beforeFirst_ = false;
}

void Rowset::moveNext() {
  checkOpen();
  if (pos_ >= rows_.size())
    raise(adoerr::kNoCurrentRecord,
          "Either BOF or EOF is True, or the current record has been deleted. Requested "
          "operation requires a current record.",
          "ADODB");
  if (beforeFirst_)
    beforeFirst_ = false;
  else
    ++pos_;
}

void Rowset::movePrevious() {
  checkOpen();
  if (beforeFirst_ || rows_.empty())
    raise(adoerr::kNoCurrentRecord,
          "Either BOF or EOF is True, or the current record has been deleted. Requested "
          "operation requires a current record.",
          "ADODB");
  if (pos_ == 0)
    beforeFirst_ = true;
  else
    --pos_;
}

void Rowset::moveLast() {
  checkOpen();
  beforeFirst_ = false;
  pos_ = rows_.empty() ? 0 : rows_.size() - 1;
}

const Variant& Rowset::value(size_t column) const {
  checkOpen();
  if (column >= columns_.size()) itemNotFound(std::to_string(column));
  if (beforeFirst_ || pos_ >= rows_.size())
    raise(adoerr::kNoCurrentRecord,
          "Either BOF or EOF is True, or the current record has been deleted. Requested "
          "operation requires a current record.",
          "ADODB");
  return rows_[pos_][column];
}

const Variant& Rowset::value(std::string_view name) const {
  return value(column(name));
}

Ref<Fields> Rowset::fields() {
  return automation::makeRef<Fields>(Ref<Rowset>(this));
}

QUILLET_DEFINE_CLASS_NAMED(Rowset, "Recordset") {
  b.get("EOF", [](Rowset& r) { return r.eof(); })
      .get("BOF", [](Rowset& r) { return r.bof(); })
      .method("MoveFirst", [](Rowset& r) { r.moveFirst(); })
      .method("MoveNext", [](Rowset& r) { r.moveNext(); })
      .method("MovePrevious", [](Rowset& r) { r.movePrevious(); })
      .method("MoveLast", [](Rowset& r) { r.moveLast(); })
      .method("Close", [](Rowset& r) { r.close(); })
      .get("State", [](Rowset& r) { return static_cast<int32_t>(r.isOpen() ? 1 : 0); })
      .get("RecordCount", [](Rowset& r) { return static_cast<int32_t>(r.rowCount()); })
      .get("Fields", [](Rowset& r) { return r.fields(); })
      .get("Collect", [](Rowset& r, Variant index) { return r.fields()->item(index)->value(); })
      .get("Item", [](Rowset& r, Variant index) { return r.fields()->item(index); })
      .defaultMember("Item");
}

} // namespace quillet::platform::data
