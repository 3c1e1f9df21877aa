#include "render/StageSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

TEST(DibRows, ArePaddedToFourBytes) {
    EXPECT_EQ(dibRowLength(640, 24), 1920u);
    EXPECT_EQ(dibRowLength(300, 24), 900u);
    EXPECT_EQ(dibRowLength(1, 24), 4u);
    EXPECT_EQ(dibRowLength(9, 1), 4u);
    EXPECT_EQ(dibRowLength(33, 1), 8u);
    EXPECT_EQ(dibRowLength(3, 4), 4u);
    EXPECT_EQ(dibRowLength(5, 8), 8u);
}

TEST(Pixels, OneBitReadsTheBitInPlace) {
    std::uint8_t row[4] = {0x20, 0, 0, 0};
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(getPixel(row, x, 0, 1, 4), x == 2 ? 0x20u : 0u) << "x = " << x;
    setPixel(row, 9, 0, 1, 4, 7);
    EXPECT_EQ(row[1], 0x40);
    setPixel(row, 2, 0, 1, 4, 0);
    EXPECT_EQ(row[0], 0x00);
    setPixel(row, 0, 0, 1, 4, 1);
    EXPECT_EQ(row[0], 0x80);
    EXPECT_EQ(getPixel(row, 0, 0, 1, 4), 0x80u);
}

TEST(Pixels, FourBitsHoldTheHighNibbleForEvenColumns) {
    std::uint8_t row[4] = {0xAB, 0xAB, 0, 0};
    setPixel(row, 1, 0, 4, 4, 5);
    EXPECT_EQ(row[0], 0xA5);
    setPixel(row, 2, 0, 4, 4, 5);
    EXPECT_EQ(row[1], 0x5B);
    EXPECT_EQ(getPixel(row, 0, 0, 4, 4), 0xAu);
    EXPECT_EQ(getPixel(row, 1, 0, 4, 4), 0x5u);
    EXPECT_EQ(getPixel(row, 2, 0, 4, 4), 0x5u);
    EXPECT_EQ(getPixel(row, 3, 0, 4, 4), 0xBu);
    // A value of 16 or more keeps to its own nibble.
    setPixel(row, 3, 0, 4, 4, 0x1F);
    EXPECT_EQ(row[1], 0x5F);
}

TEST(Pixels, TwentyFourBitsAreAColourReferenceStoredBlueGreenRed) {
    std::uint8_t rows[2][8] = {};
    std::uint32_t colour = 0x00112233; // blue 0x11, green 0x22, red 0x33
    setPixel(&rows[0][0], 1, 1, 24, 8, colour);
    EXPECT_EQ(rows[1][3], 0x11);
    EXPECT_EQ(rows[1][4], 0x22);
    EXPECT_EQ(rows[1][5], 0x33);
    EXPECT_EQ(getPixel(&rows[0][0], 1, 1, 24, 8), colour);
    EXPECT_EQ(getPixel(&rows[0][0], 0, 1, 24, 8), 0u);
}

TEST(Pixels, EightBitsAreTheByteOnTheRightRow) {
    std::uint8_t rows[3][4] = {};
    setPixel(&rows[0][0], 3, 2, 8, 4, 0x1FE);
    EXPECT_EQ(rows[2][3], 0xFE);
    EXPECT_EQ(getPixel(&rows[0][0], 3, 2, 8, 4), 0xFEu);
}

TEST(Pixels, NegativeCoordinatesAndOtherDepthsChangeNothing) {
    std::uint8_t rows[2][8] = {{1, 2, 3, 4, 5, 6, 7, 8}, {9, 10, 11, 12, 13, 14, 15, 16}};
    std::uint8_t before[2][8];
    std::memcpy(before, rows, sizeof rows);
    for (std::uint32_t bits : {1u, 4u, 8u, 24u}) {
        setPixel(&rows[1][0], -1, 0, bits, 8, 0xFFFFFF);
        setPixel(&rows[1][0], 0, -1, bits, 8, 0xFFFFFF);
    }
    setPixel(&rows[0][0], 0, 0, 16, 8, 0xFFFFFF);
    setPixel(&rows[0][0], 0, 0, 32, 8, 0xFFFFFF);
    EXPECT_EQ(std::memcmp(before, rows, sizeof rows), 0);
    EXPECT_EQ(getPixel(&rows[0][0], 0, 0, 16, 8), 0u);
}

} // namespace
