#include "render/StageSurface.h"

namespace cinefold {

namespace {
std::uint8_t* pixelByte(std::uint8_t* pixels, std::int32_t x, std::int32_t y,
                        std::uint32_t bitsPerPixel, std::uint32_t rowLength) {
    return pixels + std::size_t(std::uint32_t(y)) * rowLength + std::uint32_t(x) * bitsPerPixel / 8;
}
} // namespace

std::uint32_t getPixel(const std::uint8_t* pixels, std::int32_t x, std::int32_t y,
                       std::uint32_t bitsPerPixel, std::uint32_t rowLength) {
    const std::uint8_t* byte =
        pixelByte(const_cast<std::uint8_t*>(pixels), x, y, bitsPerPixel, rowLength);
    switch (bitsPerPixel) {
    case 1:
        return *byte & (0x80u >> (std::uint32_t(x) % 8));
    case 4:
        return x % 2 == 0 ? *byte >> 4 : *byte & 0x0Fu;
    case 8:
        return *byte;
    case 24:
        return std::uint32_t(byte[0]) << 16 | std::uint32_t(byte[1]) << 8 | byte[2];
    }
    return 0;
}

void setPixel(std::uint8_t* pixels, std::int32_t x, std::int32_t y, std::uint32_t bitsPerPixel,
              std::uint32_t rowLength, std::uint32_t value) {
    if (x < 0 || y < 0) return;
    std::uint8_t* byte = pixelByte(pixels, x, y, bitsPerPixel, rowLength);
    switch (bitsPerPixel) {
    case 1: {
        std::uint8_t bit = std::uint8_t(0x80u >> (std::uint32_t(x) % 8));
        *byte = value != 0 ? std::uint8_t(*byte | bit) : std::uint8_t(*byte & ~bit);
        break;
    }
    case 4:
        // A value of 16 or more would spill into the neighbour's nibble; only its low four bits
        // are a 4-bit pixel.
        value &= 0x0Fu;
        *byte = x % 2 == 0 ? std::uint8_t(value << 4 | (*byte & 0x0Fu))
                           : std::uint8_t((*byte & 0xF0u) | value);
        break;
    case 8:
        *byte = std::uint8_t(value);
        break;
    case 24:
        byte[0] = std::uint8_t(value >> 16);
        byte[1] = std::uint8_t(value >> 8);
        byte[2] = std::uint8_t(value);
        break;
    }
}

std::array<PaletteColour, stagePaletteSize>
stagePaletteColours(const PaletteColour (&firstSystem)[systemColoursAtEachEnd],
                    const PaletteColour (&lastSystem)[systemColoursAtEachEnd]) {
    std::array<PaletteColour, stagePaletteSize> colours{};
    for (int i = 0; i < systemColoursAtEachEnd; ++i) {
        colours[i] = firstSystem[i];
        colours[stagePaletteSize - systemColoursAtEachEnd + i] = lastSystem[i];
    }
    for (int b = 0; b <= 1; ++b)
        for (int r = 0; r <= 7; ++r)
            for (int g = 1; g <= 14; ++g)
                colours[10 + 112 * b + 14 * r + (g - 1)] = {std::uint8_t(32 * r),
                                                            std::uint8_t(16 * g),
                                                            std::uint8_t(128 * b), paletteReserved};
    return colours;
}

} // namespace cinefold
