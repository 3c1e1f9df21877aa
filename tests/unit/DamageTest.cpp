// Composing each frame only inside its damage, on a stage that keeps the frame before, gives the
// frame composed whole: after every frame of the demo and of random animations, with jumps
// anywhere, random branches, flips, every background mode and the row fallback.

#include "RandomProject.h"

#include "container/ContainerWriter.h"
#include "demo/DemoData.h"
#include "player/FrameCompositor.h"
#include "player/LoadAnimation.h"
#include "project/ProjectPacker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

using namespace cinefold;

namespace {

// A software canvas on which a stretch that scales more than one row fails, as GDI's can, so that
// sprites and stretched backgrounds are drawn by the row fallback.
struct RowFallbackCanvas : SoftCanvas {
    using SoftCanvas::SoftCanvas;
    bool stretch(std::int32_t dx, std::int32_t dy, std::int32_t dw, std::int32_t dh,
                 const DibView& source, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                 std::int32_t sh, RasterOp op) {
        if (dh != 1 && (dw != sw || dh != sh)) return false;
        return SoftCanvas::stretch(dx, dy, dw, dh, source, sx, sy, sw, sh, op);
    }
};

struct Outcome {
    int partial = 0;          // frames whose damage was not the whole stage
    std::int64_t damaged = 0; // damaged pixels over all frames
    std::string fault;        // the first frame that went wrong, and how
};

// Steps the Player `steps` times, composing each frame both ways: frame after frame in order when
// seed is 0, else a jump to a random frame one step in eight and otherwise a tick at a random tick
// count (which seeds the random branches).
template <class Stage> Outcome compareFrames(Player& player, int steps, std::uint32_t seed) {
    std::mt19937 random(seed);
    Stage incremental(player.stageWidth, player.stageHeight);
    Stage whole(player.stageWidth, player.stageHeight);
    const Rect stage{0, 0, whole.width(), whole.height()};
    DamageTracker tracker;
    Outcome outcome;
    for (int step = 0; step < steps && outcome.fault.empty(); ++step) {
        const StageDamage damage = tracker.next(player);
        composeFrame(player, incremental, damage);
        composeFrame(player, whole);
        std::ostringstream fault;
        for (std::size_t i = 0; i < damage.rects.size(); ++i) {
            const Rect& r = damage.rects[i];
            if (intersection(r, stage) != r || r.left >= r.right || r.top >= r.bottom)
                fault << "rectangle " << i << " is empty or off the stage; ";
            for (std::size_t j = 0; j < i; ++j)
                if (overlap(r, damage.rects[j])) fault << "rectangles overlap; ";
            outcome.damaged += std::int64_t(r.right - r.left) * (r.bottom - r.top);
        }
        if (damage.rects.size() > DamageTracker::maxRects) fault << "too many rectangles; ";
        outcome.partial += damage.whole ? 0 : 1;
        for (std::int32_t y = 0; y < whole.height() && fault.tellp() == 0; ++y)
            if (std::memcmp(incremental.row(y), whole.row(y), 3 * std::size_t(whole.width())) != 0)
                fault << "row " << y << " differs";
        if (fault.tellp() != 0)
            outcome.fault = "step " + std::to_string(step) + ", frame " +
                            std::to_string(player.currentFrame) + ": " + fault.str();
        if (seed == 0)
            ++player.currentFrame;
        else if (random() % 8 == 0)
            player.currentFrame =
                std::int32_t(random() % std::uint32_t(player.trackSet.lastFrame() + 2));
        else
            player.advanceFrame(random());
    }
    return outcome;
}

bool load(Player& player, Bytes bytes) {
    ContainerSource source;
    FileProblem problem;
    return loadAnimationBytes(player, bytes, source, problem);
}

TEST(Damage, ComposingInsideTheDamageGivesTheWholeFrame) {
    // The demo: every frame in order, then the sequencer's course with jumps.
    Player demo;
    ASSERT_TRUE(load(demo, demoContainer()));
    const int frames = demo.trackSet.lastFrame() + 1;
    const Outcome inOrder = compareFrames<SoftCanvas>(demo, frames, 0);
    EXPECT_EQ(inOrder.fault, "") << "demo in order";
    // A demo frame moves its sprites, a small part of the stage.
    EXPECT_LT(inOrder.damaged, std::int64_t(frames) * demo.stageWidth * demo.stageHeight / 4);

    for (std::uint32_t seed : {1u, 2u}) {
        demo.currentFrame = 0;
        const Outcome soft = compareFrames<SoftCanvas>(demo, 2 * frames, seed);
        EXPECT_EQ(soft.fault, "") << "demo, seed " << seed;
        EXPECT_GT(soft.partial, frames) << "demo, seed " << seed;
        demo.currentFrame = 0;
        EXPECT_EQ(compareFrames<RowFallbackCanvas>(demo, frames / 4, seed).fault, "")
            << "demo by rows, seed " << seed;
    }

    std::mt19937 random(2026);
    for (int round = 0; round < 12; ++round) {
        // Every background mode, with a background drawn at every frame.
        Project project = test::randomProject(random);
        project.stage.backMode = round % 4;
        for (KeyRecord& key : project.background)
            key.image = project.images[std::size_t(key.image) % project.images.size()].number;
        Player player;
        ASSERT_TRUE(load(player, writeContainer(packProject(project))));
        EXPECT_EQ(compareFrames<SoftCanvas>(player, 200, random()).fault, "") << "round " << round;
        player.currentFrame = 0;
        EXPECT_EQ(compareFrames<RowFallbackCanvas>(player, 100, random()).fault, "")
            << "round " << round << " by rows";
    }
}

} // namespace
