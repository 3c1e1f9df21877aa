#pragma once
// Reads a project: one JSON file and the image files it names, relative to its folder. The
// format is described for authors in docs/project-format.md, with its JSON Schema beside it.
//
// Every problem is reported with the JSON pointer of the value it concerns. Errors refuse the
// project; warnings (a key naming a group or image that is not defined, an unknown field, a BMP
// that the saver shows differently from a viewer) do not.

#include "project/Project.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cinefold {

struct ProjectIssue {
    std::string path; // JSON pointer, "" for the document itself
    std::string message;
};

struct ProjectReadResult {
    std::optional<Project> project; // present when there are no errors
    std::vector<ProjectIssue> errors;
    std::vector<ProjectIssue> warnings;
    std::vector<std::string> files; // every file read, the project's own first
};

// Gives the bytes of a file that a project names, its name joined to the project's folder.
// False, with the reason, when it cannot be read.
using ProjectFileSource = std::function<bool(
    const std::string& path, std::vector<std::uint8_t>& bytes, std::string& problem)>;

ProjectReadResult readProject(const std::string& path);
// The same for a project's text, with its files from `files` under `folder`.
ProjectReadResult readProjectText(std::string_view text, const std::string& folder,
                                  const ProjectFileSource& files);

// One line for a problem: "where: /pointer: message".
std::string issueLine(const std::string& where, const ProjectIssue& issue);

} // namespace cinefold
