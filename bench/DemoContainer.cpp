#include "DemoContainer.h"

#include "DemoImages.h"

#include "container/ContainerWriter.h"
#include "container/PairEncoder.h"
#include "container/RunLengthEncoder.h"

namespace cinefold::bench {

namespace {

ContainerContent containerContent(const DemoWorkload& w, std::int32_t framePeriod,
                                  const std::vector<std::uint8_t>& jumpTable) {
    ContainerContent content;
    content.stage =
        std::array<std::uint32_t, 6>{640, 480, 0x00A00000, 1, std::uint32_t(framePeriod), 1000};
    content.schedule = makeAnimatedSchedulePayload();
    content.groups = w.tables[1];
    content.jumpTable = jumpTable;
    content.branchTables = w.tables[3];
    std::size_t count = w.sprites.size();
    for (std::size_t i = 0; i < count; ++i)
        content.images.push_back({std::uint16_t(1 + i), w.imageBlocks[i]});
    content.images.push_back({100, w.backgroundRunLength});
    for (std::size_t i = 0; i < count; ++i)
        content.images.push_back({std::uint16_t(101 + i), w.imageBlocks[count + i]});
    return content;
}

DemoWorkload buildWorkload() {
    DemoWorkload w;
    std::vector<SpriteSize> sizes = demoSpriteSizes();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        std::uint32_t seed = std::uint32_t(i) + 1;
        w.sprites.push_back(makeSpriteImage(sizes[i].width, sizes[i].height, seed));
        w.masks.push_back(makeSpriteMask(sizes[i].width, sizes[i].height, seed));
    }
    w.background = makeBackgroundImage();
    w.tables = {makeSchedulePayload(), makeGroupsPayload(), makeJumpTablePayload(),
                makeBranchTablesPayload()};

    for (const auto& sprite : w.sprites)
        w.imageBlocks.push_back(encodeDataBlock(sprite));
    for (const auto& mask : w.masks)
        w.imageBlocks.push_back(encodeDataBlock(mask));
    w.backgroundRunLength = encodeRunLengthImage(w.background, 8);

    w.container = writeContainer(containerContent(w, 1, w.tables[2]));
    return w;
}

} // namespace

std::size_t DemoWorkload::decodedImageBytes() const {
    std::size_t total = background.size();
    for (const auto& s : sprites)
        total += s.size();
    for (const auto& m : masks)
        total += m.size();
    return total;
}

std::vector<const std::vector<std::uint8_t>*> DemoWorkload::compressorInputs() const {
    std::vector<const std::vector<std::uint8_t>*> inputs;
    for (const auto& s : sprites)
        inputs.push_back(&s);
    for (const auto& m : masks)
        inputs.push_back(&m);
    for (const auto& t : tables)
        inputs.push_back(&t);
    return inputs;
}

const DemoWorkload& demoWorkload() {
    static const DemoWorkload workload = buildWorkload();
    return workload;
}

std::vector<std::uint8_t> demoContainer(std::int32_t framePeriod, std::int32_t heldFrame) {
    // 1000 little-endian entries of -1 ("no jump"), but for frame 0 and heldFrame.
    std::vector<std::uint8_t> jumps(4000, 0xFF);
    for (std::size_t at : {std::size_t(0), std::size_t(heldFrame)})
        for (std::size_t i = 0; i < 4; ++i)
            jumps[4 * at + i] = std::uint8_t(std::uint32_t(heldFrame) >> (8 * i));
    return writeContainer(containerContent(demoWorkload(), framePeriod, jumps));
}

} // namespace cinefold::bench
