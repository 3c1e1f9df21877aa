#include "ProjectPacker.h"

#include "container/PairEncoder.h"
#include "container/RunLengthEncoder.h"
#include "timeline/TrackSet.h"

namespace cinefold {

namespace {

void appendU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void appendU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t b[4];
    storeU32le(b, v);
    out.insert(out.end(), b, b + 4);
}

// A schedule section: layer number, byte length, then the key records without their links.
void appendTrack(std::vector<std::uint8_t>& out, int layer, const std::vector<KeyRecord>& keys) {
    appendU16(out, std::uint16_t(layer));
    appendU32(out, std::uint32_t(keys.size() * keyRecordSize));
    for (const KeyRecord& k : keys)
        for (std::int32_t v : {k.image, k.group, k.centerX, k.centerY, k.width, k.height, k.flip,
                               k.interpolation, 0, k.frame, 0, 0})
            appendU32(out, std::uint32_t(v));
}

std::vector<std::uint8_t> scheduleBytes(const Project& project) {
    std::vector<std::uint8_t> out;
    appendTrack(out, 0, project.background);
    const std::vector<KeyRecord> none;
    for (int layer = 1; layer < TrackSet::layerCount; ++layer) {
        const ProjectLayer* found = nullptr;
        for (const ProjectLayer& l : project.layers)
            if (l.number == layer) found = &l;
        appendTrack(out, layer, found ? found->keys : none);
    }
    return out;
}

std::vector<std::uint8_t> groupBytes(const Project& project) {
    std::vector<std::uint8_t> out;
    for (int slot = 0; slot < groupSlotCount; ++slot) {
        const ProjectGroup* group = project.group(slot + 1);
        const std::size_t count = group ? group->cels.size() : 0;
        appendU16(out, std::uint16_t(slot));
        appendU32(out, std::uint32_t(count * celEntrySize));
        for (std::size_t i = 0; i < count; ++i) {
            const CelEntry& c = group->cels[i];
            for (std::int32_t v : {c.image, c.start, c.width, c.height})
                appendU32(out, std::uint32_t(v));
        }
    }
    return out;
}

std::vector<std::uint8_t> tableBytes(const JumpTable& table) {
    std::vector<std::uint8_t> out;
    out.reserve(4 * table.size());
    for (std::int32_t v : table)
        appendU32(out, std::uint32_t(v));
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

bool writePackedProject(const std::string& projectPath, const std::string& outputPath,
                        ProjectReadResult& result, FileProblem& problem) {
    result = readProject(projectPath);
    if (!result.project) return false;
    std::string tooLarge;
    const std::vector<std::uint8_t> container =
        writeContainer(packProject(*result.project), &tooLarge);
    if (!tooLarge.empty()) {
        problem = {0, tooLarge, false};
        return false;
    }
    return writeWholeFile(outputPath, container, problem);
}

} // namespace cinefold
