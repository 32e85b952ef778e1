#pragma once
// "Scripting.Dictionary": items by key in insertion order. Keys are compared by value
// (numbers of any subtype by their numeric value, text by CompareMode, objects by
// identity). Reading the Item of a missing key adds the key with an Empty item.
#include <list>
#include <string>
#include <unordered_map>

#include "platform/automation/members.h"

namespace quillet::platform::vbscript {

class Dictionary : public automation::Object {
  QUILLET_OBJECT(Dictionary)
public:
  using Variant = automation::Variant;
  Dictionary() = default;
  ~Dictionary() override;

  void Add(const Variant& key, const Variant& item);
  bool Exists(const Variant& key) const;
  Variant Item(const Variant& key);
  void setItem(const Variant& key, const Variant& item);
  // Renames a key: 32811 when it is missing, 457 when the new key is taken.
  void setKey(const Variant& key, const Variant& newKey);
  Variant Items() const;
  Variant Keys() const;
  void Remove(const Variant& key);
  void RemoveAll();
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  // 0 binary, 1 text, 2 database (text); changeable only while the dictionary is empty.
  int32_t compareMode() const { return compareMode_; }
  void setCompareMode(int32_t mode);
  automation::Ref<automation::Enumerator> enumerate() const;

  // For C++ callers: the item of a key without adding it, or nullptr.
  const Variant* find(const Variant& key) const;

private:
  struct Entry {
    Variant key;
    Variant item;
  };
  std::string normalKey(const Variant& key) const;
  // Releases entries already taken out of the dictionary: terminate handlers of what they
  // hold may use the dictionary, so they run only once it is consistent again.
  static void releaseEntries(std::list<Entry>& taken) noexcept;

  std::list<Entry> entries_;
  std::unordered_map<std::string, std::list<Entry>::iterator> index_;
  int32_t compareMode_ = 0;
};

} // namespace quillet::platform::vbscript
