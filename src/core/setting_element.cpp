#include "core/setting_element.h"

#include "core/registry.h"
#include "core/state.h"
#include "platform/text/casefold.h"

namespace quillet::core {

namespace text = ::quillet::platform::text;

Variant convertSetting(SettingType type, const Variant& v) {
  switch (type) {
  case SettingType::String:
    return Variant(convertSetting<SettingType::String>(v));
  case SettingType::Boolean:
    return Variant(convertSetting<SettingType::Boolean>(v));
  case SettingType::Integer:
    return Variant(convertSetting<SettingType::Integer>(v));
  case SettingType::Long:
    return Variant(convertSetting<SettingType::Long>(v));
  case SettingType::Single:
    return Variant(convertSetting<SettingType::Single>(v));
  case SettingType::Double:
    return Variant(convertSetting<SettingType::Double>(v));
  case SettingType::Variant:
    break;
  }
  return v;
}

const SettingDef* Catalogue::find(std::string_view name) const {
  for (const SettingDef& d : settings)
    if (text::equalsNoCase(d.name, name)) return &d;
  return nullptr;
}

SettingElement::SettingElement(const Catalogue& catalogue) : catalogue_(&catalogue) {
  InitProperties();
  if (!catalogue_->registrySection.empty()) LoadRegDefaults();
}

Ref<AGProperties> SettingElement::Properties() {
  if (!props_) props_ = automation::makeRef<AGProperties>();
  return props_;
}

void SettingElement::InitProperties() {
  Ref<AGProperties> bag = Properties();
  bag->reserve(static_cast<size_t>(bag->Count()) + catalogue_->settings.size());
  for (const SettingDef& d : catalogue_->settings) {
    AGProperty* p = bag->addProperty(std::string(d.name), std::string(settingTypeName(d.type)),
                                     d.regSave, d.regFormat, d.fileSave, d.sync);
    if (p && d.defaultValue)
      p->setValue(ConvertDefaultValue(Variant(d.defaultValue), settingTypeName(d.type)));
  }
}

void SettingElement::LoadRegDefaults() {
  const std::string section = state().sectionKey(catalogue_->registrySection);
  // Every default of an element lives in one section: it is looked up once, not once per
  // setting (each look checks the hive's file), which counted when thousands of fields load.
  std::vector<AGProperty*> saved;
  std::vector<std::string_view> names;
  Ref<AGProperties> bag = Properties();
  for (int32_t i = 1; i <= bag->Count(); ++i) {
    AGProperty* p = bag->at(i);
    if (!p->RegSave()) continue;
    saved.push_back(p);
    names.push_back(p->Name());
  }
  std::vector<Variant> values = RegGetValues(Variant("HKCU"), Variant(section), names);
  for (size_t i = 0; i < saved.size(); ++i)
    saved[i]->setValue(ConvertValue(values[i], saved[i]->DataType()));
}

const Variant& SettingElement::value(std::string_view name) {
  static const Variant kEmpty;
  Ref<AGProperty> p = Properties()->Item(name);
  return p ? p->Value() : kEmpty;
}

void SettingElement::setValue(std::string_view name, const Variant& v) {
  if (Ref<AGProperty> p = Properties()->Item(name)) p->setValue(v);
}

std::string SettingElement::GetV(const std::string& name) {
  Ref<AGProperties> bag = Properties();
  if (AGProperty* p = bag->find(name)) {
    const Variant& v = p->Value();
    if (v.isEmpty() || v.isNull()) return {};
    try {
      return automation::CStr(v);
    } catch (const automation::Error&) {
      return {};
    }
  }
  if (Ref<AGProperty> p = bag->Item(std::string_view(name))) p->setValueQuietly(Variant(""));
  return {};
}

void SettingElement::SetV(const std::string& name, const std::string& value) {
  Ref<AGProperties> bag = Properties();
  // A setting that a read added provisionally is in the bag, so it converts like any other.
  if (AGProperty* p = bag->find(name)) {
    p->setValue(ConvertValue(Variant(value), p->DataType()));
    return;
  }
  if (bag->Add(name, "String", false, 0, true, true)) bag->find(name)->setValue(Variant(value));
}

void SettingElement::ClearProperties() {
  Ref<AGProperties> bag = Properties();
  for (const Ref<AGProperty>& p : bag->list())
    bag->Delete(Variant(p->Name()));
}

namespace detail {

automation::Member::Fn settingGetter(std::string_view name, SettingType type) {
  return [name, type](automation::Object& o, automation::Args) -> Variant {
    return convertSetting(type, static_cast<SettingElement&>(o).value(name));
  };
}

automation::Member::Fn settingLetter(std::string_view name, SettingType type) {
  return [name, type](automation::Object& o, automation::Args args) -> Variant {
    Variant v = args.empty() ? Variant() : args.back();
    static_cast<SettingElement&>(o).setValue(name, convertSetting(type, v));
    return Variant();
  };
}

} // namespace detail

} // namespace quillet::core
