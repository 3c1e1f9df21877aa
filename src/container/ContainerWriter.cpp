#include "container/ContainerWriter.h"

#include "container/ContainerHeader.h"
#include "container/PairEncoder.h"

#include <cstring>

namespace cinefold {

namespace {
void appendU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t b[4];
    storeU32le(b, v);
    out.insert(out.end(), b, b + 4);
}
} // namespace

ContainerBuilder::ContainerBuilder() {
    bytes_.assign(containerSignature, containerSignature + containerSignatureSize);
    appendU32(bytes_, 0); // walkLimit, set by finish()
}

void ContainerBuilder::addChunk(const char (&tag)[5], Bytes payload) {
    bytes_.insert(bytes_.end(), tag, tag + 4);
    appendU32(bytes_, std::uint32_t(payload.size()));
    bytes_.insert(bytes_.end(), payload.begin(), payload.end());
    lastPayloadLength_ = std::int64_t(payload.size());
}

std::vector<std::uint8_t> ContainerBuilder::finish() {
    std::uint32_t total = std::uint32_t(bytes_.size());
    std::uint32_t limit = lastPayloadLength_ > 16 ? total - 24 : total;
    storeU32le(bytes_.data() + 8, limit);
    return std::move(bytes_);
}

std::vector<std::uint8_t> writeImageList(const std::vector<PackedImage>& images) {
    std::vector<std::uint8_t> list;
    for (const PackedImage& image : images) {
        list.push_back(std::uint8_t(image.imageNumber));
        list.push_back(std::uint8_t(image.imageNumber >> 8));
        appendU32(list, std::uint32_t(image.packed.size()));
        list.insert(list.end(), image.packed.begin(), image.packed.end());
    }
    return list;
}

std::vector<std::uint8_t> writeContainer(const ContainerContent& content) {
    ContainerBuilder builder;
    if (content.stage) {
        std::uint8_t record[24];
        for (int i = 0; i < 6; ++i)
            storeU32le(record + 4 * i, (*content.stage)[std::size_t(i)]);
        builder.addChunk("P_DT", record);
    }
    auto addBlock = [&](const char(&tag)[5], const std::optional<std::vector<std::uint8_t>>& data) {
        if (data) builder.addChunk(tag, encodeDataBlock(*data));
    };
    addBlock("SCHE", content.schedule);
    addBlock("GRP_", content.groups);
    addBlock("JP__", content.jumpTable);
    addBlock("JPEX", content.branchTables);
    if (!content.images.empty()) builder.addChunk("BMP_", writeImageList(content.images));
    return builder.finish();
}

} // namespace cinefold
