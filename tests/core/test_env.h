#pragma once
// A private environment for one test: HOME, the XDG folders, the machine hive and the ODBC
// files point into a fresh temporary folder, and a fresh context is installed.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "core/state.h"
#include "platform/automation/context.h"

namespace quillet::testing {

class TempEnv {
public:
  TempEnv() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quillet-test-XXXXXX").string();
    root_ = ::mkdtemp(tmpl.data());
    set("HOME", root_ / "home");
    set("XDG_CONFIG_HOME", root_ / "config");
    set("XDG_DATA_HOME", root_ / "data");
    set("XDG_DOCUMENTS_DIR", root_ / "home" / "Documents");
    set("QUILLET_MACHINE_HIVE", root_ / "machine.reg");
    set("ODBCSYSINI", root_ / "odbc");
    set("ODBCINI", root_ / "home" / ".odbc.ini");
    ::unsetenv("ODBCINSTINI");
    std::filesystem::create_directories(root_ / "home");
    std::filesystem::create_directories(root_ / "odbc");
  }
  ~TempEnv() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path path(const std::string& rel) const { return root_ / rel; }
  void write(const std::string& rel, const std::string& content) const {
    auto p = root_ / rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
  }

private:
  static void set(const char* name, const std::filesystem::path& value) {
    ::setenv(name, value.c_str(), 1);
  }
  std::filesystem::path root_;
};

// The environment first, then the context that reads it.
class CoreTest : public ::testing::Test {
protected:
  TempEnv env;
  platform::automation::Context::Scope scope;
  // The test's own context (shared objects, hooks, locale) and its product and project state.
  platform::automation::Context& context() { return scope.context(); }
  core::State& ctx() { return core::state(); }
};

} // namespace quillet::testing
