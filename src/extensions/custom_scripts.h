#pragma once
// Custom scripts: pieces of code the user attaches to one place of the generated
// application, identified by seven text parts (script kind, code kind, name, language,
// control id, table name, field name), and the list that holds them. The thread's list is
// shared: the host gets it from the project object and scripts as "CUSTOMSCRIPTS".
//
// A script stands in the list under its script key: the seven parts joined with "_", where
// a "_" or "\" inside a part is written "\_" or "\\", so two different sets of parts never
// share a key. Parts are compared without regard to case everywhere (matching, keys and the
// table rename), as the model compares table and field names: two scripts that differ only
// in the letter case of a part are one script.
#include <array>
#include <cstdint>
#include <string>

#include "core/setting_element.h"
#include "elements/element_collection.h"

namespace quillet::extensions {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

// Columns: name, data type, RegSave, RegFormat, FileSave, Sync.
#define QUILLET_CUSTOMSCRIPT_SETTINGS(X)                                                           \
  X(Seq, Integer, false, 0, false, false)                                                          \
  X(ScriptType, String, false, 0, true, true)                                                      \
  X(ScriptCodeType, String, false, 0, true, true)                                                  \
  X(ScriptName, String, false, 0, true, true)                                                      \
  X(ScriptLanguage, String, false, 0, true, true)                                                  \
  X(ScriptCtrlID, String, false, 0, true, true)                                                    \
  X(ScriptL1Key, String, false, 0, true, true)                                                     \
  X(ScriptL2Key, String, false, 0, true, true)                                                     \
  X(ScriptCode, String, false, 0, false, true)

inline constexpr core::SettingDef kCustomScriptSettings[] = {
    QUILLET_CUSTOMSCRIPT_SETTINGS(QUILLET_SETTING_DEF)};
inline constexpr core::Catalogue kCustomScriptCatalogue{kCustomScriptSettings, {}, {}};

// The seven key parts in their order.
using ScriptParts = std::array<std::string, 7>;

// The script key of seven parts.
std::string scriptKey(const ScriptParts& parts);

class RUZCustomScript : public core::SettingElement {
  QUILLET_OBJECT(RUZCustomScript)
public:
  RUZCustomScript() : SettingElement(kCustomScriptCatalogue) {}
  QUILLET_CUSTOMSCRIPT_SETTINGS(QUILLET_SETTING_ACCESSOR)

  // A plain field: the list sets it when it changes the script's key.
  const std::string& scriptKeyField() const { return key_; }
  void setScriptKeyField(const std::string& key) { key_ = key; }
  ScriptParts parts();
  void setParts(const ScriptParts& parts);

private:
  std::string key_;
};

class RUZCustomScripts : public automation::Object {
  QUILLET_OBJECT(RUZCustomScripts)
public:
  const std::string& curName() const { return curName_; }
  std::string curSeq() const { return std::to_string(curSeq_); }
  // False when the kind, code kind, name or language is empty; otherwise the script exists
  // afterwards (a present one unchanged) and is current.
  bool Add(const ScriptParts& parts);
  // Gives every script filed under table OldName (any letter case) the table NewName. A
  // script whose new key another script already has keeps its old table. Always False.
  bool Change(const std::string& oldName, const std::string& newName);
  int32_t Count() const { return items_.count(); }
  // Removes the matching script and closes the gap in the numbers; it stays current.
  bool Delete(const ScriptParts& parts);
  bool ScriptExist(const ScriptParts& parts) const { return match(parts) != 0; }
  // The matching script, which becomes current; nullptr when none matches.
  Ref<RUZCustomScript> ScriptItem(const ScriptParts& parts);
  Ref<RUZCustomScript> Seq(int32_t index) const;
  Ref<automation::Enumerator> NewEnum() const { return items_.newEnum(); }

  // The scripts in list order.
  std::vector<Ref<RUZCustomScript>> list() const { return items_.list(); }

private:
  // The position of the first script matching the parts, 0 when none.
  int32_t match(const ScriptParts& parts) const;
  elements::KeyedItems<RUZCustomScript> items_;
  std::string curName_;
  int32_t curSeq_ = 0;
};

// The thread's custom script list, created empty on first use.
Ref<RUZCustomScripts> customScriptList();
// Puts another list in the thread's place and hands back the one that stood there.
Ref<RUZCustomScripts> exchangeCustomScriptList(Ref<RUZCustomScripts> list);

// ---- Custom script members of the project object ----------------------------------------
// Add the script (or find it) and set its code; False when Add refuses the parts.
bool AddCustomScript(const ScriptParts& parts, const std::string& code);
// Set the code of an existing script; False when none matches.
bool UpdateCustomScript(const ScriptParts& parts, const std::string& code);
bool DeleteCustomScript(const ScriptParts& parts);

// Reads seven text arguments of a script call into parts.
ScriptParts scriptPartsOf(automation::Args args, size_t first = 0);

} // namespace quillet::extensions
