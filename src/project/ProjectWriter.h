#pragma once
// Writes a project folder: project.json and, under images/, every image and mask as the BMP file
// image it is, byte for byte, with the codec it had. Reading the folder back gives the same
// Project, so an unpacked container packs back to one that loads the same.
//
// The files go to a sink that the caller supplies, so that this library stays free of any
// operating system's file calls: the cinefold tool's sink writes each file safely into a folder
// that appears whole, a test's keeps them in memory.

#include "project/Project.h"

#include <functional>
#include <string>

namespace cinefold {

constexpr const char* projectFileName = "project.json";

// Takes one file of the folder: its name relative to the folder ("images/001.bmp") and its
// bytes. False when it cannot be written, which ends the writing.
using ProjectFileSink = std::function<bool(const std::string& name, Bytes bytes)>;

// Gives every image and mask file to `sink`, then project.json last, so that a folder filled in
// this order never names images that are not there yet. False as soon as the sink fails.
bool writeProjectFiles(const Project& project, const ProjectFileSink& sink);

// The project file's text, with images named as writeProject names them.
std::string projectText(const Project& project);

} // namespace cinefold
