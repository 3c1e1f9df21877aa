#pragma once
// The Player owns everything the animation needs: the container bytes, the decoded images, the
// tracks and cel groups, the jump tables and the stage settings. It is portable, so that the
// tools and the tests load and tick exactly what the saver does; the saver's Win32 side
// (SaverPlayer) adds its own executable as the source, the graphics objects and the setting.

#include "base/ByteReader.h"
#include "container/ChunkWalk.h"
#include "render/ImageStore.h"
#include "timeline/FrameSequencer.h"
#include "timeline/TrackSet.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace cinefold {

class Player {
  public:
    static constexpr int branchTableCount = cinefold::branchTableCount;

    Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Restores the stage defaults, reallocates the jump tables and empties tracks and images.
    void reset();

    // Takes ownership of a container's bytes (the tools' loaders and tests use this; the saver
    // reads its own executable through SaverPlayer::loadContainer).
    void adoptContainer(std::unique_ptr<std::uint8_t[]> buffer, std::uint32_t size);
    // Walks the container, the Player consuming every chunk. Returns 0 when the signature does
    // not match (nothing is loaded), 1 after a walk.
    int walkChunks(const WalkObserver* observer = nullptr);
    int applyStageRecord(const std::uint8_t* words);

    // Hand-offs for the jump table chunks; each reads jumpLength entries of the decoded bytes
    // per table, with the jumpLength in force. Entries the payload does not fill hold -1.
    // During a walk, each is refused (0, nothing changed) when the load's budget cannot pay for
    // the tables it writes.
    int loadJumpTable(Bytes decoded);
    int loadBranchTables(Bytes decoded);
    // The schedule hand-off: the track set's loadSchedule, paid for from the load's budget.
    int loadSchedule(std::int32_t decodedSize, Bytes decoded);

    // One timer tick: moves currentFrame on by the jump and branch tables and wraps it to 0 past
    // the last keyframe. tickCount is the system's tick count in milliseconds at this tick; it
    // seeds the random branch. Returns the last keyframe.
    std::int32_t advanceFrame(std::uint32_t tickCount);

    Bytes container() const { return {containerBuffer.get(), containerSize}; }

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
    int stretchToDesktop = 0;

  private:
    // Takes bytes from the budget of the walk in progress; true outside a walk.
    bool charge(std::uint64_t bytes);

    LoadBudget* loadBudget_ = nullptr;
};

} // namespace cinefold
