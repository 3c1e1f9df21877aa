// Byte pair encoding into data blocks.
//
// A pair-expanded data block is the 16-byte header followed by pair blocks back to back. Each
// pair block is its own little dictionary: a table that gives some of the 256 byte codes a pair
// of codes to stand for, the 16-bit packed count, and the packed codes. The encoder cuts the
// input into pieces whose bytes leave enough byte values unused to serve as pair codes, and
// packs each piece by repeatedly replacing its most frequent adjacent pair with one unused code
// (PairPacker).

#include "container/PairEncoder.h"

#include "container/DecodeBuffer.h"
#include "container/PairPacker.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace cinefold {

namespace {

constexpr std::size_t headerSize = DecodeBuffer::dataBlockHeaderSize;
// Payloads up to this size that the piece rule cuts are also tried as one piece.
constexpr std::size_t smallPayload = 16384;

// Where the piece that starts at begin ends. A piece leaves the byte values it does not use
// free to become its pair codes, and pays for a pair table; the longer it is, the more each
// code can replace, but the fewer values it leaves free. So it ends before the byte that would
// bring its distinct values above maxDistinct, when it holds inputPerFreeCode bytes for each
// value still free, or at maxBlockInput bytes, whichever comes first. Long runs of few values
// (black margins, tables of -1) thus make long pieces, and varied pixels short ones.
std::size_t pieceEnd(Bytes data, std::size_t begin, const PairEncoderOptions& options) {
    std::array<bool, 256> seen{};
    int distinct = 0;
    std::size_t limit = begin + std::min(options.maxBlockInput, data.size() - begin);
    std::size_t budget = options.inputPerFreeCode * 256;
    std::size_t i = begin;
    for (; i < limit && i - begin < budget; ++i) {
        std::uint8_t c = data[i];
        if (!seen[c]) {
            if (distinct == options.maxDistinct) break;
            seen[c] = true;
            ++distinct;
            budget = options.inputPerFreeCode * std::size_t(256 - distinct);
        }
    }
    return i;
}

void writeHeader(std::vector<std::uint8_t>& block, std::size_t decodedSize, bool packed) {
    storeU32le(block.data(), std::uint32_t(block.size()));
    storeU32le(block.data() + 4, std::uint32_t(decodedSize));
    std::memcpy(block.data() + 8, DecodeBuffer::dataBlockSignature, 4);
    block[12] = 1; // spareFlag, as every writer has set it
    block[13] = packed ? 1 : 0;
    block[14] = 0;
    block[15] = 0;
}

bool fitsDataBlock(Bytes data) {
    return data.size() <= std::size_t(DecodeBuffer::maxDecodedSize);
}

} // namespace

PairEncoder::PairEncoder(const PairEncoderOptions& options)
    : options_(options), packer_(std::make_unique<PairPacker>()) {
    options_.maxDistinct = std::clamp(options_.maxDistinct, 1, 255);
    options_.maxBlockInput = std::max<std::size_t>(options_.maxBlockInput, 1);
    options_.inputPerFreeCode = std::max<std::size_t>(options_.inputPerFreeCode, 1);
    options_.minPairCount = std::max(options_.minPairCount, 2);
}

PairEncoder::~PairEncoder() = default;

std::vector<std::uint8_t> PairEncoder::encode(Bytes data) {
    if (!fitsDataBlock(data)) return {};
    if (data.empty()) return encodeStoredBlock(data);
    std::vector<std::uint8_t> block(headerSize);
    block.reserve(headerSize + data.size() / 2);
    std::size_t pieces = 0;
    for (std::size_t begin = 0; begin < data.size(); ++pieces) {
        std::size_t end = pieceEnd(data, begin, options_);
        // A piece whose packed codes do not fit the 16-bit count is cut in half until they do;
        // a piece of at most 65535 bytes always fits.
        while (!packer_->pack(data.data() + begin, end - begin, options_.minPairCount, block))
            end = begin + (end - begin) / 2;
        begin = end;
        // Once the pair blocks are as long as the data, storing it is no worse.
        if (block.size() - headerSize >= data.size()) return encodeStoredBlock(data);
    }
    // Where a small payload was cut, one piece may still do better, its table paid once; at
    // this size trying costs little.
    if (pieces > 1 && data.size() <= smallPayload) {
        std::vector<std::uint8_t> whole(headerSize);
        if (packer_->pack(data.data(), data.size(), options_.minPairCount, whole) &&
            whole.size() < block.size())
            block.swap(whole);
    }
    writeHeader(block, data.size(), true);
    return block;
}

std::vector<std::uint8_t> encodeStoredBlock(Bytes data) {
    if (!fitsDataBlock(data)) return {};
    std::vector<std::uint8_t> block(headerSize + data.size());
    if (!data.empty()) std::memcpy(block.data() + headerSize, data.data(), data.size());
    writeHeader(block, data.size(), false);
    return block;
}

std::vector<std::uint8_t> encodeDataBlock(Bytes data) {
    // The working tables are kept per thread: setting them up again costs more than encoding
    // a small payload. They hold no state from one encode to the next.
    thread_local PairEncoder encoder;
    return encoder.encode(data);
}

std::vector<std::uint8_t> encodeDataBlock(Bytes data, const PairEncoderOptions& options) {
    return PairEncoder(options).encode(data);
}

} // namespace cinefold
