// The compositor's arithmetic and its drawing on the software canvas: background modes, layer
// order, masks, flips and the row fallback. That the GDI canvas draws the same frames
// is checked under Wine.

#include "BmpBytes.h"
#include "TimelineBytes.h"

#include "player/FrameCompositor.h"
#include "render/SoftCanvasSelection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

using namespace cinefold;
using namespace cinefold::test;

namespace {

// A 24-bit picture whose pixel (x, y) has the colour colourAt(x, y) (0x00RRGGBB).
ByteVector truePicture(std::int32_t width, std::int32_t height,
                       const std::function<std::uint32_t(std::int32_t, std::int32_t)>& colourAt) {
    ByteVector rows;
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint32_t c = colourAt(x, y);
            rows.insert(rows.end(), {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)});
        }
        rows.resize(rows.size() + (4 - width * 3 % 4) % 4);
    }
    return picture(width, height, 24, {}, rows);
}

std::uint32_t coordinates(std::int32_t x, std::int32_t y) {
    return std::uint32_t(x & 0xFF) << 16 | std::uint32_t(y & 0xFF) << 8 | 0x55;
}

// A 1-bit mask without a colour table, 1 (transparent) where transparent(x, y).
ByteVector maskPicture(std::int32_t width, std::int32_t height,
                       const std::function<bool(std::int32_t, std::int32_t)>& transparent) {
    const std::size_t row = std::size_t(dibRowLength(std::uint64_t(width), 1));
    ByteVector rows(row * std::size_t(height));
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            if (transparent(x, y)) rows[std::size_t(y) * row + std::size_t(x / 8)] |= 0x80 >> x % 8;
    return picture(width, height, 1, {}, rows);
}

