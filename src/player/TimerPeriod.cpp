#include "player/TimerPeriod.h"

namespace cinefold {

std::uint32_t timerPeriod(std::int32_t framePeriod) {
    if (framePeriod <= 0) return 1;
    // A period of more than a day is as good as no tick; the product stays below the timer's
    // largest period.
    std::int64_t period = std::int64_t(framePeriod) * 100;
    return period > 0x7FFFFFFF ? 0x7FFFFFFFu : std::uint32_t(period);
}

} // namespace cinefold
