#include "core/properties.h"

#include <cmath>
#include <cstdint>
#include <optional>

#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/text/ascii.h"

namespace quillet::core {

// ---- AGProperty ----

QUILLET_DEFINE_CLASS(AGProperty) {
  b.prop("Key", &AGProperty::Key, &AGProperty::setKey)
      .prop("Name", &AGProperty::Name, &AGProperty::setName)
      .prop("DataType", &AGProperty::DataType, &AGProperty::setDataType)
      .raw(
          "Value",
          [](automation::Object& o, automation::Args) -> Variant {
            return static_cast<AGProperty&>(o).Value();
          },
          0, 0,
          [](automation::Object& o, automation::Args a) -> Variant {
            static_cast<AGProperty&>(o).setValue(a.back());
            return {};
          },
          [](automation::Object& o, automation::Args a) -> Variant {
            static_cast<AGProperty&>(o).setValue(a.back());
            return {};
          })
      .prop("RegSave", &AGProperty::RegSave, &AGProperty::setRegSave)
      .prop("RegFormat", &AGProperty::RegFormat, &AGProperty::setRegFormat)
      .prop("FileSave", &AGProperty::FileSave, &AGProperty::setFileSave)
      .prop("Sync", &AGProperty::Sync, &AGProperty::setSync)
      .defaultMember("Value");
}

void AGProperty::setValue(const Variant& value) {
  value_ = value;
  provisional_ = false;
}

void AGProperty::setFileSave(bool v) {
  fileSave_ = v;
  provisional_ = false;
}

void AGProperty::setSync(bool v) {
  sync_ = v;
  provisional_ = false;
}

// ---- AGProperties ----

namespace {

// The name an index argument stands for: text as is, a number as its decimal text.
std::string nameOf(const Variant& v) {
  if (v.isString()) return std::string(v.asString());
  try {
    return automation::CStr(v);
  } catch (const automation::Error&) {
    return {};
  }
}

} // namespace

QUILLET_DEFINE_CLASS(AGProperties) {
  b.method("Add", &AGProperties::Add, 1)
      .get("Count", &AGProperties::Count)
      .method("Delete",
              [](AGProperties& self, const Variant& index) -> Variant {
                return Variant(self.Delete(index));
              })
      .method("PropertyExist", &AGProperties::PropertyExist)
      .get("Item",
           [](AGProperties& self, const Variant& index) -> Variant {
             return Variant(self.Item(index));
           })
      .defaultMember("Item")
      .enumerator(&AGProperties::NewEnum_prp);
}

AGProperties::AGProperties() = default;

int64_t AGProperties::position(std::string_view name, size_t hash) const {
  if (slots_.empty()) return -1;
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask; slots_[i]; i = (i + 1) & mask) {
    const Entry& e = entries_[slots_[i] - 1];
    if (e.hash == hash && detail::sameFoldedKey(e.key, name)) return slots_[i] - 1;
  }
  return -1;
}

void AGProperties::place(size_t position) {
  const size_t mask = slots_.size() - 1;
  size_t i = entries_[position].hash & mask;
  while (slots_[i])
    i = (i + 1) & mask;
  slots_[i] = static_cast<uint32_t>(position + 1);
}

void AGProperties::reindex(size_t count) {
  // At most three quarters full, so that every probe ends at a free slot.
  size_t capacity = 16;
  while (capacity * 3 < (count + 1) * 4)
    capacity *= 2;
  slots_.assign(capacity, 0);
  for (size_t p = 0; p < entries_.size(); ++p)
    place(p);
}

void AGProperties::reserve(size_t count) {
  entries_.reserve(count);
  if (slots_.size() * 3 < (count + 1) * 4) reindex(count);
}

bool AGProperties::Add(const std::string& name, const std::string& dataType, bool regSave,
                       int32_t regFormat, bool fileSave, bool sync) {
  return addProperty(name, dataType, regSave, regFormat, fileSave, sync) != nullptr;
}

AGProperty* AGProperties::addProperty(const std::string& name, const std::string& dataType,
                                      bool regSave, int32_t regFormat, bool fileSave, bool sync) {
  if (name.empty()) return nullptr;
  const size_t hash = detail::foldedKeyHash(name);
  if (position(name, hash) >= 0) return nullptr;
  auto p = automation::makeRef<AGProperty>();
  p->setName(name);
  p->setDataType(dataType);
  p->setRegSave(regSave);
  p->setRegFormat(regFormat);
  p->setFileSave(fileSave);
  p->setSync(sync);
  entries_.push_back({p, name, hash});
  if (slots_.size() * 3 < (entries_.size() + 1) * 4)
    reindex(entries_.size());
  else
    place(entries_.size() - 1);
  if (walk_) walk_->Add(Variant(p), name);
  return p.get();
}

bool AGProperties::Delete(const Variant& index) {
  std::string name = nameOf(index);
  if (name.empty()) return false;
  int64_t at = position(name, detail::foldedKeyHash(name));
  if (at < 0) return false;
  // Released once the bag is consistent again.
  Ref<AGProperty> removed = entries_[static_cast<size_t>(at)].prop;
  entries_.erase(entries_.begin() + at);
  reindex(entries_.size());
  if (walk_) walk_->Remove(Variant(name));
  return true;
}

