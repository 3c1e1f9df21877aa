// The writing side of the container codecs, checked against the decoders: whatever the
// encoders write must decode to exactly the bytes they were given.

#include "container/DecodeBuffer.h"
#include "container/PairEncoder.h"
#include "container/RunLengthEncoder.h"

#include "BaselinePairEncoder.h"
#include "DemoImages.h"
#include "TestBytes.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

using namespace cinefold;
using namespace cinefold::test;

namespace {

// The shapes of input the codecs meet, and some they should survive.
enum class Shape {
    uniform,         // every byte value equally likely: incompressible
    fewValues,       // 2 to 16 byte values at random
    runs,            // runs of 1 to 2000 equal bytes
    repeatedPattern, // one random snippet of up to 300 bytes, repeated with a few changes
    sparse,          // zeros with a rare random byte
    pixelRows,       // 24-bit rows: black margins around a smooth gradient
    longChain,       // a pattern of 100 distinct bytes repeated: every pair ties, so pairs of
                     // pairs chain deeper than the decoder's stack unless the encoder stops them
};

const Shape allShapes[] = {Shape::uniform,         Shape::fewValues, Shape::runs,     Shape::sparse,
                           Shape::repeatedPattern, Shape::pixelRows, Shape::longChain};
const char* const shapeNames[] = {"uniform", "fewValues", "runs",     "repeatedPattern",
                                  "sparse",  "pixelRows", "longChain"};

// Fixed seeds and std::mt19937's specified sequence (no standard distributions, whose output
// differs between libraries) keep every run of the tests on the same inputs.
class Generator {
  public:
    explicit Generator(std::uint32_t seed) : engine_(seed) {}
    std::uint32_t below(std::uint32_t n) { return n ? std::uint32_t(engine_() % n) : 0; }
    std::uint8_t byte() { return std::uint8_t(engine_() >> 24); }

    ByteVector make(Shape shape, std::size_t length) {
        ByteVector s;
        s.reserve(length);
        switch (shape) {
        case Shape::uniform:
            while (s.size() < length)
                s.push_back(byte());
            break;
        case Shape::fewValues: {
            ByteVector values(2 + below(15));
            for (auto& v : values)
                v = byte();
            while (s.size() < length)
                s.push_back(values[below(std::uint32_t(values.size()))]);
            break;
        }
        case Shape::runs:
            while (s.size() < length)
                s.insert(s.end(), 1 + below(2000), byte());
            break;
        case Shape::repeatedPattern: {
            ByteVector pattern(1 + below(300));
            for (auto& v : pattern)
                v = byte();
            while (s.size() < length) {
                s.insert(s.end(), pattern.begin(), pattern.end());
                if (below(4) == 0) s.back() = byte();
            }
            break;
        }
        case Shape::sparse:
            while (s.size() < length)
                s.push_back(below(50) == 0 ? byte() : 0);
            break;
        case Shape::pixelRows: {
            std::size_t row = 3 * (16 + below(200));
            std::uint8_t base[3] = {byte(), byte(), byte()};
            for (std::size_t y = 0; s.size() < length; ++y)
                for (std::size_t x = 0; x < row; ++x) {
                    bool inside = x > row / 4 && x < 3 * row / 4;
                    s.push_back(inside ? std::uint8_t(base[x % 3] + (x + y) / 8) : 0);
                }
            break;
        }
        case Shape::longChain:
            for (std::size_t i = 0; s.size() < length; ++i)
                s.push_back(std::uint8_t(i % 100));
            break;
        }
        s.resize(length);
        return s;
    }

