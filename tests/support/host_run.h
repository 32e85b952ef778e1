#pragma once
// Runs the brindlewood program as a user would, capturing its exit status and output.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "files/tempdir.h"

namespace quillet::testing {

struct HostRun {
  int status;
  std::string out;
};

inline std::string hostProgram() {
  const char* dir = std::getenv("QUILLET_BUILD_DIR");
  return std::string(dir ? dir : ".") + "/brindlewood";
}

// `redirect` decides which streams land in `out` ("2>&1" both, "2>/dev/null" stdout only).
inline HostRun runHost(const std::string& args, const char* redirect = "2>&1") {
  std::string cmd = hostProgram() + " " + args + " " + redirect;
  HostRun r{-1, {}};
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
    r.out.append(buf.data(), n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

// A test of the program itself: stops at once when the program is not built, and gives the
// test a fresh folder for the scripts it runs.
class HostProgramTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(::access(hostProgram().c_str(), X_OK), 0) << hostProgram() << " is not built";
  }
  // Writes a file into the test's folder; its path.
  std::string script(const std::string& name, const std::string& text) {
    return dir.write(name, text);
  }
  TempDir dir;
};

// The program runs under the leak checker too; the ODBC drivers' own allocations that outlive
// a connection are theirs, as in the test programs. While this lives, LSAN_OPTIONS names a
// suppression file for them, written at the path given.
class DriverLeaksSuppressed {
public:
  explicit DriverLeaksSuppressed(const std::filesystem::path& file) {
    std::ofstream(file, std::ios::binary) << "leak:psqlodbcw.so\nleak:psqlodbca.so\n"
                                             "leak:libmaodbc.so\nleak:libsqlite3odbc\n"
                                             "leak:libodbc.so\n";
    ::setenv("LSAN_OPTIONS", ("suppressions=" + file.string()).c_str(), 1);
  }
  ~DriverLeaksSuppressed() { ::unsetenv("LSAN_OPTIONS"); }
  DriverLeaksSuppressed(const DriverLeaksSuppressed&) = delete;
  DriverLeaksSuppressed& operator=(const DriverLeaksSuppressed&) = delete;
};

} // namespace quillet::testing
