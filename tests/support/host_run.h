#pragma once
// Runs the brindlewood program as a user would, capturing its exit status and output.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

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

} // namespace quillet::testing
