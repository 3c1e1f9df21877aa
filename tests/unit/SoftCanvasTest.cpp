// The stretch mapping's bound on work at extents where Wine's own StretchBlt is no longer exact,
// and the canvas's refusal of absurd sizes. The mapping and the pixels a transfer covers are
// compared with GDI pixel for pixel, at random and at its edges, under Wine.

#include "render/SoftCanvas.h"

#include <gtest/gtest.h>

#include <climits>

using namespace cinefold;

namespace {

// Extents of two billion are mapped only where they meet the surface, in 64-bit arithmetic.
TEST(StretchMapping, HugeExtentsMapOnlyTheVisiblePixels) {
    // Each row: the axis, and the first stage column drawn, how many, and their first and last
    // source columns.
    auto row = [](const char* what, const StretchAxis& axis, std::int32_t first, std::size_t count,
                  std::int32_t firstSource, std::int32_t lastSource) {
        StretchPlan plan;
        planStretch(axis, {0, 1, 40, 0, 1, 1}, plan);
        ASSERT_EQ(plan.result, StretchResult::drawn) << what;
        EXPECT_EQ(plan.columns.first, first) << what;
        ASSERT_EQ(plan.columns.sources.size(), count) << what;
        EXPECT_EQ(plan.columns.sources.front(), firstSource) << what;
        EXPECT_EQ(plan.columns.sources.back(), lastSource) << what;
    };
    row("two billion from 12", {0, 2000000000, 40, 0, 12, 12}, 0, 40, 0, 0);
    row("two billion ending on the surface", {-1999999990, 2000000000, 40, 0, 12, 12}, 0, 10, 11,
        11);
    row("the most negative extent from nearly as many", {39, INT_MIN, 40, 11, -INT_MAX, 12}, 28, 12,
        0, 11);
    row("the largest source onto 40", {0, 40, 40, 0, INT_MAX, 12}, 0, 1, 11, 11);
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
