#pragma once
// Generation items: the outputs a generation run can produce (one file of a template
// control, or a shared output such as "@css"), each with its output file, its selected flag
// and a remark. The project and every table keep one list, keyed by item id without regard
// to case, in the order of adding.
#include <cstdint>
#include <string>

#include "elements/element_collection.h"
#include "platform/automation/members.h"

namespace quillet::model {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

class AGControlItem : public automation::Object {
  QUILLET_OBJECT(AGControlItem)
public:
  // Key and ItemId are one stored value.
  std::string ItemId;
  std::string ItemFn;
  bool ItemGen = false;
  std::string ItemRemark;
};

class AGControlItems : public automation::Object {
  QUILLET_OBJECT(AGControlItems)
public:
  // False for an empty id or one present in any letter case.
  bool Add(const std::string& itemId, const std::string& itemFn, bool itemGen,
           const std::string& itemRemark);
  int32_t Count() const { return items_.count(); }
  // Removes the item at a position (number) or of an id (text).
  bool Delete(const Variant& index);
  // Whether an item has the id formed by the text of Index (a number is looked up as text).
  bool ItemExist(const Variant& index) const;
  // The item at a position (number) or of an id (text); nothing otherwise.
  Ref<AGControlItem> Item(const Variant& index) const;
  Ref<automation::Enumerator> NewEnum() const { return items_.newEnum(); }

private:
  elements::KeyedItems<AGControlItem> items_;
};

} // namespace quillet::model
