#pragma once
// The chunk walk: checks a container's signature and hands every chunk, in file order, to a
// consumer that keeps what it needs. The walk owns the framing and the decoders; what the
// payloads mean is the consumer's business, so that the container layer knows nothing of the
// layers that use it. A listener may watch the walk as well, for the tools' reports.

#include "base/ByteReader.h"
#include "container/LoadBudget.h"

#include <cstddef>
#include <cstdint>

namespace cinefold {

// What the walk did with one chunk, as the tools report it.
enum class ChunkResult { applied, decoded, refused, skipped, truncated };
// How a packed image was stored.
enum class ImageCodec { none, stored, pairs, rle1, rle8, rle24 };

const char* chunkResultName(ChunkResult result);
const char* imageCodecName(ImageCodec codec);

struct ChunkEvent {
    int index = 0;            // counts the chunks the walk visited, from 0
    std::uint32_t offset = 0; // of the chunk's tag, from the container's first byte
    char tag[4] = {};         // as stored; bytes past the container's end are 0
    std::int32_t length = 0;  // as stored
    ChunkResult result = ChunkResult::skipped;
    bool hasDecodedSize = false; // a decoded data block: decodedSize is its header word
    std::int32_t decodedSize = 0;
    Bytes decoded; // the meaningful decoded bytes of a data block, while the call runs
    const char* problem = nullptr; // why a chunk was refused or truncated
};

struct ImageEvent {
    int chunkIndex = 0;
    int entryIndex = 0;       // position in the chunk's image list, from 0
    std::uint32_t offset = 0; // of the entry's header, from the container's first byte
    std::uint16_t imageNumber = 0;
    std::uint32_t packedSize = 0;
    ImageCodec codec = ImageCodec::none;
    Bytes decoded;                 // empty when neither decoder accepted the packed bytes
    int stored = 0;                // what the consumer's image or mask hand-off returned
    bool cut = false;              // the entry reaches past its chunk: nothing was decoded
    bool dataBlock = false;        // undecodable bytes that carry the "DATA" signature
    const char* problem = nullptr; // why neither decoder accepted the bytes
};

// The "P_DT" payload: six 32-bit words (stageWidth, stageHeight, backColor, backMode,
// framePeriod, jumpLength). A shorter payload is refused.
inline constexpr std::size_t stageRecordSize = 24;

// Where the walk delivers the payloads. Every hand-off gets the decoded bytes, which live only
// while the call runs. Plain function pointers keep the saver's walk free of any machinery
// beyond the calls themselves; a hand-off left empty drops its payloads.
struct ChunkConsumer {
    void* context = nullptr;
    // "P_DT": the stage record.
    void (*stageRecord)(void* context, Bytes record) = nullptr;
    // "SCHE", with the block's decodedSize word.
    void (*schedule)(void* context, std::int32_t decodedSize, Bytes decoded) = nullptr;
    // "GRP_", "JP__" and "JPEX".
    void (*groups)(void* context, Bytes decoded) = nullptr;
    void (*jumpTable)(void* context, Bytes decoded) = nullptr;
    void (*branchTables)(void* context, Bytes decoded) = nullptr;
    // A decoded image for store slot `slot` (image number - 1, possibly out of range), and a
    // mask for slot `index` - 100 (index is the mask's number - 1). Each returns 1 when kept.
    int (*image)(void* context, int slot, Bytes decoded) = nullptr;
    int (*mask)(void* context, int index, Bytes decoded) = nullptr;
};

// Optional listener, for the tools.
struct WalkObserver {
    void* context = nullptr;
    void (*chunk)(void* context, const ChunkEvent& event) = nullptr;
    void (*image)(void* context, const ImageEvent& event) = nullptr;
};

// Returns 0 when the container is shorter than its header or its signature does not match
// (nothing is delivered), 1 after a walk. The decoders charge their output to `budget`, or to a
// budget of the walk's own for the container's size when none is given; consumers that charge
// the same budget for their own work are given it by the caller. The walk ends at the entry
// whose charge did not fit, reporting it refused (a data block chunk) or cut (an image list).
int walkChunks(Bytes container, const ChunkConsumer& consumer,
               const WalkObserver* observer = nullptr, LoadBudget* budget = nullptr);

} // namespace cinefold
