#pragma once
// A column of a table, view, custom view or report with every setting the engine keeps for
// it (121, in a property bag), and the collection of a table's fields, which numbers them
// from 1 by FldSeq and keeps the extension entries and phrase overrides filed under a field's
// name in step when it is renamed or deleted.
#include <cstdint>
#include <string>

#include "core/setting_element.h"
#include "elements/element_collection.h"
#include "model/catalogues.h"

namespace quillet::model {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

class RUZField : public core::SettingElement {
  QUILLET_OBJECT(RUZField)
public:
  RUZField() : SettingElement(kFieldCatalogue) {}
  QUILLET_FIELD_SETTINGS(QUILLET_SETTING_ACCESSOR)
  // The variable name without its two-character prefix ("x_").
  std::string FldParm();

  // Catalogue loaders (their bodies are registered by the schema reading layer) and the
  // generation defaults of a field fresh from the catalogue.
  void LoadFld_DAO(const Variant& daoFld);
  void LoadFld_ADO(const Variant& adoFld);
  void LoadFldDefault();
};

class RUZFields : public elements::NamedSeqCollection<RUZFields, RUZField> {
  QUILLET_OBJECT(RUZFields)
public:
  static constexpr bool kAddExistingIsCurrent = false;
  static constexpr bool kChangeTestsNames = true;

  // TblName names the owning table; only the cascades use it.
  bool Add(const std::string& tblName, const std::string& name) { return addNamed(tblName, name); }
  bool Change(const std::string& tblName, const std::string& oldName, const std::string& newName) {
    return changeNamed(tblName, oldName, newName);
  }
  bool Delete(const std::string& tblName, const Variant& index) {
    return deleteNamed(tblName, index);
  }
  bool FieldExist(const Variant& index) const { return exists(index); }

  static constexpr std::string_view kNameSetting = "FldName";
  static constexpr std::string_view kSeqSetting = "FldSeq";
  Ref<RUZField> construct(const std::string& name);
  void renamedVar(RUZField& f, const std::string& newName);
  void renamed(RUZField& f, const std::string& tblName, const std::string& oldName,
               const std::string& newName);
  void renumbered(RUZField& f, const std::string& tblName, const std::string& name);
};

} // namespace quillet::model
