#pragma once
// The project subsystem's share of the per-thread state: constants and registry paths the
// project object's constructor sets, the folders it finds, and the values LoadDefault and
// Load copy out of the project for the template engine and the generation run.
#include <cstdint>
#include <string>

#include "platform/automation/ref.h"

namespace quillet::project {

class RUZSettings;

struct ProjectState {
  // Product code handed to the project converter, and the reference versions of project
  // and control files ("4.0").
  std::string ConverterCode = "TQMZ";
  std::string AppVersion;
  std::string ProjectFileVersion;
  std::string ControlFileVersion;

  // Registry key paths below the current user's or the machine's root.
  std::string GeneralKey;
  std::string ProjectKey;
  std::string AdvancedFiltersKey;
  std::string ExtensionsKey;

  std::string ExtensionsFolder;
  std::string TemplateName;
  std::string DocumentsFolder;
  std::string DataFolder;
  std::string BackupFolder;
  std::string ReportFolder;

  // Filled by LoadDefault.
  std::string LanguageFolder;
  int32_t ScriptEngineTimeout = 0;
  std::string AppThemesFolder;
  std::string AppDataFolder;
  int16_t DateFormatCode = 0;

  // Copies of project and database settings that generation reads.
  std::string Destination;
  std::string DBMSName;

  // The custom setting file's reader, created on first need and kept while the thread lives.
  platform::automation::Ref<RUZSettings> settingsReader;
};

// The thread's project state.
ProjectState& projectState();

} // namespace quillet::project
