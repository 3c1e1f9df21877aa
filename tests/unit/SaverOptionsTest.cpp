// cinefold-saver's command line and environment, as XScreenSaver and xsecurelock hand them over.

// GoogleTest first: Xlib defines None as a macro, which GoogleTest uses as a name.
#include <gtest/gtest.h>

#include <vector>

#include "linux/SaverOptions.h"

using namespace cinefold;

// Ids come in decimal or 0x hexadecimal; "010" is ten, not the octal eight.
TEST(SaverOptions, WindowIdsAreDecimalOrHexadecimalWithinTwentyNineBits) {
    const std::pair<const char*, Window> accepted[] = {
        {"31", 31}, {"010", 10}, {"0x1f", 31}, {"0X10", 16}, {"536870911", 0x1FFFFFFF}};
    for (const auto& [text, expected] : accepted) {
        Window window = None;
        EXPECT_TRUE(parseWindowId(text, window)) << text;
        EXPECT_EQ(window, expected) << text;
    }
    for (const char* text : {"", "0", "0x", "-1", "+5", " 5", "12abc", "0x20000000", "0x-1"}) {
        Window window = None;
        EXPECT_FALSE(parseWindowId(text, window)) << text;
    }
}

// An empty XSCREENSAVER_WINDOW, as some launchers leave it, means no window was given.
TEST(SaverOptions, AnUnsetOrEmptyEnvironmentWindowMeansAWindowOfItsOwn) {
    Window window = 7;
    EXPECT_TRUE(windowFromEnvironment(nullptr, window));
    EXPECT_EQ(window, Window(0));
    window = 7;
    EXPECT_TRUE(windowFromEnvironment("", window));
    EXPECT_EQ(window, Window(0));
    EXPECT_TRUE(windowFromEnvironment("0x10", window));
    EXPECT_EQ(window, Window(16));
    EXPECT_FALSE(windowFromEnvironment("junk", window));
}

TEST(SaverOptions, TickCountsThatOverflowAreRefused) {
    for (const auto& [count, valid] : {std::pair{"5", true},
                                       {"9223372036854775807", true},
                                       {"9223372036854775808", false},
                                       {"99999999999999999999", false},
                                       {"-1", false},
                                       {"", false}}) {
        std::vector<const char*> argv = {"cinefold-saver", "--simulate-ticks", count};
        SaverOptions options;
        std::string error;
        EXPECT_EQ(
            parseSaverOptions(int(argv.size()), const_cast<char**>(argv.data()), options, error),
            valid)
            << count;
    }
}
