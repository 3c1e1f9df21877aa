#pragma once
// Writing RGB pictures as PNG files, and turning the decoded BMP file images of the container
// into such pictures.

#include "render/DibSection.h"
#include "render/SoftCanvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cinefold {

struct RgbPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb; // rows top first, 3 bytes a pixel
};

// The pixels of an image store section through its colour table (a mask's reads black for 0
// and white for 1); values beyond the table read black. False, with a reason, for a picture too
// large to write.
bool sectionToPicture(const Section& section, RgbPicture& picture, std::string& problem);

bool writePng(const std::string& path, const RgbPicture& picture, std::string& problem);
// The canvas's pixels as they are; an empty canvas is refused.
bool writePng(const std::string& path, const SoftCanvas& canvas, std::string& problem);

} // namespace cinefold
