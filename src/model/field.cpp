#include "model/field.h"

#include "elements/language.h"
#include "elements/naming.h"
#include "elements/shared.h"
#include "platform/text/utf8.h"

namespace quillet::model {

namespace text = ::quillet::platform::text;

using elements::tolerant;

std::string RUZField::FldParm() {
  // The prefix is two characters, whatever bytes a non-ASCII one takes.
  std::string var = FldVar();
  return std::string(text::substrChars(var, 2));
}

Ref<RUZField> RUZFields::construct(const std::string& name) {
  auto f = automation::makeRef<RUZField>();
  f->setFldName(name);
  return f;
}

void RUZFields::renamedVar(RUZField& f, const std::string& newName) {
  f.setFldVar(elements::varName(newName, "x_"));
}

void RUZFields::renamed(RUZField&, const std::string& tblName, const std::string& oldName,
                        const std::string& newName) {
  elements::upkeep().RenameExtensionField(tblName, oldName, newName);
}

void RUZFields::renumbered(RUZField&, const std::string& tblName, const std::string& name) {
  tolerant([&] { elements::upkeep().DeleteExtensionField(tblName, name); });
  tolerant([&] { elements::languageStore()->deleteFieldPhrasesAnyCase(tblName, name); });
}

QUILLET_DEFINE_CLASS(RUZField) {
  core::addSettingMembers(b, kFieldCatalogue);
  core::addNameAccess(b);
  b.get("FldParm", &RUZField::FldParm)
      .method("LoadFld_DAO", &RUZField::LoadFld_DAO)
      .method("LoadFld_ADO", &RUZField::LoadFld_ADO)
      .method("LoadFldDefault", &RUZField::LoadFldDefault);
}

QUILLET_DEFINE_CLASS(RUZFields) {
  using C = RUZFields;
  elements::addNamedCollectionMembers(b);
  b.get("curSeq", &C::curSeqValue)
      .method("FieldExist", &C::FieldExist)
      .method("SetItem", &C::SetItem)
      .method("SetSeq", [](C& c, int32_t i) { c.SetSeq(i); });
}

} // namespace quillet::model
