#include "player/Player.h"

#include <algorithm>

namespace cinefold {

namespace {
// Jump tables hold jumpLength + 1 entries, the last one never filled from the container. Entries
// that no payload fills hold -1, "no jump", and the sequencer reads a frame beyond a table's end
// the same way. So a table for a jumpLength beyond this bound (more than 29 hours at ten frames
// a second) is cut to the entries its payload really holds, plus the spare one: it behaves as
// the full table would, and no header can make the saver allocate more than its payload's size.
// A negative jumpLength covers no frame: the table is the spare entry alone.
constexpr std::int32_t largestFullTable = 1 << 20;

std::size_t tableEntries(std::int32_t jumpLength, std::size_t available) {
    if (jumpLength <= 0) return 0;
    if (jumpLength <= largestFullTable) return std::size_t(jumpLength);
    return std::min(std::size_t(jumpLength), available);
}

// The part of a payload of tables of jumpLength entries each that holds the `index`th table,
// and how many of its entries are there.
Bytes tablePayload(std::int32_t jumpLength, Bytes decoded, std::size_t index,
                   std::size_t& available) {
    const std::size_t length = jumpLength > 0 ? std::size_t(jumpLength) : 0;
    const std::uint64_t first = std::uint64_t(index) * length * 4;
    Bytes payload = first < decoded.size() ? decoded.subspan(std::size_t(first)) : Bytes();
    available = std::min(length, payload.size() / 4);
    return payload;
}

// Replaces `table` with the `index`th table of a payload of tables of jumpLength entries each.
void loadTable(std::vector<std::int32_t>& table, std::int32_t jumpLength, Bytes decoded,
               std::size_t index) {
    std::size_t available = 0;
    ByteReader reader(tablePayload(jumpLength, decoded, index, available));
    table.assign(tableEntries(jumpLength, available) + 1, -1);
    for (std::size_t i = 0; i < available && i + 1 < table.size(); ++i)
        table[i] = reader.i32le();
}

// What loadTable writes, in bytes.
std::uint64_t tableBytes(std::int32_t jumpLength, Bytes decoded, std::size_t index) {
    std::size_t available = 0;
    tablePayload(jumpLength, decoded, index, available);
    return (std::uint64_t(tableEntries(jumpLength, available)) + 1) * sizeof(std::int32_t);
}
} // namespace

Player::Player() {
    reset();
}

void Player::reset() {
    backMode = 1;
    stageWidth = 300;
    stageHeight = 200;
    jumpLength = 1000;
    backColor = 0;
    jumpTable.assign(std::size_t(jumpLength) + 1, -1);
    for (auto& table : branchTables)
        table.assign(std::size_t(jumpLength) + 1, -1);
    trackSet.clear();
    imageStore.freeAll();
}

void Player::adoptContainer(std::unique_ptr<std::uint8_t[]> buffer, std::uint32_t size) {
    containerBuffer = std::move(buffer);
    containerSize = containerBuffer ? size : 0;
}

int Player::applyStageRecord(const std::uint8_t* words) {
    ByteReader reader(Bytes(words, stageRecordSize));
    stageWidth = reader.i32le();
    stageHeight = reader.i32le();
    backColor = reader.u32le();
    backMode = reader.i32le();
    framePeriod = reader.i32le();
    jumpLength = reader.i32le();
    return 1;
}

bool Player::charge(std::uint64_t bytes) {
    return !loadBudget_ || loadBudget_->spend(bytes);
}

int Player::loadJumpTable(Bytes decoded) {
    // Each table is written whole, so a load pays for all of its entries.
    if (!charge(tableBytes(jumpLength, decoded, 0))) return 0;
    loadTable(jumpTable, jumpLength, decoded, 0);
    return 1;
}

int Player::loadBranchTables(Bytes decoded) {
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < branchTables.size(); ++i)
        bytes += tableBytes(jumpLength, decoded, i);
    if (!charge(bytes)) return 0;
    for (std::size_t i = 0; i < branchTables.size(); ++i)
        loadTable(branchTables[i], jumpLength, decoded, i);
    return 1;
}

int Player::loadSchedule(std::int32_t decodedSize, Bytes decoded) {
    // The new keys are merged with every key the tracks already hold, so a schedule costs what
    // the tracks will hold after it, not only its own size.
    std::uint64_t keys = decoded.size() / keyRecordSize;
    keys += trackSet.background().keys().size();
    for (int layer = 1; layer < TrackSet::layerCount; ++layer)
        keys += trackSet.layer(layer).keys().size();
    if (!charge(keys * sizeof(KeyRecord))) return 0;
    return trackSet.loadSchedule(decodedSize, decoded);
}

int Player::walkChunks(const WalkObserver* observer) {
    ChunkConsumer consumer;
    consumer.context = this;
    consumer.stageRecord = [](void* self, Bytes record) {
        static_cast<Player*>(self)->applyStageRecord(record.data());
    };
    consumer.schedule = [](void* self, std::int32_t decodedSize, Bytes decoded) {
        static_cast<Player*>(self)->loadSchedule(decodedSize, decoded);
    };
    consumer.groups = [](void* self, Bytes decoded) {
        static_cast<Player*>(self)->trackSet.loadGroups(decoded);
    };
    consumer.jumpTable = [](void* self, Bytes decoded) {
        static_cast<Player*>(self)->loadJumpTable(decoded);
    };
    consumer.branchTables = [](void* self, Bytes decoded) {
        static_cast<Player*>(self)->loadBranchTables(decoded);
    };
    consumer.image = [](void* self, int slot, Bytes decoded) {
        return static_cast<Player*>(self)->imageStore.addImage(slot, decoded);
    };
    consumer.mask = [](void* self, int index, Bytes decoded) {
        return static_cast<Player*>(self)->imageStore.addMask(index, decoded);
    };
    // One budget for the decoders and for the Player's own work on what they deliver.
    LoadBudget budget(container().size());
    loadBudget_ = &budget;
    const int walked = cinefold::walkChunks(container(), consumer, observer, &budget);
    loadBudget_ = nullptr;
    return walked;
}

std::int32_t Player::advanceFrame(std::uint32_t tickCount) {
    std::int32_t last = trackSet.lastFrame();
    currentFrame = followingFrame(currentFrame, jumpTable, branchTables, last, tickCount);
    return last;
}

} // namespace cinefold
