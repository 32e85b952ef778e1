#pragma once
// The common shape of every element that keeps its settings in a property bag (project,
// database, table, field, chart, trendline, custom script, extension): one data table per
// class, from which everything else is derived.
//
// How a class uses it:
//
//   // 1. The catalogue, in the order the project file writes it. Columns: name, data type
//   //    (String, Boolean, Integer, Long, Variant, Single, Double), RegSave, RegFormat,
//   //    FileSave, Sync and an optional default text (converted by ConvertDefaultValue).
//   //    (each line of the macro ends in a backslash continuation)
//   #define QUILLET_TREND_SETTINGS(X)
//     X(TrendName, String, false, 0, true, false)
//     X(TrendSeq, Integer, false, 0, false, false)
//     X(TrendColor, String, true, 1, true, true, "000000")
//
//   inline constexpr core::SettingDef kTrendSettings[] = {
//       QUILLET_TREND_SETTINGS(QUILLET_SETTING_DEF)};
//   inline constexpr core::Catalogue kTrendCatalogue{
//       kTrendSettings, "Trendline", "TrendName"};
//
//   // 2. The class: typed C++ accessors come from the same table.
//   class RUZTrend : public core::SettingElement {
//     QUILLET_OBJECT(RUZTrend)
//   public:
//     RUZTrend() : SettingElement(kTrendCatalogue) {}
//     QUILLET_TREND_SETTINGS(QUILLET_SETTING_ACCESSOR) // TrendName(), setTrendName(v), ...
//   };
//
//   // 3. The member table: every setting as a typed property, plus Properties, Key,
//   //    GetV and SetV.
//   QUILLET_DEFINE_CLASS(RUZTrend) {
//     core::addSettingMembers(b, kTrendCatalogue); // Properties, Key and every setting
//     core::addNameAccess(b);                       // GetV and SetV
//     b.method(...);                                 // the class's own members
//   }
//
// Construction adds every catalogue setting to the bag in catalogue order (InitProperties),
// stores the default texts, then, when the catalogue names a defaults section, reads every
// RegSave setting's value from that section of the current user's registry (LoadRegDefaults),
// converted by the setting's data type, so a missing value gives false, 0, "" or Empty. A
// RegSave setting therefore takes its registry value even when the catalogue has a default.
//
// Typed accessors read the stored value converted to their type (Empty gives false, 0 or "";
// a value that cannot be converted raises type mismatch 13) and store a value of their type
// unconverted. GetV/SetV reach any setting by name as text: see their comments for names the
// bag lacks.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/properties.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/members.h"

namespace quillet::core {

enum class SettingType : uint8_t { String, Boolean, Integer, Long, Variant, Single, Double };

// The data type name the bag records ("String", "Boolean", ...).
constexpr std::string_view settingTypeName(SettingType t) {
  switch (t) {
  case SettingType::String:
    return "String";
  case SettingType::Boolean:
    return "Boolean";
  case SettingType::Integer:
    return "Integer";
  case SettingType::Long:
    return "Long";
  case SettingType::Variant:
    return "Variant";
  case SettingType::Single:
    return "Single";
  case SettingType::Double:
    return "Double";
  }
  return "Variant";
}

// The C++ type of a typed accessor.
template <SettingType T> struct SettingCpp;
template <> struct SettingCpp<SettingType::String> { using type = std::string; };
template <> struct SettingCpp<SettingType::Boolean> { using type = bool; };
template <> struct SettingCpp<SettingType::Integer> { using type = int16_t; };
template <> struct SettingCpp<SettingType::Long> { using type = int32_t; };
template <> struct SettingCpp<SettingType::Variant> { using type = Variant; };
template <> struct SettingCpp<SettingType::Single> { using type = float; };
template <> struct SettingCpp<SettingType::Double> { using type = double; };
template <SettingType T> using SettingValue = typename SettingCpp<T>::type;

// Converts a stored value to an accessor's type by the standard rules (error 13 when it
// cannot be converted).
template <SettingType T> SettingValue<T> convertSetting(const Variant& v) {
  namespace a = ::quillet::platform::automation;
  if constexpr (T == SettingType::String)
    return v.isEmpty() ? std::string() : a::CStr(v);
  else if constexpr (T == SettingType::Boolean)
    return a::CBool(v);
  else if constexpr (T == SettingType::Integer)
    return a::CInt(v);
  else if constexpr (T == SettingType::Long)
    return a::CLng(v);
  else if constexpr (T == SettingType::Single)
    return a::CSng(v);
  else if constexpr (T == SettingType::Double)
    return a::CDbl(v);
  else
    return v;
}
// The same with the type known at run time.
Variant convertSetting(SettingType type, const Variant& v);

struct SettingDef {
  std::string_view name;
  SettingType type = SettingType::String;
  bool regSave = false;
  int32_t regFormat = 0; // 1 text, 4 32-bit number, 0 not written back
  bool fileSave = false;
  bool sync = false;
  const char* defaultValue = nullptr; // nullptr: the value starts Empty
};

struct Catalogue {
  std::span<const SettingDef> settings;
  // The settings section that holds this class's defaults in the current user's registry
  // ("Field" is read below State::sectionKey("Field")); empty for a class without registry
  // defaults.
  std::string_view registrySection = {};
  // The setting that the element's Key reads and writes ("FldName"); empty when the class
  // keeps its key elsewhere.
  std::string_view keySetting = {};

