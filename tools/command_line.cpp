#include "command_line.h"

#include <algorithm>
#include <sstream>

namespace tool {

std::optional<Options> Options::parse(int argc, char* argv[])
{
    return parse(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
}

std::optional<Options> Options::parse(const std::vector<std::string>& arguments)
{
    if (arguments.size() % 2 != 0)
        return std::nullopt;
    Options options;
    for (size_t i = 0; i + 1 < arguments.size(); i += 2) {
        const std::string& name = arguments[i];
        if (name.rfind("--", 0) != 0 || !options.values_.emplace(name, arguments[i + 1]).second)
            return std::nullopt;
    }
    return options;
}

std::string Options::value(const std::string& name, const std::string& fallback) const
{
    const auto found = values_.find(name);
    return found == values_.end() ? fallback : found->second;
}

std::string Options::unknown(const std::string& known) const
{
    std::string names;
    for (const auto& [name, value] : values_) {
        if ((" " + known + " ").find(" " + name + " ") == std::string::npos)
            names += (names.empty() ? "" : " ") + name;
    }
    return names;
}

} // namespace tool
