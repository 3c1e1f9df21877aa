#include "timeline/Interpolation.h"

#include "base/Arithmetic32.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

// The curve's results depend on every float and double being rounded to its own precision at
// each step. x87 arithmetic keeps excess precision in registers and would move sprites by a
// pixel now and then, so every build evaluates floating point in SSE registers (the 32-bit
// Windows build is compiled with -msse2 -mfpmath=sse).
static_assert(FLT_EVAL_METHOD == 0,
              "the curve needs float and double evaluated at their own precision");

namespace cinefold {

namespace {

std::int32_t linearField(std::int32_t a, std::int32_t b, std::int32_t steps, std::int32_t t) {
    std::int32_t q = div32(sub32(mul32(b, 100), mul32(a, 100)), steps);
    return div32(add32(mul32(a, 100), mul32(q, t)), 100);
}

// Width and height move linearly in the curve too.
void interpolateSize(KeyRecord& out, const KeyRecord& a, const KeyRecord& b, std::int32_t frame) {
    std::int32_t steps = add32(sub32(b.frame, a.frame), 1);
    std::int32_t t = sub32(frame, a.frame);
    out.width = linearField(a.width, b.width, steps, t);
    out.height = linearField(a.height, b.height, steps, t);
}

KeyRecord startFrom(const KeyRecord& a, std::int32_t frame) {
    KeyRecord out = a;
    out.interpolated = 1;
    out.frame = frame;
    out.next = 0;
    return out;
}

// p x (x - xj), rounded once to single precision from its exact value.
//
// The exact product is p*x - p*xj, and each of those two products of floats is exact in double
// (24 + 24 bits). Their difference is not always exact in double (a small x against a large xj
// needs more than 53 bits), so it is taken as an exact pair s + e (Knuth's two-sum) and s is
// rounded to odd: moved to its odd neighbour toward e when e is not zero and s is even. Rounding
// that to single then gives the single-precision rounding of s + e itself, because double has
// more than two bits beyond single's 24; rounding s + e to double and then to single could
// instead land on a tie between two floats that the exact value does not sit on.
float roundedProduct(float p, float x, float xj) {
    double a = double(p) * double(x);
    double c = -(double(p) * double(xj));
    double s = a + c;
    double cPart = s - a;
    double e = (a - (s - cPart)) + (c - cPart);
    // The bits of s through memcpy: the web build's C++ library has no std::bit_cast.
    std::uint64_t bits;
    std::memcpy(&bits, &s, sizeof bits);
    if (e != 0.0 && (bits & 1u) == 0)
        s = std::nextafter(s, e > 0.0 ? HUGE_VAL : -HUGE_VAL);
    return float(s);
}

} // namespace

KeyRecord interpolateLinear(const KeyRecord& a, const KeyRecord& b, std::int32_t frame) {
    KeyRecord out = startFrom(a, frame);
    std::int32_t steps = add32(sub32(b.frame, a.frame), 1);
    std::int32_t t = sub32(frame, a.frame);
    out.centerX = linearField(a.centerX, b.centerX, steps, t);
    out.centerY = linearField(a.centerY, b.centerY, steps, t);
    interpolateSize(out, a, b, frame);
    return out;
}

KeyRecord interpolateCurve(std::span<const KeyRecord> keys, std::size_t a, std::int32_t frame) {
    const KeyRecord& keyA = keys[a];
    const KeyRecord& keyB = keys[a + 1];

    // Up to three curve keys before A, then A and B; after B up to two more: C when B is a
    // curve key, and D after C only when C is a curve key and D is not.
    std::size_t first = a;
    int m = 0;
    while (m < 3 && first > 0 && keys[first - 1].interpolation == interpolationCurve) {
        --first;
        ++m;
    }
    std::size_t last = a + 1;
    if (keyB.interpolation == interpolationCurve && last + 1 < keys.size()) {
        ++last;
        if (keys[last].interpolation == interpolationCurve && last + 1 < keys.size() &&
            keys[last + 1].interpolation != interpolationCurve)
            ++last;
    }

    CentrePoint points[7];
    float abscissae[7];
    int count = 0;
    for (std::size_t k = first; k <= last; ++k, ++count) {
        points[count] = {keys[k].centerX, keys[k].centerY};
        abscissae[count] = float(count);
    }

    // Both differences are exact in double (key frames are never negative). Their quotient,
    // rounded to double and then to single, is the single rounding of the exact quotient
    // whenever the two keys are fewer than 2^29 frames apart: such a quotient is never within
    // half a double unit of a tie between two floats without sitting on it.
    float u =
        float((double(frame) - double(keyA.frame)) / (double(keyB.frame) - double(keyA.frame)));
    float x = float(m) + u;

    KeyRecord out = startFrom(keyA, frame);
    CentrePoint centre = lagrangeCentre(points, abscissae, count, x);
    out.centerX = centre.x;
    out.centerY = centre.y;
    interpolateSize(out, keyA, keyB, frame);
    return out;
}

CentrePoint lagrangeCentre(const CentrePoint* points, const float* abscissae, int count, float x) {
    double sumX = 0.0;
    double sumY = 0.0;
    for (int i = 0; i < count; ++i) {
        // The numerator is held in single precision and rounded after every factor, the first
        // one included; the factors themselves are not rounded before they are multiplied.
        float numerator = 1.0f;
        double denominator = 1.0;
        for (int j = 0; j < count; ++j) {
            if (j == i) continue;
            numerator = roundedProduct(numerator, x, abscissae[j]);
            denominator *= double(abscissae[i]) - double(abscissae[j]);
        }
        double weight = double(numerator) / denominator;
        sumX += weight * double(points[i].x);
        sumY += weight * double(points[i].y);
    }
    return {truncateToInt32(sumX), truncateToInt32(double(float(sumY)))};
}

} // namespace cinefold
