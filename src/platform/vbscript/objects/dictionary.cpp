#include "platform/vbscript/objects/dictionary.h"

#include <cstdio>
#include <cstring>

#include "platform/text/casefold.h"

namespace quillet::platform::vbscript {

namespace am = automation;
using am::Variant;
using am::VarType;

std::string Dictionary::normalKey(const Variant& keyIn) const {
  const Variant& key = keyIn.deref();
  auto number = [](double d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "n%.17g", d == 0 ? 0.0 : d);
    return std::string(buf);
  };
  switch (key.type()) {
  case VarType::Empty:
    return "e";
  case VarType::Null:
    return "z";
  case VarType::String:
    return compareMode_ == 0 ? "s" + key.asString() : "s" + text::foldCase(key.asString());
  case VarType::Boolean:
    return key.asBool() ? "b1" : "b0";
  case VarType::Byte:
  case VarType::Integer:
  case VarType::Long:
  case VarType::Single:
  case VarType::Double:
  case VarType::Currency:
    return number(am::toNumber(key));
  case VarType::Date: {
    char buf[40];
    std::snprintf(buf, sizeof buf, "d%.17g", key.asDate().serial);
    return buf;
  }
  case VarType::Error:
    return "x" + std::to_string(key.asErrorCode());
  case VarType::Object: {
    char buf[40];
    std::snprintf(buf, sizeof buf, "o%p", static_cast<void*>(key.asObject()));
    return buf;
  }
  default:
    am::raise(am::err::kTypeMismatch); // arrays cannot be keys
  }
}

Dictionary::~Dictionary() {
  releaseEntries(entries_);
}

void Dictionary::releaseEntries(std::list<Entry>& taken) noexcept {
  std::vector<Variant> values;
  try {
    values.reserve(taken.size() * 2);
    for (Entry& e : taken) {
      values.push_back(std::move(e.key));
      values.push_back(std::move(e.item));
    }
  } catch (...) {
    // no room for the list: the rest go with their entries
  }
  taken.clear();
  am::releaseValues(values);
}

void Dictionary::Add(const Variant& key, const Variant& item) {
  std::string k = normalKey(key);
  if (index_.count(k)) am::raise(am::err::kDuplicateKey);
  entries_.push_back({key.deref(), item.deref()});
  index_.emplace(std::move(k), std::prev(entries_.end()));
}

bool Dictionary::Exists(const Variant& key) const {
  return index_.count(normalKey(key)) != 0;
}

const Variant* Dictionary::find(const Variant& key) const {
  auto it = index_.find(normalKey(key));
  return it == index_.end() ? nullptr : &it->second->item;
}

Variant Dictionary::Item(const Variant& key) {
  std::string k = normalKey(key);
  auto it = index_.find(k);
  if (it != index_.end()) return it->second->item;
  entries_.push_back({key.deref(), Variant()});
  index_.emplace(std::move(k), std::prev(entries_.end()));
  return Variant();
}

void Dictionary::setItem(const Variant& key, const Variant& item) {
  std::string k = normalKey(key);
  auto it = index_.find(k);
  if (it != index_.end()) {
    Variant old = std::move(it->second->item);
    it->second->item = item.deref();
    return; // the old item goes now, when the dictionary holds the new one
  }
  entries_.push_back({key.deref(), item.deref()});
  index_.emplace(std::move(k), std::prev(entries_.end()));
}

void Dictionary::setKey(const Variant& key, const Variant& newKey) {
  std::string k = normalKey(key), nk = normalKey(newKey);
  auto it = index_.find(k);
  if (it == index_.end()) am::raise(am::err::kElementNotFound);
  if (nk != k && index_.count(nk)) am::raise(am::err::kDuplicateKey);
  auto entry = it->second;
  index_.erase(it);
  Variant oldKey = std::move(entry->key);
  entry->key = newKey.deref();
  index_.emplace(std::move(nk), entry);
}

Variant Dictionary::Items() const {
  std::vector<Variant> v;
  v.reserve(entries_.size());
  for (const Entry& e : entries_)
    v.push_back(e.item);
  return Variant(am::SafeArray::fromValues(std::move(v)));
}

Variant Dictionary::Keys() const {
  std::vector<Variant> v;
  v.reserve(entries_.size());
  for (const Entry& e : entries_)
    v.push_back(e.key);
  return Variant(am::SafeArray::fromValues(std::move(v)));
}

void Dictionary::Remove(const Variant& key) {
  auto it = index_.find(normalKey(key));
  if (it == index_.end()) am::raise(am::err::kElementNotFound);
  std::list<Entry> taken;
  taken.splice(taken.begin(), entries_, it->second);
  index_.erase(it);
  releaseEntries(taken);
}

void Dictionary::RemoveAll() {
  std::list<Entry> taken;
  taken.swap(entries_);
  index_.clear();
  releaseEntries(taken);
}

void Dictionary::setCompareMode(int32_t mode) {
  if (mode < 0) am::raise(am::err::kInvalidProcedureCall);
  if (!entries_.empty() && mode != compareMode_) am::raise(am::err::kInvalidProcedureCall);
  compareMode_ = mode;
}

am::Ref<am::Enumerator> Dictionary::enumerate() const {
  std::vector<Variant> keys;
  keys.reserve(entries_.size());
  for (const Entry& e : entries_)
    keys.push_back(e.key);
  return am::makeRef<am::VectorEnumerator>(std::move(keys));
}

QUILLET_DEFINE_CLASS(Dictionary) {
  b.method("Add", &Dictionary::Add)
      .method("Exists", &Dictionary::Exists)
      .prop("Item", &Dictionary::Item, &Dictionary::setItem)
      .let("Key", &Dictionary::setKey)
      .method("Items", &Dictionary::Items)
      .method("Keys", &Dictionary::Keys)
      .method("Remove", &Dictionary::Remove)
      .method("RemoveAll", &Dictionary::RemoveAll)
      .get("Count", &Dictionary::Count)
      .prop("CompareMode", &Dictionary::compareMode, &Dictionary::setCompareMode)
      .defaultMember("Item")
      .enumerator(&Dictionary::enumerate);
}

} // namespace quillet::platform::vbscript
