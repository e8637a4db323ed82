#pragma once
// A small command-line parser: long options with or without values, and positionals.
#include <map>
#include <string>
#include <vector>

namespace qeltex_cli {

struct OptionSpec {
    std::string name;         // without the leading "--"
    char shortName;           // 0 when there is none
    enum Kind { Flag, Value, OptionalValue } kind;
    std::string valueName;    // shown in help, e.g. "FILE"
    std::string help;
    std::string defaultText;  // shown in help; empty when there is no default
};

struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;  // flags map to ""
    bool has(const std::string& name) const { return values.count(name) != 0; }
    std::string get(const std::string& name, const std::string& fallback = std::string()) const {
        auto it = values.find(name);
        return it == values.end() ? fallback : it->second;
    }
};

// An OptionalValue option takes the next argument only when `acceptsValue` says it fits.
bool parseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs,
               ParsedArgs& out, std::string& error,
               bool (*acceptsValue)(const std::string& option, const std::string& value) = nullptr);

std::string formatHelp(const std::string& usage, const std::string& description,
                       const std::vector<OptionSpec>& specs);

}  // namespace qeltex_cli
