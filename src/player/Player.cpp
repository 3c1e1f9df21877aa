#include "player/Player.h"

#include <algorithm>
#include <cstring>

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

// Replaces `table` with the `index`th table of a payload of tables of jumpLength entries each.
void loadTable(std::vector<std::int32_t>& table, std::int32_t jumpLength, Bytes decoded,
               std::size_t index) {
    std::size_t length = jumpLength > 0 ? std::size_t(jumpLength) : 0;
    std::uint64_t first = std::uint64_t(index) * length * 4;
    Bytes payload = first < decoded.size() ? decoded.subspan(std::size_t(first)) : Bytes();
    std::size_t available = std::min(length, payload.size() / 4);
    table.assign(tableEntries(jumpLength, available) + 1, -1);
    ByteReader reader(payload);
    for (std::size_t i = 0; i < available && i + 1 < table.size(); ++i)
        table[i] = reader.i32le();
}
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
    case ImageCodec::rleOther:
        return "rle";
    case ImageCodec::none:
        break;
    }
    return "none";
}

Player::Player() {
    reset();
#ifdef _WIN32
    createStagePalette();
#endif
}

Player::~Player() {
    releaseGraphics();
}

#ifndef _WIN32
void Player::releaseGraphics() {}
#endif

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
    ByteReader reader(Bytes(words, 24));
    stageWidth = reader.i32le();
    stageHeight = reader.i32le();
    backColor = reader.u32le();
    backMode = reader.i32le();
    framePeriod = reader.i32le();
    jumpLength = reader.i32le();
    return 1;
}

int Player::loadJumpTable(Bytes decoded) {
    loadTable(jumpTable, jumpLength, decoded, 0);
    return 1;
}

int Player::loadBranchTables(Bytes decoded) {
    for (std::size_t i = 0; i < branchTables.size(); ++i)
        loadTable(branchTables[i], jumpLength, decoded, i);
    return 1;
}

} // namespace cinefold
