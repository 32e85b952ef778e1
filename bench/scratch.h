#pragma once
// A private temporary folder for a benchmark or fuzz run: HOME, the XDG folders and the
// machine hive point into it, so the registry hive and the data folders the engine writes
// stay out of the user's own.
#include <cstdlib>
#include <filesystem>
#include <string>

// Makes a new folder named after prefix and points the environment into it.
inline std::string makeScratchFolder(const char* prefix) {
  std::string tmpl =
      (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
  std::string d = ::mkdtemp(tmpl.data());
  ::setenv("HOME", d.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (d + "/config").c_str(), 1);
  ::setenv("XDG_DOCUMENTS_DIR", (d + "/docs").c_str(), 1);
  ::setenv("QUILLET_MACHINE_HIVE", (d + "/machine.reg").c_str(), 1);
  return d;
}

// The benchmark run's folder, made on first use.
inline const std::string& benchScratchFolder() {
  static const std::string dir = makeScratchFolder("quillet-bench");
  return dir;
}
