#pragma once
// Writes a project folder: project.json and, under images/, every image and mask as the BMP file
// image it is, byte for byte, with the codec it had. Reading the folder back gives the same
// Project, so an unpacked container packs back to one that loads the same.

#include "project/Project.h"

#include "container/ContainerFile.h"

#include <string>

namespace cinefold {

constexpr const char* projectFileName = "project.json";

// Writes the folder whole, or with `replace` over an existing one's files (project.json last);
// a folder that exists and is not empty is refused without `replace`. False, with the problem,
// when it cannot be written; then nothing of it is left.
bool writeProject(const Project& project, const std::string& folder, bool replace,
                  FileProblem& problem);

// The project file's text, with images named as writeProject names them.
std::string projectText(const Project& project);

} // namespace cinefold
