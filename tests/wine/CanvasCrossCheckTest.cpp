// The software canvas against GDI itself: the same transfer is drawn by StretchBlt (stretch mode
// COLORONCOLOR) onto a 24-bit DIB section and by SoftCanvas::stretch onto a canvas holding the
// same pixels, and every pixel and the result must agree. Sources are DIB sections of 1, 4, 8 and
// 24 bits, top-down and bottom-up, with random colour tables (some shorter than their bit count
// allows) and random pixels, so that values past the table's end are drawn too.

#include "render/SoftCanvas.h"
#include "saver/Owners.h"

#include "WineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace cinefold;

namespace {

struct Transfer {
    std::int32_t dx, dy, dw, dh, sx, sy, sw, sh;
};

struct Case {
    std::uint32_t seed = 0;     // of the transfer and the pixels, or only the pixels
    const char* name = nullptr; // a case of the table
    std::int32_t surfaceWidth = 0, surfaceHeight = 0;
    std::int32_t sourceWidth = 0, sourceHeight = 0;
    int bitCount = 24;
    int colourCount = 0; // entries in the source's table; the rest of a full table is black
    bool bottomUp = false;
    Transfer transfer{};
    RasterOp op = RasterOp::copy;
};

std::string describe(const Case& c) {
    static const char* const ops[] = {"SRCCOPY", "SRCAND", "SRCPAINT"};
    const Transfer& t = c.transfer;
    char text[320];
    std::snprintf(text, sizeof text,
                  "%s %u: %d-bit %s source %dx%d (%d colours), (%d,%d %d x %d) from (%d,%d "
                  "%d x %d) onto %dx%d, %s",
                  c.name ? c.name : "seed", unsigned(c.seed), c.bitCount,
                  c.bottomUp ? "bottom-up" : "top-down", c.sourceWidth, c.sourceHeight,
                  c.colourCount, t.dx, t.dy, t.dw, t.dh, t.sx, t.sy, t.sw, t.sh, c.surfaceWidth,
                  c.surfaceHeight, ops[int(c.op)]);
    return text;
}

// A DIB section and its pixel memory.
struct Section {
    GdiObject<HBITMAP> bitmap;
    std::int32_t width, height;
    std::uint32_t rowLength;
    std::uint8_t* bits = nullptr;
    std::size_t size() const { return std::size_t(rowLength) * std::size_t(height); }
};

Section makeSection(std::int32_t width, std::int32_t height, bool bottomUp, int bitCount,
                    const std::vector<PaletteColour>& colours) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD table[256];
    } info = {{sizeof(BITMAPINFOHEADER), width, bottomUp ? height : -height, 1, WORD(bitCount),
               BI_RGB, 0, 0, 0, DWORD(colours.size()), 0},
              {}};
    for (std::size_t i = 0; i < colours.size(); ++i)
        info.table[i] = {colours[i].blue, colours[i].green, colours[i].red, 0};
    const auto rowLength = dibRowLength(std::uint64_t(width), std::uint32_t(bitCount));
    Section section{{}, width, height, std::uint32_t(rowLength)};
    void* bits = nullptr;
    section.bitmap.reset(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                                          DIB_RGB_COLORS, &bits, nullptr, 0));
    section.bits = static_cast<std::uint8_t*>(bits);
    return section;
}

// A canvas holding the pixels of a 24-bit top-down section, and where the two differ afterwards
// ("" when they agree).
SoftCanvas canvasHolding(const Section& stage) {
    SoftCanvas canvas(stage.width, stage.height);
    for (std::int32_t y = 0; y < stage.height; ++y)
        std::memcpy(canvas.row(y), stage.bits + std::size_t(y) * stage.rowLength, stage.rowLength);
    return canvas;
}

std::string firstDifference(const Section& stage, const SoftCanvas& canvas) {
    return test::pixelDifference(
        stage.width, stage.height,
        [&](std::int32_t y) { return stage.bits + std::size_t(y) * stage.rowLength; },
        [&](std::int32_t y) { return canvas.row(y); });
}

constexpr DWORD rops[] = {SRCCOPY, SRCAND, SRCPAINT}; // in RasterOp's order

