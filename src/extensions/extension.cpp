#include "extensions/extension.h"

#include <utility>

#include "extensions/upkeep.h"
#include "platform/automation/context.h"

namespace quillet::extensions {

Ref<RUZExtProj> RUZExtension::PROJ() {
  if (!proj_) proj_ = automation::makeRef<RUZExtProj>();
  return proj_;
}

Ref<RUZExtTables> RUZExtension::existingTables() const {
  if (!proj_) return nullptr;
  Ref<RUZExtDb> db = proj_->existingDb();
  return db ? db->Tables() : nullptr;
}

Ref<RUZExtension> RUZExtensions::construct(const std::string& name) {
  auto e = automation::makeRef<RUZExtension>();
  e->setName(name);
  return e;
}

bool RUZExtensions::Add(const std::string& name) {
  if (name.empty()) return false;
  if (RUZExtension* present = items_.find(name)) {
    curName_ = name;
    curSeq_ = seqOf(*present);
    return true;
  }
  Ref<RUZExtension> e = construct(name);
  items_.append(e, name);
  const int32_t n = items_.count();
  setSeqOf(*e, n);
  curName_ = name;
  curSeq_ = n;
  return true;
}

bool RUZExtensions::Delete(const Variant& index) {
  std::string name;
  elements::tolerant([&] { name = automation::CStr(index); });
  return deleteNamed({}, Variant(name));
}

Ref<RUZExtension> RUZExtensions::Item(const Variant& index) {
  RUZExtension* e = nullptr;
  elements::tolerant([&] { e = items_.find(automation::CStr(index)); });
  if (e) makeCurrent(*e);
  return Ref<RUZExtension>(e);
}

namespace {
struct ExtensionListHolder {
  ExtensionListHolder() { installExtensionUpkeep(); }
  Ref<RUZExtensions> list = automation::makeRef<RUZExtensions>();
};
} // namespace

Ref<RUZExtensions> extensionList() {
  return automation::Context::current().shared<ExtensionListHolder>().list;
}

Ref<RUZExtensions> exchangeExtensionList(Ref<RUZExtensions> list) {
  std::swap(automation::Context::current().shared<ExtensionListHolder>().list, list);
  return list;
}

QUILLET_DEFINE_CLASS(RUZExtension) {
  core::addSettingMembers(b, kExtensionCatalogue);
  b.get("IsExtended", &RUZExtension::IsExtended).get("PROJ", &RUZExtension::PROJ);
}

QUILLET_DEFINE_CLASS(RUZExtensions) {
  using C = RUZExtensions;
  b.get("curName", &C::curName)
      .get("curSeq", &C::curSeqText)
      .method("Add", &C::Add)
      .method("Count", &C::Count)
      .method("Delete", &C::Delete)
      .method("ExtensionExist", &C::ExtensionExist)
      .get("Item", &C::Item)
      .method("Seq", [](C& c, int16_t i) { return c.Seq(i); })
      .defaultMember("Item")
      .enumerator(&C::NewEnum);
}

} // namespace quillet::extensions
