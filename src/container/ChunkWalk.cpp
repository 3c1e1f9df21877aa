// The animation container, as appended to the saver's executable. Integers are little-endian;
// offsets count from the container's first byte.
//
//   container  +0  "VEKO_S10"      signature, 8 bytes, no terminator
//              +8  walkLimit       i32: the walk goes on while the next chunk header lies below it
//              +12 chunks          back to back, no padding
//   chunk      +0  tag             4 characters: P_DT SCHE GRP_ JP__ JPEX BMP_ (others skipped)
//              +4  length          i32 payload length
//              +8  payload
//   P_DT       six u32 words: stageWidth stageHeight backColor backMode framePeriod jumpLength
//   SCHE GRP_ JP__ JPEX   one data block each
//   BMP_       image list: entries back to back until the chunk length is consumed
//   entry      +0  imageNumber     u16: 1..100 an image, 101.. the mask of image number - 100
//              +2  packedSize      u32
//              +6  packed bytes    a data block, or else a run-length image
//
// The walk never trusts a length. A chunk whose header or payload reaches past the container's
// end, or whose length is negative, ends the walk there: nothing after it can be framed. An
// image list entry that reaches past its chunk ends that list, and the walk goes on at the next
// chunk. A P_DT payload shorter than the 24 bytes of a stage record is refused. The walk also
// ends at the first entry that its load's budget (LoadBudget.h) cannot pay for.

#include "container/ChunkWalk.h"

#include "container/ContainerHeader.h"
#include "container/DecodeBuffer.h"

#include <cstring>

namespace cinefold {

namespace {

enum class Tag { stage, schedule, groups, jumpTable, branchTables, images, unknown };

Tag matchTag(const std::uint8_t* tag) {
    static const struct {
        char name[5];
        Tag tag;
    } known[] = {{"P_DT", Tag::stage},  {"BMP_", Tag::images},    {"SCHE", Tag::schedule},
                 {"GRP_", Tag::groups}, {"JP__", Tag::jumpTable}, {"JPEX", Tag::branchTables}};
    for (const auto& k : known)
        if (std::memcmp(tag, k.name, 4) == 0) return k.tag;
    return Tag::unknown;
}

ImageCodec dataBlockCodec(Bytes packed) {
    return DecodeBuffer::isPairExpanded(packed) ? ImageCodec::pairs : ImageCodec::stored;
}

ImageCodec runLengthCodec(Bytes packed) {
    switch (DecodeBuffer::runLengthType(packed)) {
    case 1:
        return ImageCodec::rle1;
    case 8:
        return ImageCodec::rle8;
    case 24:
        return ImageCodec::rle24;
    default:
        return ImageCodec::none; // the decoder refuses any other type
    }
}

class Walk {
  public:
    Walk(const ChunkConsumer& consumer, const WalkObserver* observer, LoadBudget& budget)
        : consumer_(consumer), budget_(budget),
          observer_(observer && (observer->chunk || observer->image) ? observer : nullptr) {}

    void chunk(ChunkEvent& event, Bytes payload) {
        switch (matchTag(reinterpret_cast<const std::uint8_t*>(event.tag))) {
        case Tag::stage:
            if (payload.size() < stageRecordSize) {
                event.result = ChunkResult::refused;
                event.problem = "stage record shorter than 24 bytes";
            } else {
                if (consumer_.stageRecord)
                    consumer_.stageRecord(consumer_.context, payload.first(stageRecordSize));
                event.result = ChunkResult::applied;
            }
            break;
        case Tag::schedule:
        case Tag::groups:
        case Tag::jumpTable:
        case Tag::branchTables:
            dataBlockChunk(event, payload);
            return; // reported while the decoded bytes are alive
        case Tag::images:
            imageList(event, payload);
            break;
        case Tag::unknown:
            event.result = ChunkResult::skipped;
            break;
        }
        report(event);
    }

    void report(const ChunkEvent& event) {
        if (observer_ && observer_->chunk) observer_->chunk(observer_->context, event);
    }

    bool budgetSpent() const { return budget_.spent(); }

  private:
    void dataBlockChunk(ChunkEvent& event, Bytes payload) {
        DecodeBuffer buffer(&budget_);
        if (!buffer.decodeDataBlock(payload)) {
            event.result = ChunkResult::refused;
            event.problem = buffer.failure();
            report(event);
            return;
        }
        Bytes decoded = buffer.bytes();
        void (*handOff)(void*, Bytes) = nullptr;
        switch (matchTag(reinterpret_cast<const std::uint8_t*>(event.tag))) {
        case Tag::schedule:
            if (consumer_.schedule)
                consumer_.schedule(consumer_.context, DecodeBuffer::decodedSize(payload), decoded);
            break;
        case Tag::groups:
            handOff = consumer_.groups;
            break;
        case Tag::jumpTable:
            handOff = consumer_.jumpTable;
            break;
        case Tag::branchTables:
            handOff = consumer_.branchTables;
            break;
        default:
            break;
        }
        if (handOff) handOff(consumer_.context, decoded);
        event.result = ChunkResult::decoded;
        if (budget_.spent()) {
            // The consumer's own work did not fit.
            event.result = ChunkResult::refused;
            event.problem = LoadBudget::exceeded;
        }
        event.hasDecodedSize = true;
        event.decodedSize = DecodeBuffer::decodedSize(payload);
        event.decoded = decoded;
        report(event);
    }

