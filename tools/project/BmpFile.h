#pragma once
// BMP file images as the container carries them: building them from pixels, and reading one the
// way the saver's image store does, to check it before it is packed.
//
//   +0  "BM", file size, reserved, pixel offset (u32 at +10)
//   +14 info header: size 40, width, height (positive: rows bottom-up), planes 1, bit count,
//       compression 0, image size, resolutions, colours used (+46), important colours
//   +54 colour table, 4 bytes an entry (blue, green, red, 0); the rows follow, each padded to a
//       multiple of 4 bytes
//
// The images made here: 24-bit without a colour table (pixels at 54), 8-bit with a full table
// of 256 entries (pixels at 1078), and 1-bit masks without a colour table (pixels at 54; a 1 is
// a transparent pixel), as the saver's own images are.

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

// Where the image store finds the colours and rows of a BMP file image.
struct BmpLayout {
    BmpHeader header;
    int width = 0; // magnitudes of the stored width and height
    int height = 0;
    std::size_t pixelStart = 0;
    std::size_t rowBytes = 0;
    std::uint32_t infoSize = 0;
    std::uint32_t compression = 0;
};

// Reads the headers as the image store does. False, with the reason, when the store would draw
// nothing: no "BM", a bit count other than 1, 4, 8 and 24, an empty or oversized picture, a
// colour table beyond what the bit count allows, or rows that do not fit the bytes.
bool readBmpLayout(Bytes bmp, BmpLayout& layout, std::string& problem);

} // namespace cinefold
