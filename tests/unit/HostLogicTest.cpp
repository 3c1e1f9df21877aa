// The host's text and arithmetic rules where the whole saver under Wine cannot reach them: odd
// blanks and characters in the command line, handle numbers past 2^32, coordinates at the ends
// of their range, and timer periods past the timer's limit.

#include "player/HostLogic.h"
#include "player/TimerPeriod.h"

#include <gtest/gtest.h>

using namespace cinefold;

namespace {

TEST(ProgramName, IsSkippedWithTheBlanksAfterIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\saver\\cinefold.scr   \t/p 12", "/p 12"},
        {"\"C:\\a b\\cinefold.scr\"/s", "/s"},
        {"cinefold.scr", ""},
        {"", ""},
        // A line that starts with blanks has an empty program name.
        {"  /s", "/s"},
        // Codes 1 to 32 are blanks; 127 to 255 are ordinary characters.
        {"a\x01\x1f/c", "/c"},
        {"\xe9t\xe9 /s", "/s"},
        {"x\x7f /s", "/s"}};
    for (const auto& [line, arguments] : cases)
        EXPECT_STREQ(skipProgramName(line), arguments) << line;
}

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

// The command lines that the modes test of the real saver does not start.
TEST(Mode, IsDecidedByTheFirstCharacterNotSkipped) {
    const struct {
        const char* arguments;
        SaverMode mode;
        const char* handleText;
    } cases[] = {{"--//s", SaverMode::fullScreen, nullptr},
                 {"/P   77 x", SaverMode::preview, "77 x"},
                 {"L5", SaverMode::preview, "5"},
                 // Only spaces follow the letter; a tab stops the handle.
                 {"/p\t5", SaverMode::preview, "\t5"},
                 {"C:1234", SaverMode::configureOwned, nullptr},
                 {"A", SaverMode::changePassword, ""},
                 {"\xd3", SaverMode::refused, nullptr}};
    for (const auto& c : cases) {
        const ModeRequest request = readMode(c.arguments);
        EXPECT_EQ(request.mode, c.mode) << c.arguments;
        if (c.handleText) {
            EXPECT_STREQ(request.handleText, c.handleText) << c.arguments;
        }
    }
}

TEST(WindowHandle, ReadsDecimalDigitsWrappingAt2To32AndStopsAtAnythingElse) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"", 0},
        {":1234", 0},
        {"-5", 0},
        {"0x10", 0},
        {"00042 7", 42},
        {"65538abc", 65538},
        {"4294967295", 4294967295u},
        {"4294967296", 0},
        {"4294967297", 1},
        {"99999999999", std::uint32_t(99999999999ull)}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(parseWindowHandle(text), value) << "\"" << text << "\"";
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
