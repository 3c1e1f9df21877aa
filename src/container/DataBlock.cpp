// Data blocks: the "DATA" envelope that carries the schedule, the cel groups, the jump tables and
// most packed images, either stored as they are or expanded by byte pair encoding. Integers are
// little-endian, except the packed count of a pair block, which is big-endian.
//
//   block       +0  blockLength   i32: total length, header included; expansion stops here
//               +4  decodedSize   i32: number of meaningful decoded bytes
//               +8  "DATA"
//               +12 spareFlag     u8: 0 or 1, and no other effect
//               +13 packedFlag    u8: 0 stored, 1 pair-expanded
//               +14 reserved      2 bytes, not read
//               +16 data          the stored bytes, or pair blocks back to back up to blockLength
//
//   pair block  table         count bytes and entries, below
//               packedCount   u16, high byte first
//               packed bytes  packedCount codes
//
//   table       k = 0, then repeat: read a count byte c; if c > 127, skip c - 127 codes
//               (k += c - 127) and let c = 0; stop when k is 256; otherwise read c + 1
//               entries, each the left byte of code k and, when that differs from k, its right
//               byte (k += 1 per entry); stop when k is 256.
//
// A code whose left byte is the code itself is a literal. Any other code stands for the
// expansion of its left byte followed by the expansion of its right byte. Left bytes start as
// literals in every pair block; right bytes are only ever consulted for codes that the block's
// own table makes pairs, so they need no reset. The written bytes of all pair blocks form one
// continuous output.
//
// The output buffer holds decodedSize + 12 bytes. The encoder's expansion runs one byte past
// decodedSize in every block it writes, and the 12 bytes of headroom take that in, so an
// expansion may end anywhere from decodedSize to decodedSize + 12 bytes. It may not end short
// of decodedSize: whoever reads the decoded bytes would read bytes that were never written.
//
// Expansion is done in two passes over the pair blocks. The first parses every table, works out
// for each code that a block's packed bytes reach how long its expansion is and how deep the
// classic expansion stack would grow for it, and adds up the length of the whole output. Only
// when that total lies between decodedSize and decodedSize + 12 is the output allocated; a
// small block that claims a huge decodedSize costs nothing. The second pass parses the tables
// again and writes the output, copying each short code's expansion whole from a per-block table
// of flattened expansions rather than one byte at a time.

#include "container/DecodeBuffer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace cinefold {

namespace {

constexpr std::size_t headerSize = 16;
// Room behind decodedSize for the expansion's overshoot.
constexpr std::size_t headroom = 12;
// The classic expansion stack holds 32 codes; a code that would need more is refused.
constexpr int maxStackDepth = 32;
// Codes that expand to at most this many bytes are kept flattened, ready to copy.
constexpr std::size_t flatLimit = 32;
// Lengths saturate here. It is far beyond any output buffer, and 65535 packed codes of this
// length still add up without overflow.
constexpr std::uint64_t unbounded = std::uint64_t(1) << 40;

// Why a code cannot be expanded, whatever its place in the output.
enum class Flaw : std::uint8_t { none, endless, tooDeep };

const char* describe(Flaw flaw) {
    return flaw == Flaw::endless ? "expansion without end" : "stack deeper than 32";
}

// The pair table of the current pair block, with what is known about each code's expansion.
// Literal codes always hold their settled values (length 1, depth 0, flattened to themselves);
// the codes that a block makes pairs are recorded so that the next block can turn them back
// into literals without touching all 256 entries.
class PairTable {
  public:
    PairTable() {
        for (unsigned code = 0; code < 256; ++code) {
            left_[code] = std::uint8_t(code);
            right_[code] = 0;
            length_[code] = 1;
            depth_[code] = 0;
            flaw_[code] = Flaw::none;
            state_[code] = State::done;
            flat_[code][0] = std::uint8_t(code);
            flatLength_[code] = 1;
        }
    }

    // Reads the table of the next pair block and analyses its pair codes. Returns null, or why
    // the table is unusable.
    const char* read(ByteReader& reader) {
        for (unsigned i = 0; i < pairCount_; ++i)
            makeLiteral(pairs_[i]);
        pairCount_ = 0;

        unsigned k = 0;
        for (;;) {
            unsigned count = reader.u8();
            if (!reader.ok()) return "pair table cut off";
            if (count > 127) {
                k += count - 127;
                count = 0;
            }
            if (k > 256) return "pair table overruns code 255";
            if (k == 256) break;
            for (unsigned entry = 0; entry <= count; ++entry) {
                if (k == 256) return "pair table overruns code 255";
                std::uint8_t left = reader.u8();
                if (left != k) {
                    std::uint8_t right = reader.u8();
                    if (!reader.ok()) return "pair table cut off";
                    makePair(std::uint8_t(k), left, right);
                }
                if (!reader.ok()) return "pair table cut off";
                ++k;
            }
            if (k == 256) break;
        }
        for (unsigned i = 0; i < pairCount_; ++i)
            if (state_[pairs_[i]] == State::unvisited) analyse(pairs_[i]);
        return nullptr;
    }

