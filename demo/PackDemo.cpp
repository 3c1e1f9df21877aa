// Packs the demo's project into its container at build time. The cinefold tool and the Linux
// saver carry the demo, so they cannot be what packs it: this program does the tool's pack with
// the same project library, and nothing more.
//
//   cinefold_demo_pack PROJECT.json OUT

#include "files/OutputFile.h"
#include "project/ProjectPacker.h"
#include "project/ProjectReader.h"

#include "container/ContainerWriter.h"

#include <cstdio>

int main(int argc, char** argv) {
    using namespace cinefold;
    if (argc != 3) {
        std::fprintf(stderr, "usage: cinefold_demo_pack PROJECT.json OUT\n");
        return 2;
    }
    const ProjectReadResult result = readProject(argv[1]);
    for (const ProjectIssue& issue : result.errors)
        std::fprintf(stderr, "%s: %s: %s\n", argv[1], issue.path.c_str(), issue.message.c_str());
    if (!result.project) return 1;
    std::string problem;
    if (!writeFileSafely(argv[2], writeContainer(packProject(*result.project)), problem)) {
        std::fprintf(stderr, "%s: %s\n", argv[2], problem.c_str());
        return 1;
    }
    return 0;
}
