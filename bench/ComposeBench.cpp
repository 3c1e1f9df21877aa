// Speed of the compositor on the software canvas: one 640 x 480 frame of the demo-shaped
// container with its 8-bit background centred and six masked sprites scaled up and down, as
// every frame of a player costs, beside memcpy of two 640 x 480 24-bit frames in the same run.

#include "DemoContainer.h"
#include "MedianTimes.h"

#include "player/FrameCompositor.h"

#include <benchmark/benchmark.h>

#include <cstdio>
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

BENCHMARK(TwoFramesMemcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(ComposeFrame)->Unit(benchmark::kMicrosecond);

void summary(const ::bench::MedianTimes& times) {
    double ours = times.seconds("ComposeFrame") * 1e6;
    double copy = times.seconds("TwoFramesMemcpy") * 1e6;
    if (ours == 0 || copy == 0) return;
    std::printf("\ncomposeFrame of a 640x480 frame (background, six masked scaled sprites): "
                "%.0f us, %.2f x memcpy of two 640x480 24-bit frames (%.0f us)\n",
                ours, ours / copy, copy);
}

} // namespace

int main(int argc, char** argv) {
    return ::bench::runBenchmarks(argc, argv, summary);
}
