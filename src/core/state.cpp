#include "core/state.h"

#include "platform/automation/context.h"

namespace quillet::core {

State::State()
    : VersionMajor(QUILLET_VERSION_MAJOR), VersionMinor(QUILLET_VERSION_MINOR),
      VersionRevision(QUILLET_VERSION_PATCH) {
  ProductRegistryPath = "Software\\" + ProductKey + "\\" + versionText();
  SettingsKey = ProductRegistryPath + "\\Settings";
  DatabaseDefaultsKey = sectionKey("Database");
  TableDefaultsKey = sectionKey("Table");
  FieldDefaultsKey = sectionKey("Field");
  ChartDefaultsKey = sectionKey("Chart");
  TrendlineDefaultsKey = sectionKey("Trendline");
}

std::string State::versionText() const {
  return std::to_string(VersionMajor) + "." + std::to_string(VersionMinor);
}

std::string State::fullVersionText() const {
  return versionText() + ".0." + std::to_string(VersionRevision);
}

std::string State::sectionKey(std::string_view section) const {
  std::string key = SettingsKey;
  key += '\\';
  key += section;
  return key;
}

void State::setProjErr(const std::string& message) {
  ProjErr = DisplayName + ": " + message;
}

void State::appendProjErr(const std::string& message) {
  if (!ProjErr.empty()) ProjErr += "\r\n";
  ProjErr += DisplayName + ": " + message;
}

State& state() {
  return platform::automation::Context::current().shared<State>();
}

} // namespace quillet::core
