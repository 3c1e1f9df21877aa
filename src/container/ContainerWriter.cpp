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
    size_ = bytes_.size();
}

bool ContainerBuilder::makeRoom(const char (&tag)[5], std::uint64_t payloadSize) {
    size_ += 8 + payloadSize;
    if (size_ <= maxContainerSize) return true;
    // Nothing more is appended: the container is refused whole when it is finished.
    if (problem_.empty())
        problem_ = "the container would pass the format's limit of " +
                   std::to_string(maxContainerSize) + " bytes (signed 32-bit lengths) at its \"" +
                   std::string(tag) + "\" chunk of " + std::to_string(payloadSize) + " bytes";
    return false;
}

void ContainerBuilder::addChunk(const char (&tag)[5], Bytes payload) {
    if (makeRoom(tag, payload.size())) appendChunk(tag, payload);
}

void ContainerBuilder::appendChunk(const char (&tag)[5], Bytes payload) {
    bytes_.insert(bytes_.end(), tag, tag + 4);
    appendU32(bytes_, std::uint32_t(payload.size()));
    bytes_.insert(bytes_.end(), payload.begin(), payload.end());
    lastPayloadLength_ = std::int64_t(payload.size());
}

std::vector<std::uint8_t> ContainerBuilder::finish() {
    if (!problem_.empty()) return {};
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

std::vector<std::uint8_t> writeContainer(const ContainerContent& content, std::string* problem) {
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
    if (!content.images.empty()) {
        // An image list past the limit is never built.
        std::uint64_t listSize = 0;
        for (const PackedImage& image : content.images)
            listSize += 6 + std::uint64_t(image.packed.size());
        if (builder.makeRoom("BMP_", listSize))
            builder.appendChunk("BMP_", writeImageList(content.images));
    }
    std::vector<std::uint8_t> container = builder.finish();
    if (problem) *problem = builder.problem();
    return container;
}

} // namespace cinefold
