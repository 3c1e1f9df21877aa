#pragma once
// Pixels of device-independent bitmaps and the stage palette's colours. Portable: the image
// store prepares masks with these, and the stage palette is built from the table below.

#include <array>
#include <cstdint>

namespace cinefold {

// Rows of a DIB hold ((width x bits + 31) / 32) x 4 bytes: the one row stride of every bitmap,
// 64-bit so that no width and bit count that a header can hold overflows it.
constexpr std::uint64_t dibRowLength(std::uint64_t width, std::uint32_t bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// 1 bit: the bit in place (0x80 >> x % 8), not 1; 4 bits: the nibble, high for even x; 8 bits:
// the byte; 24 bits: the colour reference 0x00BBGGRR of a pixel stored blue, green, red. The
// caller keeps x and y inside the buffer; other bit counts read 0.
std::uint32_t getPixel(const std::uint8_t* pixels, std::int32_t x, std::int32_t y,
                       std::uint32_t bitsPerPixel, std::uint32_t rowLength);

// The reverse; a negative x or y changes nothing. A 4-bit value keeps its low four bits.
void setPixel(std::uint8_t* pixels, std::int32_t x, std::int32_t y, std::uint32_t bitsPerPixel,
              std::uint32_t rowLength, std::uint32_t value);

struct PaletteColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;
};
constexpr std::uint8_t paletteReserved = 1; // PC_RESERVED

constexpr int stagePaletteSize = 256;
constexpr int systemColoursAtEachEnd = 10;

// The stage palette: the screen's first and last ten system colours at 0-9 and 246-255, a cube
// of 2 blue x 8 red x 14 green levels at 10-233, black at 234-245.
std::array<PaletteColour, stagePaletteSize>
stagePaletteColours(const PaletteColour (&firstSystem)[systemColoursAtEachEnd],
                    const PaletteColour (&lastSystem)[systemColoursAtEachEnd]);

} // namespace cinefold
