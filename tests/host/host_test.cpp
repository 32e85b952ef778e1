// Runs the brindlewood program as a user would and checks its exit status and output.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace {

struct HostRun {
  int status;
  std::string out;
};

HostRun run(const std::string& args) {
  const char* dir = std::getenv("QUILLET_BUILD_DIR");
  std::string cmd = std::string(dir ? dir : ".") + "/brindlewood " + args + " 2>&1";
  HostRun r{-1, {}};
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

TEST(HostTest, HelpListsCommandsAndUnknownCommandsAreUsageErrors) {
  HostRun help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("commands:"), std::string::npos);
  HostRun version = run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("brindlewood ", 0), 0u);
  HostRun unknown = run("frobnicate");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.out.find("usage:"), std::string::npos);
  EXPECT_EQ(run("").status, 2);
}

} // namespace
