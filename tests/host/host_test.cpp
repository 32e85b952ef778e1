// Runs the brindlewood program as a user would and checks its exit status and output.
#include <gtest/gtest.h>

#include <string>

#include "support/host_run.h"

namespace {

using quillet::testing::HostRun;

HostRun run(const std::string& args) {
  return quillet::testing::runHost(args);
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
