#pragma once
// Minimal JSON text building for the tool's --json output.
#include <string>

namespace qeltex_cli {

std::string jsonString(const std::string& s);

}  // namespace qeltex_cli
