#pragma once
// The records a track shows between two keys. Linear interpolation works in integer hundredths;
// the curve runs a Lagrange polynomial through a few neighbouring keys, with single and double
// precision used exactly where the saver uses them, because the rounding decides which pixel a
// sprite lands on.

#include "timeline/KeyRecord.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace cinefold {

struct CentrePoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const CentrePoint&, const CentrePoint&) = default;
};

// The record between keys a and b (a.frame < frame < b.frame): a copy of a with the centre and
// size moved on in hundredths over N = b.frame - a.frame + 1 frames, interpolated 1, frame set
// and no next key.
KeyRecord interpolateLinear(const KeyRecord& a, const KeyRecord& b, std::int32_t frame);

// The same for a curve key: keys[a] and keys[a + 1] bracket the frame, and the centre follows
// the polynomial through up to three curve keys before keys[a] and up to two keys after
// keys[a + 1]. The size moves linearly.
KeyRecord interpolateCurve(std::span<const KeyRecord> keys, std::size_t a, std::int32_t frame);

// The polynomial through `count` points (1..7) with the given abscissae, at x. Each weight's
// numerator is held in single precision and rounded after every factor, once, from the exact
// product (the factors x - x_j are not rounded on their own); denominators, weights and sums are
// double. centerX truncates the double sum; centerY is rounded to single first.
CentrePoint lagrangeCentre(const CentrePoint* points, const float* abscissae, int count, float x);

} // namespace cinefold
