#include "TestBytes.h"

#include "container/DecodeBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace cinefold;
using namespace cinefold::test;

namespace {

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

// Decodes, after another image, and checks the whole decodedSize + 256 byte buffer: expected
// first, zeros after.
void expectDecodesTo(const ByteVector& packed, const ByteVector& expected) {
    DecodeBuffer buffer;
    ASSERT_NE(buffer.decodeRunLengthImage(packedImage(8, 300, {0xEE, 255})), nullptr);
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

// Runs of every type are checked against plain decoders below; these rows are the ends of the
// input and of the buffer that random streams seldom reach.
class RunLengthImageExample : public testing::TestWithParam<DecodeCase> {};

TEST_P(RunLengthImageExample, DecodesToTheExpectedBytes) {
    expectDecodesTo(GetParam().bytes, GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, RunLengthImageExample,
    testing::Values(
        // Codes 0 0 111000 0 0 0 0 1100 1100 0, and a last code cut short by the end of the
        // input whose run of 1 still counts: 0100001010110010 ("BM"). Eight more one-bit runs from
        // the padding byte make 55, past decodedSize but within the code during which the input
        // ends.
        DecodeCase{"type 1 BM and a padding byte",
                   {0x40, 1, 2, 0, 0, 0, 14, 0, 0, 0, 0x0E, 0x03, 0x30, 0x00},
                   {0x42, 0x4D, 0x55}},
        // Runs 2, 6, 4, 4 (codes 1100 111010 111000 111000) without padding: the last code's
        // final 0 is the unused final bit: its run counts 2
        // (binary 1 and the one suffix bit taken, 0), and the second byte stays incomplete.
        DecodeCase{"type 1 runs 2 6 4 4 without padding",
                   packedImage(1, 2, {0x33, 0xAE, 0x38}),
                   {0xFC, 0x00}},
        // Without bit 7 these bytes would decode to ones.
        DecodeCase{"type 1 with bit 7 of the first byte set writes nothing",
                   packedImage(1, 2, {0xB8, 0x00, 0x00}),
                   {}},
        // 15 zeros (11110111), then a prefix of five 1-bits cut short by the final bit: the
        // code has taken no suffix bits, so its run is 1, not 16 or more, and it is not
        // bound-tested against decodedSize 1.
        DecodeCase{"type 1 input ending in a prefix",
                   packedImage(1, 1, bitStream("11110111 11111 1")),
                   {0x00, 0x80}},
        // A one-bit run of 0, then a code with n = 40 cut short after 35 suffix bits: a run of
        // about 2^35 ones, which the final code may write without a bound test. It fills the
        // decodedSize + 256 byte buffer and the rest is dropped.
        DecodeCase{
            "type 1 final run keeps what fits in the buffer",
            packedImage(1, 1,
                        bitStream("0" + std::string(40, '1') + "0" + std::string(35, '1') + "1")),
            ByteVector{0xFE} + ByteVector(256, 0xFF)},
        // Eight padding 0-bits, the last of them the final bit: seven one-bit runs and the cut
        // code's run make another AA past decodedSize, as the code during which the input
        // ends may (a ninth bit would make it a failure, see the refusals).
        DecodeCase{"type 1 eight bits of padding",
                   packedImage(1, 1, bitStream("10 10 10 10 10 10 0 0  00000000")),
                   {0xAA, 0xAA}},
        DecodeCase{"an unknown codec type writes nothing", packedImage(9, 20, {1, 2, 3, 4}), {}},
        // inputLength 10 or less leaves no data, whatever follows in the packed bytes.
        DecodeCase{"no data", packedImage(8, 4, {0x05, 0x03}, 10), {}}));

// --- Refusals --------------------------------------------------------------------------------

class RunLengthImageFailure : public testing::TestWithParam<RefusalCase> {};

TEST_P(RunLengthImageFailure, FailsWithNoOutputAndSaysWhy) {
    const RefusalCase& c = GetParam();
    DecodeBuffer buffer;
    ASSERT_NE(buffer.decodeRunLengthImage(packedImage(8, 1, {1, 0})), nullptr);
    EXPECT_EQ(buffer.decodeRunLengthImage(c.bytes), nullptr);
    EXPECT_EQ(buffer.output(), nullptr);
    EXPECT_EQ(buffer.size(), 0u);
    ASSERT_NE(buffer.failure(), nullptr);
    EXPECT_STREQ(buffer.failure(), c.failure);
}

INSTANTIATE_TEST_SUITE_P(
    Header, RunLengthImageFailure,
    testing::Values(
        RefusalCase{"nine bytes", ByteVector{0x40, 8, 1, 0, 0, 0, 10, 0, 0},
                    "packed image shorter than its header"},
        RefusalCase{"inputLength 0", packedImage(8, 4, {1, 3}, 0), "input length not positive"},
        RefusalCase{"inputLength -1", packedImage(8, 4, {1, 3}, 0xFFFFFFFF),
                    "input length not positive"},
        RefusalCase{"decodedSize 0", packedImage(8, 0, {1, 3}), "decoded size not positive"},
        RefusalCase{"decodedSize INT_MIN", packedImage(2, INT_MIN, {}),
                    "decoded size not positive"},
        RefusalCase{"decodedSize one over the limit",
                    packedImage(2, DecodeBuffer::maxDecodedSize + 1, {}),
                    "decoded size over limit"},
        RefusalCase{"decodedSize INT_MAX", packedImage(8, INT_MAX, {1, 3}),
                    "decoded size over limit"},
        RefusalCase{"inputLength one past the packed bytes", packedImage(8, 4, {1, 3}, 13),
                    "input length beyond the packed bytes"},
        RefusalCase{"inputLength INT_MAX", packedImage(8, 4, {1, 3}, INT_MAX),
                    "input length beyond the packed bytes"}));

INSTANTIATE_TEST_SUITE_P(
    Runs, RunLengthImageFailure,
    testing::Values(
        RefusalCase{"type 8 one byte over", packedImage(8, 6, {1, 3, 2, 2}),
                    "run past the decoded size"},
        // 86 triples fill the 2 + 256 byte buffer exactly; against 1 + 256 they pass its end.
        RefusalCase{"type 24 run ending at the buffer's end", packedImage(24, 2, {1, 2, 3, 85}),
                    "run past the decoded size"},
        RefusalCase{"type 24 run one byte past the buffer", packedImage(24, 1, {1, 2, 3, 85}),
                    "run past the buffer"},
        // Eight one-bit runs fill decodedSize, then nine padding 0-bits: the eighth usable one
        // completes a second byte before the code during which the input ends.
        RefusalCase{"type 1 nine bits of padding",
                    packedImage(1, 1, bitStream("10 10 10 10 10 0 0 0  000000000")),
                    "run past the decoded size"},
        // Runs of 2056 and 2064 bits that are not the last code: 257 bytes fill the 1 + 256
        // byte buffer exactly, 258 pass its end.
        RefusalCase{"type 1 run ending at the buffer's end",
                    packedImage(1, 1, bitStream(runCode(2056) + "000000")),
                    "run past the decoded size"},
        RefusalCase{"type 1 run one byte past the buffer",
                    packedImage(1, 1, bitStream(runCode(2064) + "000000")), "run past the buffer"},
        // A run of 2^20 zeros that is not the last code.
        RefusalCase{"type 1 long run past the buffer",
                    packedImage(1, 1, bitStream(runCode(1 << 20) + "00000000 0000")),
                    "run past the buffer"},
        // A run whose value has a hundred bits saturates and fails the same way.
        RefusalCase{
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
