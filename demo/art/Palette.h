#pragma once
// Reducing a full-colour picture to a palette of at most 256 colours (median cut: the colour box
// with the widest spread is split at its median, weighted by how many pixels use each colour),
// and writing the result as a palette PNG.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace demo {

struct PalettePicture {
    int width = 0;
    int height = 0;
    std::vector<std::array<std::uint8_t, 3>> palette; // RGB
    std::vector<std::uint8_t> indexes;                // one a pixel, rows top first
};

// rgb: three bytes a pixel, rows top first.
PalettePicture reduceColours(const std::vector<std::uint8_t>& rgb, int width, int height,
                             int colours);

bool writePalettePng(const std::string& path, const PalettePicture& picture);

} // namespace demo
