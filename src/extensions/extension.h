#pragma once
// An extension (an add-on archive of a template with its own definition file) and the
// ordered list of extensions keyed by name. The thread's project list is shared: the host
// gets it from the project object and scripts as "EXTS".
//
// Code that visits every extension goes by number (Seq 1 to Count), since Delete renumbers
// the list without gaps; code that must not create an attribute tree tests IsExtended before
// reading PROJ.
#include <cstdint>
#include <string>

#include "core/setting_element.h"
#include "elements/element_collection.h"
#include "extensions/tree.h"

namespace quillet::extensions {

// Columns: name, data type, RegSave, RegFormat, FileSave, Sync.
#define QUILLET_EXTENSION_SETTINGS(X)                                                              \
  X(Seq, Integer, false, 0, false, false)                                                          \
  X(Name, String, false, 0, true, false)                                                           \
  X(Template, String, false, 0, true, false)                                                       \
  X(XmlFile, String, false, 0, true, false)                                                        \
  X(Enabled, Boolean, false, 0, true, false)

inline constexpr core::SettingDef kExtensionSettings[] = {
    QUILLET_EXTENSION_SETTINGS(QUILLET_SETTING_DEF)};
inline constexpr core::Catalogue kExtensionCatalogue{kExtensionSettings, {}, "Name"};

class RUZExtension : public core::SettingElement {
  QUILLET_OBJECT(RUZExtension)
public:
  RUZExtension() : SettingElement(kExtensionCatalogue) {}
  QUILLET_EXTENSION_SETTINGS(QUILLET_SETTING_ACCESSOR)

  bool IsExtended() const { return static_cast<bool>(proj_); }
  // The attribute tree's root, created on first use.
  Ref<RUZExtProj> PROJ();
  // The table list of the tree when the extension has a tree with a database node; never
  // creates either.
  Ref<RUZExtTables> existingTables() const;

private:
  Ref<RUZExtProj> proj_;
};

class RUZExtensions : public elements::NamedSeqCollection<RUZExtensions, RUZExtension> {
  QUILLET_OBJECT(RUZExtensions)
public:
  static constexpr bool kAddExistingIsCurrent = true;
  static constexpr bool kChangeTestsNames = true;
  static constexpr std::string_view kNameSetting = "Name";
  static constexpr std::string_view kSeqSetting = "Seq";

  std::string curSeqText() const { return std::to_string(curSeq_); }
  // A present name (any letter case) becomes current as spelt and is not changed.
  bool Add(const std::string& name);
  // By name only (a number is the name its digits spell); the list renumbers the rest.
  bool Delete(const Variant& index);
  bool ExtensionExist(const Variant& index) const { return exists(index); }
  // By name only, as Delete: positions are reached through Seq.
  Ref<RUZExtension> Item(const Variant& index);

  Ref<RUZExtension> construct(const std::string& name);
};

// The thread's project extension list, created empty on first use. Creating it installs the
// extension upkeep, so renames and deletions in the model reach every extension tree.
Ref<RUZExtensions> extensionList();
// Puts another list in the thread's place and hands back the one that stood there (a project
// load starts from an empty list and puts the old one back when it fails).
Ref<RUZExtensions> exchangeExtensionList(Ref<RUZExtensions> list);

} // namespace quillet::extensions
