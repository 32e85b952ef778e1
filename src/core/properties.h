#pragma once
// The property bag that holds every setting of the project and its elements, the setting
// record, and the conversion of a value by data type name.
//
// A name the bag lacks is added when it is read (`Item`), so a later write through the
// returned property sticks. Such a property is provisional: it is neither written to the
// project file nor copied by synchronisation (FileSave and Sync read false) until a value is
// assigned to it, when it becomes an ordinary "String" setting with FileSave and Sync set.
// So a probe of a misspelt name never ends up in a saved project, while everything written
// is kept.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/collection.h"

namespace quillet::core {

class AGProperty : public automation::Object {
  QUILLET_OBJECT(AGProperty)
public:
  AGProperty() = default;

  const std::string& Name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }
  const std::string& Key() const { return name_; }
  void setKey(std::string name) { name_ = std::move(name); }
  const std::string& DataType() const { return dataType_; }
  void setDataType(std::string type) { dataType_ = std::move(type); }
  const Variant& Value() const { return value_; }
  // Stores a copy; a provisional property becomes a saved one.
  void setValue(const Variant& value);
  bool RegSave() const { return regSave_; }
  void setRegSave(bool v) { regSave_ = v; }
  int32_t RegFormat() const { return regFormat_; }
  void setRegFormat(int32_t v) { regFormat_ = v; }
  bool FileSave() const { return fileSave_ && !provisional_; }
  void setFileSave(bool v);
  bool Sync() const { return sync_ && !provisional_; }
  void setSync(bool v);

  // Added by a read of a name the bag lacked and not written since.
  bool provisional() const { return provisional_; }
  void setProvisional(bool p) { provisional_ = p; }
  // Stores a value without ending the provisional state (GetV's empty text).
  void setValueQuietly(const Variant& value) { value_ = value; }

private:
  std::string name_;
  std::string dataType_;
  Variant value_;
  bool regSave_ = false;
  int32_t regFormat_ = 0;
  bool fileSave_ = false;
  bool sync_ = false;
  bool provisional_ = false;
};

class AGProperties : public automation::Object {
  QUILLET_OBJECT(AGProperties)
public:
  AGProperties();

  // False, changing nothing, for "" or a name present in any letter case.
  bool Add(const std::string& name, const std::string& dataType = {}, bool regSave = false,
           int32_t regFormat = 0, bool fileSave = false, bool sync = false);
  // As Add, giving the new property (nullptr when Add would give false).
  AGProperty* addProperty(const std::string& name, const std::string& dataType, bool regSave,
                          int32_t regFormat, bool fileSave, bool sync);
  void reserve(size_t count);
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  // A number is taken as the name formed by its decimal text.
  bool Delete(const Variant& index);
  bool PropertyExist(const Variant& index) const;
  // The property of that name, added (provisionally) when the bag lacks it; nullptr only for
  // the empty name. A number gives the property at that position without adding anything
  // (nullptr outside).
  Ref<AGProperty> Item(const Variant& index);
  Ref<AGProperty> Item(std::string_view name);
  Ref<AGProperty> Item(const char* name) { return Item(std::string_view(name)); }
  Ref<AGProperty> Item(const std::string& name) { return Item(std::string_view(name)); }
  // The property of that name, or nullptr; never adds.
  AGProperty* find(std::string_view name) const;
  // The property at a position from 1, or nullptr.
  AGProperty* at(int32_t position) const;
  Ref<automation::Enumerator> NewEnum_prp() const;
  // The properties in bag order (a copy of the references).
  std::vector<Ref<AGProperty>> list() const;

private:
  // A property stays under the name it was added with, even when renamed later, as in any
  // keyed collection. Bags are made by the thousand with a hundred settings each, so they
  // keep their entries in one array with an open-addressing index of positions (hashed on
  // the folded name) rather than a collection node per setting.
  struct Entry {
    Ref<AGProperty> prop;
    std::string key;
    size_t hash = 0;
  };
  // The position of the entry of that name (hash its folded hash), or -1.
  int64_t position(std::string_view name, size_t hash) const;
  void place(size_t position);
  void reindex(size_t count);

  std::vector<Entry> entries_;
  std::vector<uint32_t> slots_; // position + 1, 0 for a free slot
  // The first walk makes a keyed collection of the bag and keeps it in step from then on,
  // so a walk sees removals and appends as every collection's walk does.
  mutable std::unique_ptr<CSuperCollection> walk_;
};

// Converts a value to a data type name ("Boolean", "Integer", "Long", "Single", "Double",
// "String"; any other name leaves it unchanged). Never raises: a value that cannot be
// converted gives Empty. Text goes through StripQuotes.
Variant ConvertValue(const Variant& value, std::string_view dataType);
// As ConvertValue, but "String" and every other name leave the value unchanged.
Variant ConvertDefaultValue(const Variant& value, std::string_view dataType);
// Trims spaces and removes quote pairs that enclose the whole text: "'abc'" gives abc, while
// 'A','B' (a quote inside that is not doubled) comes back unchanged apart from the spaces.
std::string StripQuotes(std::string_view text);

} // namespace quillet::core