    // Expansion length of a code, saturated at `unbounded`; a flawed code counts as unbounded.
    std::uint64_t length(std::uint8_t code) const { return length_[code]; }
    Flaw flaw(std::uint8_t code) const { return flaw_[code]; }

    // Fills the flattened expansions of this block's short pair codes.
    void flatten() {
        for (unsigned i = 0; i < pairCount_; ++i)
            if (length_[pairs_[i]] <= flatLimit) flattenCode(pairs_[i]);
    }

    // Writes the expansion of code at out, without passing end; returns the new write
    // position, or null when the expansion does not fit (or needs a deeper stack, which the
    // analysis has already ruled out for every code that reaches here).
    std::uint8_t* expand(std::uint8_t code, std::uint8_t* out, std::uint8_t* end) const {
        if (flatLength_[code] != 0) return copyFlat(code, out, end);
        // A long code: the classic stack, popping left before right, except that any code
        // short enough to be flat is copied whole instead of being taken apart further.
        std::uint8_t stack[maxStackDepth];
        int top = 0;
        stack[top++] = code;
        while (top > 0) {
            std::uint8_t next = stack[--top];
            if (flatLength_[next] != 0) {
                out = copyFlat(next, out, end);
                if (!out) return nullptr;
                continue;
            }
            if (top + 2 > maxStackDepth) return nullptr;
            stack[top++] = right_[next];
            stack[top++] = left_[next];
        }
        return out;
    }

  private:
    enum class State : std::uint8_t { unvisited, visiting, done };

    void makeLiteral(std::uint8_t code) {
        left_[code] = code;
        length_[code] = 1;
        depth_[code] = 0;
        flaw_[code] = Flaw::none;
        state_[code] = State::done;
        flat_[code][0] = code;
        flatLength_[code] = 1;
    }

    void makePair(std::uint8_t code, std::uint8_t left, std::uint8_t right) {
        left_[code] = left;
        right_[code] = right;
        state_[code] = State::unvisited;
        flatLength_[code] = 0;
        pairs_[pairCount_++] = code;
    }

    // Works out length, stack depth and flaw of a pair code, depth first. The depth is the
    // height the classic stack reaches while the code is expanded from an empty stack: pushing
    // its right and left bytes makes 2, the left expansion then runs one entry higher and the
    // right one at the original height. A code that reaches itself again expands forever.
    // Recursion is at most 256 calls deep, one per code on the current path.
    void analyse(std::uint8_t code) {
        state_[code] = State::visiting;
        const std::uint8_t left = left_[code];
        const std::uint8_t right = right_[code];
        if (state_[left] == State::unvisited) analyse(left);
        if (state_[right] == State::unvisited) analyse(right);

        Flaw flaw = Flaw::none;
        if (state_[left] == State::visiting || state_[right] == State::visiting)
            flaw = Flaw::endless;
        else if (flaw_[left] != Flaw::none)
            flaw = flaw_[left];
        else if (flaw_[right] != Flaw::none)
            flaw = flaw_[right];

        int depth = std::max({2, 1 + int(depth_[left]), int(depth_[right])});
        if (flaw == Flaw::none && depth > maxStackDepth) flaw = Flaw::tooDeep;

        flaw_[code] = flaw;
        depth_[code] = std::uint8_t(flaw == Flaw::none ? depth : maxStackDepth + 1);
        length_[code] =
            flaw == Flaw::none ? std::min(length_[left] + length_[right], unbounded) : unbounded;
        state_[code] = State::done;
    }

    // Only called for codes of at most flatLimit bytes, whose parts are shorter still.
    void flattenCode(std::uint8_t code) {
        if (flatLength_[code] != 0) return;
        const std::uint8_t left = left_[code];
        const std::uint8_t right = right_[code];
        flattenCode(left);
        flattenCode(right);
        std::memcpy(flat_[code].data(), flat_[left].data(), flatLength_[left]);
        std::memcpy(flat_[code].data() + flatLength_[left], flat_[right].data(),
                    flatLength_[right]);
        flatLength_[code] = std::uint8_t(flatLength_[left] + flatLength_[right]);
    }

