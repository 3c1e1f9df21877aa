// The arithmetic and text rules behind the settings dialog and the password debounce: tick
// differences across the counter's wrap, where a dialog is centred, and what a stored option
// text means.

#include "host/HostLogic.h"
#include "player/PresentLayout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace cinefold;

struct TickCase {
    std::uint32_t earlier;
    std::uint32_t later;
    std::uint32_t elapsed;
};

class ElapsedTicks : public testing::TestWithParam<TickCase> {};

TEST_P(ElapsedTicks, StaysTheTrueDifferenceAcrossTheWrap) {
    const TickCase& c = GetParam();
    EXPECT_EQ(elapsedTicks(c.earlier, c.later), c.elapsed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ElapsedTicks,
    testing::Values(TickCase{1000, 1199, 199}, TickCase{1000, 1200, 200},
                    TickCase{0xFFFFFF9Cu, 0x00000064u, 200}, // 100 before the wrap, 100 after
                    TickCase{0xFFFFFFFFu, 0x00000000u, 1}, TickCase{0xFFFFFF00u, 0x00000010u, 272},
                    TickCase{0x80000000u, 0x7FFFFFFFu, 0xFFFFFFFFu}, // a whole cycle less one
                    TickCase{12345, 12345, 0}));

// A close 150 ms after a verification that ended just before the counter wrapped still falls
// inside the 200 ms during which closes are refused without asking.
TEST(ElapsedTicks, ShortlyAfterAWrapIsStillInsideTheDebounce) {
    const std::uint32_t endOfCheck = 0xFFFFFFC0u; // 64 ms before the wrap
    const std::uint32_t now = 86;                 // 150 ms after it ended
    EXPECT_LT(elapsedTicks(endOfCheck, now), 200u);
    EXPECT_GE(elapsedTicks(endOfCheck, now + 50), 200u);
}

struct CentreCase {
    std::int32_t screenWidth, screenHeight, width, height;
    std::int32_t x, y;
};

class DialogCentring : public testing::TestWithParam<CentreCase> {};

TEST_P(DialogCentring, MovesToIntegerHalvesTruncatedTowardZero) {
    const CentreCase& c = GetParam();
    EXPECT_EQ(centredOrigin(c.screenWidth, c.width), c.x);
    EXPECT_EQ(centredOrigin(c.screenHeight, c.height), c.y);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DialogCentring,
    testing::Values(CentreCase{1024, 768, 350, 150, 337, 309},
                    CentreCase{1024, 768, 351, 151, 336, 308}, // odd remainders drop their half
                    CentreCase{800, 600, 800, 600, 0, 0},
                    // A dialog larger than the screen: -201 / 2 is -100, not -101.
                    CentreCase{800, 600, 1001, 603, -100, -1}));

struct SettingCase {
    std::string data;
    bool stretch;
};

class StretchSettingText : public testing::TestWithParam<SettingCase> {};

TEST_P(StretchSettingText, OnlyTheFirstCharacterDecides) {
    const SettingCase& c = GetParam();
    EXPECT_EQ(settingMeansStretch(c.data.c_str()), c.stretch) << "data of " << c.data.size();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StretchSettingText,
    testing::Values(SettingCase{"0", false}, SettingCase{"1", true},
                    SettingCase{"01", false},   // only the first character counts
                    SettingCase{"10", true},    //
                    SettingCase{"0...", false}, //
                    SettingCase{"x", true}, SettingCase{" 0", true},
                    SettingCase{std::string(1, '\0'), true}, // a zero byte is not "0"
                    SettingCase{std::string("\0"
                                            "0",
                                            2),
                                true}, //
                    SettingCase{"\xB0", true}));
