#pragma once
// Reading an animated GIF or a sprite sheet (a PNG) as a project to start from, with bounds on
// the pictures' pixels whatever the file's header claims.

#include "base/ByteReader.h"
#include "project/Project.h"

#include <cstdint>
#include <string>

namespace cinefold {

// The pixels a GIF's frames may make the importer walk in all, each frame's rectangle and the
// screen it is composed on: a GIF of a few hundred bytes may claim thousands of screen-sized
// frames. A real animation is far below it: 1,000 frames of 1024 x 1024 pixels.
constexpr std::uint64_t maxGifWalkedPixels = std::uint64_t(1) << 30;

// The GIF's frames as a cycle of frames at the 100 ms period: each distinct picture once, and
// the frames that show them. `note` says what was made of it, `problem` why nothing was.
bool importGif(Bytes file, Project& project, std::string& note, std::string& problem,
               std::uint64_t maxWalkedPixels = maxGifWalkedPixels);

// How a sprite sheet is cut: into a x b cels (byGrid), or into cels of a x b pixels. `text` is
// how the user wrote it, for the refusal.
struct SheetCut {
    bool byGrid = true;
    long long a = 1, b = 1;
    std::string text;
};

// The sheet's cels, left to right and top to bottom, one a frame.
bool importSheet(Bytes file, const SheetCut& cut, Project& project, std::string& note,
                 std::string& problem);

} // namespace cinefold
