#pragma once
// The element collections of the model (fields, tables, charts, trendlines, master/detail
// links and generation items) share one shape over the keyed ordered collection: items keyed
// by name without regard to case, a current item, and positions numbered from 1.
//
// KeyedItems is the typed core. Its index rule is resolved once per call: a number is a
// position, text is a name, anything else finds nothing.
//
// NamedSeqCollection adds what fields, tables, charts and trendlines have in common: a name
// setting equal to the key, a position setting kept dense from 1 to Count, the current item
// (curName, curSeq) and Add/Change/Delete with the cascade points a derived class fills.
// Where the classes differ on purpose, a policy says so:
//   kAddExistingIsCurrent  Add of a present name makes it current and succeeds (charts,
//                          trendlines) instead of being refused (fields, tables);
//   kChangeTestsNames      Change refuses an equal, absent or taken name itself (charts,
//                          fields, tables); without it (trendlines) a taken name reaches the
//                          keyed collection, whose duplicate-key error goes to the caller.
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "core/collection.h"
#include "core/setting_element.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/automation/members.h"
#include "platform/automation/object.h"
#include "platform/text/casefold.h"

namespace quillet::elements {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

// Runs one step of an operation whose steps go on when one fails.
template <class F> void tolerant(F&& step) {
  try {
    step();
  } catch (const automation::Error&) {
  }
}

template <class T> class KeyedItems {
public:
  KeyedItems() { coll_.setCompareMode(1); }

  int32_t count() const { return coll_.Count(); }
  // The item at a position from 1, or nullptr.
  T* at(int32_t position) const { return cast(coll_.at(position)); }
  // The item under a key (any letter case), or nullptr.
  T* find(std::string_view key) const { return cast(coll_.find(key)); }
  bool exists(std::string_view key) const { return coll_.KeyExists(key) != core::kNotFoundMark; }
  // The position of an index: a number is a position, text a key; 0 when nothing matches.
  int32_t positionOf(const Variant& v) const {
    switch (v.type()) {
    case automation::VarType::Integer:
    case automation::VarType::Long:
    case automation::VarType::Single:
    case automation::VarType::Double:
    case automation::VarType::Byte: {
      double d = automation::roundHalfEven(automation::toNumber(v));
      if (!(d >= 1 && d <= count())) return 0; // NaN included
      return static_cast<int32_t>(d);
    }
    case automation::VarType::String: {
      int32_t p = coll_.KeyExists(v.asString());
      return p == core::kNotFoundMark ? 0 : p;
    }
    default:
      return 0;
    }
  }
  T* resolve(const Variant& index) const { return at(positionOf(index)); }

  void append(const Ref<T>& item, const std::string& key) {
    coll_.Add(Variant(static_cast<automation::Object*>(item.get())), key);
  }
  void removeAt(int32_t position) { coll_.Remove(Variant(position)); }
  // Removes by a position or key as the keyed collection resolves it (its errors included).
  void remove(const Variant& index) { coll_.Remove(index); }
  void changeKey(const std::string& oldKey, const std::string& newKey) {
    coll_.ChangeKey(oldKey, newKey);
  }
  std::string keyAt(int32_t position) const { return coll_.Key(position); }
  Ref<automation::Enumerator> newEnum() const { return coll_.NewEnum(); }
  // The items in position order.
  std::vector<Ref<T>> list() const {
    std::vector<Ref<T>> out;
    out.reserve(static_cast<size_t>(count()));
    for (int32_t i = 1; i <= count(); ++i)
      out.emplace_back(at(i));
    return out;
  }

private:
  static T* cast(const Variant* v) {
    if (!v || !v->isObject()) return nullptr;
    return static_cast<T*>(v->asObject());
  }
  core::CSuperCollection coll_;
};

// Position settings are 16-bit ("Integer") where scripts see them. A collection that holds
// more items than that stores the larger positions as Long instead of overflowing.
inline Variant seqValue(int32_t n) {
  if (n >= std::numeric_limits<int16_t>::min() && n <= std::numeric_limits<int16_t>::max())
    return Variant(static_cast<int16_t>(n));
  return Variant(n);
}

template <class Derived, class E> class NamedSeqCollection : public automation::Object {
public:
  using ItemT = E;

  // The item's name and position settings (Derived::kNameSetting, Derived::kSeqSetting).
  static std::string nameOf(E& it) {
    return it.template setting<core::SettingType::String>(Derived::kNameSetting);
  }
  static int32_t seqOf(E& it) { return automation::CLng(it.value(Derived::kSeqSetting)); }
  static void setSeqOf(E& it, int32_t s) { it.setValue(Derived::kSeqSetting, seqValue(s)); }

  const std::string& curName() const { return curName_; }
  int32_t curSeq() const { return curSeq_; }
  // The current position as scripts see it.
  Variant curSeqValue() const { return seqValue(curSeq_); }
  int32_t Count() const { return items_.count(); }
  // True when the text of Index is the name of an item (a number is taken as its text).
  bool exists(const Variant& index) const { return items_.exists(automation::CStr(index)); }
  // The item at a position (number) or of a name (text); it becomes current.
  Ref<E> Item(const Variant& index) {
    ItemT* it = nullptr;
    tolerant([&] { it = items_.resolve(index); });
    if (it) makeCurrent(*it);
    return Ref<ItemT>(it);
  }
  // The first item whose position setting is Index; the current item does not change.
  Ref<E> Seq(int32_t index) const { return Ref<ItemT>(bySeq(index)); }
  void SetItem(const Variant& index) {
    tolerant([&] {
      if (ItemT* it = items_.find(automation::CStr(index))) makeCurrent(*it);
    });
  }
  void SetSeq(int32_t index) {
    if (ItemT* it = bySeq(index)) makeCurrent(*it);
  }
  Ref<automation::Enumerator> NewEnum() const { return items_.newEnum(); }

  const KeyedItems<E>& items() const { return items_; }
  ItemT* bySeq(int32_t index) const {
    ItemT* found = nullptr;
    for (int32_t i = 1; i <= items_.count() && !found; ++i) {
      ItemT* it = items_.at(i);
      tolerant([&] {
        if (Derived::seqOf(*it) == index) found = it;
      });
    }
    return found;
  }

  // Deletes every item with its cascades, from the highest position down (release of the
  // owning table).
  void deleteAll(const std::string& tblName) {
    for (int32_t i = Count(); i >= 1; --i) {
      ItemT* it = bySeq(i);
      if (!it) it = items_.at(i); // positions not dense: take the item standing there
      if (it) deleteNamed(tblName, Variant(Derived::nameOf(*it)));
    }
  }

protected:
  // Add: the derived class's own Add calls this with the owner's table name.
  bool addNamed(const std::string& tblName, const std::string& name) {
    if (name.empty()) return false;
    if (ItemT* present = items_.find(name)) {
      if constexpr (!Derived::kAddExistingIsCurrent) {
        return false;
      } else {
        curName_ = name;
        curSeq_ = Derived::seqOf(*present);
        return true;
      }
    }
    if (findByName(name)) return changeNamed(tblName, matchedName_, name);
    Ref<ItemT> item = self().construct(name);
    items_.append(item, name);
    int32_t n = items_.count();
    Derived::setSeqOf(*item, n);
    self().added(*item, name);
    curName_ = name;
    curSeq_ = n;
    return true;
  }

  bool changeNamed(const std::string& tblName, const std::string& oldName,
                   const std::string& newName) {
    if (oldName.empty() || newName.empty()) return false;
    if constexpr (Derived::kChangeTestsNames) {
      if (newName == oldName) return true;
      bool existOld = items_.exists(oldName);
      bool existNew = items_.exists(newName);
      bool lowerEqual = platform::text::equalsNoCase(oldName, newName);
      if (!(existOld && (lowerEqual || !existNew))) return false;
    } else {
      if (!items_.exists(oldName)) return false;
    }
    Ref<ItemT> item(items_.find(oldName));
    // Cascades use the name the item was stored under, so a caller's other letter case
    // still reaches every record of the item.
    std::string storedOld = Derived::nameOf(*item);
    items_.changeKey(oldName, newName);
    self().renamedVar(*item, newName);
    curName_ = newName;
    curSeq_ = Derived::seqOf(*item);
    if (storedOld != newName) self().renamed(*item, tblName, storedOld, newName);
    return true;
  }

  bool deleteNamed(const std::string& tblName, const Variant& v) {
    if (v.isEmpty() || (v.isString() && v.asString().empty())) return false;
    int32_t pos = items_.positionOf(v);
    if (pos == 0) return false;
    Ref<ItemT> item(items_.at(pos));
    std::string name = Derived::nameOf(*item);
    self().deleting(*item, tblName, name);
    int32_t s = 0;
    tolerant([&] { s = Derived::seqOf(*item); });
    renumberFrom(s);
    self().renumbered(*item, tblName, name);
    tolerant([&] {
      int32_t p = items_.at(pos) == item.get() ? pos : positionOfItem(item.get());
      if (p) items_.removeAt(p);
    });
    self().removed(*item, tblName, name);
    return true;
  }

  // Every item whose position setting is s or more moves down by one (the deleted one too).
  void renumberFrom(int32_t s) {
    for (int32_t i = 1; i <= items_.count(); ++i) {
      ItemT* it = items_.at(i);
      tolerant([&] {
        int32_t q = Derived::seqOf(*it);
        if (q >= s && q > std::numeric_limits<int32_t>::min()) Derived::setSeqOf(*it, q - 1);
      });
    }
  }

  void makeCurrent(ItemT& it) {
    curName_ = Derived::nameOf(it);
    curSeq_ = Derived::seqOf(it);
  }

  // Default cascade points: nothing.
  void added(ItemT&, const std::string&) {}
  void renamedVar(ItemT&, const std::string&) {}
  void renamed(ItemT&, const std::string&, const std::string&, const std::string&) {}
  void deleting(ItemT&, const std::string&, const std::string&) {}
  void renumbered(ItemT&, const std::string&, const std::string&) {}
  void removed(ItemT&, const std::string&, const std::string&) {}

  KeyedItems<E> items_;
  std::string curName_;
  int32_t curSeq_ = 0;
  std::string matchedName_;

private:
  int32_t positionOfItem(const ItemT* it) const {
    for (int32_t i = 1; i <= items_.count(); ++i)
      if (items_.at(i) == it) return i;
    return 0;
  }
  Derived& self() { return static_cast<Derived&>(*this); }
  bool findByName(const std::string& name) {
    std::string wanted = platform::text::toLower(name);
    for (int32_t i = 1; i <= items_.count(); ++i) {
      std::string n = Derived::nameOf(*items_.at(i));
      if (platform::text::toLower(n) == wanted) {
        matchedName_ = n;
        return true;
      }
    }
    return false;
  }
};

// The members every named element collection shows scripts; each class adds its existence
// test and its own extras.
template <class C> void addNamedCollectionMembers(automation::ClassBuilder<C>& b) {
  b.get("curName", &C::curName)
      .method("Add", &C::Add)
      .method("Change", &C::Change)
      .method("Count", &C::Count)
      .method("Delete", &C::Delete)
      .get("Item", &C::Item)
      .method("Seq", [](C& c, int32_t i) { return c.Seq(i); })
      .defaultMember("Item")
      .enumerator(&C::NewEnum);
}

} // namespace quillet::elements
