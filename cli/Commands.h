#pragma once
// The tool's subcommands. Each returns the process exit status.
#include <string>
#include <vector>

#include "Options.h"

namespace qeltex_cli {

int runConvert(const std::vector<std::string>& args);
int runInfo(const std::vector<std::string>& args);
int runDecode(const std::vector<std::string>& args);
int runCompare(const std::vector<std::string>& args);
int runSample(const std::vector<std::string>& args);

// Prints "qeltex: error: MESSAGE" to stderr and returns the failure status 1.
int fail(const std::string& message);

}  // namespace qeltex_cli
