// Speed of the software canvas where it matters most: presenting a 640 x 480 stage stretched to
// the desktop, as every paint of a player does, on 1920 x 1080 and 3840 x 2160 screens. Beside
// it in the same run: memcpy of the bytes the stretch writes, and pixman's nearest-neighbour
// scaled composite of the same pictures (24-bit, as ours), and of 32-bit copies of them, pixman's
// own fast path.

#include "player/PresentLayout.h"
#include "render/SoftCanvas.h"

#include "MedianTimes.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace cinefold;

namespace {

constexpr std::int32_t stageWidth = 640;
constexpr std::int32_t stageHeight = 480;

struct Screen {
    std::int32_t width, height;
};
constexpr Screen screens[] = {{1920, 1080}, {3840, 2160}};

// A stage with something on every pixel, so that no run of equal bytes flatters anyone.
SoftCanvas makeStage() {
    SoftCanvas stage(stageWidth, stageHeight);
    std::uint32_t state = 2463534242u;
    for (std::int32_t y = 0; y < stageHeight; ++y)
        for (std::uint32_t i = 0; i < stage.rowLength(); ++i) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            stage.row(y)[i] = std::uint8_t(state);
        }
    return stage;
}

PresentLayout layoutOn(const Screen& screen) {
    return presentLayout(screen.width, screen.width, screen.height, stageWidth, stageHeight, true);
}

std::int64_t bytesWritten(const PresentLayout& layout) {
    return std::int64_t(layout.width) * layout.height * 3;
}

void CanvasPresent(benchmark::State& state) {
    const Screen& screen = screens[state.range(0)];
    PresentLayout layout = layoutOn(screen);
    SoftCanvas stage = makeStage();
    SoftCanvas window(screen.width, screen.height);
    for (auto _ : state) {
        window.stretch(layout.x, layout.y, layout.width, layout.height, stage.view(), 0, 0,
                       stageWidth, stageHeight, RasterOp::copy);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * bytesWritten(layout));
}

void PresentMemcpy(benchmark::State& state) {
    std::size_t bytes = std::size_t(bytesWritten(layoutOn(screens[state.range(0)])));
    std::vector<std::uint8_t> from(bytes, 1), to(bytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes));
}

// pixman draws the same stretch with PIXMAN_OP_SRC, a scale transform and the nearest filter.
void pixmanPresent(benchmark::State& state, pixman_format_code_t format, int bytesPerPixel) {
    const Screen& screen = screens[state.range(0)];
    PresentLayout layout = layoutOn(screen);
    SoftCanvas stage = makeStage();
    int sourceStride = (stageWidth * bytesPerPixel + 3) / 4 * 4;
    int targetStride = (screen.width * bytesPerPixel + 3) / 4 * 4;
    std::vector<std::uint32_t> sourceBits(std::size_t(sourceStride) * stageHeight / 4);
    std::vector<std::uint32_t> targetBits(std::size_t(targetStride) * screen.height / 4);
    auto* sourceBytes = reinterpret_cast<std::uint8_t*>(sourceBits.data());
    for (std::int32_t y = 0; y < stageHeight; ++y)
        for (std::int32_t x = 0; x < stageWidth; ++x)
            std::memcpy(sourceBytes + std::size_t(y) * sourceStride + x * bytesPerPixel,
                        stage.row(y) + 3 * x, 3);
    pixman_image_t* source =
        pixman_image_create_bits(format, stageWidth, stageHeight, sourceBits.data(), sourceStride);
    pixman_image_t* target = pixman_image_create_bits(format, screen.width, screen.height,
                                                      targetBits.data(), targetStride);
    pixman_transform_t scale;
    pixman_transform_init_scale(&scale, pixman_double_to_fixed(double(stageWidth) / layout.width),
                                pixman_double_to_fixed(double(stageHeight) / layout.height));
    pixman_image_set_transform(source, &scale);
    pixman_image_set_filter(source, PIXMAN_FILTER_NEAREST, nullptr, 0);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, source, nullptr, target, 0, 0, 0, 0, layout.x,
                                 layout.y, layout.width, layout.height);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(target);
    pixman_image_unref(source);
    state.SetBytesProcessed(state.iterations() * bytesWritten(layout));
}

void PixmanPresent24(benchmark::State& state) {
    pixmanPresent(state, PIXMAN_r8g8b8, 3);
}
void PixmanPresent32(benchmark::State& state) {
    pixmanPresent(state, PIXMAN_x8r8g8b8, 4);
}

BENCHMARK(PresentMemcpy)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(CanvasPresent)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(PixmanPresent24)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(PixmanPresent32)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

// Prints, per screen, the present stretch against memcpy and against pixman.
void summary(const bench::MedianTimes& times) {
    for (int i = 0; i < 2; ++i) {
        auto ms = [&](const char* name) {
            return times.seconds(std::string(name) + "/" + char('0' + i)) * 1e3;
        };
        double ours = ms("CanvasPresent"), copy = ms("PresentMemcpy");
        double pixman24 = ms("PixmanPresent24"), pixman32 = ms("PixmanPresent32");
        if (ours == 0 || copy == 0) continue;
        PresentLayout layout = layoutOn(screens[i]);
        std::printf("\n%dx%d stretched to %dx%d on %dx%d: %.2f ms, %.2f x memcpy of its %.1f MB "
                    "(%.2f ms)",
                    stageWidth, stageHeight, layout.width, layout.height, screens[i].width,
                    screens[i].height, ours, ours / copy, bytesWritten(layout) / 1e6, copy);
        if (pixman24 > 0)
            std::printf(", pixman 24-bit %.2f ms (ours %.1f x faster)", pixman24, pixman24 / ours);
        if (pixman32 > 0)
            std::printf(", pixman 32-bit %.2f ms (ours %.1f x faster)", pixman32, pixman32 / ours);
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv, summary);
}
