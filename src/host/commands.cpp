#include "host/commands.h"

#include <iostream>

namespace quillet::host {
namespace {

constexpr const char* kUsage = "usage: brindlewood <command> [options]\n"
                               "\n"
                               "commands:\n"
                               "  --help, help        show this text\n"
                               "  --version, version  show the engine version\n";

std::string versionText() {
  return std::to_string(QUILLET_VERSION_MAJOR) + "." + std::to_string(QUILLET_VERSION_MINOR) + "." +
         std::to_string(QUILLET_VERSION_PATCH);
}

} // namespace

int runCommand(const std::vector<std::string>& args) {
  if (args.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string& cmd = args[0];
  if (cmd == "--help" || cmd == "help" || cmd == "-h") {
    std::cout << kUsage;
    return 0;
  }
  if (cmd == "--version" || cmd == "version") {
    std::cout << "brindlewood " << versionText() << "\n";
    return 0;
  }
  std::cerr << "brindlewood: unknown command '" << cmd << "'\n\n" << kUsage;
  return 2;
}

} // namespace quillet::host
