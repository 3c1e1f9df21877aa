// The host's text and arithmetic rules where the whole saver under Wine cannot reach them: odd
// blanks and characters in the command line, handle numbers past 2^32, coordinates at the ends
// of their range, and timer periods past the timer's limit.

#include "host/HostLogic.h"
#include "player/TimerPeriod.h"

#include <gtest/gtest.h>

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
    testing::Values(NameCase{"C:\\saver\\cinefold.scr   \t/p 12", "/p 12"},
                    NameCase{"\"C:\\a b\\cinefold.scr\"/s", "/s"}, NameCase{"cinefold.scr", ""},
                    NameCase{"", ""},
                    // A line that starts with blanks has an empty program name.
                    NameCase{"  /s", "/s"},
                    // Codes 1 to 32 are blanks; 127 to 255 are ordinary characters.
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
    const char* handleText;
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

// The command lines that the modes test of the real saver does not start.
INSTANTIATE_TEST_SUITE_P(Texts, Mode,
                         testing::Values(ModeCase{"--//s", SaverMode::fullScreen, nullptr},
                                         ModeCase{"/P   77 x", SaverMode::preview, "77 x"},
                                         ModeCase{"L5", SaverMode::preview, "5"},
                                         // Only spaces follow the letter; a tab stops the handle.
                                         ModeCase{"/p\t5", SaverMode::preview, "\t5"},
                                         ModeCase{"C:1234", SaverMode::configureOwned, nullptr},
                                         ModeCase{"A", SaverMode::changePassword, ""},
                                         ModeCase{"\xd3", SaverMode::refused, nullptr}));

TEST(WindowHandle, ReadsDecimalDigitsWrappingAt2To32AndStopsAtAnythingElse) {
    struct {
        const char* text;
        std::uint32_t value;
    } cases[] = {
        {"", 0},
        {":1234", 0},
        {"-5", 0},
        {"0x10", 0},
        {"00042 7", 42},
        {"65538abc", 65538},
        {"4294967295", 4294967295u},
        {"4294967296", 0},
        {"4294967297", 1},
        {"99999999999", std::uint32_t(99999999999ull)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseWindowHandle(c.text), c.value) << "\"" << c.text << "\"";
}

TEST(MouseTravel, CoordinatesAtTheEndsOfTheRangeDoNotOverflowTheDifference) {
    EXPECT_EQ(mouseTravel(-2147483647 - 1, 0, 2147483647, 0), 4294967295u);
}

TEST(TimerPeriod, IsTenthsOfASecondOrOneMillisecondAndNeverWraps) {
    const std::pair<std::int32_t, std::uint32_t> cases[] = {
        {0, 1}, {-3, 1}, {1, 100}, {5, 500}, {50000000, 0x7FFFFFFF}, {2147483647, 0x7FFFFFFF}};
    for (const auto& [framePeriod, period] : cases)
        EXPECT_EQ(timerPeriod(framePeriod), period) << framePeriod;
}

} // namespace
