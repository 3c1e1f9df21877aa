#pragma once
// The tool's commands. Each takes the arguments after its name and returns the exit code.

#include <string>
#include <utility>
#include <vector>

namespace cinefold {

using Arguments = std::vector<std::string>;

int runInfo(const Arguments& arguments);
int runExtract(const Arguments& arguments);
int runBundle(const Arguments& arguments);
int runFrame(const Arguments& arguments);
int runSequence(const Arguments& arguments);
int runRender(const Arguments& arguments);
int runPack(const Arguments& arguments);
int runUnpack(const Arguments& arguments);
int runPlay(const Arguments& arguments);
int runImport(const Arguments& arguments);

} // namespace cinefold

namespace cinefold {

// A command line split into positional arguments, flags and options with a value.
struct ParsedArguments {
    std::vector<std::string> positional;
    std::vector<std::string> flags;
    std::vector<std::pair<std::string, std::string>> options;

    bool has(const std::string& flag) const;
    const std::string* option(const std::string& name) const;
};

// A decimal integer in [lowest, highest], the whole text; false for anything else.
bool parseInteger(const std::string& text, long long lowest, long long highest, long long& value);

// Fails, with a message, on an unknown flag or option, or an option without its value.
bool parseArguments(const Arguments& arguments, const std::vector<std::string>& knownFlags,
                    const std::vector<std::string>& knownOptions, ParsedArguments& parsed,
                    std::string& error);

} // namespace cinefold
