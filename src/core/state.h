#pragma once
// The product and project state of a thread: start-up constants, registry paths, copies of a
// few project settings, the project error text and the progress counters. It lives in the
// thread's automation context (one per context, so each test starts from a fresh one) but
// belongs to the engine, not to the platform: a new product setting is added here.
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet::core {

struct State {
  State();

  // Start-up constants.
  std::string DisplayName = "Brindlewood";
  std::string ProductKey = "Brindlewood";
  std::string PlatformText = "ASP.NET";
  std::string ProjectExtension = "kvz";
  int32_t VersionMajor;
  int32_t VersionMinor;
  int32_t VersionRevision;
  std::string versionText() const;     // "4.0"
  std::string fullVersionText() const; // "4.0.0.<revision>"

  // Registry paths below HKCU / HKLM.
  std::string ProductRegistryPath; // "Software\Brindlewood\4.0"
  std::string SettingsKey;         // ProductRegistryPath + "\Settings"
  std::string DatabaseDefaultsKey;
  std::string TableDefaultsKey;
  std::string FieldDefaultsKey;
  std::string ChartDefaultsKey;
  std::string TrendlineDefaultsKey;
  std::string OdbcIniPath = "Software\\ODBC\\ODBC.INI";
  std::string OdbcInstIniPath = "Software\\ODBC\\ODBCINST.INI";
  // The settings section path of a class ("General", "Project", "Table", ...).
  std::string sectionKey(std::string_view section) const;

  int32_t lhWnd = 0; // opaque owner handle the host may set

  // Copies of project settings.
  std::string CurrentProgramLanguage;
  std::string CurrentSQLQuote;

  // Working values. The counters are wide: a project can hold more than 32,767 items.
  std::string ProjErr;
  std::string StatusCaption;
  int64_t ProgressTotal = 0;
  int64_t ProgressCount = 0;
  std::string SecurityDefault;

  // Replaces the project error text with "DisplayName: message".
  void setProjErr(const std::string& message);
  // Appends a line "DisplayName: message" (lines are separated by CR LF).
  void appendProjErr(const std::string& message);
  bool hasProjErr() const { return !ProjErr.empty(); }
};

// The state of the current thread's context, created with it on first use.
State& state();

} // namespace quillet::core
