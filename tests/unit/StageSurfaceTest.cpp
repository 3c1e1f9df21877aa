#include "render/StageSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
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
        const PaletteColour& c = colours[index];
        EXPECT_EQ(std::tuple(int(c.red), int(c.green), int(c.blue), int(c.flags)),
                  std::tuple(red, green, blue, flags))
            << "entry " << index;
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

} // namespace