  private:
    std::mt19937 engine_;
};

testing::AssertionResult sameBytes(Bytes decoded, const ByteVector& original) {
    const auto [at, _] =
        std::mismatch(decoded.begin(), decoded.end(), original.begin(), original.end());
    if (decoded.size() == original.size() && at == decoded.end())
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "decoded " << decoded.size() << " bytes, expected " << original.size()
           << ", first difference at byte " << (at - decoded.begin());
}

// Every block the encoders write, whatever its content, has the same header: its own length,
// the data's length, "DATA", spareFlag 1 and two zero bytes.
testing::AssertionResult blockDecodesTo(const ByteVector& block, const ByteVector& original) {
    const ByteVector header =
        dataBlock(std::int32_t(original.size()), block.size() > 13 ? block[13] : 0, {}, 1,
                  std::int64_t(block.size()));
    if (block.size() < 16 || !std::equal(header.begin(), header.end(), block.begin()))
        return testing::AssertionFailure() << "bad block header";
    DecodeBuffer buffer;
    if (!buffer.decodeDataBlock(block))
        return testing::AssertionFailure() << "block refused: " << buffer.failure();
    return sameBytes(buffer.bytes(), original);
}

testing::AssertionResult imageDecodesTo(const ByteVector& image, const ByteVector& original) {
    DecodeBuffer buffer;
    if (!buffer.decodeRunLengthImage(image))
        return testing::AssertionFailure() << "image refused: " << buffer.failure();
    return sameBytes(buffer.bytes(), original);
}

// A length for a generated string: mostly short, sometimes tens of kilobytes.
std::size_t someLength(Generator& generator) {
    switch (generator.below(8)) {
    case 0:
        return generator.below(8);
    case 1:
        return 70000 + generator.below(60000);
    default:
        return generator.below(1u << (4 + generator.below(11)));
    }
}

struct DemoInput {
    std::string name;
    ByteVector bytes;
};

// BMP file images of the demo's shape: 24-bit sprites of each size in the demo (in each of
// their three looks) and their masks.
std::vector<DemoInput> demoImages() {
    std::vector<DemoInput> inputs;
    std::vector<bench::SpriteSize> sizes = bench::demoSpriteSizes();
    for (std::uint32_t i = 0; i < 12; ++i) {
        bench::SpriteSize size = sizes[i];
        std::string dims = std::to_string(size.width) + "x" + std::to_string(size.height);
        inputs.push_back(
            {"sprite " + dims, bench::makeSpriteImage(size.width, size.height, i + 1)});
        inputs.push_back({"mask " + dims, bench::makeSpriteMask(size.width, size.height, i + 1)});
    }
    return inputs;
}

} // namespace

// ----- Data blocks -----

TEST(PairEncoder, RoundTripsThousandsOfGeneratedStrings) {
    Generator generator(20240611);
    int packed = 0;
    for (int i = 0; i < 3000; ++i) {
        Shape shape = allShapes[i % std::size(allShapes)];
        ByteVector data = generator.make(shape, someLength(generator));
        ByteVector block = encodeDataBlock(data);
        ASSERT_TRUE(blockDecodesTo(block, data))
            << "string " << i << ", " << shapeNames[int(shape)] << ", " << data.size() << " bytes";
        packed += block[13];
    }
    // Most of them are compressible: the pair path is the one under test.
    EXPECT_GT(packed, 1500);
}

TEST(PairEncoder, RoundTripsUnderEveryPieceRule) {
    struct Case {
        const char* name;
        PairEncoderOptions options;
    };
    auto with = [](auto change) {
        PairEncoderOptions options;
        change(options);
        return options;
    };
    const Case cases[] = {
        {"defaults", PairEncoderOptions()},
        {"one value per piece", with([](auto& o) { o.maxDistinct = 1; })},
        {"two values per piece", with([](auto& o) { o.maxDistinct = 2; })},
        {"every value", with([](auto& o) { o.maxDistinct = 255; })},
        {"one byte per piece", with([](auto& o) { o.maxBlockInput = 1; })},
        {"seven bytes per piece", with([](auto& o) { o.maxBlockInput = 7; })},
        {"short budget", with([](auto& o) { o.inputPerFreeCode = 1; })},
        {"pairs seen twice", with([](auto& o) { o.minPairCount = 2; })},
        // Pieces this long pack to more than the 16-bit count holds and must be split.
        {"megabyte pieces", with([](auto& o) {
             o.maxDistinct = 255;
             o.maxBlockInput = 1 << 22;
             o.inputPerFreeCode = 1 << 16;
         })},
    };
    for (const Case& c : cases) {
        Generator generator(99);
        PairEncoder encoder(c.options);
        for (Shape shape : allShapes)
            for (std::size_t length : {0u, 1u, 2u, 3u, 1000u, 300000u}) {
                ByteVector data = generator.make(shape, length);
                EXPECT_TRUE(blockDecodesTo(encoder.encode(data), data))
                    << c.name << ", " << shapeNames[int(shape)] << ", " << length << " bytes";
            }
    }
}

