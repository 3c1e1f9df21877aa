// The two container decoders: worked rows at the ends of the input and of the buffer that random
// inputs seldom reach, every refusal with its phrase, comparisons with plain decoders on random
// inputs, and the malformed inputs that once broke something (tests/data/regressions/, each
// file named after what it broke).

#include "PairExpansionReference.h"
#include "TestBytes.h"

#include "container/DecodeBuffer.h"
#include "player/Player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace cinefold;
using namespace cinefold::test;

namespace {

enum class Decoder { dataBlock, runLength };

const std::uint8_t* decode(DecodeBuffer& buffer, Decoder decoder, const ByteVector& bytes) {
    return decoder == Decoder::dataBlock ? buffer.decodeDataBlock(bytes)
                                         : buffer.decodeRunLengthImage(bytes);
}

// The bytes behind decodedSize that a decoder may write into and otherwise clears.
std::size_t headroom(Decoder decoder) {
    return decoder == Decoder::dataBlock ? 12 : 256;
}

// A result comes with no failure phrase and at most the size limit, a refusal with a phrase and
// no output, not even the previous decode's.
void expectContract(const DecodeBuffer& buffer, const std::uint8_t* result) {
    if (result) {
        EXPECT_EQ(buffer.failure(), nullptr);
        EXPECT_EQ(result, buffer.output());
        EXPECT_LE(buffer.size(), std::size_t(DecodeBuffer::maxDecodedSize));
    } else {
        EXPECT_NE(buffer.failure(), nullptr);
        EXPECT_EQ(buffer.output(), nullptr);
        EXPECT_EQ(buffer.size(), 0u);
    }
}

// An input, and either the bytes written from the output's start (zeros follow up to the end of
// the headroom) or the phrase of its refusal.
struct Row {
    const char* name;
    ByteVector bytes, written;
    const char* failure = nullptr;
};
Row decodes(const char* name, const ByteVector& bytes, const ByteVector& written) {
    return {name, bytes, written};
}
Row refuses(const char* name, const ByteVector& bytes, const char* failure) {
    return {name, bytes, {}, failure};
}
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

class DecodeRows : public testing::TestWithParam<Row> {
  protected:
    void check(Decoder decoder) {
        const Row& row = GetParam();
        DecodeBuffer buffer;
        // Another output first, which a decode must replace and a refusal must not leave behind.
        const ByteVector before = decoder == Decoder::dataBlock
                                      ? dataBlock(300, 0, ByteVector(300, 0xEE))
                                      : packedImage(8, 300, {0xEE, 255});
        ASSERT_NE(decode(buffer, decoder, before), nullptr);
        const std::uint8_t* out = decode(buffer, decoder, row.bytes);
        expectContract(buffer, out);
        if (row.failure) {
            EXPECT_STREQ(buffer.failure(), row.failure);
            return;
        }
        ASSERT_NE(out, nullptr) << buffer.failure();
        const std::size_t sizeAt = decoder == Decoder::dataBlock ? 4 : 2;
        EXPECT_EQ(std::int64_t(buffer.size()), ByteReader(row.bytes, sizeAt).i32le());
        ByteVector all = row.written;
        ASSERT_LE(all.size(), buffer.size() + headroom(decoder));
        all.resize(buffer.size() + headroom(decoder), 0);
        EXPECT_EQ(ByteVector(out, out + all.size()), all);
    }
};

class DataBlockRows : public DecodeRows {};
TEST_P(DataBlockRows, DecodeToTheirBytesOrAreRefusedWithTheirPhrase) {
    check(Decoder::dataBlock);
}

class RunLengthImageRows : public DecodeRows {};
TEST_P(RunLengthImageRows, DecodeToTheirBytesOrAreRefusedWithTheirPhrase) {
    check(Decoder::runLength);
}

// --- Data blocks -----------------------------------------------------------------------------

struct Entry {
    std::uint8_t code, left, right;
};

// The shortest table that makes the given codes pairs (or, with left == code, literal entries
// that are spelt out rather than skipped) and leaves every other code literal.
ByteVector pairTable(const std::vector<Entry>& entries) {
    bool listed[256] = {};
    Entry at[256];
    for (const Entry& e : entries) {
        listed[e.code] = true;
        at[e.code] = e;
    }
    auto putEntry = [&](ByteVector& t, unsigned k) {
        const std::uint8_t left = listed[k] ? at[k].left : std::uint8_t(k);
        t.push_back(left);
        if (left != k) t.push_back(at[k].right);
    };
    ByteVector table;
    unsigned k = 0;
    while (k < 256) {
        unsigned literals = 0;
        while (k + literals < 256 && !listed[k + literals] && literals < 128)
            ++literals;
        if (literals > 0) {
            table.push_back(std::uint8_t(127 + literals));
            k += literals;
            if (k == 256) break;
            putEntry(table, k++); // a skip is always followed by one entry
            continue;
        }
        unsigned run = 0;
        while (k + run < 256 && listed[k + run] && run < 128)
            ++run;
        table.push_back(std::uint8_t(run - 1));
        for (unsigned i = 0; i < run; ++i)
            putEntry(table, k++);
    }
    return table;
}

// One pair block: table, big-endian packed count, packed codes.
ByteVector pairBlock(const ByteVector& table, const ByteVector& packed) {
    ByteVector block = table;
    block.push_back(std::uint8_t(packed.size() >> 8));
    block.push_back(std::uint8_t(packed.size()));
    return block + packed;
}

ByteVector text(const std::string& s) {
    return ByteVector(s.begin(), s.end());
}

// A table with no pairs at all: skip 128, one literal entry for 128, skip the remaining 127.
const ByteVector allLiteral = {0xFF, 0x80, 0xFE};

// 0x80 = ('a', 'b') and 0x80 + i = (0x80 + i - 1, 'z') for i = 1..levels - 1, after `more`:
// expanding the top code pushes one entry per level on top of the final two, so n levels need
// n + 1 entries.
std::vector<Entry> leftChain(unsigned levels, std::vector<Entry> more = {}) {
    more.push_back({0x80, 'a', 'b'});
    for (unsigned i = 1; i < levels; ++i)
        more.push_back({std::uint8_t(0x80 + i), std::uint8_t(0x80 + i - 1), 'z'});
    return more;
}

// 7F: entries for 0..127, all literal except 5 = ('x', 'y'); FF: skip 128..255.
ByteVector countByte127() {
    ByteVector table = {0x7F};
    for (unsigned k = 0; k < 128; ++k) {
        if (k == 5) {
            table.insert(table.end(), {'x', 'y'});
        } else {
            table.push_back(std::uint8_t(k));
        }
    }
    table.push_back(0xFF);
    return pairBlock(table, {5, 'z'});
}

// A 31-level left chain needs exactly 32 stack entries. The table also holds a cycle and a
// chain too deep to expand, neither of which the packed codes reach.
ByteVector deepestChainBesideFlawedCodes() {
    std::vector<Entry> entries = leftChain(31, {{0x10, 0x11, 'c'}, {0x11, 0x10, 'd'}});
    for (unsigned i = 0; i < 40; ++i)
        entries.push_back({std::uint8_t(0xC0 + i), std::uint8_t(i ? 0xC0 + i - 1 : 'e'), 'f'});
    return pairBlock(pairTable(entries), {0x80 + 30});
}

// 0x80 = ('a', 'z'); 0x80 + i = ('a', 0x80 + i - 1): 100 levels, 101 bytes, depth 2.
ByteVector longRightChain() {
    std::vector<Entry> entries = {{0x80, 'a', 'z'}};
    for (unsigned i = 1; i < 100; ++i)
        entries.push_back({std::uint8_t(0x80 + i), 'a', std::uint8_t(0x80 + i - 1)});
    return pairBlock(pairTable(entries), {0x80 + 99, '!'});
}

// 0x81 = (c, c), 0x82 = (0x81, 0x81) ... 0x86: 64 copies of c, longer than any code kept flat.
// Each block uses 0x86 more than once, with a different c.
ByteVector doublingCodesInTwoBlocks() {
    auto doubling = [](std::uint8_t c) {
        std::vector<Entry> entries = {{0x81, c, c}};
        for (std::uint8_t code = 0x82; code <= 0x86; ++code)
            entries.push_back({code, std::uint8_t(code - 1), std::uint8_t(code - 1)});
        return pairTable(entries);
    };
    return pairBlock(doubling('a'), {0x86, 'x', 0x86, 0x85}) +
           pairBlock(doubling('b'), {0x86, 0x86, 0x84});
}

ByteVector withByte(ByteVector v, std::size_t at, std::uint8_t value) {
    v[at] = value;
    return v;
}

// Literal entries spelt out for codes first..last - 1.
ByteVector literalEntries(unsigned first, unsigned last) {
    ByteVector v;
    for (unsigned k = first; k < last; ++k)
        v.push_back(std::uint8_t(k));
    return v;
}

const ByteVector goodStored = dataBlock(5, 0, {1, 2, 3, 4, 5});

INSTANTIATE_TEST_SUITE_P(
    Stored, DataBlockRows,
    testing::Values(decodes("decodedSize bytes", goodStored, {1, 2, 3, 4, 5}),
                    decodes("more data than decodedSize", dataBlock(2, 0, {7, 8, 9}), {7, 8}),
                    decodes("empty", dataBlock(0, 0, {}), {}),
                    decodes("spareFlag 0", dataBlock(2, 0, text("hi"), 0), text("hi")),
                    // With nothing to copy, the bytes behind the header are pair blocks; their
                    // expansion goes into the headroom.
                    decodes("decodedSize 0 takes the pair path",
                            dataBlock(0, 0, pairBlock(allLiteral, text("x"))), text("x"))));

INSTANTIATE_TEST_SUITE_P(
    Pairs, DataBlockRows,
    testing::Values(
        decodes("spareFlag 0", dataBlock(2, 1, pairBlock(allLiteral, text("hi")), 0), text("hi")),
        decodes("count byte 127 is followed by 128 entries", dataBlock(3, 1, countByte127()),
                text("xyz")),
        decodes("a stack of 32 is enough; unreached flawed codes do no harm",
                dataBlock(32, 1, deepestChainBesideFlawedCodes()),
                text("ab") + ByteVector(30, 'z')),
        decodes("long right chains need no deep stack", dataBlock(102, 1, longRightChain()),
                ByteVector(100, 'a') + text("z!")),
        decodes("long codes repeat and mean what their own block says",
                dataBlock(305, 1, doublingCodesInTwoBlocks()),
                ByteVector(64, 'a') + text("x") + ByteVector(96, 'a') + ByteVector(144, 'b'))));

INSTANTIATE_TEST_SUITE_P(
    HeaderRefusals, DataBlockRows,
    testing::Values(
        refuses("fifteen bytes", ByteVector(goodStored.begin(), goodStored.begin() + 15),
                "block shorter than its header"),
        refuses("signature byte 0", withByte(goodStored, 8, 'd'), "bad signature"),
        refuses("signature byte 3", withByte(goodStored, 11, 'a'), "bad signature"),
        refuses("spareFlag 2", withByte(goodStored, 12, 2), "bad flags"),
        refuses("packedFlag 2", withByte(goodStored, 13, 2), "bad flags"),
        refuses("blockLength 15", dataBlock(0, 1, {}, 1, 15),
                "block length shorter than its header"),
        refuses("blockLength negative", dataBlock(0, 1, {}, 1, 0xFFFFFFFF),
                "block length shorter than its header"),
        refuses("blockLength one past the data", dataBlock(5, 0, {1, 2, 3, 4, 5}, 1, 22),
                "block length beyond the data"),
        refuses("stored decodedSize -1", dataBlock(-1, 0, {1}), "negative decoded size"),
        refuses("packed decodedSize INT_MIN", dataBlock(INT_MIN, 1, {}), "negative decoded size"),
        refuses("decodedSize one over the limit",
                dataBlock(DecodeBuffer::maxDecodedSize + 1, 0, {}), "decoded size over limit"),
        refuses("16-byte stored block claiming INT_MAX", dataBlock(INT_MAX, 0, {}),
                "decoded size over limit"),
        refuses("16-byte packed block claiming INT_MAX", dataBlock(INT_MAX, 1, {}),
                "decoded size over limit"),
        refuses("stored decodedSize one past the data", dataBlock(6, 0, {1, 2, 3, 4, 5}),
                "stored size beyond the block"),
        refuses("stored data behind blockLength", dataBlock(5, 0, {1, 2, 3, 4, 5}, 1, 20),
                "stored size beyond the block")));

INSTANTIATE_TEST_SUITE_P(
    PairRefusals, DataBlockRows,
    testing::Values(
        // FF: k = 128; entry 128; FF: k = 129 + 128 = 257.
        refuses("skip past code 255", dataBlock(0, 1, {0xFF, 0x80, 0xFF, 0, 0}),
                "pair table overruns code 255"),
        // FF: k = 128; entry 128; 7F: 128 entries from 129 would reach code 256.
        refuses("entries past code 255",
                dataBlock(0, 1,
                          ByteVector{0xFF, 0x80, 0x7F} + literalEntries(129, 256) +
                              ByteVector{0, 0, 0}),
                "pair table overruns code 255"),
        refuses("table read past blockLength", dataBlock(0, 1, {0xFF, 0x80, 0xFE, 0, 0}, 1, 18),
                "pair table cut off"),
        refuses("packed bytes behind blockLength",
                dataBlock(2, 1, allLiteral + ByteVector{0, 2, 'a', 'b'}, 1, 22),
                "packed bytes cut off"),
        refuses("16-byte packed block claiming the limit",
                dataBlock(DecodeBuffer::maxDecodedSize, 1, {}),
                "expansion short of the decoded size"),
        refuses("stack of 33", dataBlock(0, 1, pairBlock(pairTable(leftChain(32)), {0x80 + 31})),
                "stack deeper than 32"),
        // 0xC0 = ('a', top of a 31-level chain) needs 32 entries, like the chain itself;
        // 0xC1 = (0xC0, 'b') needs one more.
        refuses("stack of 33 through a right byte",
                dataBlock(0, 1,
                          pairBlock(pairTable(leftChain(31, {{0xC0, 'a', 0x80 + 30},
                                                             {0xC1, 0xC0, 'b'}})),
                                    {0xC1})),
                "stack deeper than 32"),
        refuses("pair reaching itself through its right byte",
                dataBlock(0, 1, pairBlock(pairTable({{0x80, 'a', 0x80}}), {0x80})),
                "expansion without end"),
        refuses("second block overflowing",
                dataBlock(4, 1,
                          pairBlock(allLiteral, text("abcd")) +
                              pairBlock(pairTable({{0x80, 'a', 'b'}}), ByteVector(7, 0x80))),
                "expansion past the buffer")));

// --- Run-length images -----------------------------------------------------------------------

// The data bytes of a type-1 image from its code stream, written as '0' and '1' characters
// (spaces are ignored). The stream starts in the six low bits of the first byte, so it must
// hold 6 + 8k bits; its last bit is the input's final bit, which the decoder never uses.
ByteVector bitStream(const std::string& text) {
    std::string bits;
    for (char c : text)
        if (c != ' ') bits += c;
    EXPECT_EQ(bits.size() % 8, 6u) << "a type-1 stream fills whole bytes: " << text;
    ByteVector data;
    unsigned byte = 0, filled = 2;
    for (char c : bits) {
        byte = byte << 1 | unsigned(c == '1');
        if (++filled == 8) {
            data.push_back(std::uint8_t(byte));
            byte = 0;
            filled = 0;
        }
    }
    return data;
}

// The run code for a run of v bits: n 1-bits, a 0-bit, then the n - 1 bits of v below its top
// bit. A run of 1 is "0".
std::string runCode(std::uint64_t v) {
    unsigned n = 0;
    while (n < 64 && (v >> n) > 1)
        ++n;
    if (v == 1) return "0";
    ++n;
    std::string code(n, '1');
    code += '0';
    for (int bit = int(n) - 2; bit >= 0; --bit)
        code += (v >> bit & 1) ? '1' : '0';
    return code;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, RunLengthImageRows,
    testing::Values(
        // Codes 0 0 111000 0 0 0 0 1100 1100 0, and a last code cut short by the end of the
        // input whose run of 1 still counts: 0100001010110010 ("BM"). Eight more one-bit runs from
        // the padding byte make 55, past decodedSize but within the code during which the input
        // ends.
        decodes("type 1 BM and a padding byte",
                {0x40, 1, 2, 0, 0, 0, 14, 0, 0, 0, 0x0E, 0x03, 0x30, 0x00}, {0x42, 0x4D, 0x55}),
        // Runs 2, 6, 4, 4 (codes 1100 111010 111000 111000) without padding: the last code's
        // final 0 is the unused final bit: its run counts 2
        // (binary 1 and the one suffix bit taken, 0), and the second byte stays incomplete.
        decodes("type 1 runs 2 6 4 4 without padding", packedImage(1, 2, {0x33, 0xAE, 0x38}),
                {0xFC, 0x00}),
        // Without bit 7 these bytes would decode to ones.
        decodes("type 1 with bit 7 of the first byte set writes nothing",
                packedImage(1, 2, {0xB8, 0x00, 0x00}), {}),
        // A one-bit run of 0, then a code with n = 40 cut short after 35 suffix bits: a run of
        // about 2^35 ones, which the final code may write without a bound test. It fills the
        // decodedSize + 256 byte buffer and the rest is dropped.
        decodes("type 1 final run keeps what fits in the buffer",
                packedImage(
                    1, 1, bitStream("0" + std::string(40, '1') + "0" + std::string(35, '1') + "1")),
                ByteVector{0xFE} + ByteVector(256, 0xFF)),
        // inputLength 10 or less leaves no data, whatever follows in the packed bytes.
        decodes("no data", packedImage(8, 4, {0x05, 0x03}, 10), {})));

INSTANTIATE_TEST_SUITE_P(
    Refusals, RunLengthImageRows,
    testing::Values(
        refuses("nine bytes", ByteVector{0x40, 8, 1, 0, 0, 0, 10, 0, 0},
                "packed image shorter than its header"),
        refuses("inputLength 0", packedImage(8, 4, {1, 3}, 0), "input length not positive"),
        refuses("inputLength -1", packedImage(8, 4, {1, 3}, 0xFFFFFFFF),
                "input length not positive"),
        refuses("decodedSize 0", packedImage(8, 0, {1, 3}), "decoded size not positive"),
        refuses("decodedSize INT_MIN", packedImage(2, INT_MIN, {}), "decoded size not positive"),
        refuses("decodedSize one over the limit",
                packedImage(2, DecodeBuffer::maxDecodedSize + 1, {}), "decoded size over limit"),
        // It would decode to zeros only, and claims 64 MiB of them: nothing is allocated.
        refuses("an unknown codec type", packedImage(9, DecodeBuffer::maxDecodedSize, {1, 2}),
                "unknown codec type"),
        refuses("decodedSize INT_MAX", packedImage(8, INT_MAX, {1, 3}), "decoded size over limit"),
        refuses("inputLength one past the packed bytes", packedImage(8, 4, {1, 3}, 13),
                "input length beyond the packed bytes"),
        refuses("inputLength INT_MAX", packedImage(8, 4, {1, 3}, INT_MAX),
                "input length beyond the packed bytes"),
        // 86 triples fill the 2 + 256 byte buffer exactly; against 1 + 256 they pass its end.
        refuses("type 24 run ending at the buffer's end", packedImage(24, 2, {1, 2, 3, 85}),
                "run past the decoded size"),
        refuses("type 24 run one byte past the buffer", packedImage(24, 1, {1, 2, 3, 85}),
                "run past the buffer"),
        // Runs of 2056 and 2064 bits that are not the last code: 257 bytes fill the 1 + 256
        // byte buffer exactly, 258 pass its end.
        refuses("type 1 run ending at the buffer's end",
                packedImage(1, 1, bitStream(runCode(2056) + "000000")),
                "run past the decoded size"),
        refuses("type 1 run one byte past the buffer",
                packedImage(1, 1, bitStream(runCode(2064) + "000000")), "run past the buffer"),
        // A run of 2^20 zeros that is not the last code.
        refuses("type 1 long run past the buffer",
                packedImage(1, 1, bitStream(runCode(1 << 20) + "00000000 0000")),
                "run past the buffer"),
        // A run whose value has a hundred bits saturates and fails the same way.
        refuses("type 1 run of 2^100 bits",
                packedImage(
                    1, 1, bitStream(std::string(101, '1') + "0" + std::string(100, '1') + "000 0")),
                "run past the buffer")));

// --- Against plain decoders ------------------------------------------------------------------

// One random input, and what a plain decoder makes of it: every byte of the buffer up to the end
// of the headroom, or nothing when it refuses.
struct Trial {
    ByteVector bytes;
    std::optional<ByteVector> expected;
    std::string what;
};

// The decoder must agree with the plain one on every trial, and both outcomes must be common
// for the comparison to mean anything.
void compareWithPlainDecoder(Decoder decoder, std::uint32_t seed, int rounds,
                             const std::function<Trial(std::mt19937&)>& next) {
    std::mt19937 rng(seed);
    int decoded = 0, refused = 0;
    for (int round = 0; round < rounds; ++round) {
        const Trial trial = next(rng);
        DecodeBuffer buffer;
        const std::uint8_t* out = decode(buffer, decoder, trial.bytes);
        ASSERT_EQ(out != nullptr, trial.expected.has_value())
            << "round " << round << ": " << trial.what << ": "
            << (buffer.failure() ? buffer.failure() : "decoded");
        if (!out) {
            ++refused;
            continue;
        }
        ++decoded;
        ASSERT_EQ(buffer.size() + headroom(decoder), trial.expected->size()) << "round " << round;
        ASSERT_EQ(ByteVector(out, out + trial.expected->size()), *trial.expected)
            << "round " << round << ": " << trial.what;
    }
    EXPECT_GT(decoded, rounds / 6);
    EXPECT_GT(refused, rounds / 6);
}

// Random pair blocks: mostly codes built from lower codes, so that many expand, with now and
// then a code that refers upwards (possibly a cycle) or a deep left chain.
ByteVector randomPairBlocks(std::mt19937& rng) {
    auto pick = [&](unsigned n) { return unsigned(rng() % n); };
    ByteVector data;
    const unsigned blocks = 1 + pick(3);
    for (unsigned b = 0; b < blocks; ++b) {
        std::vector<Entry> entries;
        std::vector<std::uint8_t> pairs;
        const unsigned count = pick(4) == 0 ? pick(200) : pick(40);
        bool used[256] = {};
        for (unsigned i = 0; i < count; ++i) {
            const std::uint8_t code = std::uint8_t(1 + pick(255));
            if (used[code]) continue;
            used[code] = true;
            const bool upwards = pick(20) == 0;
            auto part = [&]() {
                return std::uint8_t(upwards ? pick(256) : pick(code)); // below code: no cycle
            };
            std::uint8_t left = part(), right = part();
            if (pick(10) == 0) left = code; // a literal entry spelt out
            entries.push_back({code, left, right});
            if (left != code) pairs.push_back(code);
        }
        ByteVector packed;
        const unsigned length = pick(60);
        for (unsigned i = 0; i < length; ++i)
            packed.push_back(!pairs.empty() && pick(3) ? pairs[pick(unsigned(pairs.size()))]
                                                       : std::uint8_t(pick(256)));
        data = data + pairBlock(pairTable(entries), packed);
    }
    if (pick(30) == 0) data.resize(pick(unsigned(data.size()) + 1)); // cut short
    return data;
}

TEST(DataBlock, MatchesThePlainStackMachineOnRandomBlocks) {
    compareWithPlainDecoder(Decoder::dataBlock, 20240611, 4000, [](std::mt19937& rng) {
        ByteVector data = randomPairBlocks(rng);
        auto full = test::referenceExpandPairs(data, 1 << 16);
        // Aim decodedSize at the interesting edges of the real expansion length.
        std::int64_t length = full ? std::int64_t(full->size()) : std::int64_t(rng() % 5000);
        static const int offsets[] = {0, -1, -12, -13, 1, -5};
        std::int64_t size = std::max<std::int64_t>(0, length + offsets[rng() % 6]);
        Trial trial{dataBlock(std::int32_t(size), 1, data), std::nullopt, "pair blocks"};
        if (auto expected = test::referenceDecodeDataBlock(trial.bytes)) {
            trial.expected = expected->written;
            trial.expected->resize(std::size_t(size) + 12, 0);
        }
        return trial;
    });
}

// Types 8 and 24 as plainly as they can be written: each run one byte or triple at a time.
std::optional<ByteVector> referenceRuns(int type, const ByteVector& data, std::size_t decodedSize) {
    ByteVector out(decodedSize + 256, 0);
    const std::size_t group = type == 8 ? 2 : 4, width = group - 1;
    const std::size_t bound = type == 8 ? decodedSize : decodedSize + 3;
    std::size_t w = 0;
    for (std::size_t p = 0; p + group <= data.size(); p += group) {
        for (unsigned n = 0; n <= data[p + width]; ++n)
            for (std::size_t b = 0; b < width; ++b) {
                if (w == out.size()) return std::nullopt;
                out[w++] = data[p + b];
            }
        if (w > bound) return std::nullopt;
    }
    return out;
}

TEST(RunLengthImage, Types8And24MatchPlainDecodersOnRandomImages) {
    int round = 0;
    compareWithPlainDecoder(Decoder::runLength, 414, 2000, [&](std::mt19937& rng) {
        const int type = round++ % 2 ? 8 : 24;
        const std::size_t width = type == 8 ? 1 : 3;
        ByteVector data;
        std::size_t total = 0;
        const unsigned groups = rng() % 300;
        for (unsigned g = 0; g < groups; ++g) {
            for (std::size_t b = 0; b < width; ++b)
                data.push_back(std::uint8_t(rng()));
            // Mostly short runs, some of every length up to 256.
            const unsigned count = rng() % 4 ? rng() % 8 : rng() % 256;
            data.push_back(std::uint8_t(count));
            total += (count + 1) * width;
        }
        if (rng() % 4 == 0 && !data.empty()) data.pop_back(); // a cut-off last group
        const std::int64_t aim = std::int64_t(total) + std::int64_t(rng() % 9) - 6;
        const std::size_t size = std::size_t(std::max<std::int64_t>(1, aim));
        return Trial{packedImage(std::uint8_t(type), std::int32_t(size), data),
                     referenceRuns(type, data, size), "type " + std::to_string(type)};
    });
}

// Type 1, one bit at a time: every code bit fetched and every run bit queued singly. Runs are
// short in the random streams below, so this stays fast.
std::optional<ByteVector> referenceBitRuns(const ByteVector& data, std::size_t decodedSize) {
    ByteVector out(decodedSize + 256, 0);
    if (data.empty() || data[0] & 0x80) return out;
    std::vector<int> bits;
    for (std::size_t i = 0; i < data.size(); ++i)
        for (int b = i ? 7 : 5; b >= 0; --b)
            bits.push_back(data[i] >> b & 1);
    // The input's final bit is never read: reaching it cuts the code being read short.
    std::size_t p = 0, w = 0, queued = 0;
    std::uint8_t byte = 0;
    bool cut = false;
    auto next = [&](int& bit) {
        if (p + 1 == bits.size()) return !(cut = true);
        bit = bits[p++];
        return true;
    };
    for (int colour = 0;; colour ^= 1) {
        int bit = 0;
        std::size_t n = 0;
        while (next(bit) && bit == 1)
            ++n;
        std::uint64_t v = 1;
        for (std::size_t i = 1; i < n && next(bit); ++i)
            v = 2 * v + std::uint64_t(bit);
        // The run's bits are queued, lowest bit of a byte first; only whole bytes are written.
        for (std::uint64_t i = 0; i < v; ++i) {
            byte |= std::uint8_t(colour << queued);
            if (++queued < 8) continue;
            if (w == out.size()) {
                if (!cut) return std::nullopt;
                break;
            }
            out[w++] = byte;
            byte = 0;
            queued = 0;
        }
        if (cut) return out;
        if (w > decodedSize) return std::nullopt;
    }
}

TEST(RunLengthImage, Type1MatchesAPlainBitAtATimeDecoderOnRandomStreams) {
    compareWithPlainDecoder(Decoder::runLength, 7031, 3000, [](std::mt19937& rng) {
        std::string stream;
        std::uint64_t runBits = 0;
        const unsigned codes = rng() % 40;
        for (unsigned i = 0; i < codes; ++i) {
            const std::uint64_t run = 1 + rng() % (rng() % 3 ? 12 : 300);
            runBits += run;
            stream += run == 1 && rng() % 2 ? "10" : runCode(run); // 10: the long form of 1
        }
        // Random padding; sometimes random bits, which may end the stream inside any code.
        while (stream.size() % 8 != 6 || rng() % 3 == 0)
            stream += rng() % 4 ? '0' : '1';
        ByteVector data = bitStream(stream);
        // decodedSize around the bytes the codes make, so that both outcomes are common.
        const std::int64_t aim = std::int64_t(runBits / 8) + std::int64_t(rng() % 7) - 3;
        const std::size_t size = std::size_t(std::max<std::int64_t>(1, aim));
        return Trial{packedImage(1, std::int32_t(size), data), referenceBitRuns(data, size),
                     stream};
    });
}

// --- Reading -------------------------------------------------------------------------------

TEST(ByteReader, AShortReadFailsStickilyAndReturnsZero) {
    const ByteVector bytes = {0xAA, 0xBB, 0xCC};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.u8(), 0xAA);
    EXPECT_EQ(reader.u32le(), 0u); // only two bytes left
    EXPECT_FALSE(reader.ok());
    EXPECT_EQ(reader.u8(), 0); // still failed, although a byte is left
    EXPECT_EQ(reader.position(), 1u);
}