    std::uint8_t* copyFlat(std::uint8_t code, std::uint8_t* out, std::uint8_t* end) const {
        const std::size_t length = flatLength_[code];
        const std::size_t room = std::size_t(end - out);
        if (room >= flatLimit) {
            // A fixed-size copy compiles to a few wide moves; the bytes past length are
            // overwritten by whatever comes next, or cleared at the end of the decode.
            std::memcpy(out, flat_[code].data(), flatLimit);
        } else {
            if (length > room) return nullptr;
            std::memcpy(out, flat_[code].data(), length);
        }
        return out + length;
    }

    std::array<std::uint8_t, 256> left_;
    std::array<std::uint8_t, 256> right_;
    std::array<std::uint64_t, 256> length_;
    std::array<std::uint8_t, 256> depth_;
    std::array<Flaw, 256> flaw_;
    std::array<State, 256> state_;
    std::array<std::array<std::uint8_t, flatLimit>, 256> flat_;
    // 0 for a pair code not flattened (yet, or at all because it is too long).
    std::array<std::uint8_t, 256> flatLength_;
    std::array<std::uint8_t, 256> pairs_;
    unsigned pairCount_ = 0;
};

// One pair block's packed codes, read after its table.
const char* readPackedCodes(ByteReader& reader, Bytes& codes) {
    const std::uint16_t count = reader.u16be();
    codes = reader.take(count);
    return reader.ok() ? nullptr : "packed bytes cut off";
}

} // namespace

const std::uint8_t* DecodeBuffer::decodeDataBlock(Bytes block) {
    begin();
    ByteReader header(block);
    const std::int32_t blockLength = header.i32le();
    const std::int32_t decoded = header.i32le();
    Bytes signature = header.take(4);
    const std::uint8_t spareFlag = header.u8();
    const std::uint8_t packedFlag = header.u8();
    header.skip(2);
    if (!header.ok()) return refuse("block shorter than its header");
    if (std::memcmp(signature.data(), "DATA", 4) != 0) return refuse("bad signature");
    if (spareFlag > 1 || packedFlag > 1) return refuse("bad flags");
    if (blockLength < std::int32_t(headerSize))
        return refuse("block length shorter than its header");
    if (std::size_t(blockLength) > block.size()) return refuse("block length beyond the data");
    if (decoded < 0) return refuse("negative decoded size");
    if (decoded > maxDecodedSize) return refuse("decoded size over limit");

    Bytes data = block.first(std::size_t(blockLength));
    if (packedFlag == 0 && decoded > 0) {
        const std::size_t size = std::size_t(decoded);
        if (size > data.size() - headerSize) return refuse("stored size beyond the block");
        std::uint8_t* out = allocate(size + headroom, false);
        std::memcpy(out, data.data() + headerSize, size);
        std::memset(out + size, 0, headroom);
        return succeed(size);
    }
    return expandPairs(data, decoded);
}

const std::uint8_t* DecodeBuffer::expandPairs(Bytes block, std::int32_t decoded) {
    const std::size_t size = std::size_t(decoded);
    const std::size_t capacity = size + headroom;

    // First pass: check every table and add up the expansion.
    {
        PairTable table;
        ByteReader reader(block, headerSize);
        std::uint64_t total = 0;
        while (!reader.atEnd()) {
            if (const char* why = table.read(reader)) return refuse(why);
            Bytes codes;
            if (const char* why = readPackedCodes(reader, codes)) return refuse(why);
            std::uint64_t blockTotal = 0;
            for (std::uint8_t code : codes)
                blockTotal += table.length(code);
            if (total + blockTotal > capacity) {
                // Name the first thing that goes wrong, in output order.
                for (std::uint8_t code : codes) {
                    if (table.flaw(code) != Flaw::none) return refuse(describe(table.flaw(code)));
                    total += table.length(code);
                    if (total > capacity) break;
                }
                return refuse("expansion past the buffer");
            }
            total += blockTotal;
        }
        if (total < size) return refuse("expansion short of the decoded size");
    }

    // Second pass: write it.
    std::uint8_t* begin = allocate(capacity, false);
    std::uint8_t* end = begin + capacity;
    std::uint8_t* out = begin;
    PairTable table;
    ByteReader reader(block, headerSize);
    while (!reader.atEnd()) {
        if (const char* why = table.read(reader)) return refuse(why);
        table.flatten();
        Bytes codes;
        if (const char* why = readPackedCodes(reader, codes)) return refuse(why);
        for (std::uint8_t code : codes) {
            out = table.expand(code, out, end);
            if (!out) return refuse("expansion past the buffer");
        }
    }
    // The headroom behind the expansion has no meaning; clear it so that it holds no
    // leftovers of the wide copies.
    std::memset(out, 0, std::size_t(end - out));
    return succeed(size);
}

} // namespace cinefold
