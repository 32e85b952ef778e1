#pragma once
// A temporary folder of the fuzz run, made once: HOME, the XDG folders and the machine hive
// point into it, so the registry hive and the data folders of the engine stay there too.
#include <cstdlib>
#include <filesystem>
#include <string>

inline std::string fuzzScratchFolder() {
  static std::string dir = [] {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quillet-fuzz-XXXXXX").string();
    std::string d = ::mkdtemp(tmpl.data());
    ::setenv("HOME", d.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (d + "/config").c_str(), 1);
    ::setenv("XDG_DOCUMENTS_DIR", (d + "/docs").c_str(), 1);
    ::setenv("QUILLET_MACHINE_HIVE", (d + "/machine.reg").c_str(), 1);
    return d;
  }();
  return dir;
}
