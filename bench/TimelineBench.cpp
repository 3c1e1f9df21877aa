// Speed of the timeline as the compositor uses it: every layer evaluated at every frame of a
// 701-frame, six-layer animation (records, cel groups with their run starts, the sprite
// rectangles), beside memcpy of the 51 evaluated records per frame measured in the same run.
// Also the run start of a run two billion frames long, which must cost no more than a short one.

#include "timeline/LayerPlacement.h"
#include "timeline/TimelineWriter.h"
#include "timeline/TrackSet.h"

#include "MedianTimes.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

using namespace cinefold;

namespace {

constexpr std::int32_t frameCount = 701;

KeyRecord makeKey(std::int32_t frame, std::int32_t interpolation, std::int32_t x, std::int32_t y,
                  std::int32_t image, std::int32_t group, std::int32_t flip) {
    KeyRecord k;
    k.image = image;
    k.group = group;
    k.centerX = x;
    k.centerY = y;
    k.width = group ? 1000 : 120;
    k.height = group ? 956 : 90;
    k.flip = flip;
    k.interpolation = interpolation;
    k.frame = frame;
    return k;
}

// The demo's shape: background image 100 from frame 0 to 700, layers 1..6 with 38, 20, 17, 16,
// 16 and 18 keys spread over the 701 frames, mostly curve keys, some of type 0; odd layers walk
// through cel groups (runs of up to about 150 frames), even layers show plain images.
TrackSet demoTimeline() {
    static const int keyCounts[6] = {38, 20, 17, 16, 16, 18};
    TrackSet set;
    set.insertBackgroundKey(makeKey(0, 1, 0, 0, 100, 0, 0));
    set.insertBackgroundKey(makeKey(700, 1, 0, 0, 100, 0, 0));
    std::uint32_t state = 12345;
    auto below = [&](std::uint32_t n) {
        state = state * 1664525u + 1013904223u;
        return std::int32_t((state >> 8) % n);
    };
    for (int layer = 1; layer <= 6; ++layer) {
        int keys = keyCounts[layer - 1];
        for (int k = 0; k < keys; ++k) {
            std::int32_t frame = k * 700 / (keys - 1);
            std::int32_t type = below(5) == 0 ? 0 : 2;
            std::int32_t group = layer % 2 ? 1 + 2 * (layer / 2) + (k / 8) % 2 : 0;
            set.insertLayerKey(
                layer, makeKey(frame, type, below(640), below(480), 1 + below(48), group, k % 2));
        }
    }
    std::vector<std::uint8_t> groups;
    for (int slot = 0; slot < groupSlotCount; ++slot) {
        std::vector<CelEntry> cels(slot < 13 ? 4 : 0);
        for (int e = 0; e < int(cels.size()); ++e)
            cels[std::size_t(e)] = {1 + (slot * 4 + e) % 48, e, 100, 69};
        appendCelSection(groups, slot, cels);
    }
    set.loadGroups(groups);
    return set;
}

// What composeFrame asks of the timeline for one frame: the background record, and for layers
// 1..50 the record, the cel image and size where it names a group, and the rectangle.
void TimelineAllLayers(benchmark::State& state) {
    TrackSet set = demoTimeline();
    std::int64_t checksum = 0;
    for (auto _ : state) {
        for (std::int32_t frame = 0; frame < frameCount; ++frame) {
            checksum += set.evaluateBackground(frame).image;
            for (int layer = 1; layer < TrackSet::layerCount; ++layer) {
                LayerPlacement p = placeLayer(set, layer, frame);
                checksum += p.image + p.rect.left;
            }
        }
        benchmark::DoNotOptimize(checksum);
    }
    state.SetItemsProcessed(state.iterations() * frameCount);
}

// The yardstick: copying the 51 evaluated records (2,448 bytes) once per frame.
void TimelineRecordsMemcpy(benchmark::State& state) {
    KeyRecord source[51], target[51];
    for (int i = 0; i < 51; ++i)
        source[i] = makeKey(i, 2, i, i, i, 0, 0);
    for (auto _ : state) {
        for (std::int32_t frame = 0; frame < frameCount; ++frame) {
            source[frame % 51].frame = frame;
            std::memcpy(target, source, sizeof source);
            benchmark::DoNotOptimize(target);
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * frameCount);
}

// A group shown from frame 5 to frame 2147483600 in one segment: the run start at its far end.
void TimelineRunStartLongRun(benchmark::State& state) {
    TrackSet set = demoTimeline();
    set.insertLayerKey(7, makeKey(5, 1, 0, 0, 0, 1, 0));
    set.insertLayerKey(7, makeKey(2147483600, 0, 0, 0, 0, 1, 0));
    for (auto _ : state) {
        LayerPlacement p = placeLayer(set, 7, 2147483000);
        benchmark::DoNotOptimize(p);
    }
}

// The longest run of the demo-shaped timeline, for comparison.
void TimelineRunStartDemoRun(benchmark::State& state) {
    TrackSet set = demoTimeline();
    for (auto _ : state) {
        LayerPlacement p = placeLayer(set, 1, 699);
        benchmark::DoNotOptimize(p);
    }
}

BENCHMARK(TimelineRecordsMemcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(TimelineAllLayers)->Unit(benchmark::kMicrosecond);
BENCHMARK(TimelineRunStartDemoRun)->Unit(benchmark::kNanosecond);
BENCHMARK(TimelineRunStartLongRun)->Unit(benchmark::kNanosecond);

void summary(const bench::MedianTimes& times) {
    double all = times.seconds("TimelineAllLayers");
    double copy = times.seconds("TimelineRecordsMemcpy");
    if (all == 0 || copy == 0) return;
    double perFrame = all / frameCount * 1e6;
    double copyPerFrame = copy / frameCount * 1e6;
    std::printf("\nall 51 tracks evaluated and placed: %.2f us per frame, %.0f x memcpy of the 51 "
                "records (%.3f us)\n",
                perFrame, perFrame / copyPerFrame, copyPerFrame);
}

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv, summary);
}
