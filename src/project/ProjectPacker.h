#pragma once
// Packs a project into container content: the stage record, the schedule with a section for
// every track (the background and layers 1 to 50, in that order), the 101 cel group sections,
// full jump and branch tables, and the images followed by their masks, each packed with its
// codec or, for "auto", with the smallest one that carries it.

#include "project/Project.h"
#include "project/ProjectReader.h"

#include "container/ContainerWriter.h"

#include <vector>

namespace cinefold {

ContainerContent packProject(const Project& project);

// One packed image: its BMP file image stored with `codec`, or with the smallest of the data
// block and the three run-length types for ImageCodec::none.
std::vector<std::uint8_t> packImage(Bytes bmp, ImageCodec codec);

} // namespace cinefold
