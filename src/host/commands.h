#pragma once
#include <string>
#include <vector>

namespace quillet::host {

// Runs one command line (without the program name) and returns the exit status.
int runCommand(const std::vector<std::string>& args);

} // namespace quillet::host
