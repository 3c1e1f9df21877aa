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

inline Key between(const Keys& keys, Keys::const_iterator a, std::int32_t f) {
    Keys::const_iterator b = std::next(a);
    Key out = *a;
    out.interpolated = 1;
    out.frame = f;
    std::int32_t n = b->frame - a->frame + 1, t = f - a->frame;
    out.width = linear(a->width, b->width, n, t);
    out.height = linear(a->height, b->height, n, t);
    if (a->interpolation == 1) {
        out.centerX = linear(a->centerX, b->centerX, n, t);
        out.centerY = linear(a->centerY, b->centerY, n, t);
        return out;
    }
    // The curve's points: back over up to three curve keys, then forward to B and beyond.
    std::vector<Key> points;
    auto s = a;
    int m = 0;
    while (m < 3 && s != keys.begin() && std::prev(s)->interpolation == 2) {
        --s;
        ++m;
    }
    for (auto it = s; it != b; ++it)
        points.push_back(*it);
    points.push_back(*b);
    auto c = std::next(b);
    if (b->interpolation == 2 && c != keys.end()) {
        points.push_back(*c);
        auto d = std::next(c);
        if (c->interpolation == 2 && d != keys.end() && d->interpolation != 2) points.push_back(*d);
    }
    float u = float(double(t) / double(b->frame - a->frame));
    float x = float(m) + u;
    double sx = 0, sy = 0;
    int count = int(points.size());
    for (int i = 0; i < count; ++i) {
        float p = 0;
        double q = 1;
        bool started = false;
        for (int j = 0; j < count; ++j) {
            if (i == j) continue;
            long double factor = (long double)x - (long double)j;
            p = started ? float((long double)p * factor) : float(factor);
            started = true;
            q = q * double(i - j);
        }
        sx = sx + double(p) / q * points[std::size_t(i)].centerX;
        sy = sy + double(p) / q * points[std::size_t(i)].centerY;
    }
    out.centerX = std::int32_t(sx);
    out.centerY = std::int32_t(float(sy));
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
