#include "model/controlitems.h"

namespace quillet::model {

bool AGControlItems::Add(const std::string& itemId, const std::string& itemFn, bool itemGen,
                         const std::string& itemRemark) {
  if (itemId.empty() || items_.exists(itemId)) return false;
  auto item = automation::makeRef<AGControlItem>();
  item->ItemId = itemId;
  item->ItemFn = itemFn;
  item->ItemGen = itemGen;
  item->ItemRemark = itemRemark;
  items_.append(item, itemId);
  return true;
}

bool AGControlItems::ItemExist(const Variant& v) const {
  if (v.isNull() || v.isObject()) return false;
  return items_.exists(automation::CStr(v));
}

bool AGControlItems::Delete(const Variant& index) {
  const Variant& v = index;
  if (v.isEmpty() || (v.isString() && v.asString().empty())) return false;
  // Resolved once: the item removed is the item the index names.
  int32_t pos = items_.positionOf(v);
  if (pos == 0) return false;
  items_.removeAt(pos);
  return true;
}

Ref<AGControlItem> AGControlItems::Item(const Variant& index) const {
  return Ref<AGControlItem>(items_.resolve(index));
}

QUILLET_DEFINE_CLASS(AGControlItem) {
  using C = AGControlItem;
  auto text = [&b](const char* name, std::string C::*member) {
    b.prop(
        name, [member](C& c) { return c.*member; },
        [member](C& c, const std::string& v) { c.*member = v; });
  };
  text("Key", &C::ItemId);
  text("ItemId", &C::ItemId);
  text("ItemFn", &C::ItemFn);
  b.prop(
      "ItemGen", [](C& c) { return c.ItemGen; }, [](C& c, bool v) { c.ItemGen = v; });
  text("ItemRemark", &C::ItemRemark);
  b.defaultMember("ItemGen");
}

QUILLET_DEFINE_CLASS(AGControlItems) {
  using C = AGControlItems;
  b.method("Add", &C::Add)
      .method("Count", &C::Count)
      .method("Delete", [](C& c, const Variant& index) { return Variant(c.Delete(index)); })
      .method("ItemExist", &C::ItemExist)
      .get("Item", &C::Item)
      .defaultMember("Item")
      .enumerator(&C::NewEnum);
}

} // namespace quillet::model
