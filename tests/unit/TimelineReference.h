#pragma once
// A plain reference of the timeline for the tests: keys in a doubly linked list walked from the
// first key, every frame of a cel run stepped back one at a time, the Lagrange weights written
// out as the product formula. It shares no code with the timeline it checks, and is built
// into the native tests and into the Windows test program alike.

#include <cstdint>
#include <list>
#include <vector>

namespace cinefold::reference {

struct Key {
    std::int32_t image = 0, group = 0, centerX = 0, centerY = 0, width = 0, height = 0, flip = 0,
                 interpolation = 0, interpolated = 0, frame = 0;
    bool operator==(const Key&) const = default;
};

using Keys = std::list<Key>;

// Sorted insert by walking from the first key; the later of two keys on one frame wins.
inline void insert(Keys& keys, Key k) {
    k.interpolated = 0;
    for (auto it = keys.begin(); it != keys.end(); ++it) {
        if (it->frame == k.frame) {
            *it = k;
            return;
        }
        if (it->frame > k.frame) {
            keys.insert(it, k);
            return;
        }
    }
    keys.push_back(k);
}

inline std::int32_t wrap(std::int64_t v) {
    return std::int32_t(std::uint32_t(std::uint64_t(v)));
}

inline std::int32_t linear(std::int32_t a, std::int32_t b, std::int32_t n, std::int32_t t) {
    std::int32_t q = wrap(std::int64_t(b) * 100 - std::int64_t(a) * 100) / n;
    return wrap(std::int64_t(a) * 100 + std::int64_t(q) * t) / 100;
}

struct Point {
    std::int32_t x = 0, y = 0;
};

// Truncation toward zero; the smallest value for a sum with no 32-bit result.
inline std::int32_t toInt32(double v) {
    return v > -2147483649.0 && v < 2147483648.0 ? std::int32_t(v) : std::int32_t(-2147483647 - 1);
}

// The Lagrange polynomial through points at abscissae 0, 1, 2, ..., evaluated at x.
inline Point lagrange(const std::vector<Point>& points, float x) {
    double sx = 0, sy = 0;
    int count = int(points.size());
    for (int i = 0; i < count; ++i) {
        // The numerator in quadruple precision, where x - j and its product with a float are
        // exact (at most 57 and 81 bits for the evaluation points a track produces), rounded to
        // single after each factor: one rounding of the exact product, the factor itself never
        // rounded.
        float p = 1;
        double q = 1;
        for (int j = 0; j < count; ++j) {
            if (i == j) continue;
            __float128 factor = __float128(x) - __float128(j);
            p = float(__float128(p) * factor);
            q = q * double(i - j);
        }
        sx = sx + double(p) / q * points[std::size_t(i)].x;
        sy = sy + double(p) / q * points[std::size_t(i)].y;
    }
    return {toInt32(sx), toInt32(double(float(sy)))};
}

inline Key between(const Keys& keys, Keys::const_iterator a, std::int32_t f) {
    Keys::const_iterator b = std::next(a);
    Key out = *a;
    out.interpolated = 1;
    out.frame = f;
    std::int32_t n = wrap(std::int64_t(b->frame) - a->frame + 1), t = f - a->frame;
    out.width = linear(a->width, b->width, n, t);
    out.height = linear(a->height, b->height, n, t);
    if (a->interpolation == 1) {
        out.centerX = linear(a->centerX, b->centerX, n, t);
        out.centerY = linear(a->centerY, b->centerY, n, t);
        return out;
    }
    // The curve's points: back over up to three curve keys, then forward to B and beyond.
    std::vector<Point> points;
    auto s = a;
    int m = 0;
    while (m < 3 && s != keys.begin() && std::prev(s)->interpolation == 2) {
        --s;
        ++m;
    }
    for (auto it = s; it != b; ++it)
        points.push_back({it->centerX, it->centerY});
    points.push_back({b->centerX, b->centerY});
    auto c = std::next(b);
    if (b->interpolation == 2 && c != keys.end()) {
        points.push_back({c->centerX, c->centerY});
        auto d = std::next(c);
        if (c->interpolation == 2 && d != keys.end() && d->interpolation != 2)
            points.push_back({d->centerX, d->centerY});
    }
    // The parameter rounded once from the exact quotient.
    float u = float(__float128(t) / __float128(std::int64_t(b->frame) - a->frame));
    float x = float(m) + u;
    Point centre = lagrange(points, x);
    out.centerX = centre.x;
    out.centerY = centre.y;
    return out;
}

// The walk from the first key.
inline Key evaluate(const Keys& keys, std::int32_t f) {
    for (auto it = keys.begin(); it != keys.end(); ++it) {
        if (it->frame == f) return *it;
        auto next = std::next(it);
        if (next == keys.end()) return {};
        if (it->frame < f && f < next->frame)
            return it->interpolation == 1 || it->interpolation == 2 ? between(keys, it, f) : Key{};
    }
    return {};
}

// One frame back at a time.
inline std::int32_t runStart(const Keys& keys, std::int32_t f) {
    std::int32_t g = evaluate(keys, f).group;
    std::int32_t b = f;
    for (;;) {
        Key before = evaluate(keys, b - 1);
        if (before.interpolation == 0 || before.group != g) return b;
        --b;
    }
}

struct Cel {
    std::int32_t image, start, width, height;
};

// The cel in force for group cels at frame f; -1 when none.
inline int celIndex(const std::vector<Cel>& cels, const Keys& keys, std::int32_t f) {
    if (cels.empty()) return -1;
    std::int32_t e = f - runStart(keys, f);
    std::int32_t r = e % (cels.back().start + 1);
    int found = -1;
    for (int i = 0; i < int(cels.size()); ++i)
        if (cels[std::size_t(i)].start <= r) found = i;
    return found;
}

} // namespace cinefold::reference
