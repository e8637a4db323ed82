#include "Options.h"

namespace qeltex_cli {

namespace {
const OptionSpec* findSpec(const std::vector<OptionSpec>& specs, const std::string& arg) {
    for (const OptionSpec& s : specs) {
        if (arg == "--" + s.name) return &s;
        if (s.shortName && arg.size() == 2 && arg[0] == '-' && arg[1] == s.shortName) return &s;
    }
    return nullptr;
}
}  // namespace

bool parseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs, ParsedArgs& out,
               std::string& error, bool (*acceptsValue)(const std::string&, const std::string&)) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            out.positional.push_back(arg);
            continue;
        }
        std::string name = arg, inlineValue;
        bool hasInline = false;
        size_t eq = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
            hasInline = true;
        }
        const OptionSpec* option = findSpec(specs, name);
        if (!option) {
            error = "unknown option '" + arg + "' (see --help)";
            return false;
        }
        if (option->kind == OptionSpec::Flag) {
            if (hasInline) {
                error = "option --" + option->name + " takes no value";
                return false;
            }
            out.values[option->name] = "";
        } else if (hasInline) {
            out.values[option->name] = inlineValue;
        } else if (option->kind == OptionSpec::Value) {
            if (i + 1 >= args.size()) {
                error = "option --" + option->name + " needs a value (" + option->valueName + ")";
                return false;
            }
            out.values[option->name] = args[++i];
        } else {
            bool take = i + 1 < args.size() && acceptsValue && acceptsValue(option->name, args[i + 1]);
            out.values[option->name] = take ? args[++i] : "";
        }
    }
    return true;
}

std::string formatHelp(const std::string& usage, const std::string& description,
                       const std::vector<OptionSpec>& specs) {
    std::string s = "usage: " + usage + "\n\n" + description + "\n";
    if (!specs.empty()) s += "\noptions:\n";
    for (const OptionSpec& o : specs) {
        std::string left = "  ";
        left += o.shortName ? std::string("-") + o.shortName + ", " : "    ";
        left += "--" + o.name;
        if (o.kind == OptionSpec::Value) left += " " + o.valueName;
        if (o.kind == OptionSpec::OptionalValue) left += " [" + o.valueName + "]";
        if (left.size() < 28) left.resize(28, ' ');
        else left += "\n" + std::string(28, ' ');
        s += left + o.help;
        s += " (default: " + (o.defaultText.empty() ? std::string("none") : o.defaultText) + ")";
        s += "\n";
    }
    return s;
}

}  // namespace qeltex_cli
