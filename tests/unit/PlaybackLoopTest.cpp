#include "player/PlaybackLoop.h"
#include "demo/DemoData.h"
#include "linux/IncrementalPresent.h"
#include "player/FrameCompositor.h"
#include "player/PresentStage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

using namespace cinefold;

namespace {

// The demo on a clock that the test sets: it runs 0, 1, 2, ... at a 100 ms period.
struct DemoLoop {
    std::uint64_t now = 5000;
    PlaybackLoop loop{[this] { return now; }};

    DemoLoop() {
        FileProblem problem;
        EXPECT_TRUE(loop.loadBytes(demoContainer(), problem)) << problem.what;
        EXPECT_EQ(loop.period(), 100u);
        loop.start();
    }
};

} // namespace

TEST(PlaybackLoop, TicksOncePerPeriodNeverMakesUpLateTicksAndWaitsWhilePaused) {
    DemoLoop demo;
    struct Step {
        std::uint64_t now;
        bool ticks;
        std::int64_t untilNext;
    };
    const Step steps[] = {
        {5000, false, 100}, {5099, false, 1},  {5100, true, 100}, {5100, false, 100},
        {5200, true, 100},  {5450, true, 100}, {5549, false, 1},  {5550, true, 100},
    };
    std::int32_t frame = 0;
    for (const Step& step : steps) {
        demo.now = step.now;
        EXPECT_EQ(demo.loop.runDueTick(), step.ticks) << step.now;
        if (step.ticks) ++frame;
        EXPECT_EQ(demo.loop.player().currentFrame, frame) << step.now;
        EXPECT_EQ(demo.loop.millisecondsUntilTick(), step.untilNext) << step.now;
    }
    EXPECT_EQ(demo.loop.compositions(), 1u + 4u);
    // Paused, it waits for events and steps on request; it resumes a period after it is resumed.
    demo.loop.setPaused(true);
    demo.now = 9000;
    EXPECT_EQ(demo.loop.millisecondsUntilTick(), -1);
    EXPECT_FALSE(demo.loop.runDueTick());
    EXPECT_TRUE(demo.loop.stepForward());
    demo.loop.setPaused(false);
    EXPECT_EQ(demo.loop.millisecondsUntilTick(), 100);
    demo.now = 9100;
    EXPECT_TRUE(demo.loop.runDueTick());
    EXPECT_EQ(demo.loop.player().currentFrame, 6);
}

TEST(PlaybackLoop, ComposesOnlyWhenTheFrameMoves) {
    DemoLoop demo;
    Player& player = demo.loop.player();
    // Frame 3 jumps to itself: the ticks there compose nothing and the stage stays frame 3's.
    player.jumpTable[3] = 3;
    demo.loop.tick();
    demo.loop.tick();
    demo.loop.tick();
    const std::uint64_t composed = demo.loop.compositions();
    const std::vector<std::uint8_t> frame3(demo.loop.stage().row(0),
                                           demo.loop.stage().row(0) + 640 * 3 * 480);
    EXPECT_FALSE(demo.loop.tick());
    EXPECT_FALSE(demo.loop.stepForward());
    EXPECT_EQ(demo.loop.compositions(), composed);
    EXPECT_EQ(player.currentFrame, 3);

    // Stepping back over the ticks that stayed on frame 3 composes nothing either; the frames
    // before it are composed anew, and they differ from frame 3.
    EXPECT_FALSE(demo.loop.stepBack());
    EXPECT_FALSE(demo.loop.stepBack());
    demo.loop.clearDamage();
    EXPECT_TRUE(demo.loop.stepBack());
    EXPECT_EQ(player.currentFrame, 2);
    EXPECT_NE(std::memcmp(demo.loop.stage().row(0), frame3.data(), frame3.size()), 0);
    // Composed inside the damage, which is a part of the stage, it is frame 2 composed whole.
    SoftCanvas frame2(640, 480);
    composeFrame(player, frame2);
    EXPECT_EQ(std::memcmp(demo.loop.stage().row(0), frame2.row(0), frame3.size()), 0);
    const Rect stage{0, 0, 640, 480};
    ASSERT_FALSE(demo.loop.damage().empty());
    EXPECT_NE(demo.loop.damage()[0], stage) << "a part of the stage, not all of it";
    EXPECT_TRUE(demo.loop.stepBack());
    EXPECT_TRUE(demo.loop.stepBack());
    EXPECT_EQ(player.currentFrame, 0);
    EXPECT_FALSE(demo.loop.stepBack()) << "nothing before the start";
    EXPECT_EQ(demo.loop.compositions(), composed + 3);
}

