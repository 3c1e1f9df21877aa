// cinefold: inspect, render, unpack and bundle the animations that the saver plays.

#include "Commands.h"
#include "HelpText.h" // made by the build from tools/help/HelpPages.cpp
#include "files/OutputFile.h"
#include "Report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

struct Command {
    const char* name;
    int (*run)(const cinefold::Arguments&);
};

const Command commands[] = {
    {"info", cinefold::runInfo},         {"extract", cinefold::runExtract},
    {"bundle", cinefold::runBundle},     {"frame", cinefold::runFrame},
    {"sequence", cinefold::runSequence}, {"render", cinefold::runRender},
    {"pack", cinefold::runPack},         {"unpack", cinefold::runUnpack},
    {"play", cinefold::runPlay},         {"import", cinefold::runImport},
};

// A command that printed its result succeeded only if the result arrived: a full disk or a
// closed standard output is a failure, not a success.
int finished(int status) {
    std::string problem;
    if (cinefold::standardOutputWritten(problem) || status != cinefold::exitDone) return status;
    return cinefold::fileError("standard output", problem);
}

bool isHelp(const char* argument) {
    return !std::strcmp(argument, "--help") || !std::strcmp(argument, "-h");
}

int print(const char* text) {
    std::fputs(text, stdout);
    return finished(cinefold::exitDone);
}

// Help asked for in any of the usual ways: `cinefold --help`, `cinefold help [COMMAND]`,
// `cinefold COMMAND --help` (or -h anywhere after the command), `cinefold --version`. Nothing
// when the command line asks for something else.
std::optional<int> answerHelp(int argc, char** argv) {
    using namespace cinefold::help;
    const char* first = argv[1];
    if (isHelp(first) || (!std::strcmp(first, "help") && argc == 2)) return print(toolUsage);
    if (!std::strcmp(first, "--version"))
        return print((std::string("cinefold ") + version + "\n").c_str());
    const char* name = first;
    if (!std::strcmp(first, "help")) {
        if (argc > 3) return cinefold::usageError("help takes one COMMAND");
        name = argv[2];
    } else if (std::none_of(argv + 2, argv + argc, isHelp)) {
        return std::nullopt;
    }
    for (const CommandHelp& command : commandHelp)
        if (!std::strcmp(name, command.name)) return print(command.text);
    return cinefold::usageError(std::string("unknown command '") + name + "'");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(cinefold::help::toolUsage, stderr);
        return cinefold::exitUsage;
    }
    if (const std::optional<int> status = answerHelp(argc, argv)) return *status;
    for (const Command& command : commands)
        if (!std::strcmp(argv[1], command.name))
            return finished(command.run(cinefold::Arguments(argv + 2, argv + argc)));
    return cinefold::usageError(std::string("unknown command '") + argv[1] + "'");
}
