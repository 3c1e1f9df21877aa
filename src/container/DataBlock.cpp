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
// for each pair code how long its expansion is and how deep the classic expansion stack would
// grow for it, and adds up the length of the whole output. Only when that total lies between
// decodedSize and decodedSize + 12 is the output allocated; a small block that claims a huge
// decodedSize costs nothing. The second pass parses the tables again and writes the output,
// copying each short code's expansion whole from a per-block table of flattened expansions
// rather than one byte at a time, and a long code that comes up again in a block from where
// its first expansion went. A flaw that only unreached codes have (a cycle, or a stack
// deeper than 32) does no harm, as the classic expansion would never meet it either.

#include "container/DecodeBuffer.h"
#include "container/PairTable.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

namespace cinefold {

namespace {

constexpr std::size_t headerSize = DecodeBuffer::dataBlockHeaderSize;
// Room behind decodedSize for the expansion's overshoot.
constexpr std::size_t headroom = 12;
constexpr int maxStackDepth = DecodeBuffer::maxStackDepth;
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

// The pair table of the current pair block, and which codes it makes pairs.
class PairTableReader {
  public:
    // Reads the table of the next pair block. Returns null, or why the table is unusable.
    const char* read(ByteReader& reader) {
        for (unsigned i = 0; i < pairCount_; ++i)
            table_.left[pairs_[i]] = pairs_[i];
        pairCount_ = 0;

        // The table is read straight from the bytes that are left, each read checked against
        // their end; the reader then skips what was used.
        const Bytes rest = reader.data().subspan(reader.position());
        std::size_t p = 0;
        unsigned k = 0;
        for (;;) {
            if (p == rest.size()) return "pair table cut off";
            unsigned count = rest[p++];
            if (count > 127) {
                k += count - 127;
                count = 0;
            }
            if (k > 256) return "pair table overruns code 255";
            if (k == 256) break;
            for (unsigned entry = 0; entry <= count; ++entry, ++k) {
                if (k == 256) return "pair table overruns code 255";
                if (p == rest.size()) return "pair table cut off";
                const std::uint8_t left = rest[p++];
                if (left == k) continue;
                if (p == rest.size()) return "pair table cut off";
                table_.left[k] = left;
                table_.right[k] = rest[p++];
                pairs_[pairCount_++] = std::uint8_t(k);
            }
            if (k == 256) break;
        }
        reader.skip(p);
        return nullptr;
    }

    std::uint8_t left(std::uint8_t code) const { return table_.left[code]; }
    std::uint8_t right(std::uint8_t code) const { return table_.right[code]; }
    // The codes that the current block makes pairs.
    std::span<const std::uint8_t> pairs() const { return {pairs_.data(), pairCount_}; }

  private:
    PairTable table_;
    std::array<std::uint8_t, 256> pairs_;
    unsigned pairCount_ = 0;
};

// What the first pass needs to know of each code of a block: the length of its expansion and
// whether it can be expanded at all. Literal codes keep their settled values (length 1, depth
// 0); only the previous block's pair codes are reset when the next block's table arrives.
class ExpansionSurvey {
  public:
    ExpansionSurvey() {
        length_.fill(1);
        depth_.fill(0);
        flaw_.fill(Flaw::none);
        state_.fill(State::done);
    }

    void update(const PairTableReader& table) {
        for (unsigned i = 0; i < previousCount_; ++i) {
            const std::uint8_t code = previous_[i];
            length_[code] = 1;
            depth_[code] = 0;
            flaw_[code] = Flaw::none;
            state_[code] = State::done;
        }
        const auto pairs = table.pairs();
        previousCount_ = unsigned(pairs.size());
        std::copy(pairs.begin(), pairs.end(), previous_.begin());
        for (std::uint8_t code : pairs)
            state_[code] = State::unvisited;
        for (std::uint8_t code : pairs)
            if (state_[code] == State::unvisited) analyse(table, code);
    }

    // Expansion length of a code, saturated at `unbounded`; a flawed code counts as unbounded.
    std::uint64_t length(std::uint8_t code) const { return length_[code]; }
    Flaw flaw(std::uint8_t code) const { return flaw_[code]; }

    std::uint64_t totalLength(Bytes codes) const {
        // Two sums side by side keep the additions from waiting on each other.
        std::uint64_t a = 0, b = 0;
        std::size_t i = 0;
        for (; i + 4 <= codes.size(); i += 4) {
            a += length_[codes[i]] + length_[codes[i + 1]];
            b += length_[codes[i + 2]] + length_[codes[i + 3]];
        }
        for (; i < codes.size(); ++i)
            a += length_[codes[i]];
        return a + b;
    }

  private:
    enum class State : std::uint8_t { unvisited, visiting, done };

