#include "render/StageSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

using namespace cinefold;

namespace {

TEST(StagePalette, HoldsTheSystemColoursTheCubeAndBlack) {
    PaletteColour first[systemColoursAtEachEnd];
    PaletteColour last[systemColoursAtEachEnd];
    for (int i = 0; i < systemColoursAtEachEnd; ++i) {
        first[i] = {std::uint8_t(i), std::uint8_t(i + 1), std::uint8_t(i + 2), 0};
        last[i] = {std::uint8_t(200 + i), std::uint8_t(201 + i), std::uint8_t(202 + i), 4};
    }
    auto colours = stagePaletteColours(first, last);
    auto expect = [&](int index, int red, int green, int blue, int flags) {
        EXPECT_EQ(colours[index].red, red) << "entry " << index;
        EXPECT_EQ(colours[index].green, green) << "entry " << index;
        EXPECT_EQ(colours[index].blue, blue) << "entry " << index;
        EXPECT_EQ(colours[index].flags, flags) << "entry " << index;
    };
    expect(0, 0, 1, 2, 0);
    expect(9, 9, 10, 11, 0);
    expect(10, 0, 16, 0, paletteReserved);
    expect(23, 0, 224, 0, paletteReserved);
    expect(24, 32, 16, 0, paletteReserved);
    expect(122, 0, 16, 128, paletteReserved);
    expect(233, 224, 224, 128, paletteReserved);
    for (int i = 234; i <= 245; ++i)
        expect(i, 0, 0, 0, 0);
    expect(246, 200, 201, 202, 4);
    expect(255, 209, 210, 211, 4);
    // The cube holds each of its 224 colours once: green never 0 or 240, blue only 0 or 128.
    std::vector<int> seen;
    for (int i = 10; i <= 233; ++i) {
        const PaletteColour& c = colours[i];
        EXPECT_TRUE(c.green >= 16 && c.green <= 224 && c.green % 16 == 0) << i;
        EXPECT_TRUE(c.blue == 0 || c.blue == 128) << i;
        EXPECT_EQ(c.red % 32, 0) << i;
        seen.push_back(c.red << 16 | c.green << 8 | c.blue);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end());
}

// One pixel set on three rows of 8 bytes, all 0xA5: the bytes it changes, and what reading it
// back gives. A 1-bit pixel reads as its bit in place; negative coordinates and depths other
// than 1, 4, 8 and 24 change nothing.
struct PixelCase {
    std::uint32_t bits;
    std::int32_t x, y;
    std::uint32_t value;
    std::vector<std::pair<int, std::uint8_t>> changed;
    std::uint32_t readBack;
};

TEST(Pixels, SetChangesOnlyItsOwnBitsAndGetReadsThemBack) {
    const PixelCase cases[] = {
        {1, 9, 0, 7, {{1, 0xE5}}, 0x40},
        {1, 0, 2, 0, {{16, 0x25}}, 0},
        {4, 1, 0, 0x1C, {{0, 0xAC}}, 0xC}, // 16 or more keeps to its own nibble
        {4, 2, 1, 3, {{9, 0x35}}, 3},
        {8, 3, 2, 0x1FE, {{19, 0xFE}}, 0xFE},
        {24, 1, 1, 0x00112233, {{11, 0x11}, {12, 0x22}, {13, 0x33}}, 0x112233},
        {24, -1, 0, 0, {}, 0},
        {8, 0, -1, 0, {}, 0},
        {16, 0, 0, 0, {}, 0},
        {32, 0, 0, 0, {}, 0},
    };
    for (const PixelCase& c : cases) {
        std::vector<std::uint8_t> rows(24, 0xA5), expected = rows;
        for (const auto& [at, byte] : c.changed)
            expected[std::size_t(at)] = byte;
        setPixel(rows.data(), c.x, c.y, c.bits, 8, c.value);
        EXPECT_EQ(rows, expected) << c.bits << " bits at " << c.x << ", " << c.y;
        if (c.x >= 0 && c.y >= 0 && c.bits != 16 && c.bits != 32) {
            EXPECT_EQ(getPixel(rows.data(), c.x, c.y, c.bits, 8), c.readBack) << c.bits << " bits";
        }
    }
    EXPECT_EQ(getPixel(std::vector<std::uint8_t>(4, 0xFF).data(), 0, 0, 16, 4), 0u);
}

} // namespace
