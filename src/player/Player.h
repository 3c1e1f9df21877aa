#pragma once
// The Player owns everything the animation needs: the container bytes, the decoded images, the
// tracks and cel groups, the jump tables and the stage settings. This is its portable part; the
// saver's window procedure and the graphics objects sit on top of it.

#include "container/ByteReader.h"
#include "render/ImageStore.h"
#include "timeline/FrameSequencer.h"
#include "timeline/TrackSet.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cinefold {

// What the walk did with one chunk, as the tools report it.
enum class ChunkResult { applied, decoded, refused, skipped, truncated };
// How a packed image was stored.
enum class ImageCodec { none, stored, pairs, rle1, rle8, rle24, rleOther };

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
    int stored = 0;                // what addImage or addMask returned
    bool cut = false;              // the entry reaches past its chunk: nothing was decoded
    bool dataBlock = false;        // undecodable bytes that carry the "DATA" signature
    const char* problem = nullptr; // why neither decoder accepted the bytes
};

// Optional listener for the walk, for the tools. Plain function pointers keep the saver's walk
// free of any extra machinery when nobody listens.
struct WalkObserver {
    void* context = nullptr;
    void (*chunk)(void* context, const ChunkEvent& event) = nullptr;
    void (*image)(void* context, const ImageEvent& event) = nullptr;
};

class Player {
  public:
    static constexpr int branchTableCount = cinefold::branchTableCount;

    // Builds the stage palette (on Windows); the stage bitmap waits for the window.
    Player();
    // Deletes the stage bitmap and palette; the buffers free themselves.
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Restores the stage defaults, reallocates the jump tables and empties tracks and images.
    void reset();

    // Takes ownership of a container's bytes (the tools' loaders and tests use this; the saver
    // reads its own executable through loadContainer).
    void adoptContainer(std::unique_ptr<std::uint8_t[]> buffer, std::uint32_t size);
    // Checks the signature and hands every chunk to its consumer, in file order. Returns 0 when
    // the signature does not match (nothing is loaded), 1 after a walk.
    int walkChunks(const WalkObserver* observer = nullptr);
    int applyStageRecord(const std::uint8_t* words);

#ifdef _WIN32
    // The saver's load: its own executable, through the "RC_DATA" 107 offset resource.
    int loadContainer();

    // The graphics objects: the 256-entry stage palette, built once at construction, and the
    // 24-bit stage bitmap of the loaded stage size, made when the window is created. A stage
    // size the saver cannot use leaves stageBitmap empty, and nothing is presented.
    void createStagePalette();
    void createStageBitmap();

    // The settings store, under the current user. readSetting fills `text` with the value's
    // whole data and returns 1 when the value exists with data, else 0; writeSetting stores a
    // text as REG_SZ without its terminating zero.
    static int readSetting(const char* valueName, std::string& text);
    static void writeSetting(const char* valueName, const char* text);
#endif

    // Hand-offs for the jump table chunks; each reads jumpLength entries of the decoded bytes
    // per table, with the jumpLength in force. Entries the payload does not fill hold -1.
    int loadJumpTable(Bytes decoded);
    int loadBranchTables(Bytes decoded);

    // One timer tick: moves currentFrame on by the jump and branch tables and wraps it to 0 past
    // the last keyframe. tickCount is the system's tick count in milliseconds at this tick; it
    // seeds the random branch. Returns the last keyframe. Defined with the sequencer.
    std::int32_t advanceFrame(std::uint32_t tickCount);

    Bytes container() const {
        return {containerBuffer.get(), containerSize};
    }

    std::uint32_t containerSize = 0;
    std::unique_ptr<std::uint8_t[]> containerBuffer;
    ImageStore imageStore;
    TrackSet trackSet;
    std::vector<std::int32_t> jumpTable;
    std::array<std::vector<std::int32_t>, branchTableCount> branchTables;
    std::int32_t stageWidth = 300;
    std::int32_t stageHeight = 200;
    std::uint32_t backColor = 0;
    std::int32_t backMode = 1;
    std::int32_t currentFrame = 0;
    std::int32_t jumpLength = 1000;
    std::int32_t framePeriod = 0;
    // Graphics handles (HPALETTE and HBITMAP), owned; empty outside Windows.
    void* stagePalette = nullptr;
    void* stageBitmap = nullptr;
    int stretchToDesktop = 0;

  private:
    void releaseGraphics();
};

} // namespace cinefold
