#include "PairExpansionReference.h"
#include "TestBytes.h"

#include "container/DecodeBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

using namespace cinefold;
using namespace cinefold::test;

namespace {

// A data block around data; blockLength counts the header and data unless given.
ByteVector dataBlock(std::int32_t decodedSize, std::uint8_t packedFlag, const ByteVector& data,
                     std::uint8_t spareFlag = 1, std::int64_t blockLength = -1) {
    ByteVector block;
    put32(block, std::uint32_t(blockLength < 0 ? std::int64_t(16 + data.size()) : blockLength));
    put32(block, std::uint32_t(decodedSize));
    block.insert(block.end(), {'D', 'A', 'T', 'A', spareFlag, packedFlag, 0, 0});
    return block + data;
}

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

} // namespace

// --- Decodes --------------------------------------------------------------------------------

// Helpers for the rows below whose tables are too long to spell out.

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
    std::vector<Entry> entries = {{0x80, 'a', 'b'}};
    for (unsigned i = 1; i < 31; ++i)
        entries.push_back({std::uint8_t(0x80 + i), std::uint8_t(0x80 + i - 1), 'z'});
    entries.push_back({0x10, 0x11, 'c'});
    entries.push_back({0x11, 0x10, 'd'});
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

// Pair expansion itself is checked against the plain stack machine below; these rows are the
// table layouts written by hand, the stored path and the depths at the stack's limit.
class DataBlockDecode : public testing::TestWithParam<DecodeCase> {};

TEST_P(DataBlockDecode, WritesTheExpectedBytesAndReplacesTheLastOutput) {
    const DecodeCase& c = GetParam();
    DecodeBuffer buffer;
    ASSERT_NE(buffer.decodeDataBlock(dataBlock(3, 0, text("old"))), nullptr);
    const std::uint8_t* out = buffer.decodeDataBlock(c.bytes);
    ASSERT_NE(out, nullptr) << buffer.failure();
    EXPECT_EQ(buffer.failure(), nullptr);
    EXPECT_EQ(std::int64_t(buffer.size()), DecodeBuffer::decodedSize(c.bytes));
    EXPECT_EQ(ByteVector(out, out + c.written.size()), c.written);
}

INSTANTIATE_TEST_SUITE_P(
    Stored, DataBlockDecode,
    testing::Values(
        DecodeCase{"decodedSize bytes", dataBlock(5, 0, {1, 2, 3, 4, 5}), {1, 2, 3, 4, 5}},
        DecodeCase{"more data than decodedSize", dataBlock(2, 0, {7, 8, 9}), {7, 8}},
        DecodeCase{"empty", dataBlock(0, 0, {}), {}},
        DecodeCase{"spareFlag 0", dataBlock(2, 0, text("hi"), 0), text("hi")},
        // With nothing to copy, the bytes behind the header are pair blocks; their expansion
        // goes into the 12 bytes of headroom.
        DecodeCase{"decodedSize 0 takes the pair path",
                   dataBlock(0, 0, pairBlock(allLiteral, text("x"))), text("x")}));

INSTANTIATE_TEST_SUITE_P(
    Pairs, DataBlockDecode,
    testing::Values(
        DecodeCase{"empty", dataBlock(0, 1, {}), {}},
        DecodeCase{"spareFlag 0", dataBlock(2, 1, pairBlock(allLiteral, text("hi")), 0),
                   text("hi")},
        // FF: skip 0..127, then one entry for 128: the pair 'A' 'B'. FE: skip 129..255. Real
        // blocks overshoot by a byte into the headroom.
        DecodeCase{"count byte 255 reads one entry for 128",
                   dataBlock(4, 1, pairBlock({0xFF, 'A', 'B', 0xFE}, {0x80, 'C', 0x80})),
                   text("ABCAB")},
        DecodeCase{"count byte 127 is followed by 128 entries", dataBlock(3, 1, countByte127()),
                   text("xyz")},
        // 02: three entries for codes 0, 1, 2: literal, pair ('a', 'b'), literal. FF: skip
        // 3..130, then the literal entry for 131. FB: skip 132..255. A mis-sized entry would
        // shift the packed count and the codes.
        DecodeCase{
            "literal entries take one byte and pairs two",
            dataBlock(4, 1, pairBlock({0x02, 0x00, 'a', 'b', 0x02, 0xFF, 0x83, 0xFB}, {1, 'c', 1})),
            text("abcab")},
        DecodeCase{"a stack of 32 is enough; unreached flawed codes do no harm",
                   dataBlock(32, 1, deepestChainBesideFlawedCodes()),
                   text("ab") + ByteVector(30, 'z')},
        DecodeCase{"long right chains need no deep stack", dataBlock(102, 1, longRightChain()),
                   ByteVector(100, 'a') + text("z!")},
        DecodeCase{"long codes repeat and mean what their own block says",
                   dataBlock(305, 1, doublingCodesInTwoBlocks()),
                   ByteVector(64, 'a') + text("x") + ByteVector(96, 'a') + ByteVector(144, 'b')}));

