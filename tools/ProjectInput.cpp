// A project wherever the tool takes an animation: read and packed in memory as pack does.

#include "Inspection.h"
#include "files/OutputFile.h"
#include "project/ProjectPacker.h"
#include "project/ProjectReader.h"
#include "project/ProjectWriter.h"

#include "container/ContainerWriter.h"

#include <cstdio>
#include <filesystem>

namespace cinefold {

bool isProjectPath(const std::string& path) {
    return std::filesystem::path(path).extension() == ".json";
}

std::optional<std::vector<std::uint8_t>> packProjectFile(const std::string& path,
                                                         std::vector<std::string>* files,
                                                         std::string* firstError) {
    // Every problem is printed, warnings too, before deciding: an author fixes them in one go.
    const ProjectReadResult result = readProject(path);
    for (const std::string& file : result.files)
        rememberInput(file);
    for (const ProjectIssue& issue : result.errors)
        std::fprintf(stderr, "%s\n", issueLine(path, issue).c_str());
    for (const ProjectIssue& issue : result.warnings)
        std::fprintf(stderr, "%s\n",
                     issueLine(path, {issue.path, "warning: " + issue.message}).c_str());
    if (files) *files = result.files;
    if (!result.project) {
        if (firstError && !result.errors.empty()) *firstError = issueLine("", result.errors[0]).substr(2);
        return std::nullopt;
    }
    // A container's offsets and sizes are 32-bit fields: one past them is refused, not written.
    std::string tooLarge;
    std::vector<std::uint8_t> container = writeContainer(packProject(*result.project), &tooLarge);
    if (!tooLarge.empty()) {
        std::fprintf(stderr, "cinefold: %s: %s\n", path.c_str(), tooLarge.c_str());
        if (firstError) *firstError = tooLarge;
        return std::nullopt;
    }
    return container;
}

bool writeProjectFolder(const Project& project, const std::string& folder, bool replace,
                        std::string& problem) {
    // The folder appears whole, or with `replace` over an existing one's files, project.json
    // last; on any failure nothing of it is left.
    OutputFolder output(folder, replace);
    const auto write = [&](const std::string& name, Bytes bytes) {
        return writeFileSafely(output.stagedPath(name), bytes, problem);
    };
    return output.open(problem) && writeProjectFiles(project, write) && output.commit(problem);
}

} // namespace cinefold