  // The definition of a setting by name (without regard to case), or nullptr.
  const SettingDef* find(std::string_view name) const;
};

class SettingElement : public automation::Object {
public:
  // The element's bag, created on first use.
  Ref<AGProperties> Properties();
  const Catalogue& catalogue() const { return *catalogue_; }

  // The setting's value as text ("" for Empty and Null, "True"/"False", numbers in the
  // context's locale). A name the bag lacks is added provisionally (not saved until written)
  // with the empty text as its value, and "" is returned.
  std::string GetV(const std::string& name);
  // Stores a value given as text, converted by the setting's data type. A name the bag lacks
  // (or holds provisionally) becomes a saved "String" setting holding the text unconverted.
  void SetV(const std::string& name, const std::string& value);
  // Deletes every property of the bag by name.
  void ClearProperties();

  // Element key: the catalogue's key setting.
  std::string Key() { return setting<SettingType::String>(catalogue_->keySetting); }
  void setKey(const std::string& key) {
    setSetting<SettingType::String>(catalogue_->keySetting, key);
  }

  // Raw value by name (a missing name is added provisionally, as the bag's Item does).
  const Variant& value(std::string_view name);
  void setValue(std::string_view name, const Variant& v);

  // Typed access by name; the generated accessors call these.
  template <SettingType T> SettingValue<T> setting(std::string_view name) {
    return convertSetting<T>(value(name));
  }
  template <SettingType T> void setSetting(std::string_view name, const SettingValue<T>& v) {
    setValue(name, Variant(v));
  }

protected:
  // Runs InitProperties and, when the catalogue has a defaults section, LoadRegDefaults.
  explicit SettingElement(const Catalogue& catalogue);
  void InitProperties();
  void LoadRegDefaults();

private:
  const Catalogue* catalogue_;
  Ref<AGProperties> props_;
};

namespace detail {
// Dispatch entries for one setting: get converts to the setting's type, let converts the
// assigned value to it (errors reach the caller).
automation::Member::Fn settingGetter(std::string_view name, SettingType type);
automation::Member::Fn settingLetter(std::string_view name, SettingType type);
} // namespace detail

// Adds `Properties`, `Key` (when the catalogue has a key setting) and one typed property per
// catalogue setting, named exactly like the setting, to a class's member table.
template <class C>
void addSettingMembers(automation::ClassBuilder<C>& b, const Catalogue& catalogue) {
  static_assert(std::is_base_of_v<SettingElement, C>);
  b.get("Properties", [](C& self) { return self.Properties(); });
  if (!catalogue.keySetting.empty())
    b.prop(
        "Key", [](C& self) { return self.Key(); },
        [](C& self, const std::string& key) { self.setKey(key); });
  for (const SettingDef& def : catalogue.settings)
    b.raw(std::string(def.name), detail::settingGetter(def.name, def.type), 0, 0,
          detail::settingLetter(def.name, def.type));
}

// Adds `GetV(Name)` and `SetV(Name, Value)`.
template <class C> void addNameAccess(automation::ClassBuilder<C>& b) {
  static_assert(std::is_base_of_v<SettingElement, C>);
  b.method("GetV", [](C& self, const std::string& name) { return self.GetV(name); });
  b.method("SetV", [](C& self, const std::string& name, const std::string& value) -> Variant {
    self.SetV(name, value);
    return Variant();
  });
}

} // namespace quillet::core

// One catalogue row as a SettingDef initialiser.
#define QUILLET_SETTING_DEF(name, type, regSave, regFormat, fileSave, sync, ...)                   \
  ::quillet::core::SettingDef{#name,    ::quillet::core::SettingType::type, regSave, regFormat,    \
                              fileSave, sync __VA_OPT__(, ) __VA_ARGS__},

// One catalogue row as a typed getter `Name()` and setter `setName(v)`.
#define QUILLET_SETTING_ACCESSOR(name, type, ...)                                                  \
  ::quillet::core::SettingValue<::quillet::core::SettingType::type> name() {                       \
    return this->template setting<::quillet::core::SettingType::type>(#name);                      \
  }                                                                                                \
  void set##name(const ::quillet::core::SettingValue<::quillet::core::SettingType::type>& v) {     \
    this->template setSetting<::quillet::core::SettingType::type>(#name, v);                       \
  }