// --- Refusals --------------------------------------------------------------------------------

class DataBlockRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(DataBlockRefusal, RefusesWithNoOutputAndSaysWhy) {
    const RefusalCase& c = GetParam();
    DecodeBuffer buffer;
    // A successful decode first: a refusal must not leave its output behind.
    ASSERT_NE(buffer.decodeDataBlock(dataBlock(1, 0, {1})), nullptr);
    EXPECT_EQ(buffer.decodeDataBlock(c.bytes), nullptr);
    EXPECT_EQ(buffer.output(), nullptr);
    EXPECT_EQ(buffer.size(), 0u);
    ASSERT_NE(buffer.failure(), nullptr);
    EXPECT_STREQ(buffer.failure(), c.failure);
}

ByteVector withByte(ByteVector v, std::size_t at, std::uint8_t value) {
    v[at] = value;
    return v;
}

// 0x80 + i = (0x80 + i - 1, 'z') for i = 1..n - 1 over 0x80 = ('a', 'b'): expanding the last
// code pushes one entry per level on top of the final two, so n levels need n + 1 entries.
ByteVector leftChain(unsigned levels) {
    std::vector<Entry> entries = {{0x80, 'a', 'b'}};
    for (unsigned i = 1; i < levels; ++i)
        entries.push_back({std::uint8_t(0x80 + i), std::uint8_t(0x80 + i - 1), 'z'});
    return pairTable(entries);
}

ByteVector chainWithRightTop() {
    std::vector<Entry> entries = {{0x80, 'a', 'b'}};
    for (unsigned i = 1; i < 31; ++i)
        entries.push_back({std::uint8_t(0x80 + i), std::uint8_t(0x80 + i - 1), 'z'});
    entries.push_back({0xC0, 'a', 0x80 + 30});
    entries.push_back({0xC1, 0xC0, 'b'});
    return pairTable(entries);
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
    Header, DataBlockRefusal,
    testing::Values(
        RefusalCase{"fifteen bytes", ByteVector(goodStored.begin(), goodStored.begin() + 15),
                    "block shorter than its header"},
        RefusalCase{"signature byte 0", withByte(goodStored, 8, 'd'), "bad signature"},
        RefusalCase{"signature byte 3", withByte(goodStored, 11, 'a'), "bad signature"},
        RefusalCase{"spareFlag 2", withByte(goodStored, 12, 2), "bad flags"},
        RefusalCase{"packedFlag 2", withByte(goodStored, 13, 2), "bad flags"},
        RefusalCase{"blockLength 15", dataBlock(0, 1, {}, 1, 15),
                    "block length shorter than its header"},
        RefusalCase{"blockLength negative", dataBlock(0, 1, {}, 1, 0xFFFFFFFF),
                    "block length shorter than its header"},
        RefusalCase{"blockLength one past the data", dataBlock(5, 0, {1, 2, 3, 4, 5}, 1, 22),
                    "block length beyond the data"},
        RefusalCase{"stored decodedSize -1", dataBlock(-1, 0, {1}), "negative decoded size"},
        RefusalCase{"packed decodedSize INT_MIN", dataBlock(INT_MIN, 1, {}),
                    "negative decoded size"},
        RefusalCase{"decodedSize one over the limit",
                    dataBlock(DecodeBuffer::maxDecodedSize + 1, 0, {}), "decoded size over limit"},
        RefusalCase{"16-byte stored block claiming INT_MAX", dataBlock(INT_MAX, 0, {}),
                    "decoded size over limit"},
        RefusalCase{"16-byte packed block claiming INT_MAX", dataBlock(INT_MAX, 1, {}),
                    "decoded size over limit"},
        RefusalCase{"stored decodedSize one past the data", dataBlock(6, 0, {1, 2, 3, 4, 5}),
                    "stored size beyond the block"},
        RefusalCase{"stored data behind blockLength", dataBlock(5, 0, {1, 2, 3, 4, 5}, 1, 20),
                    "stored size beyond the block"}));

