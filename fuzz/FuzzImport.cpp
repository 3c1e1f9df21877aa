// Reads arbitrary bytes as a file to import: its first byte says how (bit 0: an animated GIF or a
// sprite sheet; bit 1: a sheet cut by grid or by cel size), the next two are the cut's numbers,
// the rest is the file. Whatever the importer accepts must pack into a container that loads and
// whose stage and pictures are what the importer said (for small pictures: packing is slow for
// large ones, and its own targets cover it).

#include "ImportReader.h"
#include "container/ContainerWriter.h"
#include "player/Player.h"
#include "project/ProjectPacker.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// The pixels a GIF's screen (little-endian at 6) or a PNG's header (big-endian at 16) claims.
std::uint64_t claimedPixels(cinefold::Bytes file, bool png) {
    if (file.size() < 24) return 0;
    if (!png) return std::uint64_t(file[6] | file[7] << 8) * (file[8] | file[9] << 8);
    auto big = [&](std::size_t at) {
        return std::uint64_t(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
    };
    return big(16) * big(20);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cinefold;
    if (size < 3) return 0;
    const bool sheet = data[0] & 1;
    const SheetCut cut{(data[0] & 2) != 0, data[1] % 16 + 1, data[2] % 16 + 1, "cut"};
    const Bytes file(data + 3, size - 3);
    Project project;
    std::string note, problem;
    // Pictures of millions of pixels are bounded but slow under the sanitizers: claims of over
    // a million pixels and walks of over sixteen million are left to the unit tests.
    if (claimedPixels(file, sheet) > 1 << 20) return 0;
    if (!(sheet ? importSheet(file, cut, project, note, problem)
                : importGif(file, project, note, problem, 1 << 24)))
        return 0;
    if (std::uint64_t(project.stage.width) * project.stage.height * project.images.size() > 1 << 16)
        return 0;
    const std::vector<std::uint8_t> bytes = writeContainer(packProject(project));
    auto container = std::make_unique<std::uint8_t[]>(bytes.size());
    std::memcpy(container.get(), bytes.data(), bytes.size());
    Player player;
    player.adoptContainer(std::move(container), std::uint32_t(bytes.size()));
    if (!player.walkChunks() || player.stageWidth != project.stage.width ||
        player.stageHeight != project.stage.height)
        std::abort();
    for (const ProjectImage& image : project.images)
        if (!player.imageStore.getBitmap(image.number - 1)) std::abort();
    return 0;
}
