#include "container/DecodeBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace cinefold;
using ByteVector = std::vector<std::uint8_t>;

namespace {

ByteVector operator+(ByteVector a, const ByteVector& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void put32(ByteVector& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v.push_back(std::uint8_t(x >> (8 * i)));
}

// A packed image: header, then data; inputLength counts header and data unless given.
ByteVector packedImage(std::uint8_t codecType, std::int32_t decodedSize, const ByteVector& data,
                       std::int64_t inputLength = -1) {
    ByteVector v = {0x40, codecType};
    put32(v, std::uint32_t(decodedSize));
    put32(v, std::uint32_t(inputLength < 0 ? std::int64_t(10 + data.size()) : inputLength));
    v.insert(v.end(), data.begin(), data.end());
    return v;
}

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

ByteVector written(const DecodeBuffer& buffer, std::size_t count) {
    return ByteVector(buffer.output(), buffer.output() + count);
}

// Decodes and checks the whole decodedSize + 256 byte buffer: expected first, zeros after.
void expectDecodesTo(const ByteVector& packed, const ByteVector& expected) {
    DecodeBuffer buffer;
    ASSERT_NE(buffer.decodeRunLengthImage(packed), nullptr) << buffer.failure();
    EXPECT_EQ(buffer.failure(), nullptr);
    const std::size_t capacity = buffer.size() + 256;
    ASSERT_LE(expected.size(), capacity);
    ByteVector all = expected;
    all.resize(capacity, 0);
    EXPECT_EQ(written(buffer, capacity), all);
}

} // namespace

// --- Worked examples -------------------------------------------------------------------------

struct ExampleCase {
    const char* name;
    ByteVector packed;
    ByteVector decoded; // the bytes written, which may run past decodedSize
};

void PrintTo(const ExampleCase& c, std::ostream* os) {
    *os << c.name;
}

class RunLengthImageExample : public testing::TestWithParam<ExampleCase> {};

TEST_P(RunLengthImageExample, DecodesToTheExpectedBytes) {
    expectDecodesTo(GetParam().packed, GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, RunLengthImageExample,
    testing::Values(
        // Codes 0 0 111000 0 0 0 0 1100 1100 0, and a last code cut short by the end of the
        // input whose run of 1 still counts: 0100001010110010.
        ExampleCase{
            "type 1 BM", {0x40, 1, 2, 0, 0, 0, 13, 0, 0, 0, 0x0E, 0x03, 0x30}, {0x42, 0x4D}},
        // Eight more one-bit runs from the padding byte make 55, past decodedSize but within
        // the code during which the input ends.
        ExampleCase{"type 1 BM and a padding byte",
                    {0x40, 1, 2, 0, 0, 0, 14, 0, 0, 0, 0x0E, 0x03, 0x30, 0x00},
                    {0x42, 0x4D, 0x55}},
        ExampleCase{"type 8",
                    {0x40, 8, 5, 0, 0, 0, 16, 0, 0, 0, 0x42, 0, 0x4D, 0, 0, 2},
                    {0x42, 0x4D, 0, 0, 0}},
        ExampleCase{"type 24", {0x40, 24, 6, 0, 0, 0, 14, 0, 0, 0, 1, 2, 3, 1}, {1, 2, 3, 1, 2, 3}},
        ExampleCase{"type 8 count 255 writes 256 copies", packedImage(8, 256, {0xAB, 255}),
                    ByteVector(256, 0xAB)},
        ExampleCase{
            "type 24 count 0 writes one triple", packedImage(24, 3, {7, 8, 9, 0}), {7, 8, 9}},
        // Runs 15, 16 and 1 (codes 11110111, 1111100000, 0), two 0-bits of padding and the
        // final bit: 15 zeros, 16 ones, a zero, then one-bit runs 1, 0 and 1.
        ExampleCase{"type 1 runs 15 16 1",
                    packedImage(1, 4, bitStream("11110111 1111100000 0 00 0")),
                    {0x00, 0x80, 0xFF, 0x7F}},
        // Runs 2, 6, 4, 4 (codes 1100 111010 111000 111000): FC F0, then the padding byte's
        // seven usable bits and the cut code make eight one-bit runs, AA.
        ExampleCase{"type 1 runs 2 6 4 4 and a padding byte",
                    packedImage(1, 2, {0x33, 0xAE, 0x38, 0x00}),
                    {0xFC, 0xF0, 0xAA}},
        // Without padding the last code's final 0 is the unused final bit: its run counts 2
        // (binary 1 and the one suffix bit taken, 0), and the second byte stays incomplete.
        ExampleCase{"type 1 runs 2 6 4 4 without padding",
                    packedImage(1, 2, {0x33, 0xAE, 0x38}),
                    {0xFC, 0x00}},
        // A run of 300 zeros (code 111111111 0 00101100) and 4 ones: 37 zero bytes and F0. The
        // six padding bits add six one-bit runs, fewer than a byte, which are dropped.
        ExampleCase{"type 1 run of 300",
                    packedImage(1, 38, bitStream(runCode(300) + runCode(4) + "000000")),
                    ByteVector(37, 0x00) + ByteVector{0xF0}}));

// --- Bounds of types 8 and 24 ----------------------------------------------------------------

TEST(RunLengthImage, Type8SucceedsWhenItsRunsEndExactlyAtDecodedSize) {
    // Runs of 4 and 3 bytes: 7 bytes.
    expectDecodesTo(packedImage(8, 7, {1, 3, 2, 2}), {1, 1, 1, 1, 2, 2, 2});
}

TEST(RunLengthImage, Type24RunsMayEndUpToThreeBytesPastDecodedSize) {
    // Two triples, six bytes, against decodedSize 6 down to 3.
    for (std::int32_t size = 3; size <= 6; ++size)
        expectDecodesTo(packedImage(24, size, {1, 2, 3, 1}), {1, 2, 3, 1, 2, 3});
}

TEST(RunLengthImage, UnknownCodecTypesDecodeToAZeroedBufferOfDecodedSizePlus256) {
    for (std::uint8_t type : {0, 2, 7, 9, 23, 25, 255}) {
        SCOPED_TRACE(int(type));
        expectDecodesTo(packedImage(type, 20, {1, 2, 3, 4, 5, 6, 7, 8}), {});
    }
}

TEST(RunLengthImage, ImagesWithoutDataDecodeToAZeroedBuffer) {
    // inputLength 10 or less leaves no data, whatever follows in the packed bytes; type 1 has
    // no first byte to test either.
    for (std::uint8_t type : {1, 8, 24})
        for (std::int64_t inputLength : {1, 9, 10}) {
            SCOPED_TRACE(testing::Message()
                         << "type " << int(type) << " inputLength " << inputLength);
            expectDecodesTo(packedImage(type, 4, {0x05, 0x03, 0x05, 0x03}, inputLength), {});
        }
}

TEST(RunLengthImage, ALastGroupCutOffByInputLengthIsNotRead) {
    // The bytes behind inputLength belong to the packed image but not to its data.
    expectDecodesTo(packedImage(8, 8, {0x42, 3, 0x4D, 5}, 13), {0x42, 0x42, 0x42, 0x42});
    expectDecodesTo(packedImage(24, 8, {1, 2, 3, 0, 4, 5, 6, 0}, 17), {1, 2, 3});
}

// --- Bit runs --------------------------------------------------------------------------------

TEST(RunLengthImage, Type1WithBit7OfTheFirstByteSetDecodesToAZeroedBuffer) {
    // Without bit 7 these bytes decode to ones.
    for (std::uint8_t first : {0x80, 0xC0, 0xFF}) {
        SCOPED_TRACE(int(first));
        expectDecodesTo(packedImage(1, 2, {std::uint8_t(first | 0x38), 0x00, 0x00}), {});
    }
}

TEST(RunLengthImage, Type1CodesZeroAndOneZeroBothMeanARunOfOne) {
    // Eight one-bit runs, alternating from 0: AA, coded as 0 or as 10 in any mix. The stream
    // lengths differ, so the padding makes up the difference; its usable bits (all but the
    // final one) and the cut code add fewer than eight bits, which are dropped.
    expectDecodesTo(packedImage(1, 1, bitStream("0 0 0 0 0 0 0 0  000000")), {0xAA});
    expectDecodesTo(packedImage(1, 1, bitStream("10 0 10 0 0 0 0 0  0000")), {0xAA});
    expectDecodesTo(packedImage(1, 1, bitStream("10 10 10 10 10 10 10 10  000000")), {0xAA});
}

TEST(RunLengthImage, Type1PaddingOfNineZeroBitsFailsAndOfEightSucceeds) {
    // Eight one-bit runs fill decodedSize (1 byte, AA); then `padding` 0-bits, the last of them
    // the final bit. Each usable padding bit is a one-bit run; the eighth of them completes a
    // second byte and fails the decode, unless it comes from the code during which the input
    // ends. Runs are coded 0 or 10 so that the stream fills whole bytes.
    for (unsigned padding = 1; padding <= 17; ++padding) {
        SCOPED_TRACE(testing::Message() << "padding " << padding);
        const unsigned codeBits = 8 + (6 + 64 - 8 - padding) % 8; // 8..15
        std::string stream;
        for (unsigned run = 0; run < 8; ++run)
            stream += run < codeBits - 8 ? "10" : "0";
        stream += std::string(padding, '0');
        DecodeBuffer buffer;
        const std::uint8_t* out = buffer.decodeRunLengthImage(packedImage(1, 1, bitStream(stream)));
        if (padding >= 9) {
            EXPECT_EQ(out, nullptr);
            EXPECT_STREQ(buffer.failure(), "run past the decoded size");
            continue;
        }
        ASSERT_NE(out, nullptr) << buffer.failure();
        // Eight padding bits: seven one-bit runs and the cut code's run make another AA.
        EXPECT_EQ(written(buffer, 3), ByteVector({0xAA, std::uint8_t(padding == 8 ? 0xAA : 0), 0}));
    }
}

TEST(RunLengthImage, Type1InputEndingInAPrefixGivesARunOfOne) {
    // 15 zeros (11110111), then a prefix of five 1-bits cut short by the final bit, 0 or 1: the
    // code has taken no suffix bits, so its run is 1, not 16 or more.
    for (char last : {'0', '1'}) {
        SCOPED_TRACE(last);
        expectDecodesTo(packedImage(1, 2, bitStream(std::string("11110111 11111") + last)),
                        {0x00, 0x80});
    }
    // Even with decodedSize 1 the cut code is not bound-tested.
    expectDecodesTo(packedImage(1, 1, bitStream("11110111 11111 1")), {0x00, 0x80});
}

TEST(RunLengthImage, Type1InputEndingInASuffixKeepsTheBitsTakenBeforeTheEnd) {
    // 15 zeros, then a code with n = 9 of whose eight suffix bits only three (111) come before
    // the final bit: its run is binary 1111, 15 ones. 30 bits: 00 80 FF and six dropped.
    expectDecodesTo(packedImage(1, 3, bitStream("11110111 1111111110 111 0")), {0x00, 0x80, 0xFF});
}

TEST(RunLengthImage, Type1DropsFewerThanEightQueuedBitsAtTheEnd) {
    // Runs 3 and 3 (codes 1101 1101), five usable padding bits and the cut code: 000111 01
    // make B8, and the four bits 0101 left in the queue are not written.
    expectDecodesTo(packedImage(1, 2, bitStream("1101 1101  000000")), {0xB8});
    // A run of 7 zeros (111011), seven usable padding bits and the cut code: 0000000 1 make
    // 80, and the seven bits 0101010 left in the queue are not written.
    expectDecodesTo(packedImage(1, 2, bitStream("111011  00000000")), {0x80});
}

TEST(RunLengthImage, Type1FinalRunKeepsWhatFitsInTheBuffer) {
    // A one-bit run of 0, then a code with n = 40 cut short after 35 suffix bits: a run of
    // about 2^35 ones, which the final code may write without a bound test. It fills the
    // decodedSize + 256 byte buffer and the rest is dropped.
    std::string stream = "0" + std::string(40, '1') + "0" + std::string(35, '1') + "1";
    expectDecodesTo(packedImage(1, 1, bitStream(stream)), ByteVector{0xFE} + ByteVector(256, 0xFF));
}

TEST(RunLengthImage, DecodingAgainReplacesThePreviousOutput) {
    DecodeBuffer buffer;
    ASSERT_NE(buffer.decodeRunLengthImage(packedImage(8, 2, {9, 1})), nullptr);
    ASSERT_NE(buffer.decodeRunLengthImage(packedImage(24, 3, {4, 5, 6, 0})), nullptr);
    EXPECT_EQ(written(buffer, 4), ByteVector({4, 5, 6, 0}));
    EXPECT_EQ(buffer.size(), 3u);
}

// --- Refusals --------------------------------------------------------------------------------

struct FailureCase {
    const char* name;
    ByteVector packed;
    const char* failure;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class RunLengthImageFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(RunLengthImageFailure, FailsWithNoOutputAndSaysWhy) {
    const FailureCase& c = GetParam();
    DecodeBuffer buffer;
    ASSERT_NE(buffer.decodeRunLengthImage(packedImage(8, 1, {1, 0})), nullptr);
    EXPECT_EQ(buffer.decodeRunLengthImage(c.packed), nullptr);
    EXPECT_EQ(buffer.output(), nullptr);
    EXPECT_EQ(buffer.size(), 0u);
    ASSERT_NE(buffer.failure(), nullptr);
    EXPECT_STREQ(buffer.failure(), c.failure);
}

INSTANTIATE_TEST_SUITE_P(
    Header, RunLengthImageFailure,
    testing::Values(
        FailureCase{"nine bytes", ByteVector{0x40, 8, 1, 0, 0, 0, 10, 0, 0},
                    "packed image shorter than its header"},
        FailureCase{"inputLength 0", packedImage(8, 4, {1, 3}, 0), "input length not positive"},
        FailureCase{"inputLength -1", packedImage(8, 4, {1, 3}, 0xFFFFFFFF),
                    "input length not positive"},
        FailureCase{"decodedSize 0", packedImage(8, 0, {1, 3}), "decoded size not positive"},
        FailureCase{"decodedSize INT_MIN", packedImage(2, INT_MIN, {}),
                    "decoded size not positive"},
        FailureCase{"decodedSize one over the limit",
                    packedImage(2, DecodeBuffer::maxDecodedSize + 1, {}),
                    "decoded size over limit"},
        FailureCase{"decodedSize INT_MAX", packedImage(8, INT_MAX, {1, 3}),
                    "decoded size over limit"},
        FailureCase{"inputLength one past the packed bytes", packedImage(8, 4, {1, 3}, 13),
                    "input length beyond the packed bytes"},
        FailureCase{"inputLength INT_MAX", packedImage(8, 4, {1, 3}, INT_MAX),
                    "input length beyond the packed bytes"}));

INSTANTIATE_TEST_SUITE_P(
    Runs, RunLengthImageFailure,
    testing::Values(
        FailureCase{"type 8 one byte over", packedImage(8, 6, {1, 3, 2, 2}),
                    "run past the decoded size"},
        FailureCase{"type 8 over in the first run", packedImage(8, 1, {1, 1, 2, 2}),
                    "run past the decoded size"},
        FailureCase{"type 24 four bytes over", packedImage(24, 2, {1, 2, 3, 1}),
                    "run past the decoded size"},
        // 86 triples fill the 2 + 256 byte buffer exactly; against 1 + 256 they pass its end.
        FailureCase{"type 24 run ending at the buffer's end", packedImage(24, 2, {1, 2, 3, 85}),
                    "run past the decoded size"},
        FailureCase{"type 24 run one byte past the buffer", packedImage(24, 1, {1, 2, 3, 85}),
                    "run past the buffer"},
        // 256 triples, 768 bytes, against a buffer of 1 + 256.
        FailureCase{"type 24 run past the buffer", packedImage(24, 1, {1, 2, 3, 255}),
                    "run past the buffer"},
        // Runs 8 and 8 fill two bytes; fourteen padding bits follow.
        FailureCase{"type 1 past decodedSize",
                    packedImage(1, 2, bitStream("11110000 11110000 00000000000000")),
                    "run past the decoded size"},
        // Runs of 2056 and 2064 bits that are not the last code: 257 bytes fill the 1 + 256
        // byte buffer exactly, 258 pass its end.
        FailureCase{"type 1 run ending at the buffer's end",
                    packedImage(1, 1, bitStream(runCode(2056) + "000000")),
                    "run past the decoded size"},
        FailureCase{"type 1 run one byte past the buffer",
                    packedImage(1, 1, bitStream(runCode(2064) + "000000")), "run past the buffer"},
        // A run of 2^20 zeros that is not the last code.
        FailureCase{"type 1 long run past the buffer",
                    packedImage(1, 1, bitStream(runCode(1 << 20) + "00000000 0000")),
                    "run past the buffer"},
        // A run whose value has a hundred bits saturates and fails the same way.
        FailureCase{
            "type 1 run of 2^100 bits",
            packedImage(1, 1,
                        bitStream(std::string(101, '1') + "0" + std::string(100, '1') + "000 0")),
            "run past the buffer"}));

// --- Against plain decoders ------------------------------------------------------------------

namespace {

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

} // namespace

TEST(RunLengthImage, Types8And24MatchPlainDecodersOnRandomImages) {
    std::mt19937 rng(414);
    int decoded = 0, failed = 0;
    for (int round = 0; round < 2000; ++round) {
        const int type = round % 2 ? 8 : 24;
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
        auto expected = referenceRuns(type, data, size);
        DecodeBuffer buffer;
        const std::uint8_t* out =
            buffer.decodeRunLengthImage(packedImage(std::uint8_t(type), std::int32_t(size), data));
        ASSERT_EQ(out != nullptr, expected.has_value()) << "round " << round;
        if (!out) {
            ++failed;
            continue;
        }
        ++decoded;
        ASSERT_EQ(ByteVector(out, out + size + 256), *expected) << "round " << round;
    }
    EXPECT_GT(decoded, 500);
    EXPECT_GT(failed, 500);
}

// --- Against a plain bit-at-a-time decoder ---------------------------------------------------

namespace {

// Type 1, one bit at a time: every code bit fetched and every run bit queued singly. Runs are
// short in the random streams below, so this stays fast.
std::optional<ByteVector> referenceBitRuns(const ByteVector& data, std::size_t decodedSize) {
    ByteVector out(decodedSize + 256, 0);
    if (data.empty() || data[0] & 0x80) return out;
    std::vector<int> bits;
    for (int b = 5; b >= 0; --b)
        bits.push_back(data[0] >> b & 1);
    for (std::size_t i = 1; i < data.size(); ++i)
        for (int b = 7; b >= 0; --b)
            bits.push_back(data[i] >> b & 1);
    const std::size_t usable = bits.size() - 1;
    std::size_t p = 0, w = 0;
    std::vector<int> queue;
    int colour = 0;
    for (;;) {
        bool cut = false;
        std::size_t n = 0;
        while (true) {
            if (p == usable) {
                cut = true;
                break;
            }
            if (bits[p++] == 0) break;
            ++n;
        }
        std::uint64_t v = 1;
        for (std::size_t i = 1; i < n && !cut; ++i) {
            if (p == usable) {
                cut = true;
                break;
            }
            v = 2 * v + std::uint64_t(bits[p++]);
        }
        for (std::uint64_t i = 0; i < v; ++i) {
            queue.push_back(colour);
            if (queue.size() == 8) {
                if (w == out.size()) {
                    if (!cut) return std::nullopt;
                    break;
                }
                std::uint8_t byte = 0;
                for (int b = 0; b < 8; ++b)
                    byte |= std::uint8_t(queue[std::size_t(b)] << b);
                out[w++] = byte;
                queue.clear();
            }
        }
        colour ^= 1;
        if (cut) return out;
        if (w > decodedSize) return std::nullopt;
    }
}

} // namespace

TEST(RunLengthImage, Type1MatchesAPlainBitAtATimeDecoderOnRandomStreams) {
    std::mt19937 rng(7031);
    int decoded = 0, failed = 0;
    for (int round = 0; round < 3000; ++round) {
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
        auto expected = referenceBitRuns(data, size);
        DecodeBuffer buffer;
        const std::uint8_t* out =
            buffer.decodeRunLengthImage(packedImage(1, std::int32_t(size), data));
        ASSERT_EQ(out != nullptr, expected.has_value()) << "round " << round << ": " << stream;
        if (!out) {
            ++failed;
            continue;
        }
        ++decoded;
        ASSERT_EQ(ByteVector(out, out + size + 256), *expected)
            << "round " << round << ": " << stream;
    }
    EXPECT_GT(decoded, 500);
    EXPECT_GT(failed, 500);
}
