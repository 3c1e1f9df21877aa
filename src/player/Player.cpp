#include "player/Player.h"

#include <cstring>

namespace cinefold {

namespace {
// Jump tables are sized by jumpLength, which comes from the container. A frame count beyond
// this (more than 29 hours at ten frames a second) is no animation, and the tables for it are
// not allocated.
constexpr std::int32_t maxJumpLength = 1 << 20;

bool allocateTable(std::vector<std::int32_t>& table, std::int32_t length) {
    if (length < 0 || length > maxJumpLength) return false;
    // Entries that no chunk fills hold -1, which the sequencer reads as "no jump".
    table.assign(std::size_t(length) + 1, -1);
    return true;
}

void copyEntries(std::vector<std::int32_t>& table, Bytes decoded, std::size_t first) {
    ByteReader reader(decoded, first * 4);
    std::size_t count = table.size() - 1; // the last entry is never filled from the container
    for (std::size_t i = 0; i < count && reader.remaining() >= 4; ++i)
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
}

void Player::reset() {
    backMode = 1;
    stageWidth = 300;
    stageHeight = 200;
    jumpLength = 1000;
    backColor = 0;
    allocateTable(jumpTable, jumpLength);
    for (auto& table : branchTables)
        allocateTable(table, jumpLength);
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
    if (!allocateTable(jumpTable, jumpLength)) return 0;
    copyEntries(jumpTable, decoded, 0);
    return 1;
}

int Player::loadBranchTables(Bytes decoded) {
    for (std::size_t i = 0; i < branchTables.size(); ++i) {
        if (!allocateTable(branchTables[i], jumpLength)) return 0;
        copyEntries(branchTables[i], decoded, i * std::size_t(jumpLength));
    }
    return 1;
}

} // namespace cinefold
