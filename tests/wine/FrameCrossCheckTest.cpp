// Whole frames through both canvases: every frame of a demo-shaped animation (48 masked
// sprites, cel groups, every flip code, an 8-bit background) is composed by the saver's
// compositor on a GDI stage and on the software canvas, and every pixel must agree. The
// background takes each of its three modes in turn, on stages larger and smaller than it, and a
// few layers are added: palette sprites with masks, and keys a million pixels across. (Wine's
// StretchBlt stops being exact somewhere beyond ten million pixels, where its arithmetic
// overflows; the software canvas keeps mapping such extents exactly.) Then the saver's paints of
// only what each frame changed, tick after tick, against whole paints.

#include "DemoContainer.h"

#include "BmpBytes.h"
#include "TimelineBytes.h"
#include "WineTestSupport.h"

#include "saver/SaverCompositor.h"
#include "saver/SaverPlayer.h"
#include "render/SoftCanvasSelection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace cinefold;
using namespace cinefold::test;

namespace {

// Palette sprites with masks on layers 10 and 11 and keys far larger than any stage on 12 and
// 13, moving over all frames.
void addLayers(Player& player) {
    ImageStore& store = player.imageStore;
    ByteVector rows8, rows4, mask;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 32; ++x)
            rows8.push_back(std::uint8_t((x * 7 + y * 3) % 5));
        for (int x = 0; x < 16; ++x)
            rows4.push_back(std::uint8_t((x + y) % 16 << 4 | (x * y) % 16));
        for (int x = 0; x < 4; ++x)
            mask.push_back(std::uint8_t(0xF0F0F0F0u >> (y % 8)));
    }
    ASSERT_EQ(
        store.addImage(
            59, picture(32, 24, 8, {0x000000, 0xFF8000, 0x00FF80, 0x8000FF, 0xFFFFFF}, rows8)),
        1);
    std::vector<std::uint32_t> sixteen;
    for (std::uint32_t i = 0; i < 16; ++i)
        sixteen.push_back(i * 0x0F0D0B);
    ASSERT_EQ(store.addImage(60, picture(32, 24, 4, sixteen, rows4)), 1);
    ByteVector maskFile = bmpFile(32, 24, 1, 0, 54, mask);
    ASSERT_EQ(store.addMask(159, maskFile), 1);
    ASSERT_EQ(store.addMask(160, maskFile), 1);

    // Keys of frames 0 and 700: centre, size, image and flip code.
    TrackSet& tracks = player.trackSet;
    tracks.insertLayerKey(10, key(0, 1, 40, 40, 96, 72, 60, 0, 0));
    tracks.insertLayerKey(10, key(700, 1, 600, 440, -20, 300, 60, 0, 3));
    tracks.insertLayerKey(11, key(0, 1, 600, 60, 17, 5, 61, 0, 2));
    tracks.insertLayerKey(11, key(700, 1, 20, 420, 400, 33, 61, 0, 1));
    tracks.insertLayerKey(12, key(0, 1, 320, 240, 1000000, 1000000, 3, 0, 1));
    tracks.insertLayerKey(12, key(700, 1, -320, 240, 1000000, 30, 3, 0, 2));
    tracks.insertLayerKey(13, key(0, 1, 0, -500000, 64, 1000000, 7, 0, 0));
    tracks.insertLayerKey(13, key(700, 1, 640, 500000, 64, 1000000, 7, 0, 0));
}

// The demo-shaped animation with the layers above, its images GDI's sections and palettes.
void loadScene(SaverPlayer& player) {
    const std::vector<std::uint8_t>& container = bench::demoWorkload().container;
    auto bytes = std::make_unique<std::uint8_t[]>(container.size());
    std::memcpy(bytes.get(), container.data(), container.size());
    player.adoptContainer(std::move(bytes), std::uint32_t(container.size()));
    ASSERT_EQ(player.walkChunks(), 1);
    addLayers(player);
    ASSERT_EQ(player.trackSet.lastFrame(), 700);
}

// The saver's stage, a bottom-up 24-bit DIB section of the Player's stage size, in a memory DC.
struct GdiStage {
    explicit GdiStage(SaverPlayer& player)
        : selected(dc, madeStage(player)), canvas(dc, player.stageWidth, player.stageHeight) {
        GetObjectA(player.stageBitmap.get(), sizeof section, &section);
    }
    static HBITMAP madeStage(SaverPlayer& player) {
        player.createStageBitmap();
        return player.stageBitmap.get();
    }
    const std::uint8_t* row(std::int32_t y) const {
        return static_cast<const std::uint8_t*>(section.dsBm.bmBits) +
               std::size_t(canvas.height() - 1 - y) * std::size_t(section.dsBm.bmWidthBytes);
    }
    MemoryDc dc{nullptr};
    Selection selected;
    DIBSECTION section = {};
    GdiCanvas canvas;
};

