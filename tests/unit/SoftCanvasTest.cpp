// The stretch mapping's bound on work at extents where Wine's own StretchBlt is no longer exact,
// and the canvas drawing only the pixels a transfer covers. The mapping itself is compared with
// GDI pixel for pixel, at random and at its edges, under Wine.

#include "render/SoftCanvas.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

using namespace cinefold;

namespace {

// Extents of two billion are mapped only where they meet the surface, in 64-bit arithmetic.
TEST(StretchMapping, HugeExtentsMapOnlyTheVisiblePixels) {
    struct Row {
        const char* what;
        StretchAxis axis;
        std::int32_t first;
        std::size_t count;
        std::int32_t firstSource, lastSource;
    };
    const Row table[] = {
        {"two billion from 12", {0, 2000000000, 40, 0, 12, 12}, 0, 40, 0, 0},
        {"two billion ending on the surface",
         {-1999999990, 2000000000, 40, 0, 12, 12},
         0,
         10,
         11,
         11},
        {"the most negative extent from nearly as many",
         {39, INT_MIN, 40, 11, -INT_MAX, 12},
         28,
         12,
         0,
         11},
        {"the largest source onto 40", {0, 40, 40, 0, INT_MAX, 12}, 0, 1, 11, 11},
    };
    for (const Row& row : table) {
        StretchPlan plan;
        planStretch(row.axis, {0, 1, 40, 0, 1, 1}, plan);
        ASSERT_EQ(plan.result, StretchResult::drawn) << row.what;
        EXPECT_EQ(plan.columns.first, row.first) << row.what;
        ASSERT_EQ(plan.columns.sources.size(), row.count) << row.what;
        EXPECT_EQ(plan.columns.sources.front(), row.firstSource) << row.what;
        EXPECT_EQ(plan.columns.sources.back(), row.lastSource) << row.what;
    }
}

// Rows are drawn through one stretched source row and its copies; four-byte stores must not
// spill onto the pixel after the drawn span, whatever the operation.
TEST(SoftCanvas, DrawsOnlyTheCoveredPixels) {
    const std::uint8_t sourcePixels[2 * 4] = {1, 2, 3, 4, 5, 6, 0, 0}; // two rows of one pixel
    DibView source;
    source.pixels = sourcePixels;
    source.width = 1;
    source.height = 2;
    source.bitCount = 24;
    source.rowLength = 4;
    source.bottomUp = true; // the top row is the second in memory

    for (RasterOp op : {RasterOp::copy, RasterOp::sourceAnd, RasterOp::sourcePaint}) {
        SoftCanvas canvas(5, 4);
        canvas.fill(0, 0, 5, 4, 0x00F0F0F0);
        ASSERT_TRUE(canvas.stretch(1, 1, 3, 2, source, 0, 0, 1, 1, op));
        std::uint8_t top = op == RasterOp::copy        ? 5
                           : op == RasterOp::sourceAnd ? (0xF0 & 5)
                                                       : (0xF0 | 5);
        for (std::int32_t y = 0; y < 4; ++y)
            for (std::int32_t x = 0; x < 5; ++x) {
                bool covered = x >= 1 && x <= 3 && y >= 1 && y <= 2;
                EXPECT_EQ(canvas.row(y)[3 * x], covered ? top : 0xF0)
                    << "op " << int(op) << " at " << x << ", " << y;
            }
    }
}

TEST(SoftCanvas, RefusesAbsurdSizesAsAnEmptyCanvas) {
    const std::int32_t sizes[][2] = {{0, 10}, {10, -1}, {INT_MAX, INT_MAX}, {100000, 100000}};
    SoftCanvas source(2, 2);
    for (const auto& size : sizes) {
        SoftCanvas canvas(size[0], size[1]);
        EXPECT_EQ(canvas.width(), 0) << size[0] << " x " << size[1];
        EXPECT_EQ(canvas.height(), 0) << size[0] << " x " << size[1];
        EXPECT_TRUE(canvas.stretch(0, 0, 5, 5, source.view(), 0, 0, 2, 2, RasterOp::copy));
        EXPECT_FALSE(source.stretch(0, 0, 1, 1, canvas.view(), 0, 0, 1, 1, RasterOp::copy));
    }
}

} // namespace
