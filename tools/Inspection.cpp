#include "Inspection.h"

#include "files/OutputFile.h"
#include "Report.h"

#include "container/ContainerHeader.h"
#include "player/LoadAnimation.h"

#include <cstdio>

namespace cinefold {

std::string Inspection::printableTag(const char tag[4]) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        unsigned char c = static_cast<unsigned char>(tag[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
            text += char(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            text += escape;
        }
    }
    return text;
}

const ImageRecord* Inspection::imageForSlot(int slot) const {
    for (auto it = images.rbegin(); it != images.rend(); ++it)
        if (it->stored && int(it->imageNumber) - 1 == slot) return &*it;
    return nullptr;
}

namespace {

WalkObserver observerFor(Inspection& inspection) {
    WalkObserver observer;
    observer.context = &inspection;
    observer.chunk = [](void* context, const ChunkEvent& event) {
        auto& self = *static_cast<Inspection*>(context);
        ChunkRecord record;
        record.index = event.index;
        record.offset = event.offset;
        record.tag = Inspection::printableTag(event.tag);
        record.length = event.length;
        record.result = event.result;
        record.hasDecodedSize = event.hasDecodedSize;
        record.decodedSize = event.decodedSize;
        if (event.problem) record.problem = event.problem;
        self.chunks.push_back(record);
        if (self.onChunk) self.onChunk(event);
    };
    observer.image = [](void* context, const ImageEvent& event) {
        auto& self = *static_cast<Inspection*>(context);
        ImageRecord record;
        record.chunkIndex = event.chunkIndex;
        record.entryIndex = event.entryIndex;
        record.offset = event.offset;
        record.imageNumber = event.imageNumber;
        record.packedSize = event.packedSize;
        record.codec = event.codec;
        record.decoded = event.codec != ImageCodec::none;
        record.stored = event.stored;
        record.cut = event.cut;
        record.dataBlock = event.dataBlock;
        if (event.problem) record.problem = event.problem;
        self.images.push_back(record);
        if (self.onImage) self.onImage(event);
    };
    return observer;
}

void readWalkLimit(Inspection& inspection) {
    ByteReader header(inspection.player.container(), containerSignatureSize);
    inspection.walkLimit = header.i32le();
}

} // namespace

bool inspectFile(Inspection& inspection, FileProblem& problem) {
    const WalkObserver observer = observerFor(inspection);
    if (!loadAnimationFile(inspection.player, inspection.path, inspection.source, problem,
                           &observer))
        return false;
    readWalkLimit(inspection);
    return true;
}

bool inspectBytes(Inspection& inspection, Bytes file, FileProblem& problem) {
    const WalkObserver observer = observerFor(inspection);
    if (!loadAnimationBytes(inspection.player, file, inspection.source, problem, &observer))
        return false;
    readWalkLimit(inspection);
    return true;
}

namespace {
// Why the image store kept no image for a packed image that decoded.
std::string describeUnstored(std::uint16_t number) {
    if (number == 0) return "image number 0 has no store slot";
    if (number <= 100) return "the decoded bytes are not a drawable BMP image";
    if (number > 200) return "mask number " + std::to_string(number) + " belongs to no store slot";
    return "mask of image " + std::to_string(number - 100) + ", which holds no image";
}
} // namespace

int warnAboutDrops(const Inspection& inspection) {
    int lines = 0;
    const std::uint64_t base = inspection.source.offset;
    for (const ChunkRecord& chunk : inspection.chunks) {
        if (chunk.result != ChunkResult::refused && chunk.result != ChunkResult::truncated)
            continue;
        warning(inspection.path, base + chunk.offset,
                "chunk " + std::to_string(chunk.index) + " \"" + chunk.tag + "\" " +
                    chunkResultName(chunk.result) + ": " + chunk.problem);
        ++lines;
    }
    for (const ImageRecord& image : inspection.images) {
        std::string what;
        if (image.cut)
            what = image.problem;
        else if (!image.problem.empty() && !image.decoded)
            what = image.dataBlock
                       ? "data block refused: " + image.problem
                       : "not a data block, and as a run-length image: " + image.problem;
        else if (!image.problem.empty())
            what = image.problem;
        else if (image.stored)
            continue;
        else
            what = describeUnstored(image.imageNumber);
        warning(inspection.path, base + image.offset,
                "image " + std::to_string(image.imageNumber) + " dropped: " + what);
        ++lines;
    }
    return lines;
}

bool inspectForCommand(Inspection& inspection) {
    rememberInput(inspection.path);
    FileProblem problem;
    if (isProjectPath(inspection.path)) {
        const std::optional<std::vector<std::uint8_t>> packed = packProjectFile(inspection.path);
        if (!packed) return false;
        if (!inspectBytes(inspection, *packed, problem)) {
            reportProblem(inspection.path, problem);
            return false;
        }
    } else if (!inspectFile(inspection, problem)) {
        reportProblem(inspection.path, problem);
        return false;
    }
    warnAboutDrops(inspection);
    return true;
}

} // namespace cinefold
