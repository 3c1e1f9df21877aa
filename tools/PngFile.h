#pragma once
// Writing RGB pictures as PNG files, and turning the decoded BMP file images of the container
// into such pictures.

#include "base/ByteReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cinefold {

struct RgbPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb; // rows top first, 3 bytes a pixel
};

// Converts a BMP file image as the image store reads it: rows bottom-up whatever the height's
// sign, palette rows at 54 when the pixel offset says 54 and behind the colour table otherwise.
// With `mask`, colour 0 is black and colour 1 white whatever the table says. False, with a
// reason, when the headers or the rows do not fit the bytes.
bool bmpToPicture(Bytes bmp, bool mask, RgbPicture& picture, std::string& problem);

bool writePng(const std::string& path, const RgbPicture& picture, std::string& problem);

} // namespace cinefold
