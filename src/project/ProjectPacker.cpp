#include "project/ProjectPacker.h"

#include "container/PairEncoder.h"
#include "container/RunLengthEncoder.h"
#include "timeline/TimelineWriter.h"
#include "timeline/TrackSet.h"

namespace cinefold {

namespace {

std::vector<std::uint8_t> scheduleBytes(const Project& project) {
    std::vector<std::uint8_t> out;
    // Key records are stored as keys, not interpolated, and without their links.
    auto appendTrack = [&out](int layer, const std::vector<KeyRecord>& keys) {
        std::vector<KeyRecord> stored(keys);
        for (KeyRecord& k : stored)
            k.interpolated = k.prev = k.next = 0;
        appendScheduleSection(out, layer, stored);
    };
    appendTrack(0, project.background);
    const std::vector<KeyRecord> none;
    for (int layer = 1; layer < TrackSet::layerCount; ++layer) {
        const ProjectLayer* found = nullptr;
        for (const ProjectLayer& l : project.layers)
            if (l.number == layer) found = &l;
        appendTrack(layer, found ? found->keys : none);
    }
    return out;
}

std::vector<std::uint8_t> groupBytes(const Project& project) {
    std::vector<std::uint8_t> out;
    for (int slot = 0; slot < groupSlotCount; ++slot) {
        const ProjectGroup* group = project.group(slot + 1);
        appendCelSection(out, slot,
                         group ? std::span<const CelEntry>(group->cels)
                               : std::span<const CelEntry>());
    }
    return out;
}

std::vector<std::uint8_t> tableBytes(const JumpTable& table) {
    std::vector<std::uint8_t> out;
    out.reserve(4 * table.size());
    for (std::int32_t v : table)
        appendU32le(out, std::uint32_t(v));
    return out;
}

} // namespace

std::vector<std::uint8_t> packImage(Bytes bmp, ImageCodec codec) {
    switch (codec) {
    case ImageCodec::stored:
        return encodeStoredBlock(bmp);
    case ImageCodec::pairs:
        return encodeDataBlock(bmp);
    case ImageCodec::rle1:
        return encodeRunLengthImage(bmp, 1);
    case ImageCodec::rle8:
        return encodeRunLengthImage(bmp, 8);
    case ImageCodec::rle24:
        return encodeRunLengthImage(bmp, 24);
    default:
        break;
    }
    // The data block encoder already keeps the smaller of pairs and stored bytes. On a tie the
    // earlier candidate wins.
    std::vector<std::uint8_t> best = encodeDataBlock(bmp);
    for (int type : {8, 24, 1}) {
        std::vector<std::uint8_t> packed = encodeRunLengthImage(bmp, type);
        if (!packed.empty() && (best.empty() || packed.size() < best.size())) best.swap(packed);
    }
    return best;
}

ContainerContent packProject(const Project& project) {
    ContainerContent content;
    const ProjectStage& s = project.stage;
    content.stage = {
        std::uint32_t(s.width),    std::uint32_t(s.height),      s.backColor,
        std::uint32_t(s.backMode), std::uint32_t(s.framePeriod), std::uint32_t(s.jumpLength)};
    content.schedule = scheduleBytes(project);
    content.groups = groupBytes(project);
    JumpTables tables = tablesFromJumps(project.jumps, s.jumpLength);
    content.jumpTable = tableBytes(tables.jumpTable);
    std::vector<std::uint8_t> branches;
    for (const JumpTable& table : tables.branchTables) {
        std::vector<std::uint8_t> bytes = tableBytes(table);
        branches.insert(branches.end(), bytes.begin(), bytes.end());
    }
    content.branchTables = std::move(branches);
    // Masks follow all images: the image store attaches a mask only to an image it already holds.
    for (const ProjectImage& image : project.images)
        content.images.push_back({std::uint16_t(image.number), packImage(image.bmp, image.codec)});
    for (const ProjectImage& image : project.images)
        if (!image.mask.empty())
            content.images.push_back(
                {std::uint16_t(image.number + 100), packImage(image.mask, image.maskCodec)});
    return content;
}

} // namespace cinefold