    // Works out length, stack depth and flaw of a pair code, depth first. The depth is the
    // height the classic stack reaches while the code is expanded from an empty stack: pushing
    // its right and left bytes makes 2, the left expansion then runs one entry higher and the
    // right one at the original height. A code that reaches itself again expands forever.
    // Recursion is at most 256 calls deep, one per code on the current path.
    void analyse(const PairTableReader& table, std::uint8_t code) {
        state_[code] = State::visiting;
        const std::uint8_t left = table.left(code);
        const std::uint8_t right = table.right(code);
        if (state_[left] == State::unvisited) analyse(table, left);
        if (state_[right] == State::unvisited) analyse(table, right);

        Flaw flaw = Flaw::none;
        if (state_[left] == State::visiting || state_[right] == State::visiting)
            flaw = Flaw::endless;
        else if (flaw_[left] != Flaw::none)
            flaw = flaw_[left];
        else if (flaw_[right] != Flaw::none)
            flaw = flaw_[right];

        const int depth = std::max({2, 1 + int(depth_[left]), int(depth_[right])});
        if (flaw == Flaw::none && depth > maxStackDepth) flaw = Flaw::tooDeep;

        flaw_[code] = flaw;
        depth_[code] = std::uint8_t(flaw == Flaw::none ? depth : maxStackDepth + 1);
        length_[code] =
            flaw == Flaw::none ? std::min(length_[left] + length_[right], unbounded) : unbounded;
        state_[code] = State::done;
    }

    std::array<std::uint64_t, 256> length_;
    std::array<std::uint8_t, 256> depth_;
    std::array<Flaw, 256> flaw_;
    std::array<State, 256> state_;
    std::array<std::uint8_t, 256> previous_;
    unsigned previousCount_ = 0;
};

// The second pass's writer. Every code that expands to at most flatLimit bytes is flattened
// the first time the block's packed bytes reach it, and from then on copied whole; longer
// codes are taken apart on a stack as in the classic expansion, down to flat codes.
class FlatExpander {
  public:
    FlatExpander() {
        for (unsigned code = 0; code < 256; ++code) {
            flat_[code][0] = std::uint8_t(code);
            flatLength_[code] = 1;
            state_[code] = State::ready;
        }
        copyLength_.fill(0);
    }

    void update(const PairTableReader& table) {
        for (unsigned i = 0; i < previousCount_; ++i) {
            const std::uint8_t code = previous_[i];
            flat_[code][0] = code;
            flatLength_[code] = 1;
            state_[code] = State::ready;
            copyLength_[code] = 0;
        }
        const auto pairs = table.pairs();
        previousCount_ = unsigned(pairs.size());
        std::copy(pairs.begin(), pairs.end(), previous_.begin());
        for (std::uint8_t code : pairs) {
            flatLength_[code] = 0;
            state_[code] = State::unprepared;
        }
    }

    // Writes the expansions of codes from out on, without passing end; the output began at
    // begin. Returns the new write position, or null when they do not fit.
    std::uint8_t* expand(const PairTableReader& table, Bytes codes, std::uint8_t* begin,
                         std::uint8_t* out, std::uint8_t* end) {
        static_assert(flatLimit == 32, "flat codes are copied as two 16-byte halves");
        const std::uint8_t* next = codes.data();
        const std::uint8_t* const last = next + codes.size();
        while (next != last) {
            // Each flat code moves out on by at most flatLimit bytes and writes no further, so
            // as long as there is room for flatLimit bytes behind every one of them, a batch
            // of flat codes needs no bound check. Most codes are short, and two fixed 16-byte
            // moves cost less than an exact copy or a branch on the length.
            const std::size_t batch =
                std::min(std::size_t(last - next), std::size_t(end - out) / flatLimit);
            const std::uint8_t* const stop = next + batch;
            while (next != stop) {
                const std::uint8_t* from = flat_[*next].data();
                const std::size_t length = flatLength_[*next];
                if (length == 0) break;
                ++next;
                std::memcpy(out, from, 16);
                std::memcpy(out + 16, from + 16, 16);
                out += length;
            }
            if (next == last) break;
            // A code not yet prepared, a long code, or a code too close to the end for the
            // unchecked copy.
            const std::uint8_t code = *next++;
            std::uint8_t* const start = out;
            out = expandChecked(table, code, begin, out, end);
            if (!out) return nullptr;
            if (flatLength_[code] == 0 && copyLength_[code] == 0) {
                // Nothing behind out is written again (the wide copies only reach forward), so
                // the next time this code comes up in the block its bytes can be copied from
                // here. Offsets and lengths fit in 32 bits: the output is at most 64 MiB + 12.
                copyFrom_[code] = std::uint32_t(start - begin);
                copyLength_[code] = std::uint32_t(out - start);
            }
        }
        return out;
    }

  private:
    enum class State : std::uint8_t { unprepared, preparing, ready };