// The random branch is seeded with the tick count, the clock wrapped to 32 bits: the loop picks
// what the Player picks for the wrapped count, for clocks past 2^32 whose picks differ.
TEST(PlaybackLoop, SeedsBranchesWithTheClockWrappedTo32Bits) {
    auto branchAtFrame5 = [](Player& player) {
        player.jumpTable[5] = 2;
        for (int table = 0; table < 3; ++table)
            player.branchTables[std::size_t(table)][5] = 10 + table;
        player.currentFrame = 5;
    };
    std::set<std::int32_t> picks;
    for (std::uint32_t tick : {0u, 1u, 2u, 7u, 1000u, 0xFFFFFFFFu}) {
        DemoLoop demo, other;
        branchAtFrame5(demo.loop.player());
        demo.now = (std::uint64_t(3) << 32) + tick;
        demo.loop.tick();
        Player& reference = other.loop.player(); // ticked by hand with the wrapped count
        branchAtFrame5(reference);
        reference.advanceFrame(tick);
        EXPECT_EQ(demo.loop.player().currentFrame, reference.currentFrame) << tick;
        picks.insert(reference.currentFrame);
    }
    EXPECT_EQ(picks.size(), 3u) << "the ticks chosen must reach every branch";
}

// The presenter draws frame after frame into one 32-bit picture, redrawing only what shows the
// loop's damage: after each present the picture holds what the software canvas shows for that
// frame, and every pixel that changed lies in a rectangle that is sent to the server. The
// stretch option changes between frames, which moves the stage.
TEST(IncrementalPresent, ShowsEachFrameAsTheSoftCanvasDoes) {
    struct Case {
        const char* name;
        std::int32_t clientWidth, clientHeight, screenWidth, screenHeight;
    } const cases[] = {
        {"full screen", 1000, 700, 1000, 700},
        {"smaller than the stage", 400, 500, 400, 500},
        {"preview", 152, 112, 1024, 768},
    };
    const int stretches[] = {0, 0, 1, 1, 1, 0};
    for (const Case& c : cases) {
        DemoLoop demo;
        Player& player = demo.loop.player();
        // Rows padded and the padding marked, to catch a row length taken for the width.
        const std::uint32_t rowBytes = std::uint32_t(c.clientWidth) * 4 + 12;
        std::vector<std::uint8_t> pixels(rowBytes * std::size_t(c.clientHeight), 0xEE);
        IncrementalPresent presenter;
        for (int stretch : stretches) {
            for (int i = 0; i < 20; ++i)
                demo.loop.tick();
            player.stretchToDesktop = stretch;
            SoftCanvas expected(c.clientWidth, c.clientHeight);
            presentStage(PresentedStage{player.stageWidth, player.stageHeight, stretch != 0},
                         demo.loop.stage(), expected, c.clientWidth, c.clientHeight, c.screenWidth,
                         c.screenHeight);
            const std::vector<std::uint8_t> before = pixels;
            const std::vector<Rect> drawn = presenter.present(
                player, demo.loop.stage(), demo.loop.damage(), pixels.data(), c.clientWidth,
                c.clientHeight, rowBytes, c.screenWidth, c.screenHeight);
            demo.loop.clearDamage();
            int wrong = 0, unsent = 0;
            for (std::int32_t y = 0; y < c.clientHeight; ++y) {
                const std::size_t at = std::size_t(y) * rowBytes;
                for (std::int32_t x = 0; x < c.clientWidth; ++x) {
                    const std::uint8_t* bgr = expected.row(y) + 3 * x;
                    const std::uint8_t* got = &pixels[at + 4 * std::size_t(x)];
                    wrong += got[0] != bgr[0] || got[1] != bgr[1] || got[2] != bgr[2] || got[3];
                    const bool sent = std::any_of(drawn.begin(), drawn.end(), [&](const Rect& r) {
                        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                    });
                    unsent += !sent && std::memcmp(got, &before[at + 4 * std::size_t(x)], 4) != 0;
                }
                wrong += pixels[at + rowBytes - 1] != 0xEE;
            }
            EXPECT_EQ(wrong, 0) << c.name << ", frame " << player.currentFrame;
            EXPECT_EQ(unsent, 0) << c.name << ", frame " << player.currentFrame;
        }
    }
}

