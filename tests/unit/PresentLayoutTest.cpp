// Where the stage lands, for the screens and stages that the screenshot tests under Wine do not
// show: a 640 x 480 screen, odd and negative differences, stages far larger than the screen.

#include "player/PresentLayout.h"

#include <gtest/gtest.h>

using namespace cinefold;

namespace {

struct LayoutCase {
    const char* name;
    std::int32_t client, screenWidth, screenHeight, stageWidth, stageHeight;
    bool stretch;
    PresentKind kind;
    std::int32_t x, y, width, height;
};

class Present : public testing::TestWithParam<LayoutCase> {};

TEST_P(Present, PutsTheStageWhereTheScreenShowsIt) {
    const LayoutCase& c = GetParam();
    PresentLayout layout = presentLayout(c.client, c.screenWidth, c.screenHeight, c.stageWidth,
                                         c.stageHeight, c.stretch);
    EXPECT_EQ(layout.kind, c.kind);
    EXPECT_EQ(layout.x, c.x);
    EXPECT_EQ(layout.y, c.y);
    EXPECT_EQ(layout.width, c.width);
    EXPECT_EQ(layout.height, c.height);
}

constexpr auto centred = PresentKind::centred;
constexpr auto stretched = PresentKind::stretched;
constexpr auto nothing = PresentKind::nothing;

INSTANTIATE_TEST_SUITE_P(
    Screens, Present,
    testing::Values(
        LayoutCase{"s300on640", 640, 640, 480, 300, 200, true, stretched, 5, 30, 630, 420},
        LayoutCase{"c300on640", 640, 640, 480, 300, 200, false, centred, 170, 140, 300, 200},
        // A stage larger than the screen shows its centre, or shrinks when stretched.
        LayoutCase{"c800on640", 640, 640, 480, 800, 600, false, centred, -80, -60, 800, 600},
        LayoutCase{"s800on640", 640, 640, 480, 800, 600, true, stretched, 0, 0, 640, 480},
        // An odd difference truncates toward zero, also when it is negative.
        LayoutCase{"c801on640", 640, 640, 480, 801, 481, false, centred, -80, 0, 801, 481},
        // A stage more than ten times the screen scales to nothing rather than dividing by it.
        LayoutCase{"s20000", 1024, 1024, 768, 20000, 20, true, stretched, 512, 384, 0, 0},
        // Sizes no bitmap is made for: nothing is presented, whatever the option.
        LayoutCase{"huge", 1024, 1024, 768, 30000, 30000, false, nothing, 0, 0, 0, 0},
        LayoutCase{"negativePreview", 152, 1024, 768, -300, 200, false, nothing, 0, 0, 0, 0}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

TEST(StageSize, UsableSizesArePositiveAndBounded) {
    EXPECT_TRUE(stageSizeUsable(1, 1));
    EXPECT_TRUE(stageSizeUsable(4096, 4096));
    EXPECT_TRUE(stageSizeUsable(32767, 1));
    EXPECT_FALSE(stageSizeUsable(0, 480));
    EXPECT_FALSE(stageSizeUsable(640, -1));
    EXPECT_FALSE(stageSizeUsable(32768, 1));
    EXPECT_FALSE(stageSizeUsable(16384, 16384));
    EXPECT_FALSE(stageSizeUsable(2147483647, 2147483647));
}

} // namespace
