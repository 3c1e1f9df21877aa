#include "Commands.h"

#include <algorithm>
#include <charconv>

namespace cinefold {

bool ParsedArguments::has(const std::string& flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

const std::string* ParsedArguments::option(const std::string& name) const {
    for (const auto& [key, value] : options)
        if (key == name) return &value;
    return nullptr;
}

bool parseInteger(const std::string& text, long long lowest, long long highest, long long& value) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && !text.empty() && value >= lowest &&
           value <= highest;
}

bool parseArguments(const Arguments& arguments, const std::vector<std::string>& knownFlags,
                    const std::vector<std::string>& knownOptions, ParsedArguments& parsed,
                    std::string& error) {
    auto known = [](const std::vector<std::string>& list, const std::string& s) {
        return std::find(list.begin(), list.end(), s) != list.end();
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a.size() > 1 && a[0] == '-') {
            if (known(knownFlags, a)) {
                parsed.flags.push_back(a);
            } else if (known(knownOptions, a)) {
                if (i + 1 >= arguments.size()) {
                    error = "option " + a + " needs a value";
                    return false;
                }
                if (parsed.option(a)) {
                    error = "option " + a + " given twice";
                    return false;
                }
                parsed.options.emplace_back(a, arguments[++i]);
            } else {
                error = "unknown option " + a;
                return false;
            }
        } else {
            parsed.positional.push_back(a);
        }
    }
    return true;
}

} // namespace cinefold