// 0x00RRGGBB of a stage pixel.
std::uint32_t pixel(const SoftCanvas& stage, std::int32_t x, std::int32_t y) {
    const std::uint8_t* p = stage.row(y) + 3 * x;
    return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

struct Scene {
    Player player;
    explicit Scene(std::int32_t width = 64, std::int32_t height = 48) {
        player.stageWidth = width;
        player.stageHeight = height;
        player.backColor = 0x00A00000; // colour reference: blue 0xA0
    }
    void image(int number, const ByteVector& bmp) {
        ASSERT_EQ(player.imageStore.addImage(number - 1, bmp), 1);
    }
    void mask(int number, const ByteVector& bmp) {
        ASSERT_EQ(player.imageStore.addMask(number - 1 + 100, bmp), 1);
    }
    SoftCanvas compose() {
        SoftCanvas stage(player.stageWidth, player.stageHeight);
        composeFrame(player, stage);
        return stage;
    }
};
constexpr std::uint32_t stageBlue = 0x0000A0;

TEST(ComposeFrame, BackgroundModesPlaceTheImage) {
    struct Case {
        std::int32_t mode, width, height;
        std::int32_t x, y;   // a stage pixel
        std::uint32_t shows; // what it shows
    } cases[] = {
        {1, 700, 500, 0, 0, coordinates(30, 10)},
        {1, 700, 500, 639, 479, coordinates(669, 489)},
        {1, 645, 480, 0, 0, coordinates(2, 0)}, // an odd difference crops one more on the right
        {1, 645, 480, 639, 0, coordinates(641, 0)},
        {1, 20, 10, 22, 19, coordinates(0, 0)}, // at ((64 - 20) / 2, (48 - 10) / 2)
        {1, 20, 11, 22, 18, coordinates(0, 0)}, // (48 - 11) / 2 truncated
        {2, 30, 20, 31, 45, coordinates(1, 5)},
        {2, 30, 20, 63, 47, coordinates(3, 7)},
        {3, 32, 24, 63, 47, coordinates(31, 23)},
        {3, 32, 24, 2, 3, coordinates(1, 1)},
        {0, 64, 48, 5, 5, stageBlue},
        {4, 64, 48, 5, 5, stageBlue},
    };
    for (const Case& c : cases) {
        Scene scene(c.width >= 640 ? 640 : 64, c.width >= 640 ? 480 : 48);
        scene.image(7, truePicture(c.width, c.height, coordinates));
        scene.player.backMode = c.mode;
        scene.player.trackSet.insertBackgroundKey(key(0, 0, 999, 999, 1, 1, 7, 0, 3));
        EXPECT_EQ(pixel(scene.compose(), c.x, c.y), c.shows)
            << "mode " << c.mode << " image " << c.width << " at " << c.x << ", " << c.y;
    }

    // A background smaller than the stage leaves the stage's colour on every side of it.
    Scene scene;
    scene.image(7, truePicture(20, 10, coordinates));
    scene.player.trackSet.insertBackgroundKey(key(0, 0, 999, 999, 1, 1, 7, 0, 3));
    const SoftCanvas stage = scene.compose();
    for (std::int32_t y = 0; y < 48; ++y)
        for (std::int32_t x = 0; x < 64; ++x)
            if (x < 22 || x >= 42 || y < 19 || y >= 29) {
                ASSERT_EQ(pixel(stage, x, y), stageBlue) << x << ", " << y;
            }
}

TEST(ComposeFrame, LaterLayersDrawOverEarlierOnes) {
    Scene scene;
    scene.image(1, truePicture(4, 4, [](auto, auto) { return 0x112233u; }));
    scene.image(2, truePicture(4, 4, [](auto, auto) { return 0x445566u; }));
    scene.player.trackSet.insertLayerKey(7, key(0, 0, 10, 10, 8, 8, 2));
    scene.player.trackSet.insertLayerKey(3, key(0, 0, 12, 12, 8, 8, 1));
    SoftCanvas stage = scene.compose();
    EXPECT_EQ(pixel(stage, 10, 10), 0x445566u); // both
    EXPECT_EQ(pixel(stage, 15, 15), 0x112233u); // layer 3 alone
    EXPECT_EQ(pixel(stage, 2, 2), stageBlue);
}

// The software canvas draws palette pictures from copies made on first use: a slot that changes
// afterwards is drawn as it now is.
TEST(ComposeFrame, APaletteImageIsDrawnAsItsSlotNowHoldsIt) {
    Scene scene;
    const ByteVector rows(4 * 4, 1); // 4 x 4, 8 bits, every pixel colour 1
    scene.image(1, picture(4, 4, 8, {0x000000, 0x33CC66}, rows));
    scene.player.trackSet.insertLayerKey(1, key(0, 0, 10, 10, 8, 8, 1));
    EXPECT_EQ(pixel(scene.compose(), 10, 10), 0x33CC66u);
    scene.mask(1, maskPicture(4, 4, [](auto x, auto) { return x < 2; }));
    SoftCanvas stage = scene.compose();
    EXPECT_EQ(pixel(stage, 7, 10), stageBlue); // under the mask's transparent half
    EXPECT_EQ(pixel(stage, 12, 10), 0x33CC66u);
    scene.image(1, picture(4, 4, 8, {0x000000, 0xEE1100}, rows)); // drops the mask too
    EXPECT_EQ(pixel(scene.compose(), 7, 10), 0xEE1100u);
}

// Where the mask is 1 the stage shows through; where it is 0 the image's colours land exactly.
// The left half of the mask is transparent; flip code 1 mirrors both image and mask.
TEST(ComposeFrame, MaskedSpritesShowTheStageThroughTheirTransparentPixels) {
    const auto left = [](std::int32_t x, std::int32_t) { return x < 4; };
    const auto colours = [](std::int32_t x, std::int32_t y) {
        return x < 4 ? 0u : 0x204060u + std::uint32_t(x) * 0x010000 + std::uint32_t(y);
    };
    for (std::int32_t flip : {0, 1}) {
        Scene scene;
        scene.player.backColor = 0x0030C090; // a colour with bits where the sprite's are clear
        scene.image(1, truePicture(8, 4, colours));
        scene.mask(1, maskPicture(8, 4, left));
        scene.player.trackSet.insertLayerKey(1, key(0, 0, 20, 10, 8, 4, 1, 0, flip));
        SoftCanvas stage = scene.compose();
        // Mirrored, the rectangle runs from 24 leftwards and covers 17 to 24.
        for (std::int32_t sourceX = 0; sourceX < 8; ++sourceX) {
            std::int32_t x = flip == 1 ? 24 - sourceX : 16 + sourceX;
            std::uint32_t expected = left(sourceX, 0) ? 0x90C030u : colours(sourceX, 1);
            EXPECT_EQ(pixel(stage, x, 9), expected) << "flip " << flip << " source x " << sourceX;
        }
    }
}

// A canvas on which every stretch fails, recording what was asked of it.
struct FailingCanvas {
    struct Call {
        std::int32_t dy, sy;
        RasterOp op;
    };
    std::vector<Call> calls;
    std::int32_t width() const { return 64; }
    std::int32_t height() const { return 48; }
    void fill(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint32_t) {}
    bool stretch(std::int32_t, std::int32_t dy, std::int32_t, std::int32_t dh, int, std::int32_t,
                 std::int32_t sy, std::int32_t, std::int32_t sh, RasterOp op) {
        // A few hundred calls are enough to see that too many rows were drawn.
        if (dh == 1 && sh == 1 && calls.size() < 500) calls.push_back({dy, sy, op});
        return false;
    }
    friend int selectImage(FailingCanvas&, const ImageEntry&) { return 0; }
    friend int selectMask(FailingCanvas&, const ImageEntry&) { return 0; }
    friend int selectPalette(FailingCanvas&, const Palette&) { return 0; }
    friend void useColourOnColour(FailingCanvas&) {}
    friend int clipTo(FailingCanvas&, const Rect&) { return 0; }
};

TEST(DrawSprite, AFailedStretchIsDrawnRowByRowOnTheStageOnly) {
    ImageStore store;
    ASSERT_EQ(store.addImage(0, truePicture(2, 10, coordinates)), 1);
    ASSERT_EQ(store.addMask(100, maskPicture(2, 10, [](auto, auto) { return false; })), 1);

    FailingCanvas canvas;
    drawSprite(canvas, *store.entry(0), {0, 40, 2, 43});
    ASSERT_EQ(canvas.calls.size(), 6u); // three rows with the mask, then three with the image
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(canvas.calls[i].dy, 40 + std::int32_t(i % 3));
        EXPECT_EQ(canvas.calls[i].sy, 3 * std::int32_t(i % 3));
        EXPECT_EQ(canvas.calls[i].op, i < 3 ? RasterOp::sourceAnd : RasterOp::sourcePaint);
    }

    // Bands cut by the stage's edges draw only their rows on it; empty bands, and bands upside
    // down (bottom above top), nothing.
    const struct {
        std::int32_t top, bottom, rows;
    } bands[] = {{45, 50, 3}, {48, 53, 0},         {40, 40, 0},
                 {43, 40, 0}, {-2000000000, 0, 0}, {-1000000000, 1000000000, 48}};
    for (const auto& band : bands) {
        canvas.calls.clear();
        drawSprite(canvas, *store.entry(0), {0, band.top, 2, band.bottom});
        ASSERT_EQ(canvas.calls.size(), 2 * std::size_t(band.rows)) << band.top;
        EXPECT_EQ(canvas.calls.empty() ? -1 : canvas.calls[0].dy,
                  band.rows ? std::max(band.top, 0) : -1)
            << band.top;
    }
}

} // namespace