// Draws the case both ways from the same random pixels; the first difference fails the test.
void crossCheck(const Case& c) {
    std::mt19937 random(c.seed * 2654435761u + 17);
    auto byte = [&] { return std::uint8_t(random() >> 24); };

    std::vector<PaletteColour> colours(std::size_t(c.bitCount <= 8 ? c.colourCount : 0));
    for (PaletteColour& colour : colours)
        colour = {byte(), byte(), byte(), 0};
    Section source = makeSection(c.sourceWidth, c.sourceHeight, c.bottomUp, c.bitCount, colours);
    Section stage = makeSection(c.surfaceWidth, c.surfaceHeight, false, 24, {});
    ASSERT_TRUE(source.bits && stage.bits) << describe(c);
    for (std::size_t i = 0; i < source.size(); ++i)
        source.bits[i] = byte();
    for (std::size_t i = 0; i < stage.size(); ++i)
        stage.bits[i] = byte();

    SoftCanvas canvas = canvasHolding(stage);
    DibView view{source.bits,      c.sourceWidth,  c.sourceHeight,      std::uint16_t(c.bitCount),
                 source.rowLength, colours.data(), int(colours.size()), c.bottomUp};

    const Transfer& t = c.transfer;
    bool drawnByCanvas = canvas.stretch(t.dx, t.dy, t.dw, t.dh, view, t.sx, t.sy, t.sw, t.sh, c.op);
    MemoryDc sourceDc(nullptr), stageDc(nullptr);
    Selection sourceSelected(sourceDc, source.bitmap.get());
    Selection stageSelected(stageDc, stage.bitmap.get());
    SetStretchBltMode(stageDc, COLORONCOLOR);
    const BOOL drawnByGdi = StretchBlt(stageDc, t.dx, t.dy, t.dw, t.dh, sourceDc, t.sx, t.sy, t.sw,
                                       t.sh, rops[int(c.op)]);
    GdiFlush();
    EXPECT_EQ(drawnByCanvas, drawnByGdi != FALSE) << describe(c);
    EXPECT_EQ(firstDifference(stage, canvas), "") << describe(c);
}

// Random transfers from fixed seeds: scales of 1/8 to 8 on each axis, either sign on every
// extent, equal extents now and then, rectangles reaching past the source bitmap and the surface.
Case randomCase(std::uint32_t seed) {
    std::mt19937 random(seed);
    auto between = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    auto chance = [&](int percent) { return between(1, 100) <= percent; };
    static const int bitCounts[] = {1, 4, 8, 24};

    Case c;
    c.seed = seed;
    c.bitCount = bitCounts[between(0, 3)];
    c.bottomUp = chance(50);
    int full = c.bitCount <= 8 ? 1 << c.bitCount : 0;
    c.colourCount = full == 0 ? 0 : chance(70) ? full : between(1, full);
    c.op = RasterOp(between(0, 2));
    c.sourceWidth = between(1, 48);
    c.sourceHeight = between(1, 48);
    c.surfaceWidth = between(16, 96);
    c.surfaceHeight = between(16, 96);

    // One axis: the source rectangle (mostly inside its bitmap), then the destination at a
    // scale of 2^-3 to 2^3, placed so that it often crosses an edge of the surface.
    auto axis = [&](int sourceSize, int surfaceSize, std::int32_t& d, std::int32_t& dExtent,
                    std::int32_t& s, std::int32_t& sExtent) {
        int length = chance(60) ? sourceSize : between(1, sourceSize + 8);
        int start = chance(60) ? 0 : between(-length / 2, sourceSize - 1);
        bool mirrored = chance(50);
        s = mirrored ? start + length - 1 : start;
        sExtent = mirrored ? -length : length;
        int scaled = length;
        if (!chance(15)) {
            double scale = std::pow(2.0, std::uniform_real_distribution<double>(-3, 3)(random));
            scaled = std::max(1, int(length * scale + 0.5));
        }
        bool dMirrored = chance(50);
        int place = between(-scaled / 2, surfaceSize - scaled / 2);
        d = dMirrored ? place + scaled - 1 : place;
        dExtent = dMirrored ? -scaled : scaled;
    };
    axis(c.sourceWidth, c.surfaceWidth, c.transfer.dx, c.transfer.dw, c.transfer.sx, c.transfer.sw);
    axis(c.sourceHeight, c.surfaceHeight, c.transfer.dy, c.transfer.dh, c.transfer.sy,
         c.transfer.sh);
    return c;
}

TEST(CanvasCrossCheck, RandomStretchesMatchGdiPixelForPixel) {
    for (std::uint32_t seed = 1; seed <= 1500; ++seed) {
        crossCheck(randomCase(seed));
        if (HasFailure()) break;
    }
}

