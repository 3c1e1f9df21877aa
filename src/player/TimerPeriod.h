#pragma once
// How often the animation ticks. The saver starts its timer with this period, and whatever else
// plays or sequences an animation (the cinefold tool's sequence) steps its clock by the same
// amount, so that the tick counts that seed the random branches are the saver's.

#include <cstdint>

namespace cinefold {

// The timer period in milliseconds for a frame period in tenths of a second: 1 when the product
// is 0. A negative frame period gives no usable product either and also ticks every millisecond.
std::uint32_t timerPeriod(std::int32_t framePeriod);

} // namespace cinefold