TEST(FrameCrossCheck, EveryFrameIsTheSameOnGdiAndOnTheSoftwareCanvas) {
    SaverPlayer player;
    loadScene(player);
    const std::int32_t last = player.trackSet.lastFrame();

    // The background (640 x 480) centred, tiled and stretched on stages larger and smaller.
    const std::int32_t sizes[2][2] = {{700, 530}, {600, 420}};
    int failures = 0;
    for (int which = 0; which < 2; ++which) {
        const std::int32_t width = sizes[which][0], height = sizes[which][1];
        player.stageWidth = width;
        player.stageHeight = height;
        GdiStage stage(player);
        auto gdiRow = [&](std::int32_t y) { return stage.row(y); };
        for (std::int32_t frame = 3 * which; frame <= last && failures < 5; frame += 6) {
            for (std::int32_t step = 0; step < 3 && frame + step <= last; ++step) {
                player.currentFrame = frame + step;
                player.backMode = 1 + step;
                composeFrame(player, stage.canvas);
                GdiFlush();
                SoftCanvas soft(width, height);
                composeFrame(player, soft);
                const std::string difference = pixelDifference(
                    width, height, gdiRow, [&](std::int32_t y) { return soft.row(y); });
                failures += !difference.empty();
                EXPECT_EQ(difference, "") << "frame " << player.currentFrame << ", backMode "
                                          << player.backMode << ", " << width << " x " << height;
            }
        }
    }
}

// GDI's clip: a stage kept from frame to frame and composed through the GDI canvas only inside
// each frame's damage holds, after every frame, the whole frame as the software canvas draws it.
// Layer 12, a million pixels square, would cover the whole stage and damage it every frame; it
// is left out. Layer 13, a million pixels high, moves across as a band of the stage's height.
TEST(FrameCrossCheck, ComposingInsideTheDamageOnGdiGivesTheWholeFrame) {
    SaverPlayer player;
    loadScene(player);
    for (std::int32_t frame : {0, 700})
        player.trackSet.insertLayerKey(12, key(frame, 1, 0, 0, 0, 0, 0));
    player.stageWidth = 700;
    player.stageHeight = 530;
    GdiStage stage(player);
    SoftCanvas soft(700, 530);
    DamageTracker damage;
    int failures = 0, partial = 0;
    for (player.backMode = 1; player.backMode <= 3; ++player.backMode)
        for (player.currentFrame = 0; player.currentFrame <= 700 && failures < 5;
             ++player.currentFrame) {
            const StageDamage frameDamage = damage.next(player);
            partial += frameDamage.whole ? 0 : 1;
            composeFrame(player, stage.canvas, frameDamage);
            GdiFlush();
            composeFrame(player, soft);
            const std::string difference = pixelDifference(
                700, 530, [&](std::int32_t y) { return stage.row(y); },
                [&](std::int32_t y) { return soft.row(y); });
            failures += !difference.empty();
            EXPECT_EQ(difference, "")
                << "frame " << player.currentFrame << ", backMode " << player.backMode;
        }
    EXPECT_GT(partial, 2000);
}

// The saver's paints frame after frame, as its timer drives them: each tick advances the Player
// (its jumps, and random branches seeded by the tick), takes the frame's damage and paints only
// the window rectangles that show it, on a picture standing for the window. After each paint the
// picture must equal a whole compose and a whole present of that frame, stretched, centred and
// in the preview, so that nothing the damage misses stays behind.
TEST(PaintCrossCheck, PaintingOnlyTheDamageShowsEachFrameAsAWholePaint) {
    SaverPlayer player, whole;
    loadScene(player);
    loadScene(whole);
    // The saver's stage, kept from paint to paint (paintStage selects it), and a stage composed
    // whole every frame.
    player.createStageBitmap();
    ASSERT_TRUE(player.stageBitmap);
    GdiStage wholeStage(whole);

    struct Case {
        const char* name;
        int stretch;
        PaintedWindow window;
    } const cases[] = {
        {"stretched", 1, {1024, 768, 1024, 768}},
        {"centred", 0, {1024, 768, 1024, 768}},
        {"preview", 1, {152, 112, 1024, 768}},
    };
    for (const Case& c : cases) {
        player.stretchToDesktop = c.stretch;
        player.currentFrame = 0;
        player.damage.reset();
        player.staleStage.clear();
        // The window and the whole paint's window: top-down 24-bit pictures.
        const std::int32_t width = c.window.clientWidth, height = c.window.clientHeight;
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB};
        void* bits[2] = {};
        GdiObject<HBITMAP> pictures[2] = {
            GdiObject<HBITMAP>(
                CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits[0], nullptr, 0)),
            GdiObject<HBITMAP>(
                CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits[1], nullptr, 0))};
        ASSERT_TRUE(bits[0] && bits[1]);
        MemoryDc windowDc(nullptr), wholeDc(nullptr);
        Selection windowSelected(windowDc, pictures[0].get()),
            wholeSelected(wholeDc, pictures[1].get());
        GdiCanvas wholeCanvas(wholeDc, width, height);
        const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
        auto row = [&](int which) {
            return [&, which](std::int32_t y) {
                return static_cast<const std::uint8_t*>(bits[which]) + std::size_t(y) * stride;
            };
        };
        int failures = 0;
        for (std::uint32_t tick = 0; tick < 300 && failures < 3; ++tick) {
            if (tick > 0) player.advanceFrame(tick * 100 + 7);
            const std::vector<Rect> parts = takeFrameDamage(player, c.window);
            // The window's first paint is whole, as it is when the window shows.
            if (tick == 0 || !parts.empty()) paintStage(player, windowDc, c.window, parts);
            whole.currentFrame = player.currentFrame;
            composeFrame(whole, wholeStage.canvas);
            presentStage(PresentedStage{player.stageWidth, player.stageHeight, c.stretch != 0},
                         wholeStage.canvas, wholeCanvas, width, height, c.window.screenWidth,
                         c.window.screenHeight);
            GdiFlush();
            const std::string difference = pixelDifference(width, height, row(0), row(1));
            failures += !difference.empty();
            EXPECT_EQ(difference, "")
                << c.name << ", tick " << tick << ", frame " << player.currentFrame;
        }
    }
}

} // namespace