bool AGProperties::PropertyExist(const Variant& index) const {
  std::string name = nameOf(index);
  return !name.empty() && position(name, detail::foldedKeyHash(name)) >= 0;
}

AGProperty* AGProperties::find(std::string_view name) const {
  if (name.empty()) return nullptr;
  int64_t at = position(name, detail::foldedKeyHash(name));
  return at < 0 ? nullptr : entries_[static_cast<size_t>(at)].prop.get();
}

AGProperty* AGProperties::at(int32_t position) const {
  if (position < 1 || position > Count()) return nullptr;
  return entries_[static_cast<size_t>(position - 1)].prop.get();
}

Ref<AGProperty> AGProperties::Item(std::string_view name) {
  if (name.empty()) return nullptr;
  if (AGProperty* p = find(name)) return Ref<AGProperty>(p);
  Add(std::string(name), "String", false, 0, true, true);
  AGProperty* p = find(name);
  p->setProvisional(true);
  return Ref<AGProperty>(p);
}

Ref<AGProperty> AGProperties::Item(const Variant& v) {
  if (v.isString()) return Item(std::string_view(v.asString()));
  if (v.isNumber()) {
    double d = automation::roundHalfEven(automation::toNumber(v));
    if (d < 1 || d > Count()) return nullptr;
    return Ref<AGProperty>(at(static_cast<int32_t>(d)));
  }
  return Item(std::string_view(nameOf(v)));
}

Ref<automation::Enumerator> AGProperties::NewEnum_prp() const {
  if (!walk_) {
    walk_ = std::make_unique<CSuperCollection>();
    walk_->setCompareMode(1);
    walk_->reserve(entries_.size());
    for (const Entry& e : entries_)
      walk_->Add(Variant(e.prop), e.key);
  }
  return walk_->NewEnum();
}

std::vector<Ref<AGProperty>> AGProperties::list() const {
  std::vector<Ref<AGProperty>> out;
  out.reserve(static_cast<size_t>(Count()));
  for (const Entry& e : entries_)
    out.push_back(e.prop);
  return out;
}

// ---- conversions ----

namespace {

// Plain decimal text ("0", "-12", "202"), the form every number in a project file takes,
// read without the general conversion; nullopt for anything else (signs, blanks, hex,
// separators, too many digits), which the general conversion then decides.
std::optional<int64_t> plainInteger(std::string_view s) {
  bool negative = !s.empty() && s.front() == '-';
  if (negative) s.remove_prefix(1);
  if (s.empty() || s.size() > 9) return std::nullopt;
  int64_t n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return negative ? -n : n;
}

// The numeric conversions shared by ConvertValue and ConvertDefaultValue; nullopt when the
// type name is not one of them.
std::optional<Variant> convertNumeric(const Variant& v, const std::string& type) {
  // Empty text converts to none of these types. Said here, not learnt from a raised error:
  // project files hold many empty numeric attributes, and each raise costs microseconds.
  if (v.isString() && v.asString().empty() &&
      (type == "boolean" || type == "integer" || type == "long" || type == "single" ||
       type == "double"))
    return Variant();
  if (v.isString() && (type == "boolean" || type == "integer" || type == "long")) {
    if (std::optional<int64_t> n = plainInteger(v.asString())) {
      if (type == "boolean") return Variant(*n != 0);
      if (type == "long") return Variant(static_cast<int32_t>(*n));
      if (*n >= INT16_MIN && *n <= INT16_MAX) return Variant(static_cast<int16_t>(*n));
    }
  }
  try {
    if (type == "boolean") return Variant(automation::CBool(v));
    if (type == "integer") return Variant(automation::CInt(v));
    if (type == "long") return Variant(automation::CLng(v));
    if (type == "single") return Variant(automation::CSng(v));
    if (type == "double") return Variant(automation::CDbl(v));
  } catch (const automation::Error&) {
    return Variant();
  }
  return std::nullopt;
}

// Whether the quote at both ends of s encloses all of it: every quote of that kind inside is
// doubled.
bool enclosesWhole(std::string_view s) {
  char q = s.front();
  std::string_view inner = s.substr(1, s.size() - 2);
  for (size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] != q) continue;
    if (i + 1 < inner.size() && inner[i + 1] == q)
      ++i;
    else
      return false;
  }
  return true;
}

} // namespace

Variant ConvertValue(const Variant& value, std::string_view dataType) {
  std::string type = platform::text::lowerAscii(dataType);
  if (auto r = convertNumeric(value, type)) return *r;
  if (type == "string") {
    try {
      return Variant(StripQuotes(automation::CStr(value)));
    } catch (const automation::Error&) {
      return Variant();
    }
  }
  return value;
}

Variant ConvertDefaultValue(const Variant& value, std::string_view dataType) {
  if (auto r = convertNumeric(value, platform::text::lowerAscii(dataType))) return *r;
  return value;
}

std::string StripQuotes(std::string_view text) {
  std::string_view s = platform::text::trim(text);
  while (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front() &&
         enclosesWhole(s))
    s = platform::text::trim(s.substr(1, s.size() - 2));
  return std::string(s);
}

} // namespace quillet::core
