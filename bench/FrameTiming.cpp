// cinefold_frame_timing FILE: the time to compose one frame of FILE's animation on the software
// canvas, beside memcpy of two stage-sized 24-bit frames in the same run. The same source is built
// natively (the linux preset) and as WebAssembly run by Node.js (the web preset), so that the
// module's figure and the native one come from the same work, measured the same way. Google
// Benchmark, which the other programs here use, is not built for WebAssembly by Debian, so this
// one times its own rounds: the median of nine, each composing frames 0, 1, 2, ... in turn.

#include "player/FrameCompositor.h"
#include "player/LoadAnimation.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace cinefold;

namespace {

constexpr int rounds = 9;
constexpr int framesPerRound = 200;

template <class Work> double medianMicroseconds(Work work) {
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < framesPerRound; ++i)
            work(i);
        const std::chrono::duration<double, std::micro> spent =
            std::chrono::steady_clock::now() - start;
        times.push_back(spent.count() / framesPerRound);
    }
    std::nth_element(times.begin(), times.begin() + rounds / 2, times.end());
    return times[rounds / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cinefold_frame_timing FILE\n");
        return 2;
    }
    std::vector<std::uint8_t> file;
    FileProblem problem;
    Player player;
    ContainerSource source;
    if (!readWholeFile(argv[1], file, problem) ||
        !loadAnimationBytes(player, {file.data(), file.size()}, source, problem)) {
        std::fprintf(stderr, "cinefold_frame_timing: %s: %s\n", argv[1], problem.what.c_str());
        return 1;
    }
    SoftCanvas stage(player.stageWidth, player.stageHeight);
    const std::int32_t frames = player.trackSet.lastFrame() + 1;
    const double compose = medianMicroseconds([&](int i) {
        player.currentFrame = i % frames;
        composeFrame(player, stage);
    });
    const std::size_t frameBytes = std::size_t(stage.rowLength()) * std::size_t(stage.height());
    std::vector<std::uint8_t> from(2 * frameBytes, 1), to(2 * frameBytes, 2);
    volatile std::uint8_t sink = 0;
    const double copy = medianMicroseconds([&](int i) {
        from[std::size_t(i)] = std::uint8_t(i);
        std::memcpy(to.data(), from.data(), to.size());
        sink = to[std::size_t(i)];
    });
    std::printf("composeFrame of a %dx%d frame: %.0f us, %.2f x memcpy of two such frames "
                "(%.0f us)\n",
                stage.width(), stage.height(), compose, compose / copy, copy);
    return 0;
}
