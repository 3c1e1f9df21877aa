// What the page's copy of the tool's info command does with its inputs. The page writes no
// files, so there is no output for an input to be guarded from; and it takes no project, whose
// pictures the tool reads from disk beside it: the page asks for an animation or a saver.

#include "Inspection.h"
#include "files/OutputFile.h"

#include <cstdio>

namespace cinefold {

void rememberInput(const std::string&) {}

bool isProjectPath(const std::string&) {
    return false;
}

std::optional<std::vector<std::uint8_t>> packProjectFile(const std::string& path,
                                                         std::vector<std::string>*,
                                                         std::string*) {
    std::fprintf(stderr, "cinefold: %s: a project is packed by the cinefold tool, not here\n",
                 path.c_str());
    return std::nullopt;
}

} // namespace cinefold