TEST(ByteReader, TakeRefusesALengthBeyondTheEndWithoutWrapping) {
    const ByteVector bytes(16, 7);
    ByteReader reader(bytes, 8);
    EXPECT_TRUE(reader.take(SIZE_MAX).empty());
    EXPECT_FALSE(reader.ok());
    EXPECT_FALSE(ByteReader(bytes, 17).ok());
    ByteReader exact(bytes, 8);
    EXPECT_EQ(exact.take(8).size(), 8u);
    EXPECT_TRUE(exact.ok());
}

// --- Inputs that once broke something --------------------------------------------------------

// Each goes through both decoders and a whole container load. The sanitizer build turns any
// out-of-bounds access, overflow or leak into a failure.
TEST(FuzzRegression, EveryRegressionInputDecodesOrIsRefusedCleanly) {
    const std::filesystem::path directory =
        std::filesystem::path(CINEFOLD_TEST_DATA) / "regressions";
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << "no regression inputs in " << directory;

    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        std::ifstream in(path, std::ios::binary);
        const ByteVector bytes{std::istreambuf_iterator<char>(in), {}};
        DecodeBuffer buffer;
        for (Decoder decoder : {Decoder::dataBlock, Decoder::runLength})
            expectContract(buffer, decode(buffer, decoder, bytes));

        Player player;
        auto container = std::make_unique<std::uint8_t[]>(bytes.size());
        if (!bytes.empty()) std::memcpy(container.get(), bytes.data(), bytes.size());
        player.adoptContainer(std::move(container), std::uint32_t(bytes.size()));
        player.walkChunks();
    }
}

} // namespace
