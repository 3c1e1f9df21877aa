#pragma once
// Runs the cinefold tool as a user would, and collects what it printed and its exit status.

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace cinefold::test {

struct Output {
    int status = -1;
    std::string text; // standard output, and standard error after it when asked for
};

inline Output runTool(const std::string& arguments, bool withErrors = false) {
    Output out;
    std::string command =
        std::string(CINEFOLD_TOOL) + " " + arguments + (withErrors ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.text.append(buffer, n);
    int status = pclose(pipe);
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

} // namespace cinefold::test
