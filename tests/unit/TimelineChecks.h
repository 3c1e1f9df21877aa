#pragma once
// Checks of the timeline that run both in the native tests and in the Windows test program
// under Wine, so that the 32-bit and 64-bit Windows builds are held to the same arithmetic:
// random tracks against the reference, and the worked examples of the curve.

#include "TimelineReference.h"

#include "timeline/TrackSet.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace cinefold::checks {

struct Failures {
    int count = 0;
    std::string first;
    void add(const std::string& what) {
        if (count++ == 0) first = what;
    }
};

inline std::string describe(const char* what, int round, int layer, std::int32_t frame,
                            std::int64_t got, std::int64_t expected) {
    char text[200];
    std::snprintf(text, sizeof text, "%s: round %d layer %d frame %d: got %lld, expected %lld",
                  what, round, layer, int(frame), (long long)got, (long long)expected);
    return text;
}

// Random tracks and groups, every frame around and between the keys, evaluated both ways:
// records, run starts, cel images and cel sizes.
inline Failures compareRandomTimelines(std::uint32_t seed, int rounds) {
    Failures failures;
    std::uint32_t state = seed;
    auto below = [&](std::uint32_t n) {
        state = state * 1664525u + 1013904223u;
        return std::uint32_t((std::uint64_t(state >> 4) * n) >> 28);
    };
    for (int round = 0; round < rounds; ++round) {
        TrackSet set;
        std::vector<reference::Keys> keys(4);
        std::vector<std::vector<reference::Cel>> cels(4);
        for (int layer = 1; layer <= 3; ++layer) {
            int count = int(below(12));
            std::int32_t spread = std::int32_t(1 + below(40));
            for (int k = 0; k < count; ++k) {
                reference::Key r;
                r.image = std::int32_t(below(101));
                r.group = below(3) ? 0 : std::int32_t(1 + below(3));
                r.centerX = std::int32_t(below(2000)) - 700;
                r.centerY = std::int32_t(below(1500)) - 500;
                r.width = below(4) ? std::int32_t(below(1200)) : std::int32_t(below(3000)) - 1500;
                r.height = std::int32_t(below(1200));
                r.flip = std::int32_t(below(4));
                r.interpolation = std::int32_t(below(9) < 4 ? 2 : below(4));
                r.interpolated = std::int32_t(below(2));
                r.frame = std::int32_t(below(std::uint32_t(spread) * 12));
                KeyRecord record{r.image,
                                 r.group,
                                 r.centerX,
                                 r.centerY,
                                 r.width,
                                 r.height,
                                 r.flip,
                                 r.interpolation,
                                 r.interpolated,
                                 r.frame,
                                 std::int32_t(below(9)),
                                 0};
                set.insertLayerKey(layer, record);
                reference::insert(keys[std::size_t(layer)], r);
            }
        }
        std::vector<std::uint8_t> groups;
        auto put32 = [&](std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                groups.push_back(std::uint8_t(v >> (8 * i)));
        };
        for (int slot = 0; slot < groupSlotCount; ++slot) {
            std::uint32_t entries = slot < 3 ? below(5) : 0;
            groups.push_back(std::uint8_t(slot));
            groups.push_back(0);
            put32(entries * 16);
            std::int32_t start = 0;
            for (std::uint32_t e = 0; e < entries; ++e) {
                reference::Cel cel{std::int32_t(1 + below(100)), start, std::int32_t(below(300)),
                                   std::int32_t(below(300))};
                start += std::int32_t(below(3));
                if (slot < 3) cels[std::size_t(slot + 1)].push_back(cel);
                for (std::int32_t field : {cel.image, cel.start, cel.width, cel.height})
                    put32(std::uint32_t(field));
            }
        }
        set.loadGroups(groups);

        for (int layer = 1; layer <= 3; ++layer) {
            const reference::Keys& track = keys[std::size_t(layer)];
            std::int32_t last = track.empty() ? 0 : track.back().frame;
            for (std::int32_t f = -2; f <= last + 2; ++f) {
                KeyRecord got = set.evaluateLayer(layer, f);
                reference::Key expected = reference::evaluate(track, f);
                reference::Key seen{got.image,        got.group,  got.centerX, got.centerY,
                                    got.width,        got.height, got.flip,    got.interpolation,
                                    got.interpolated, got.frame};
                if (!(seen == expected)) {
                    failures.add(
                        describe("centerX", round, layer, f, seen.centerX, expected.centerX) +
                        describe(" centerY", round, layer, f, seen.centerY, expected.centerY));
                    continue;
                }
                if (expected.group == 0) continue;
                std::int32_t start = set.runStart(layer, f);
                std::int32_t expectedStart = reference::runStart(track, f);
                if (start != expectedStart)
                    failures.add(describe("runStart", round, layer, f, start, expectedStart));
                int g = expected.group;
                int index = reference::celIndex(cels[std::size_t(g)], track, f);
                std::int32_t image = index < 0 ? 0 : cels[std::size_t(g)][std::size_t(index)].image;
                if (set.celImage(g, layer, f) != image)
                    failures.add(
                        describe("celImage", round, layer, f, set.celImage(g, layer, f), image));
                CelSize size = set.celSize(g, layer, f);
                std::int32_t width = index < 0 ? 0 : cels[std::size_t(g)][std::size_t(index)].width;
                if (size.width != width)
                    failures.add(describe("celSize", round, layer, f, size.width, width));
            }
        }
    }
    return failures;
}

// The worked examples: a layer with keys at frames 0, 23, 47 and 72 (the first three curve
// keys), and a two-point curve.
inline Failures checkWorkedCurves() {
    Failures failures;
    TrackSet set;
    auto add = [&](std::int32_t frame, std::int32_t type, std::int32_t x, std::int32_t y,
                   std::int32_t height) {
        KeyRecord k{};
        k.image = 1;
        k.centerX = x;
        k.centerY = y;
        k.width = 1000;
        k.height = height;
        k.interpolation = type;
        k.frame = frame;
        set.insertLayerKey(1, k);
    };
    add(0, 2, 702, 208, 956);
    add(23, 2, 422, 134, 954);
    add(47, 2, 214, 306, 954);
    add(72, 0, -56, 200, 984);
    struct Expected {
        std::int32_t frame, x, y, width, height;
    };
    for (Expected e : {Expected{10, 562, 112, 1000, 955}, Expected{30, 359, 182, 1000, 954}}) {
        KeyRecord r = set.evaluateLayer(1, e.frame);
        if (r.centerX != e.x || r.centerY != e.y || r.width != e.width || r.height != e.height)
            failures.add(describe("worked curve centerX", 0, 1, e.frame, r.centerX, e.x) +
                         describe(" centerY", 0, 1, e.frame, r.centerY, e.y) +
                         describe(" height", 0, 1, e.frame, r.height, e.height));
    }
    KeyRecord a{}, b{};
    a.interpolation = 2;
    b.centerX = 10;
    b.frame = 3;
    set.insertLayerKey(2, a);
    set.insertLayerKey(2, b);
    if (set.evaluateLayer(2, 1).centerX != 3)
        failures.add(describe("two-point curve", 0, 2, 1, set.evaluateLayer(2, 1).centerX, 3));
    return failures;
}

} // namespace cinefold::checks
