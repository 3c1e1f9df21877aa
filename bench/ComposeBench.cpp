// Speed of the compositor on the software canvas: one 640 x 480 frame of the demo-shaped
// container with its 8-bit background centred and six masked sprites scaled up and down, as
// every frame of a player costs, beside memcpy of two 640 x 480 24-bit frames in the same run.
// Then the demo itself, frame after frame through its 701 frames, composed whole and composed
// only inside each frame's damage on a stage that keeps the frame before, as the players do.

#include "DemoContainer.h"
#include "MedianTimes.h"

#include "demo/DemoData.h"
#include "player/FrameCompositor.h"
#include "player/LoadAnimation.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace cinefold;

namespace {

constexpr std::size_t frameBytes = std::size_t(640) * 480 * 3;

// The demo's images and background, with six sprites of layers 1..6 standing still at frame 0.
void loadScene(Player& player) {
    const std::vector<std::uint8_t>& container = cinefold::bench::demoWorkload().container;
    auto bytes = std::make_unique<std::uint8_t[]>(container.size());
    std::memcpy(bytes.get(), container.data(), container.size());
    player.adoptContainer(std::move(bytes), std::uint32_t(container.size()));
    player.walkChunks();
    player.trackSet.clear();
    KeyRecord background;
    background.image = 100;
    player.trackSet.insertBackgroundKey(background);
    // Sizes from half to twice the sprites' own (64 x 64 up to 200 x 180), two mirrored.
    const std::int32_t sprites[6][6] = {// image, centre x, centre y, width, height, flip
                                        {1, 100, 120, 180, 240, 0},  {5, 320, 240, 300, 270, 1},
                                        {12, 500, 150, 64, 96, 0},   {20, 200, 380, 128, 128, 2},
                                        {33, 540, 400, 240, 160, 0}, {47, 420, 60, 90, 70, 0}};
    for (int i = 0; i < 6; ++i) {
        KeyRecord key;
        key.image = sprites[i][0];
        key.centerX = sprites[i][1];
        key.centerY = sprites[i][2];
        key.width = sprites[i][3];
        key.height = sprites[i][4];
        key.flip = sprites[i][5];
        player.trackSet.insertLayerKey(1 + i, key);
    }
}

void ComposeFrame(benchmark::State& state) {
    Player player;
    loadScene(player);
    SoftCanvas stage(player.stageWidth, player.stageHeight);
    for (auto _ : state) {
        composeFrame(player, stage);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

void TwoFramesMemcpy(benchmark::State& state) {
    std::vector<std::uint8_t> from(2 * frameBytes, 1), to(2 * frameBytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), to.size());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

// The demo's frames in order, 0 to the last and round again, one frame an iteration.
struct DemoFrames {
    Player player;
    std::int32_t frames = 0;
    DemoFrames() {
        ContainerSource source;
        FileProblem problem;
        if (!loadAnimationBytes(player, demoContainer(), source, problem)) std::abort();
        frames = player.trackSet.lastFrame() + 1;
    }
    void next() { player.currentFrame = (player.currentFrame + 1) % frames; }
};

void DemoFrameWhole(benchmark::State& state) {
    DemoFrames demo;
    SoftCanvas stage(demo.player.stageWidth, demo.player.stageHeight);
    for (auto _ : state) {
        composeFrame(demo.player, stage);
        benchmark::ClobberMemory();
        demo.next();
    }
    state.SetItemsProcessed(state.iterations());
}

// What a player does for each frame: the damage, and the frame composed inside it.
void DemoFrameIncremental(benchmark::State& state) {
    DemoFrames demo;
    SoftCanvas stage(demo.player.stageWidth, demo.player.stageHeight);
    DamageTracker tracker;
    composeFrame(demo.player, stage, tracker.next(demo.player));
    demo.next();
    std::int64_t pixels = 0;
    for (auto _ : state) {
        const StageDamage damage = tracker.next(demo.player);
        composeFrame(demo.player, stage, damage);
        benchmark::ClobberMemory();
        for (const Rect& r : damage.rects)
            pixels += std::int64_t(r.right - r.left) * (r.bottom - r.top);
        demo.next();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["damaged"] = benchmark::Counter(
        double(pixels) / double(demo.player.stageWidth * demo.player.stageHeight),
        benchmark::Counter::kAvgIterations);
}

BENCHMARK(TwoFramesMemcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(ComposeFrame)->Unit(benchmark::kMicrosecond);
// Ten rounds of the demo's 701 frames, so that each frame counts once in the average.
BENCHMARK(DemoFrameWhole)->Unit(benchmark::kMicrosecond)->Iterations(7010);
BENCHMARK(DemoFrameIncremental)->Unit(benchmark::kMicrosecond)->Iterations(7010);

void summary(const ::bench::MedianTimes& times) {
    double ours = times.seconds("ComposeFrame") * 1e6;
    double copy = times.seconds("TwoFramesMemcpy") * 1e6;
    if (ours == 0 || copy == 0) return;
    std::printf("\ncomposeFrame of a 640x480 frame (background, six masked scaled sprites): "
                "%.0f us, %.2f x memcpy of two 640x480 24-bit frames (%.0f us)\n",
                ours, ours / copy, copy);
    double whole = times.seconds("DemoFrameWhole") * 1e6;
    double incremental = times.seconds("DemoFrameIncremental") * 1e6;
    if (whole == 0 || incremental == 0) return;
    std::printf("a demo frame, averaged over its frames: whole %.0f us (%.2f x memcpy), inside "
                "the damage %.1f us (%.2f x memcpy, %.3f x whole; target under 1 x memcpy)\n",
                whole, whole / copy, incremental, incremental / copy, incremental / whole);
}

} // namespace

int main(int argc, char** argv) {
    return ::bench::runBenchmarks(argc, argv, summary);
}