    // The classic stack, popping left before right, except that a flat code is copied whole,
    // and so is a long code met before in this block, from where its expansion went.
    std::uint8_t* expandChecked(const PairTableReader& table, std::uint8_t code,
                                std::uint8_t* begin, std::uint8_t* out, std::uint8_t* end) {
        std::uint8_t stack[maxStackDepth];
        int top = 0;
        stack[top++] = code;
        while (top > 0) {
            const std::uint8_t next = stack[--top];
            if (state_[next] == State::unprepared) prepare(table, next);
            if (const std::size_t length = flatLength_[next]) {
                const std::size_t room = std::size_t(end - out);
                if (room >= flatLimit) {
                    std::memcpy(out, flat_[next].data(), flatLimit);
                } else {
                    if (length > room) return nullptr;
                    std::memcpy(out, flat_[next].data(), length);
                }
                out += length;
                continue;
            }
            if (const std::size_t length = copyLength_[next]) {
                if (length > std::size_t(end - out)) return nullptr;
                std::memcpy(out, begin + copyFrom_[next], length);
                out += length;
                continue;
            }
            if (top + 2 > maxStackDepth) return nullptr;
            stack[top++] = table.right(next);
            stack[top++] = table.left(next);
        }
        return out;
    }

    // Flattens a pair code and the codes it is made of when it is short enough, and marks it
    // long (flat length 0) otherwise. The first pass has ruled out cycles among the codes the
    // packed bytes reach; should one be met anyway, the code is treated as long, and the
    // checked expansion refuses it. Recursion is at most 256 calls deep.
    void prepare(const PairTableReader& table, std::uint8_t code) {
        state_[code] = State::preparing;
        const std::uint8_t left = table.left(code);
        const std::uint8_t right = table.right(code);
        if (state_[left] == State::unprepared) prepare(table, left);
        if (state_[right] == State::unprepared) prepare(table, right);
        const std::size_t leftLength = state_[left] == State::ready ? flatLength_[left] : 0;
        const std::size_t rightLength = state_[right] == State::ready ? flatLength_[right] : 0;
        if (leftLength != 0 && rightLength != 0 && leftLength + rightLength <= flatLimit) {
            // Whole flatLimit-byte copies again: the right half lands on the left's spare
            // bytes, and its own spare bytes stay within the row's second half.
            std::memcpy(flat_[code].data(), flat_[left].data(), flatLimit);
            std::memcpy(flat_[code].data() + leftLength, flat_[right].data(), flatLimit);
            flatLength_[code] = std::uint8_t(leftLength + rightLength);
        }
        state_[code] = State::ready;
    }

    // A row holds a flat code's bytes and room for a whole flatLimit-byte copy behind them.
    std::array<std::array<std::uint8_t, 2 * flatLimit>, 256> flat_;
    // 0 for a pair code that is not prepared yet, or too long to be flat.
    std::array<std::uint8_t, 256> flatLength_;
    std::array<State, 256> state_;
    // Where the first expansion of a long code in this block went, and its length (0: none).
    std::array<std::uint32_t, 256> copyFrom_;
    std::array<std::uint32_t, 256> copyLength_;
    std::array<std::uint8_t, 256> previous_;
    unsigned previousCount_ = 0;
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
    if (std::memcmp(signature.data(), dataBlockSignature, 4) != 0) return refuse("bad signature");
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
        const char* why = nullptr;
        std::uint8_t* out = allocate(size + headroom, why);
        if (!out) return refuse(why);
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
        PairTableReader table;
        ExpansionSurvey survey;
        ByteReader reader(block, headerSize);
        std::uint64_t total = 0;
        while (!reader.atEnd()) {
            if (const char* why = table.read(reader)) return refuse(why);
            survey.update(table);
            Bytes codes;
            if (const char* why = readPackedCodes(reader, codes)) return refuse(why);
            const std::uint64_t blockTotal = survey.totalLength(codes);
            if (total + blockTotal > capacity) {
                // Name the first thing that goes wrong, in output order.
                for (std::uint8_t code : codes) {
                    if (survey.flaw(code) != Flaw::none) return refuse(describe(survey.flaw(code)));
                    total += survey.length(code);
                    if (total > capacity) break;
                }
                return refuse("expansion past the buffer");
            }
            total += blockTotal;
        }
        if (total < size) return refuse("expansion short of the decoded size");
    }

    // Second pass: write it. The tables were read once already, so they cannot fail now; the
    // checks stay, so that nothing here depends on the first pass for its safety.
    const char* unallocated = nullptr;
    std::uint8_t* begin = allocate(capacity, unallocated);
    if (!begin) return refuse(unallocated);
    std::uint8_t* end = begin + capacity;
    std::uint8_t* out = begin;
    PairTableReader table;
    FlatExpander expander;
    ByteReader reader(block, headerSize);
    while (!reader.atEnd()) {
        if (const char* why = table.read(reader)) return refuse(why);
        expander.update(table);
        Bytes codes;
        if (const char* why = readPackedCodes(reader, codes)) return refuse(why);
        out = expander.expand(table, codes, begin, out, end);
        if (!out) return refuse("expansion past the buffer");
    }
    // The headroom behind the expansion has no meaning; clear it so that it holds no
    // leftovers of the wide copies.
    std::memset(out, 0, std::size_t(end - out));
    return succeed(size);
}

} // namespace cinefold
