#include "project/settings_file.h"

#include "core/properties.h"
#include "core/registry.h"
#include "core/state.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/files/files.h"
#include "platform/ui/ui.h"
#include "project/state.h"

namespace quillet::project {

namespace xml = ::quillet::platform::xml;
namespace files = ::quillet::platform::files;
using automation::Context;

ProjectState& projectState() {
  return Context::current().shared<ProjectState>();
}

RUZSettings::RUZSettings() {
  LoadSettings();
}

bool RUZSettings::LoadSettings() {
  loaded_ = false;
  doc_ = xml::Document();
  Variant v = core::RegGetValue("HKCU", core::state().SettingsKey, "ConfigFile");
  std::string path = v.isEmpty() ? std::string() : automation::CStr(v);
  // Nothing in the product writes the value, so its absence is the normal case, not a fault
  // to show the user.
  if (path.empty() || !files::fileExists(path)) return false;
  try {
    doc_ = xml::Document::load(path);
    loaded_ = true;
  } catch (const automation::Error&) {
    platform::ui::current().messageBox("Unable to load custom setting file: '" + path +
                                           "'. Please check.",
                                       platform::ui::kOkOnly, {});
  }
  return loaded_;
}

xml::Node RUZSettings::find(const std::string& section, const std::string& id) const {
  if (!loaded_ || section.empty() || id.empty()) return {};
  xml::Node root = doc_.documentElement();
  if (!root || root.name() != "qz-setting") return {};
  for (const xml::Node& s : root.childElements("section")) {
    if (s.attribute("name") != section) continue;
    for (const xml::Node& setting : s.childElements("setting"))
      if (setting.attribute("id") == id) return setting;
  }
  return {};
}

std::string RUZSettings::LoadSettingType(const std::string& section, const std::string& id) const {
  xml::Node n = find(section, id);
  if (!n) return {};
  std::string type = n.attribute("type");
  return type.empty() ? "String" : type;
}

Variant RUZSettings::LoadSettingValue(const std::string& section, const std::string& id) const {
  xml::Node n = find(section, id);
  if (!n) return {};
  std::string type = n.attribute("type");
  if (type.empty()) type = "String";
  return core::ConvertValue(Variant(n.attribute("value")), type);
}

RUZSettings& customSettings() {
  ProjectState& st = projectState();
  if (!st.settingsReader) st.settingsReader = automation::makeRef<RUZSettings>();
  return *st.settingsReader;
}

QUILLET_DEFINE_CLASS(RUZSettings) {
  b.method("LoadSettings", &RUZSettings::LoadSettings)
      .method("LoadSettingType", &RUZSettings::LoadSettingType)
      .method("LoadSettingValue", &RUZSettings::LoadSettingValue);
}

} // namespace quillet::project