// A present of one damaged rectangle redraws exactly the window pixels that show it: a stage of
// noise is presented whole, then changed inside a rectangle and presented with that rectangle as
// its damage, and the picture must equal a full present of the changed stage, for windows that
// enlarge, shrink, centre and crop the stage, and rectangles that reach past its edges.
TEST(IncrementalPresent, PresentsTheDamageAsAFullPresentDoes) {
    struct Case {
        const char* name;
        std::int32_t width, height; // the window and the screen
        int stretch;
    } const cases[] = {
        {"stretched larger", 333, 250, 1},    {"stretched smaller", 50, 41, 1},
        {"centred, larger", 90, 70, 0},       {"centred, cropped", 40, 30, 0},
        {"stretched, one to one", 64, 48, 1},
    };
    const Rect damages[] = {{0, 0, 1, 1},   {63, 47, 64, 48}, {10, 5, 11, 40},
                            {-5, -5, 9, 3}, {30, 20, 90, 90}, {17, 0, 18, 48}};
    std::uint32_t noise = 12345;
    auto next = [&] { return std::uint8_t((noise = noise * 1103515245u + 12345u) >> 16); };
    for (const Case& c : cases) {
        Player player;
        player.stageWidth = 64;
        player.stageHeight = 48;
        player.stretchToDesktop = c.stretch;
        SoftCanvas stage(64, 48);
        auto scribble = [&](const Rect& r) {
            for (std::int32_t y = std::max(r.top, 0); y < std::min(r.bottom, 48); ++y)
                for (std::int32_t x = 3 * std::max(r.left, 0); x < 3 * std::min(r.right, 64); ++x)
                    stage.row(y)[x] = next();
        };
        scribble({0, 0, 64, 48});
        const std::uint32_t rowBytes = std::uint32_t(c.width) * 4;
        std::vector<std::uint8_t> pixels(rowBytes * std::size_t(c.height));
        IncrementalPresent presenter;
        const Rect whole{0, 0, 64, 48};
        presenter.present(player, stage, {&whole, 1}, pixels.data(), c.width, c.height, rowBytes,
                          c.width, c.height);
        for (const Rect& damage : damages) {
            scribble(damage);
            presenter.present(player, stage, {&damage, 1}, pixels.data(), c.width, c.height,
                              rowBytes, c.width, c.height);
            SoftCanvas expected(c.width, c.height);
            presentStage(PresentedStage{64, 48, c.stretch != 0}, stage, expected, c.width, c.height,
                         c.width, c.height);
            int wrong = 0;
            for (std::int32_t y = 0; y < c.height; ++y)
                for (std::int32_t x = 0; x < c.width; ++x) {
                    const std::uint8_t* bgr = expected.row(y) + 3 * x;
                    const std::uint8_t* got = &pixels[y * rowBytes + 4 * std::size_t(x)];
                    wrong += got[0] != bgr[0] || got[1] != bgr[1] || got[2] != bgr[2];
                }
            EXPECT_EQ(wrong, 0) << c.name << ", damage at " << damage.left << "," << damage.top;
        }
    }
}
