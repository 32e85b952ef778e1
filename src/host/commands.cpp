#include "host/commands.h"

#include <iostream>

namespace quillet::host {

int runScriptCommand(const std::vector<std::string>& args); // run_command.cpp
int runNewCommand(const std::vector<std::string>& args);    // new_command.cpp
int runSyncCommand(const std::vector<std::string>& args);   // sync_command.cpp
int runGenerateCommand(const std::vector<std::string>& args); // generate_command.cpp
// project_commands.cpp
bool isProjectVerb(const std::string& verb);
std::string projectVerbsUsage();
int runProjectCommand(const std::string& verb, const std::vector<std::string>& args);

namespace {

std::string usageText() {
  return "usage: brindlewood <command> [options]\n"
         "\n"
         "commands:\n"
         "  --help, help        show this text\n"
         "  --version, version  show the engine version\n"
         "  run [--timeout MS] FILE.vbs [ARGS...]\n"
         "                      run a script file\n"
         "  new FILE.kvz --db CONNECTION [--table T]... [--schema S] [--template ZIP]\n"
         "                      create a project from a database\n"
         "  sync FILE.kvz [--yes] [--check] [--map OLD=NEW]...\n"
         "                      bring a project in step with its database\n"
         "  generate FILE.kvz [--dest DIR] [--template ZIP] [--only ITEM...] [--overwrite|--keep]\n"
         "  generate --list FILE.kvz\n"
         "                      produce the site of a project, or list what it would produce\n" +
         projectVerbsUsage() + "\n'brindlewood COMMAND --help' describes a project command.\n";
}

std::string versionText() {
  return std::to_string(QUILLET_VERSION_MAJOR) + "." + std::to_string(QUILLET_VERSION_MINOR) + "." +
         std::to_string(QUILLET_VERSION_PATCH);
}

} // namespace

int runCommand(const std::vector<std::string>& args) {
  if (args.empty()) {
    std::cerr << usageText();
    return 2;
  }
  const std::string& cmd = args[0];
  if (cmd == "--help" || cmd == "help" || cmd == "-h") {
    std::cout << usageText();
    return 0;
  }
  if (cmd == "--version" || cmd == "version") {
    std::cout << "brindlewood " << versionText() << "\n";
    return 0;
  }
  if (cmd == "run") return runScriptCommand(std::vector<std::string>(args.begin() + 1, args.end()));
  if (cmd == "new") return runNewCommand(std::vector<std::string>(args.begin() + 1, args.end()));
  if (cmd == "generate")
    return runGenerateCommand(std::vector<std::string>(args.begin() + 1, args.end()));
  if (cmd == "sync") return runSyncCommand(std::vector<std::string>(args.begin() + 1, args.end()));
  if (isProjectVerb(cmd))
    return runProjectCommand(cmd, std::vector<std::string>(args.begin() + 1, args.end()));
  std::cerr << "brindlewood: unknown command '" << cmd << "'\n\n" << usageText();
  return 2;
}

} // namespace quillet::host
