#include "TestBytes.h"

#include "container/ContainerWriter.h"
#include "container/DecodeBuffer.h"
#include "player/Player.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/mman.h>

using namespace cinefold;
using namespace cinefold::test;

namespace {

// What a walk did, chunk by chunk and image by image, in the order it happened.
struct WalkLog {
    std::vector<std::string> events;

    static void chunk(void* self, const ChunkEvent& e) {
        static_cast<WalkLog*>(self)->events.push_back(std::string(e.tag, 4) + ":" +
                                                      chunkResultName(e.result));
    }
    static void image(void* self, const ImageEvent& e) {
        static_cast<WalkLog*>(self)->events.push_back("image " + std::to_string(e.imageNumber) +
                                                      ":" + std::to_string(e.stored));
    }
};

struct Walked {
    Player player;
    WalkLog log;
    int result = 0;
};

void walk(Walked& w, const ByteVector& container) {
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[container.size()]);
    std::memcpy(buffer.get(), container.data(), container.size());
    w.player.adoptContainer(std::move(buffer), std::uint32_t(container.size()));
    WalkObserver observer{&w.log, WalkLog::chunk, WalkLog::image};
    w.result = w.player.walkChunks(&observer);
}

// A container whose walk limit is the total length, so every chunk is visited.
ByteVector containerOf(const std::vector<std::pair<std::string, ByteVector>>& chunks) {
    ByteVector v = containerHeader(0);
    for (const auto& [tag, payload] : chunks)
        putChunk(v, tag, payload);
    set32(v, 8, std::uint32_t(v.size()));
    return v;
}

const ByteVector stage640 = stageRecord(640, 480, 0x00A00000, 1, 1, 1000);

} // namespace

TEST(ChunkWalk, ASignatureDifferingInAnyByteLoadsNothing) {
    for (std::size_t i = 0; i < 8; ++i) {
        ByteVector c = containerOf({{"P_DT", stage640}});
        c[i] ^= (i == 7 ? 0x01 : 0x20); // "VEKO_S11", "vEKO_S10", ...
        Walked w;
        walk(w, c);
        EXPECT_EQ(w.result, 0) << "byte " << i;
        EXPECT_EQ(w.player.stageWidth, 300);
        EXPECT_TRUE(w.log.events.empty());
    }
    Walked shortOne;
    walk(shortOne, ByteVector{'V', 'E', 'K', 'O', '_', 'S', '1', '0', 0, 0});
    EXPECT_EQ(shortOne.result, 0);
}

TEST(ChunkWalk, TheLimitIsComparedWithTheNextHeaderOffsetAndTheFirstChunkIsAlwaysHandled) {
    const std::int32_t second = 12 + 8 + 24; // the offset of the second chunk's header
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {second, 640}, {second + 1, 1}, {12, 640}, {0, 640}, {-5, 640}, {INT32_MIN, 640}};
    for (const auto& [limit, width] : cases) {
        ByteVector c = containerOf({{"P_DT", stage640}, {"P_DT", stageRecord(1, 2, 3, 4, 5, 6)}});
        set32(c, 8, std::uint32_t(limit));
        Walked w;
        walk(w, c);
        EXPECT_EQ(w.player.stageWidth, width) << "limit " << limit;
        EXPECT_EQ(w.log.events.size(), width == 1 ? 2u : 1u) << "limit " << limit;
    }
}

TEST(ChunkWalk, UnknownTagsAndLowerCaseAndZeroLengthChunksAreSkipped) {
    ByteVector tagWithZero = {'P', 0, 'D', 'T'};
    ByteVector c = containerHeader(0);
    putChunk(c, "XYZW", ByteVector(7, 0xEE));
    putChunk(c, "p_dt", stageRecord(1, 1, 1, 1, 1, 1));
    putChunk(c, std::string(tagWithZero.begin(), tagWithZero.end()), stageRecord(2, 2, 2, 2, 2, 2));
    putChunk(c, "P_DT", {});
    putChunk(c, "P_DT", stage640);
    set32(c, 8, std::uint32_t(c.size()));
    Walked w;
    walk(w, c);
    ASSERT_EQ(w.log.events.size(), 5u);
    EXPECT_EQ(w.log.events[0], "XYZW:skipped");
    EXPECT_EQ(w.log.events[1], "p_dt:skipped");
    EXPECT_EQ(w.log.events[3], "P_DT:skipped");
    EXPECT_EQ(w.log.events[4], "P_DT:applied");
    EXPECT_EQ(w.player.stageWidth, 640);
}

TEST(ChunkWalk, AShortStageRecordIsRefusedAndALongOneReadsItsFirst24Bytes) {
    ByteVector longer = stage640;
    longer.resize(40, 0xFF);
    Walked w;
    walk(w, containerOf({{"P_DT", ByteVector(23, 9)}, {"P_DT", longer}}));
    EXPECT_EQ(w.log.events[0], "P_DT:refused");
    EXPECT_EQ(w.player.stageWidth, 640);
    EXPECT_EQ(w.player.jumpLength, 1000);
}