    void imageList(ChunkEvent& event, Bytes payload) {
        event.result = ChunkResult::decoded;
        ByteReader list(payload);
        int entryIndex = 0;
        // The length is positive here, so the first entry is always read.
        do {
            ImageEvent image;
            image.chunkIndex = event.index;
            image.entryIndex = entryIndex++;
            image.offset = event.offset + 8 + std::uint32_t(list.position());
            image.imageNumber = list.u16le();
            image.packedSize = list.u32le();
            Bytes packed = list.take(image.packedSize);
            if (!list.ok()) {
                event.result = ChunkResult::truncated;
                event.problem = "image list entry reaches past the chunk";
                image.problem = event.problem;
                image.cut = true;
                if (observer_ && observer_->image) observer_->image(observer_->context, image);
                break;
            }
            packedImage(image, packed);
            if (budget_.spent()) {
                event.result = ChunkResult::truncated;
                event.problem = LoadBudget::exceeded;
                break;
            }
        } while (!list.atEnd());
    }

    void packedImage(ImageEvent& image, Bytes packed) {
        DecodeBuffer buffer(&budget_);
        // A run-length image that fails part way keeps its partial output in the buffer, so
        // success is taken from the decoders' results, not from the buffer.
        bool decoded = buffer.decodeDataBlock(packed) != nullptr;
        if (decoded) {
            image.codec = dataBlockCodec(packed);
        } else {
            image.dataBlock = DecodeBuffer::hasDataBlockSignature(packed);
            const char* blockFailure = buffer.failure();
            decoded = !budget_.spent() && buffer.decodeRunLengthImage(packed) != nullptr;
            if (decoded)
                image.codec = runLengthCodec(packed);
            else if (budget_.spent())
                image.problem = LoadBudget::exceeded;
            else
                image.problem = image.dataBlock ? blockFailure : buffer.failure();
        }
        if (decoded) {
            image.decoded = buffer.bytes();
            // Signed on purpose: image number 0 gives slot -1, which addImage refuses.
            int slot = int(image.imageNumber) - 1;
            auto handOff = slot < 100 ? consumer_.image : consumer_.mask;
            image.stored = handOff ? handOff(consumer_.context, slot, image.decoded) : 0;
        }
        if (observer_ && observer_->image) observer_->image(observer_->context, image);
    }

    const ChunkConsumer& consumer_;
    LoadBudget& budget_;
    const WalkObserver* observer_;
};

} // namespace

const char* chunkResultName(ChunkResult result) {
    switch (result) {
    case ChunkResult::applied:
        return "applied";
    case ChunkResult::decoded:
        return "decoded";
    case ChunkResult::refused:
        return "refused";
    case ChunkResult::skipped:
        return "skipped";
    case ChunkResult::truncated:
        return "truncated";
    }
    return "skipped";
}

const char* imageCodecName(ImageCodec codec) {
    switch (codec) {
    case ImageCodec::stored:
        return "stored";
    case ImageCodec::pairs:
        return "pairs";
    case ImageCodec::rle1:
        return "rle1";
    case ImageCodec::rle8:
        return "rle8";
    case ImageCodec::rle24:
        return "rle24";
    case ImageCodec::none:
        break;
    }
    return "none";
}

int walkChunks(Bytes container, const ChunkConsumer& consumer, const WalkObserver* observer,
               LoadBudget* budget) {
    if (container.size() < containerHeaderSize || !hasContainerSignature(container)) return 0;

    ByteReader header(container, containerSignatureSize);
    const std::int32_t walkLimit = header.i32le();
    LoadBudget ownBudget(container.size());
    Walk walk(consumer, observer, budget ? *budget : ownBudget);

    // 64-bit offsets: a container is at most 4 GiB and a payload length at most 2 GiB, so the
    // next offset never wraps, and the signed comparison with walkLimit stays exact.
    std::int64_t offset = containerHeaderSize;
    int index = 0;
    do {
        // A container that ends right after a payload simply has no more chunks.
        if (std::size_t(offset) == container.size()) break;
        ChunkEvent event;
        event.index = index++;
        event.offset = std::uint32_t(offset);
        ByteReader reader(container, std::size_t(offset));
        Bytes tagBytes = reader.take(4);
        if (!tagBytes.empty()) std::memcpy(event.tag, tagBytes.data(), 4);
        event.length = reader.i32le();
        if (!reader.ok()) {
            // A partial tag is still shown, for what it is worth.
            std::size_t left = container.size() - std::size_t(offset);
            if (left < 4) std::memcpy(event.tag, container.data() + offset, left);
            event.result = ChunkResult::truncated;
            event.problem = "chunk header reaches past the end of the container";
            walk.report(event);
            break;
        }
        if (event.length < 0) {
            event.result = ChunkResult::truncated;
            event.problem = "negative chunk length";
            walk.report(event);
            break;
        }
        Bytes payload = reader.take(std::size_t(event.length));
        if (!reader.ok()) {
            event.result = ChunkResult::truncated;
            event.problem = "chunk payload reaches past the end of the container";
            walk.report(event);
            break;
        }
        if (event.length == 0) {
            event.result = ChunkResult::skipped;
            walk.report(event);
        } else {
            walk.chunk(event, payload);
            if (walk.budgetSpent()) break;
        }
        offset += 8 + std::int64_t(event.length);
    } while (offset < walkLimit);
    return 1;
}

} // namespace cinefold
