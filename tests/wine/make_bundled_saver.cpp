// Builds a saver that carries a test container, from inside Wine, with the same code that
// "cinefold bundle" uses:
//
//   make_bundled_saver SAVER OUT WIDTH HEIGHT COLOR
//   make_bundled_saver SAVER OUT demo FRAME PERIOD
//
// The container's last stage record sets the stage to WIDTH x HEIGHT in the colour reference
// COLOR (0x00BBGGRR, hexadecimal). Before it come a stage record that it overrides, a chunk of
// unknown tag, an empty chunk and a packed schedule, so that the saver has to walk past them.
//
// The second form carries the benchmarks' demo-shaped animation (48 masked sprites moving,
// stepping through cel groups and mirrored, over an 8-bit background) with a timer period of
// PERIOD tenths of a second, and a jump table that goes from frame 0 to FRAME at the first tick
// and then stays there, so that the saver keeps showing FRAME.

#include "container/Bundle.h"
#include "container/ContainerFile.h"
#include "container/ContainerWriter.h"
#include "container/PairEncoder.h"

#include "DemoContainer.h"
#include "TestBytes.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace cinefold;

namespace {
std::vector<std::uint8_t> stageRecord(std::uint32_t width, std::uint32_t height,
                                      std::uint32_t color) {
    std::vector<std::uint8_t> record(24);
    const std::uint32_t words[6] = {width, height, color, 1, 1, 1000};
    for (int i = 0; i < 6; ++i)
        storeU32le(record.data() + 4 * i, words[i]);
    return record;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: make_bundled_saver SAVER OUT WIDTH HEIGHT COLOR\n"
                             "       make_bundled_saver SAVER OUT demo FRAME PERIOD\n");
        return 2;
    }
    std::vector<std::uint8_t> container;
    if (std::string(argv[3]) == "demo") {
        container = bench::demoContainer(std::int32_t(std::strtol(argv[5], nullptr, 10)),
                                         std::int32_t(std::strtol(argv[4], nullptr, 10)));
    } else {
        std::uint32_t width = std::uint32_t(std::strtoul(argv[3], nullptr, 10));
        std::uint32_t height = std::uint32_t(std::strtoul(argv[4], nullptr, 10));
        std::uint32_t color = std::uint32_t(std::strtoul(argv[5], nullptr, 16));

        ContainerBuilder builder;
        builder.addChunk("P_DT", stageRecord(40, 30, 0x000000FF));
        builder.addChunk("XTRA", std::vector<std::uint8_t>(37, 0xEE));
        builder.addChunk("GRP_", {});
        std::vector<std::uint8_t> schedule(480, 0);
        builder.addChunk("SCHE", encodeDataBlock(schedule));
        builder.addChunk("P_DT", stageRecord(width, height, color));
        container = builder.finish();
    }

    FileProblem problem;
    std::vector<std::uint8_t> saver, output;
    if (!readWholeFile(argv[1], saver, problem)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], problem.what.c_str());
        return 1;
    }
    BundleResult result;
    if (!bundleContainer(saver, container, output, result, problem) ||
        !test::writeBytes(argv[2], output)) {
        std::fprintf(stderr, "%s: %s\n", argv[2],
                     problem.what.empty() ? "cannot write" : problem.what.c_str());
        return 1;
    }
    std::printf("container of %zu bytes at offset %u\n", container.size(), result.containerOffset);
    return 0;
}
