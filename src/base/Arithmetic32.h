#pragma once
// The timeline's integer arithmetic is 32-bit signed with division truncating toward zero, as
// the saver computes positions and sizes. Fields come straight from the container, so products
// and sums may leave the 32-bit range; these helpers wrap modulo 2^32 instead of invoking
// undefined behaviour, and a division that has no 32-bit result (by zero, or the smallest value
// by -1) yields a defined value instead of trapping.

#include <cstdint>

namespace cinefold {

inline std::int32_t add32(std::int32_t a, std::int32_t b) {
    return std::int32_t(std::uint32_t(a) + std::uint32_t(b));
}
inline std::int32_t sub32(std::int32_t a, std::int32_t b) {
    return std::int32_t(std::uint32_t(a) - std::uint32_t(b));
}
inline std::int32_t mul32(std::int32_t a, std::int32_t b) {
    return std::int32_t(std::uint32_t(a) * std::uint32_t(b));
}
// Division by zero yields 0; INT32_MIN / -1 wraps to INT32_MIN.
inline std::int32_t div32(std::int32_t a, std::int32_t b) {
    if (b == 0) return 0;
    if (b == -1) return sub32(0, a);
    return a / b;
}

// Truncates toward zero. Values with no 32-bit result (NaN, out of range) give INT32_MIN, the
// value the x86 conversion instructions produce for them.
inline std::int32_t truncateToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return std::int32_t(value);
}

} // namespace cinefold