INSTANTIATE_TEST_SUITE_P(
    PairTable, DataBlockRefusal,
    testing::Values(
        // FF: k = 128; entry 128; FF: k = 129 + 128 = 257.
        RefusalCase{"skip past code 255", dataBlock(0, 1, {0xFF, 0x80, 0xFF, 0, 0}),
                    "pair table overruns code 255"},
        // FF: k = 128; entry 128; 7F: 128 entries from 129 would reach code 256.
        RefusalCase{"entries past code 255",
                    dataBlock(0, 1,
                              ByteVector{0xFF, 0x80, 0x7F} + literalEntries(129, 256) +
                                  ByteVector{0, 0, 0}),
                    "pair table overruns code 255"},
        RefusalCase{"table cut off at a count byte", dataBlock(0, 1, {0xFF, 0x80}),
                    "pair table cut off"},
        RefusalCase{"table cut off before a right byte", dataBlock(0, 1, {0xFF, 'A'}),
                    "pair table cut off"},
        RefusalCase{"table read past blockLength", dataBlock(0, 1, {0xFF, 0x80, 0xFE, 0, 0}, 1, 18),
                    "pair table cut off"},
        RefusalCase{"packed count cut off", dataBlock(0, 1, allLiteral + ByteVector{0}),
                    "packed bytes cut off"},
        RefusalCase{"packed bytes cut off", dataBlock(3, 1, allLiteral + ByteVector{0, 3, 'a'}),
                    "packed bytes cut off"},
        RefusalCase{"packed bytes behind blockLength",
                    dataBlock(2, 1, allLiteral + ByteVector{0, 2, 'a', 'b'}, 1, 22),
                    "packed bytes cut off"}));

INSTANTIATE_TEST_SUITE_P(
    Expansion, DataBlockRefusal,
    testing::Values(
        RefusalCase{"13 bytes past decodedSize",
                    dataBlock(2, 1, pairBlock(allLiteral, text("fifteen bytes!!"))),
                    "expansion past the buffer"},
        RefusalCase{"one byte short of decodedSize",
                    dataBlock(5, 1, pairBlock(allLiteral, text("four"))),
                    "expansion short of the decoded size"},
        RefusalCase{"16-byte packed block claiming the limit",
                    dataBlock(DecodeBuffer::maxDecodedSize, 1, {}),
                    "expansion short of the decoded size"},
        RefusalCase{"stack of 33", dataBlock(0, 1, pairBlock(leftChain(32), {0x80 + 31})),
                    "stack deeper than 32"},
        RefusalCase{
            "pair reaching itself through its left byte",
            dataBlock(0, 1,
                      pairBlock(pairTable({{0x80, 0x81, 'a'}, {0x81, 0x80, 'b'}}), {'x', 0x81})),
            "expansion without end"},
        // 0xC0 = ('a', top of a 31-level chain) needs 32 entries, like the chain itself;
        // 0xC1 = (0xC0, 'b') needs one more.
        RefusalCase{"stack of 33 through a right byte",
                    dataBlock(0, 1, pairBlock(chainWithRightTop(), {0xC1})),
                    "stack deeper than 32"},
        RefusalCase{"pair reaching itself through its right byte",
                    dataBlock(0, 1, pairBlock(pairTable({{0x80, 'a', 0x80}}), {0x80})),
                    "expansion without end"},
        RefusalCase{"second block overflowing",
                    dataBlock(4, 1,
                              pairBlock(allLiteral, text("abcd")) +
                                  pairBlock(pairTable({{0x80, 'a', 'b'}}), ByteVector(7, 0x80))),
                    "expansion past the buffer"}));

// --- Against the plain stack machine ---------------------------------------------------------

namespace {

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

} // namespace

TEST(DataBlock, MatchesThePlainStackMachineOnRandomBlocks) {
    std::mt19937 rng(20240611);
    int expanded = 0, refused = 0;
    for (int round = 0; round < 4000; ++round) {
        ByteVector data = randomPairBlocks(rng);
        auto full = test::referenceExpandPairs(data, 1 << 16);
        // Aim decodedSize at the interesting edges of the real expansion length.
        std::int64_t length = full ? std::int64_t(full->size()) : std::int64_t(rng() % 5000);
        static const int offsets[] = {0, -1, -12, -13, 1, -5};
        std::int64_t size = std::max<std::int64_t>(0, length + offsets[rng() % 6]);
        ByteVector block = dataBlock(std::int32_t(size), 1, data);

        auto expected = test::referenceDecodeDataBlock(block);
        DecodeBuffer buffer;
        const std::uint8_t* out = buffer.decodeDataBlock(block);
        ASSERT_EQ(out != nullptr, expected.has_value())
            << "round " << round << ": " << (buffer.failure() ? buffer.failure() : "decoded");
        if (!out) {
            ++refused;
            continue;
        }
        ++expanded;
        const std::size_t written = expected->written.size();
        ASSERT_EQ(buffer.size(), std::size_t(size));
        ASSERT_EQ(ByteVector(out, out + written), expected->written) << "round " << round;
        for (std::size_t i = written; i < std::size_t(size) + 12; ++i)
            ASSERT_EQ(out[i], 0) << "round " << round << ": headroom byte " << i;
    }
    // Both outcomes must be well represented for the comparison to mean anything.
    EXPECT_GT(expanded, 1000);
    EXPECT_GT(refused, 1000);
}