TEST(ChunkWalk, BrokenFramingEndsTheWalkWithoutReadingPastTheEnd) {
    // A payload longer than what is left, a negative length, a header cut short.
    ByteVector past = containerOf({{"P_DT", stage640}});
    set32(past, 16, 25);
    ByteVector negative = containerOf({{"XXXX", {}}, {"P_DT", stage640}});
    set32(negative, 16, std::uint32_t(-8)); // would step back onto itself forever
    ByteVector cut = containerOf({{"P_DT", stage640}});
    cut.insert(cut.end(), {'S', 'C', 'H', 'E', 1});
    set32(cut, 8, std::uint32_t(cut.size()));
    for (const ByteVector* c : {&past, &negative, &cut}) {
        Walked w;
        walk(w, *c);
        ASSERT_FALSE(w.log.events.empty());
        EXPECT_NE(w.log.events.back().find(":truncated"), std::string::npos) << w.log.events.back();
    }
}

TEST(ChunkWalk, ARunLengthImageThatFailsPartWayIsNotStored) {
    // A type-8 image whose runs write a whole BMP file image, one byte a run, and whose last
    // run then passes decodedSize: the decode fails after it has begun, and the partial buffer
    // it leaves behind would make a perfectly good image.
    const ByteVector bmp = bmpImage(1, 1, 24);
    ByteVector runs;
    for (std::uint8_t b : bmp)
        runs.insert(runs.end(), {b, 0});
    runs.insert(runs.end(), {0, 255});
    const ByteVector packed = packedImage(8, std::int32_t(bmp.size()), runs);
    ByteVector list;
    putImageEntry(list, 1, packed);
    Walked w;
    walk(w, containerOf({{"BMP_", list}}));
    EXPECT_EQ(w.log.events, (std::vector<std::string>{"image 1:0", "BMP_:decoded"}));
    EXPECT_FALSE(w.player.imageStore.getBitmap(0));
}

TEST(ChunkWalk, AnImageEntryReachingPastItsChunkEndsTheListOnly) {
    ByteVector list;
    putImageEntry(list, 1, storedBlock(bmpImage(8, 2, 24)));
    ByteVector broken;
    putImageEntry(broken, 2, storedBlock(bmpImage(8, 2, 24)));
    set32(broken, 2, 100000); // packedSize far beyond the chunk
    list.insert(list.end(), broken.begin(), broken.end());
    Walked w;
    walk(w, containerOf({{"BMP_", list}, {"P_DT", stage640}}));
    EXPECT_TRUE(w.player.imageStore.getBitmap(0));
    EXPECT_FALSE(w.player.imageStore.getBitmap(1));
    EXPECT_EQ(w.player.stageWidth, 640);
}

TEST(ChunkWalk, AJumpLengthBeyondAnyAnimationAllocatesOnlyWhatThePayloadFills) {
    Walked w;
    walk(w, containerOf({{"P_DT", stageRecord(10, 10, 0, 1, 1, 0x7FFFFFFF)},
                         {"JP__", storedBlock({1, 0, 0, 0})}}));
    EXPECT_EQ(w.player.jumpLength, 0x7FFFFFFF);
    // The rest of the table would be -1, which the sequencer reads past a table's end too.
    EXPECT_EQ(w.player.jumpTable, (std::vector<std::int32_t>{1, -1}));
}

// The first image's 64 MiB fit the budget of a small container, the second's do not: the list
// is cut there and the walk ends, so the stage record behind it is not applied.
TEST(ChunkWalk, TheWalkEndsAtTheFirstEntryItsBudgetCannotPayFor) {
    ByteVector list;
    for (int i = 0; i < 2; ++i)
        putImageEntry(list, 1, packedImage(8, DecodeBuffer::maxDecodedSize, {}));
    Walked w;
    walk(w, containerOf({{"BMP_", list}, {"P_DT", stage640}}));
    EXPECT_EQ(w.log.events, (std::vector<std::string>{"image 1:0", "image 1:0", "BMP_:truncated"}));
    EXPECT_EQ(w.player.stageWidth, 300);
}

TEST(ContainerWriter, WalkLimitIsTheLengthLess24UnlessTheLastPayloadIsShort) {
    ContainerContent content;
    content.stage = {{640, 480, 0, 1, 1, 1000}};
    ByteVector withStageOnly = writeContainer(content);
    EXPECT_EQ(ByteReader(withStageOnly, 8).i32le(), std::int32_t(withStageOnly.size()) - 24);
    content.images.push_back({1, storedBlock(bmpImage(8, 8, 24))});
    ByteVector withImages = writeContainer(content);
    EXPECT_EQ(ByteReader(withImages, 8).i32le(), std::int32_t(withImages.size()) - 24);
    ContainerBuilder builder;
    builder.addChunk("P_DT", stage640);
    builder.addChunk("XXXX", ByteVector(16, 0));
    ByteVector shortLast = builder.finish();
    EXPECT_EQ(ByteReader(shortLast, 8).i32le(), std::int32_t(shortLast.size()));
}

// walkLimit and the chunk lengths are signed 32-bit: a container past 2 GiB once came out with a
// negative walk limit and lost its animation. It is refused whole, and the payload that does not
// fit is never copied (the 2 GiB here are untouched zero pages).
TEST(ContainerWriter, RefusesAContainerPastTheSigned32BitLimit) {
    const std::size_t size = std::size_t(1) << 31;
    void* pages =
        mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(pages, MAP_FAILED);
    ContainerBuilder builder;
    builder.addChunk("P_DT", stage640);
    builder.addChunk("BMP_", Bytes(static_cast<const std::uint8_t*>(pages), size));
    EXPECT_TRUE(builder.finish().empty());
    EXPECT_NE(builder.problem().find("limit of 2147483647 bytes"), std::string::npos)
        << builder.problem();
    munmap(pages, size);
}
