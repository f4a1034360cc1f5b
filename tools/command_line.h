#pragma once
// "--name value" options of the command-line tools.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tool {

class Options {
public:
    // Takes the arguments as pairs; nullopt for an odd count, a word that is
    // not an option, or a repeated option.
    static std::optional<Options> parse(int argc, char* argv[]);
    // The same over arguments already decoded (without the program's name).
    static std::optional<Options> parse(const std::vector<std::string>& arguments);

    bool has(const std::string& name) const { return values_.count(name) != 0; }
    std::string value(const std::string& name, const std::string& fallback = {}) const;
    // Names present that `known` (blank-separated) does not list.
    std::string unknown(const std::string& known) const;

private:
    std::map<std::string, std::string> values_;
};

} // namespace tool
