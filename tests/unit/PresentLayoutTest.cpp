// Where the stage lands, for the screens and stages that the screenshot tests under Wine do not
// show: a 640 x 480 screen, odd and negative differences, stages far larger than the screen.

#include "player/PresentLayout.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace cinefold;

namespace {

constexpr auto centred = PresentKind::centred;
constexpr auto stretched = PresentKind::stretched;
constexpr auto nothing = PresentKind::nothing;

TEST(Present, PutsTheStageWhereTheScreenShowsIt) {
    const struct {
        std::int32_t client, screenWidth, screenHeight, stageWidth, stageHeight;
        bool stretch;
        PresentKind kind;
        std::int32_t x, y, width, height;
    } cases[] = {
        {640, 640, 480, 300, 200, true, stretched, 5, 30, 630, 420},
        {640, 640, 480, 300, 200, false, centred, 170, 140, 300, 200},
        // A stage larger than the screen shows its centre, or shrinks when stretched.
        {640, 640, 480, 800, 600, false, centred, -80, -60, 800, 600},
        {640, 640, 480, 800, 600, true, stretched, 0, 0, 640, 480},
        // An odd difference truncates toward zero, also when it is negative.
        {640, 640, 480, 801, 481, false, centred, -80, 0, 801, 481},
        // A stage more than ten times the screen scales to nothing rather than dividing by it.
        {1024, 1024, 768, 20000, 20, true, stretched, 512, 384, 0, 0},
        // Sizes no bitmap is made for: nothing is presented, whatever the option.
        {1024, 1024, 768, 30000, 30000, false, nothing, 0, 0, 0, 0},
        {152, 1024, 768, -300, 200, false, nothing, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        const PresentLayout l = presentLayout(c.client, c.screenWidth, c.screenHeight, c.stageWidth,
                                              c.stageHeight, c.stretch);
        EXPECT_EQ(std::tuple(l.kind, l.x, l.y, l.width, l.height),
                  std::tuple(c.kind, c.x, c.y, c.width, c.height))
            << c.stageWidth << " x " << c.stageHeight << " on " << c.client
            << (c.stretch ? ", stretched" : "");
    }
}

TEST(StageSize, UsableSizesArePositiveAndBounded) {
    const std::tuple<std::int32_t, std::int32_t, bool> cases[] = {
        {1, 1, true},          {4096, 4096, true},
        {32767, 1, true},      {0, 480, false},
        {640, -1, false},      {32768, 1, false},
        {16384, 16384, false}, {2147483647, 2147483647, false}};
    for (const auto& [width, height, usable] : cases)
        EXPECT_EQ(stageSizeUsable(width, height), usable) << width << " x " << height;
}

} // namespace
