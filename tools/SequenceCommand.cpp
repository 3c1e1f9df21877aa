// cinefold sequence FILE --ticks N [--from F] [--clock T0]: currentFrame after each of N ticks.

#include "Commands.h"
#include "Inspection.h"
#include "Report.h"

#include "player/TimerPeriod.h"

#include <cstdint>
#include <cstdio>

namespace cinefold {

int runSequence(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {}, {"--ticks", "--from", "--clock"}, parsed, error))
        return usageError(error);
    if (parsed.positional.size() != 1) return usageError("sequence takes one FILE");
    long long ticks = 0, from = 0, clock = 0;
    const std::string* text = parsed.option("--ticks");
    if (!text) return usageError("sequence needs --ticks N");
    if (!parseInteger(*text, 0, INT32_MAX, ticks))
        return usageError("--ticks takes a count of 0 to 2147483647, not '" + *text + "'");
    if ((text = parsed.option("--from")) && !parseInteger(*text, INT32_MIN, INT32_MAX, from))
        return usageError("--from takes a 32-bit signed frame number, not '" + *text + "'");
    if ((text = parsed.option("--clock")) && !parseInteger(*text, 0, UINT32_MAX, clock))
        return usageError("--clock takes milliseconds from 0 to 4294967295, not '" + *text + "'");

    Inspection inspection;
    inspection.path = parsed.positional[0];
    if (!inspectForCommand(inspection)) return exitBadInput;

    Player& player = inspection.player;
    player.currentFrame = std::int32_t(from);
    std::uint32_t period = timerPeriod(player.framePeriod);
    std::uint32_t now = std::uint32_t(clock);
    for (long long tick = 0; tick < ticks; ++tick, now += period) {
        player.advanceFrame(now);
        std::printf("%d\n", player.currentFrame);
    }
    return exitDone;
}

} // namespace cinefold
