#include "Report.h"

#include <cinttypes>
#include <cstdio>

namespace cinefold {

int badInput(const std::string& file, std::uint64_t offset, const std::string& what) {
    std::fprintf(stderr, "cinefold: %s: offset %" PRIu64 ": %s\n", file.c_str(), offset,
                 what.c_str());
    return exitBadInput;
}

int reportProblem(const std::string& file, const FileProblem& problem) {
    return problem.atOffset ? badInput(file, problem.offset, problem.what)
                            : fileError(file, problem.what);
}

int fileError(const std::string& file, const std::string& what) {
    std::fprintf(stderr, "cinefold: %s: %s\n", file.c_str(), what.c_str());
    return exitBadInput;
}

void warning(const std::string& file, std::uint64_t offset, const std::string& what) {
    std::fprintf(stderr, "cinefold: %s: offset %" PRIu64 ": warning: %s\n", file.c_str(), offset,
                 what.c_str());
}

void warning(const std::string& file, const std::string& what) {
    std::fprintf(stderr, "cinefold: %s: warning: %s\n", file.c_str(), what.c_str());
}

int usageError(const std::string& what) {
    std::fprintf(stderr, "cinefold: %s\nRun 'cinefold --help' for usage.\n", what.c_str());
    return exitUsage;
}

} // namespace cinefold
