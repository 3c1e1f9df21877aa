#include "render/StretchMapping.h"

#include <algorithm>
#include <utility>

namespace cinefold {

namespace {

using Int = std::int64_t;
using Wide = std::uint64_t;

// A half-open range of coordinates along one axis.
struct Span {
    Int begin = 0;
    Int end = 0;
    bool empty() const { return begin >= end; }
};

Span intersect(Span a, Span b) {
    return {std::max(a.begin, b.begin), std::min(a.end, b.end)};
}

// The pixels an origin and a signed extent cover.
Span covered(Int origin, Int extent) {
    return extent >= 0 ? Span{origin, origin + extent} : Span{origin + extent + 1, origin + 1};
}

// Steps from an origin, in the direction given by the sign of step, that stay inside span.
Span stepsWithin(Int origin, int step, Span span) {
    return step > 0 ? Span{span.begin - origin, span.end - origin}
                    : Span{origin - span.end + 1, origin - span.begin + 1};
}

// Division rounding up, for a non-negative numerator and a positive denominator.
Wide divideUp(Wide numerator, Wide denominator) {
    return (numerator + denominator - 1) / denominator;
}

// One axis while it is being planned. Every value fits in 64 bits with room to spare: the
// visible spans lie inside the rectangles, so their offsets from the origins are at most an
// extent (2^31) and their products with the other extent at most 2^62.
struct AxisState {
    Int dst = 0;
    Int dstExtent = 0;
    Int src = 0;
    Int srcExtent = 0;
    Span dstVisible;
    Span srcVisible;
};

AxisState visibleParts(const StretchAxis& axis) {
    AxisState state;
    state.dst = axis.dstOrigin;
    state.dstExtent = axis.dstExtent;
    state.src = axis.srcOrigin;
    state.srcExtent = axis.srcExtent;
    state.dstVisible = intersect(covered(state.dst, state.dstExtent), {0, axis.dstSize});
    state.srcVisible = intersect(covered(state.src, state.srcExtent), {0, axis.srcSize});
    return state;
}

// Equal extents: the visible parts are overlaid one to one. False when they do not meet.
bool overlay(AxisState& axis) {
    Int shift = axis.dst - axis.src;
    Span both =
        intersect(axis.dstVisible, {axis.srcVisible.begin + shift, axis.srcVisible.end + shift});
    axis.dstVisible = both;
    axis.srcVisible = {both.begin - shift, both.end - shift};
    return !both.empty();
}

// Different extents: each visible part is mapped into the other rectangle with truncating
// division and a pixel of slack each side, and cut down to what the other can reach. A mirrored
// source rectangle that sticks out of its bitmap is not mirrored in the destination: the
// destination origin moves so that the visible source lands where it would without mirroring.
// The tests of "sticks out" are Windows' own, one of them a pixel short on the far side. False
// when nothing is left.
bool narrow(AxisState& axis) {
    Int srcBack = axis.srcExtent < 0 ? 1 : 0;
    Int low = (axis.srcVisible.begin - axis.src - srcBack) * axis.dstExtent / axis.srcExtent;
    Int high = (axis.srcVisible.end - axis.src - srcBack) * axis.dstExtent / axis.srcExtent;
    if (low > high) std::swap(low, high);
    if (axis.srcExtent < 0 && axis.dstExtent > 0 &&
        (axis.src + axis.srcExtent + 1 < axis.srcVisible.begin || axis.src > axis.srcVisible.end))
        axis.dst += (axis.dstExtent - high) - low;
    else if (axis.srcExtent > 0 && axis.dstExtent < 0 &&
             (axis.src < axis.srcVisible.begin || axis.src + axis.srcExtent > axis.srcVisible.end))
        axis.dst -= high - (axis.dstExtent - low);
    axis.dstVisible = intersect(axis.dstVisible, {axis.dst + low - 1, axis.dst + high + 1});
    if (axis.dstVisible.empty()) return false;

    Int dstBack = axis.dstExtent < 0 ? 1 : 0;
    Int back =
        axis.src + (axis.dstVisible.begin - axis.dst - dstBack) * axis.srcExtent / axis.dstExtent;
    Int front =
        axis.src + (axis.dstVisible.end - axis.dst - dstBack) * axis.srcExtent / axis.dstExtent;
    if (back > front) std::swap(back, front);
    axis.srcVisible = intersect(axis.srcVisible, {back - 1, front + 1});
    return !axis.srcVisible.empty();
}

// A one-to-one copy of the destination's visible part from the source's visible part, origin to
// origin. The two are aligned unless the +1 rule made the extents equal after narrowing; then
// they can be a pixel apart, and GDI copies on past the source's visible part, beyond the
// bitmap if need be. Only what lies inside the bitmap can be drawn here.
void mapCopy(const AxisState& axis, Int srcSize, AxisMap& map) {
    Int shift = axis.srcVisible.begin - axis.dstVisible.begin;
    Span drawn = intersect(axis.dstVisible, {-shift, srcSize - shift});
    map.sources.clear();
    if (drawn.empty()) return;
    map.first = std::int32_t(drawn.begin);
    for (Int d = drawn.begin; d < drawn.end; ++d)
        map.sources.push_back(std::int32_t(d + shift));
}

// The Bresenham line of one axis, limited to the steps whose source and destination pixels are
// both visible. False when no step is.
bool mapLine(const AxisState& axis, bool lastWins, AxisMap& map) {
    const Wide S = Wide(axis.srcExtent < 0 ? -axis.srcExtent : axis.srcExtent);
    const Wide D = Wide(axis.dstExtent < 0 ? -axis.dstExtent : axis.dstExtent);
    const int srcStep = axis.srcExtent < 0 ? -1 : 1;
    const int dstStep = axis.dstExtent < 0 ? -1 : 1;
    Span srcSteps = intersect(stepsWithin(axis.src, srcStep, axis.srcVisible), {0, Int(S)});
    Span dstSteps = intersect(stepsWithin(axis.dst, dstStep, axis.dstVisible), {0, Int(D)});
    if (srcSteps.empty() || dstSteps.empty()) return false;

    map.sources.clear();
    auto put = [&](Int srcStepIndex) {
        map.sources.push_back(std::int32_t(axis.src + srcStep * srcStepIndex));
    };
    Int firstDrawn = 0; // destination step of map.sources[0]
    Int lastDrawn = 0;
    if (D >= S) {
        // Destination steps walk; step j shows source step ((2j + 1) S - 1) / (2D).
        auto sourceOf = [&](Wide j) { return Int(((2 * j + 1) * S - 1) / (2 * D)); };
        // The first destination step whose source step is i or more.
        auto firstShowing = [&](Int i) {
            return i <= 0 ? Int(0) : Int(divideUp(2 * D * Wide(i) - S + 1, 2 * S));
        };
        Int begin = std::max(dstSteps.begin, firstShowing(srcSteps.begin));
        Int end = std::min(dstSteps.end, firstShowing(srcSteps.end));
        if (begin >= end) return false;
        for (Int j = begin; j < end; ++j)
            put(sourceOf(Wide(j)));
        firstDrawn = begin;
        lastDrawn = end - 1;
    } else {
        // Source steps walk; step i lands on destination step ((2i + 1) D - 1) / (2S).
        auto landing = [&](Wide i) { return Int(((2 * i + 1) * D - 1) / (2 * S)); };
        // The first source step that lands on destination step j or beyond.
        auto firstLanding = [&](Int j) {
            return j <= 0 ? Int(0) : Int(divideUp(2 * S * Wide(j) - D + 1, 2 * D));
        };
        Int begin = std::max(srcSteps.begin, firstLanding(dstSteps.begin));
        Int end = std::min(srcSteps.end, firstLanding(dstSteps.end));
        if (begin >= end) return false;
        firstDrawn = landing(Wide(begin));
        lastDrawn = landing(Wide(end - 1));
        for (Int j = firstDrawn; j <= lastDrawn; ++j) {
            Int i = lastWins ? std::min(end, firstLanding(j + 1)) - 1
                             : std::max(begin, firstLanding(j));
            put(i);
        }
    }
    // The table runs in ascending destination coordinates; a mirrored destination walks down.
    if (dstStep > 0) {
        map.first = std::int32_t(axis.dst + firstDrawn);
    } else {
        map.first = std::int32_t(axis.dst - lastDrawn);
        std::reverse(map.sources.begin(), map.sources.end());
    }
    return true;
}

} // namespace

void planStretch(const StretchAxis& x, const StretchAxis& y, StretchPlan& plan) {
    plan.columns.sources.clear();
    plan.rows.sources.clear();
    plan.result = StretchResult::nothing;

    AxisState across = visibleParts(x);
    AxisState down = visibleParts(y);
    if (across.srcVisible.empty() || down.srcVisible.empty() || across.dstVisible.empty() ||
        down.dstVisible.empty())
        return;
    if (x.srcExtent == x.dstExtent && y.srcExtent == y.dstExtent) {
        if (!overlay(across) || !overlay(down)) return;
    } else if (!narrow(across) || !narrow(down)) {
        return;
    }

    // A destination one pixel wide (or high, with a positive extent) takes one source pixel
    // less; this comes after the narrowing above, which saw the extents as given.
    if (across.dstExtent == 1 && across.srcExtent > 1) --across.srcExtent;
    if (down.dstExtent == 1 && down.srcExtent > 1) --down.srcExtent;

    if (across.srcExtent == across.dstExtent && down.srcExtent == down.dstExtent) {
        mapCopy(across, x.srcSize, plan.columns);
        mapCopy(down, y.srcSize, plan.rows);
        if (!plan.columns.sources.empty() && !plan.rows.sources.empty())
            plan.result = StretchResult::drawn;
        return;
    }
    if (!mapLine(down, false, plan.rows) || !mapLine(across, true, plan.columns)) {
        plan.columns.sources.clear();
        plan.rows.sources.clear();
        plan.result = StretchResult::failed;
        return;
    }
    plan.result = StretchResult::drawn;
}

namespace {

// Keeps the part of one axis's map that lies in first .. end - 1; false when nothing is left.
bool clipAxis(AxisMap& map, std::int32_t first, std::int32_t end) {
    const Int from = std::max<Int>(first, map.first);
    const Int to = std::min<Int>(end, Int(map.first) + Int(map.sources.size()));
    if (from >= to) return false;
    map.sources.resize(std::size_t(to - map.first));
    map.sources.erase(map.sources.begin(), map.sources.begin() + std::ptrdiff_t(from - map.first));
    map.first = std::int32_t(from);
    return true;
}

} // namespace

void clipPlan(StretchPlan& plan, const Rect& clip) {
    if (plan.result != StretchResult::drawn) return;
    if (!clipAxis(plan.columns, clip.left, clip.right) ||
        !clipAxis(plan.rows, clip.top, clip.bottom))
        plan.result = StretchResult::nothing;
}

} // namespace cinefold
