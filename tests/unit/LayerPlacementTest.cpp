#include "TimelineBytes.h"

#include "timeline/LayerPlacement.h"

#include <gtest/gtest.h>

using namespace cinefold;
using namespace cinefold::test;

TEST(SpriteRectangle, CentresWithTruncatedHalvesThenMirrorsByFlip) {
    const struct {
        std::int32_t x, y, w, h, flip;
        Rect expected;
    } cases[] = {{10, 10, 4, 3, 0, {8, 9, 12, 12}},
                 {10, 10, 4, 3, 1, {12, 9, 8, 12}},
                 {10, 10, 4, 3, 2, {8, 12, 12, 9}},
                 {10, 10, 4, 3, 3, {12, 12, 8, 9}},
                 {10, 10, 4, 3, 9, {8, 9, 12, 12}},
                 {10, 10, 4, 3, -1, {8, 9, 12, 12}},
                 {10, 0, 5, 0, 0, {8, 0, 13, 0}},  // the odd pixel goes right
                 {10, 0, -5, 0, 0, {12, 0, 7, 0}}, // -5 / 2 = -2: mirrored
                 {2147483647, 0, 4, 0, 0, {2147483645, 0, -2147483647, 0}}}; // wraps
    for (const auto& c : cases)
        EXPECT_EQ(spriteRect(c.x, c.y, c.w, c.h, c.flip), c.expected)
            << c.x << ", " << c.w << " x " << c.h << ", flip " << c.flip;
}

TEST(LayerPlacement, AnEmptyGroupOrAGroupOutOfRangeShowsNoImage) {
    TrackSet set;
    set.insertLayerKey(1, key(0, 0, 0, 0, 1000, 1000, 5, 3));
    set.insertLayerKey(2, key(0, 0, 0, 0, 1000, 1000, 5, 102));
    set.insertLayerKey(3, key(0, 0, 0, 0, 1000, 1000, 5, -4));
    for (int layer = 1; layer <= 3; ++layer) {
        LayerPlacement p = placeLayer(set, layer, 0);
        EXPECT_EQ(p.image, 0) << layer;
        EXPECT_EQ(p.celSize, CelSize{}) << layer;
        EXPECT_FALSE(p.hasImageNumber()) << layer;
    }
}