TEST(PairEncoder, StoresIncompressibleDataAndPacksRepetitiveData) {
    Generator generator(3);
    ByteVector noise = generator.make(Shape::uniform, 50000);
    ByteVector stored = encodeDataBlock(noise);
    EXPECT_EQ(stored[13], 0); // packedFlag
    EXPECT_EQ(stored.size(), noise.size() + 16);
    EXPECT_TRUE(blockDecodesTo(stored, noise));

    for (Shape shape : {Shape::runs, Shape::sparse, Shape::pixelRows, Shape::repeatedPattern}) {
        ByteVector data = generator.make(shape, 50000);
        ByteVector packed = encodeDataBlock(data);
        EXPECT_EQ(packed[13], 1) << shapeNames[int(shape)];
        EXPECT_LT(packed.size(), data.size() / 2) << shapeNames[int(shape)];
    }
}

TEST(PairEncoder, IsNoLargerThanThePublishedEncoderOnDemoShapedPayloads) {
    std::vector<DemoInput> inputs = demoImages();
    inputs.insert(inputs.end(), {{"schedule", bench::makeSchedulePayload()},
                                 {"groups", bench::makeGroupsPayload()},
                                 {"jump table", bench::makeJumpTablePayload()},
                                 {"branch tables", bench::makeBranchTablesPayload()}});
    std::size_t total = 0, baselineTotal = 0;
    for (const DemoInput& input : inputs) {
        ByteVector block = encodeDataBlock(input.bytes);
        ByteVector baseline = bench::encodeDataBlockBaseline(input.bytes);
        ASSERT_TRUE(blockDecodesTo(block, input.bytes)) << input.name;
        ASSERT_TRUE(blockDecodesTo(baseline, input.bytes)) << input.name << " (published)";
        EXPECT_LE(block.size(), baseline.size()) << input.name;
        total += block.size();
        baselineTotal += baseline.size();
    }
    // Not just level: smaller overall.
    EXPECT_LT(total, baselineTotal - baselineTotal / 50);
}

// ----- Run-length images -----

TEST(RunLengthEncoder, RoundTripsGeneratedStringsAndDemoImagesOfEveryType) {
    Generator generator(5);
    std::vector<DemoInput> inputs = demoImages();
    inputs.push_back({"background", bench::makeBackgroundImage()});
    for (int i = 0; i < 700; ++i) {
        Shape shape = allShapes[i % std::size(allShapes)];
        inputs.push_back(
            {shapeNames[int(shape)], generator.make(shape, 1 + someLength(generator))});
    }
    // Type-1 streams of every length up to 64 bytes, so that the codes end at every bit of a
    // byte: those that end on a byte boundary get a whole byte of padding, unless the last code
    // can itself be cut short.
    for (std::size_t length = 1; length <= 64; ++length)
        for (int k = 0; k < 20; ++k)
            inputs.push_back(
                {"short", generator.make(k % 2 ? Shape::runs : Shape::fewValues, length)});
    for (int type : {8, 24, 1}) {
        for (DemoInput& input : inputs) {
            // Type 1 runs start with 0-bits; strings whose first bit is 1 are refused.
            if (type == 1) input.bytes[0] &= 0xFE;
            ASSERT_TRUE(imageDecodesTo(encodeRunLengthImage(input.bytes, type), input.bytes))
                << "type " << type << ", " << input.name << ", " << input.bytes.size() << " bytes";
        }
    }
}

enum Codec { stored = -1, packed = 0, rle1 = 1, rle8 = 8, rle24 = 24 };

