#include "host/HostLogic.h"

#include <gtest/gtest.h>

#include <string>

using namespace cinefold;

namespace {

struct NameCase {
    const char* line;
    const char* arguments;
};

class ProgramName : public testing::TestWithParam<NameCase> {};

TEST_P(ProgramName, IsSkippedWithTheBlanksAfterIt) {
    EXPECT_STREQ(skipProgramName(GetParam().line), GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ProgramName,
    testing::Values(NameCase{"cinefold.scr /s", "/s"},
                    NameCase{"C:\\saver\\cinefold.scr   \t/p 12", "/p 12"},
                    NameCase{"\"C:\\Program Files\\x s\\cinefold.scr\" /x", "/x"},
                    NameCase{"\"C:\\a b\\cinefold.scr\"/s", "/s"},
                    // An unterminated quote takes the whole line: configuration.
                    NameCase{"\"C:\\a b\\cinefold.scr /s", ""},
                    NameCase{"cinefold.scr", ""}, NameCase{"", ""},
                    // A line that starts with blanks has an empty program name.
                    NameCase{"  /s", "/s"},
                    // Codes 1 to 32 are blanks; 128 to 255 are ordinary characters.
                    NameCase{"a\x01\x1f/c", "/c"}, NameCase{"\xe9t\xe9 /s", "/s"},
                    NameCase{"x\x7f /s", "/s"}));

TEST(ProgramName, StepsWithTheGivenCharacterStep) {
    // A double-byte character whose second byte is a quote must not end the quoted name.
    static const char line[] = "\"\x81\"b\" /s";
    auto stepPairs = [](const char* at) -> const char* {
        if (static_cast<unsigned char>(*at) == 0x81 && at[1]) return at + 2;
        return *at ? at + 1 : at;
    };
    EXPECT_STREQ(skipProgramName(line, stepPairs), "/s");
    EXPECT_STREQ(skipProgramName(line), "b\" /s");
}

struct ModeCase {
    const char* arguments;
    SaverMode mode;
    const char* handleText; // for preview and password change
};

class Mode : public testing::TestWithParam<ModeCase> {};

TEST_P(Mode, IsDecidedByTheFirstCharacterNotSkipped) {
    ModeRequest request = readMode(GetParam().arguments);
    EXPECT_EQ(request.mode, GetParam().mode);
    if (GetParam().handleText) {
        ASSERT_NE(request.handleText, nullptr);
        EXPECT_STREQ(request.handleText, GetParam().handleText);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Mode,
    testing::Values(ModeCase{"", SaverMode::configure, nullptr},
                    ModeCase{" -/ -", SaverMode::configure, nullptr},
                    ModeCase{"/s", SaverMode::fullScreen, nullptr},
                    ModeCase{"-S", SaverMode::fullScreen, nullptr},
                    ModeCase{" s", SaverMode::fullScreen, nullptr},
                    ModeCase{"s more words", SaverMode::fullScreen, nullptr},
                    ModeCase{"--//s", SaverMode::fullScreen, nullptr},
                    ModeCase{"/p 1234", SaverMode::preview, "1234"},
                    ModeCase{"/P   77 x", SaverMode::preview, "77 x"},
                    ModeCase{"/l 5", SaverMode::preview, "5"},
                    ModeCase{"L5", SaverMode::preview, "5"},
                    ModeCase{"/p:5", SaverMode::preview, ":5"},
                    // Only spaces follow the letter; a tab stops the handle.
                    ModeCase{"/p\t5", SaverMode::preview, "\t5"},
                    ModeCase{"/c", SaverMode::configureOwned, nullptr},
                    ModeCase{"C:1234", SaverMode::configureOwned, nullptr},
                    ModeCase{"/a 99", SaverMode::changePassword, "99"},
                    ModeCase{"A", SaverMode::changePassword, ""},
                    ModeCase{"/x", SaverMode::refused, nullptr},
                    ModeCase{"/?", SaverMode::refused, nullptr},
                    // Blanks other than the space are not skipped.
                    ModeCase{"\t/s", SaverMode::refused, nullptr},
                    ModeCase{"\xd3", SaverMode::refused, nullptr}));

TEST(WindowHandle, ReadsDecimalDigitsAndStopsAtAnythingElse) {
    struct {
        const char* text;
        std::uint32_t value;
    } cases[] = {
        {"", 0},
        {"abc", 0},
        {":1234", 0},
        {"-5", 0},
        {"0x10", 0},
        {"0", 0},
        {"1234", 1234},
        {"00042 7", 42},
        {"65538abc", 65538},
        {"4294967295", 4294967295u},
        // Wraps at 2^32: 4294967296 is 0, 4294967297 is 1.
        {"4294967296", 0},
        {"4294967297", 1},
        {"99999999999", std::uint32_t(99999999999ull)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseWindowHandle(c.text), c.value) << "\"" << c.text << "\"";
}

TEST(MouseTravel, ClosesOnlyBeyondFourPixelsAndAddsUpFromTheRecordedPosition) {
    // 3 right, then 2 down: travel 5 closes.
    EXPECT_LE(mouseTravel(100, 100, 103, 100), moveThreshold);
    EXPECT_GT(mouseTravel(100, 100, 103, 102), moveThreshold);
    // 2 right and 2 down: travel 4 does not.
    EXPECT_EQ(mouseTravel(100, 100, 102, 102), 4u);
    EXPECT_LE(mouseTravel(100, 100, 102, 102), moveThreshold);
    // Moves back and forth are measured from the recorded position, not summed.
    EXPECT_EQ(mouseTravel(100, 100, 98, 99), 3u);
    EXPECT_EQ(mouseTravel(100, 100, 100, 100), 0u);
    EXPECT_EQ(mouseTravel(-5, 10, 5, -10), 30u);
    // Screen coordinates at the ends of the range do not overflow the difference.
    EXPECT_EQ(mouseTravel(-2147483647 - 1, 0, 2147483647, 0), 4294967295u);
}

TEST(ElapsedTicks, StaysRightAcrossTheWrapOfTheTickCounter) {
    EXPECT_EQ(elapsedTicks(1000, 1150), 150u);
    EXPECT_EQ(elapsedTicks(0xFFFFFF9C, 0x00000064), 200u);
    EXPECT_EQ(elapsedTicks(0xFFFFFFFF, 0), 1u);
}

TEST(TimerPeriod, IsTenthsOfASecondOrOneMillisecond) {
    EXPECT_EQ(timerPeriod(0), 1u);
    EXPECT_EQ(timerPeriod(1), 100u);
    EXPECT_EQ(timerPeriod(5), 500u);
    EXPECT_EQ(timerPeriod(-3), 1u);
    // A product beyond the timer's range is the longest period, not a wrapped short one.
    EXPECT_EQ(timerPeriod(50000000), 0x7FFFFFFFu);
    EXPECT_EQ(timerPeriod(2147483647), 0x7FFFFFFFu);
}

TEST(StretchSetting, OnlyALeadingZeroMeansOff) {
    EXPECT_FALSE(settingMeansStretch("0"));
    EXPECT_FALSE(settingMeansStretch("0123"));
    EXPECT_TRUE(settingMeansStretch("1"));
    EXPECT_TRUE(settingMeansStretch("x"));
    EXPECT_TRUE(settingMeansStretch(" 0"));
    EXPECT_TRUE(settingMeansStretch(""));
}

} // namespace
