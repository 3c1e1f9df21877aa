#pragma once
// BMP file images as the container carries them (render/BmpHeader.h describes the layout):
// building them from pixels, and checking one before it is packed. The images made here: 24-bit
// without a colour table (pixels at 54), 8-bit with a full table of 256 entries (pixels at 1078),
// and 1-bit masks without a colour table (pixels at 54; a 1 is a transparent pixel), as the saver's
// own images are.

#include "base/ByteReader.h"
#include "render/BmpHeader.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace cinefold {

using Rgb = std::array<std::uint8_t, 3>;

std::vector<std::uint8_t> makeBmp24(int width, int height, std::span<const Rgb> pixels);
// Palettes of fewer than 256 colours are filled up with black.
std::vector<std::uint8_t> makeBmp8(int width, int height, std::span<const Rgb> palette,
                                   std::span<const std::uint8_t> indexes);
// transparent holds one byte per pixel, rows top first: non-zero for a transparent pixel.
std::vector<std::uint8_t> makeMask(int width, int height,
                                   std::span<const std::uint8_t> transparent);

// Checks a BMP file image the way the image store lays it out (layOutBmp). False, with the
// reason, when the store would draw nothing from it.
bool checkBmpLayout(Bytes bmp, BmpLayout& layout, std::string& problem);

} // namespace cinefold
