// brindlewood: the command-line host of the generation engine.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/commands.h"
#include "platform/automation/limits.h"

int main(int argc, char** argv) {
  quillet::platform::automation::tuneAllocatorForScripts();
  std::vector<std::string> args(argv + 1, argv + argc);
  return quillet::host::runCommand(args);
}