// What the random cases rarely reach: zero and one-pixel extents, mirrored sources that stick out
// of their bitmap on either side, rectangles wholly outside.
TEST(CanvasCrossCheck, EdgeCasesMatchGdi) {
    struct Row {
        const char* name;
        int bitCount, colourCount;
        Transfer transfer;
    };
    const Row rows[] = {
        {"zero destination width", 24, 0, {2, 2, 0, 9, 0, 0, 12, 10}},
        {"zero source height", 8, 256, {2, 2, 9, 9, 0, 0, 12, 0}},
        {"one column from five", 24, 0, {3, 1, 1, 10, 2, 0, 5, 10}},
        {"one row from five", 24, 0, {1, 3, 12, 1, 0, 2, 12, 5}},
        {"one column and one row from many", 4, 16, {5, 5, 1, 1, 0, 0, 12, 10}},
        {"one column from two, rows one to one", 24, 0, {3, 1, 1, 10, 2, 0, 2, 10}},
        // The +1 rule turns this into a one-to-one copy after the rows were narrowed as for a
        // stretch: GDI copies from the top of the visible source rows, a row higher than the
        // stretch would put them, reading one row past the source rectangle.
        {"one column from two, rows partly outside", 24, 0, {3, 1, 1, 10, 2, -2, 2, 10}},
        {"one row from two, columns partly outside", 24, 0, {1, 3, 10, 1, -2, 2, 10, 2}},
        {"one column from five mirrored", 24, 0, {3, 1, 1, 10, 6, 0, -5, 10}},
        {"mirrored one column from five", 24, 0, {3, 1, -1, 10, 2, 0, 5, 10}},
        {"mirrored source past the right edge", 8, 200, {0, 0, 20, 10, 15, 0, -10, 10}},
        {"mirrored source one past the right edge", 8, 200, {0, 0, 20, 10, 12, 0, -10, 10}},
        {"mirrored source just on the right edge", 8, 200, {0, 0, 20, 10, 11, 0, -10, 10}},
        {"mirrored source past the left edge", 8, 200, {0, 0, 20, 10, 4, 0, -10, 10}},
        {"past the right edge into a mirrored destination", 24, 0, {19, 0, -20, 10, 5, 0, 10, 10}},
        {"past the left edge into a mirrored destination", 24, 0, {19, 0, -20, 10, -3, 0, 10, 10}},
        {"mirrored source past the bottom edge", 1, 2, {0, 0, 12, 20, 0, 13, 12, -10}},
        {"past the top edge into a mirrored destination", 1, 1, {0, 19, 12, -20, 0, -4, 12, 10}},
        {"source wholly outside its bitmap", 24, 0, {0, 0, 20, 20, 12, 0, 5, 5}},
        {"destination wholly outside the surface", 24, 0, {40, 0, 20, 20, 0, 0, 12, 10}},
    };
    std::uint32_t seed = 1;
    for (const Row& row : rows) {
        Case c{seed++,       row.name,        40,    40,          12, 10,
               row.bitCount, row.colourCount, false, row.transfer};
        for (RasterOp op : {RasterOp::copy, RasterOp::sourceAnd, RasterOp::sourcePaint}) {
            c.op = op;
            for (bool bottomUp : {false, true}) {
                c.bottomUp = bottomUp;
                crossCheck(c);
            }
        }
    }
}

// FillRect with a solid brush: an origin and extents as PatBlt takes them, so a rectangle with
// right < left or bottom < top covers the pixels from right + 1 (bottom + 1) up to left (top).
TEST(CanvasCrossCheck, FillMatchesFillRect) {
    const RECT rects[] = {{0, 0, 40, 30},   {5, 6, 17, 9}, {-5, -5, 3, 100},    {20, 10, 12, 4},
                          {38, 28, 50, 40}, {7, 7, 7, 20}, {-20, -20, -10, -10}};
    std::uint32_t colour = 0x00123456;
    for (const RECT& rect : rects) {
        Section stage = makeSection(40, 30, false, 24, {});
        ASSERT_TRUE(stage.bits);
        for (std::size_t i = 0; i < stage.size(); ++i)
            stage.bits[i] = std::uint8_t(i * 7);
        SoftCanvas canvas = canvasHolding(stage);
        canvas.fill(rect.left, rect.top, rect.right, rect.bottom, colour);
        MemoryDc stageDc(nullptr);
        Selection stageSelected(stageDc, stage.bitmap.get());
        GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
        FillRect(stageDc, &rect, brush.get());
        GdiFlush();
        EXPECT_EQ(firstDifference(stage, canvas), "")
            << "rect (" << rect.left << ", " << rect.top << ", " << rect.right << ", "
            << rect.bottom << ")";
        colour = colour * 2654435761u & 0x00FFFFFF;
    }
}

} // namespace