ByteVector encodeWith(Codec codec, const ByteVector& data) {
    if (codec == stored) return encodeStoredBlock(data);
    if (codec == packed) return encodeDataBlock(data);
    return encodeRunLengthImage(data, int(codec));
}

TEST(Encoders, WriteTheExactBytesOfTheFormatsExamples) {
    struct Case {
        Codec codec;
        ByteVector data, encoded;
    };
    const Case cases[] = {
        {packed, {}, storedBlock({})},
        {stored, {}, storedBlock({})},
        {stored, {0x42, 0x4D, 0x00, 0xFF, 0x07}, storedBlock({0x42, 0x4D, 0x00, 0xFF, 0x07})},
        {rle8,
         {0x42, 0x4D, 0x00, 0x00, 0x00},
         packedImage(8, 5, {0x42, 0x00, 0x4D, 0x00, 0x00, 0x02})},
        {rle24, {1, 2, 3, 1, 2, 3}, packedImage(24, 6, {1, 2, 3, 1})},
        // The last triple is completed with zeros.
        {rle24, {0xAB}, packedImage(24, 1, {0xAB, 0, 0, 0})},
        {rle24, {0xAB, 0xAB, 0xAB, 0xAB}, packedImage(24, 4, {0xAB, 0xAB, 0xAB, 0, 0xAB, 0, 0, 0})},
        {rle24, {1, 2, 3, 1, 2, 3, 1, 2}, packedImage(24, 8, {1, 2, 3, 1, 1, 2, 0, 0})},
        // "BM": the runs 1 1 4 1 1 1 1 2 2 1 1; the last code, a single 0, is the final bit.
        {rle1, {0x42, 0x4D}, packedImage(1, 2, {0x0E, 0x03, 0x30})},
        // Runs 2 6 4 4 (codes 1100 111010 111000 111000) end on a byte boundary: a whole byte of
        // padding follows, whose bits decode to runs beyond decodedSize.
        {rle1, {0xFC, 0xF0}, packedImage(1, 2, {0x33, 0xAE, 0x38, 0x00})},
        // Runs of more than 256 split into groups; a last triple that the data do not fill is
        // completed with zeros.
        {rle8, ByteVector(256, 0), packedImage(8, 256, {0, 255})},
        {rle8, ByteVector(257, 0), packedImage(8, 257, {0, 255, 0, 0})},
        {rle8, ByteVector(512, 0), packedImage(8, 512, {0, 255, 0, 255})},
        {rle8, ByteVector(513, 0), packedImage(8, 513, {0, 255, 0, 255, 0, 0})},
        {rle24, ByteVector(768, 0), packedImage(24, 768, {0, 0, 0, 255})},
        {rle24, ByteVector(769, 0), packedImage(24, 769, {0, 0, 0, 255, 0, 0, 0, 0})},
        {rle24, ByteVector(771, 0), packedImage(24, 771, {0, 0, 0, 255, 0, 0, 0, 0})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(encodeWith(c.codec, c.data), c.encoded)
            << "codec " << c.codec << ", " << c.data.size() << " bytes";
        if (c.codec > 0) {
            EXPECT_TRUE(imageDecodesTo(c.encoded, c.data)) << "codec " << c.codec;
        } else {
            EXPECT_TRUE(blockDecodesTo(c.encoded, c.data));
        }
    }
}

TEST(Encoders, RefuseWhatNoDecoderTakes) {
    // Longer data than any decoder accepts.
    const ByteVector longest(std::size_t(DecodeBuffer::maxDecodedSize) + 1, 0);
    for (Codec codec : {stored, packed, rle1, rle8, rle24})
        EXPECT_TRUE(encodeWith(codec, longest).empty()) << "codec " << codec;
    // No image is empty, and a type-1 image starts with a run of 0-bits.
    for (Codec codec : {rle1, rle8, rle24})
        EXPECT_TRUE(encodeWith(codec, {}).empty()) << "codec " << codec;
    const ByteVector odd = {0x01, 0x00};
    for (int type : {1, 0, 2})
        EXPECT_TRUE(encodeRunLengthImage(odd, type).empty()) << "type " << type;
}
