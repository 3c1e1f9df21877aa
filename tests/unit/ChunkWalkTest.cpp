#include "TestBytes.h"
#include "TimelineBytes.h"

#include "container/ContainerWriter.h"
#include "container/PairEncoder.h"
#include "player/Player.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

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

TEST(ChunkWalk, StageRecordSetsTheSixFieldsInOrder) {
    Walked w;
    walk(w, containerOf({{"P_DT", stageRecord(640, 480, 0x00A00000, 3, 5, 77)}}));
    EXPECT_EQ(w.result, 1);
    EXPECT_EQ(w.player.stageWidth, 640);
    EXPECT_EQ(w.player.stageHeight, 480);
    EXPECT_EQ(w.player.backColor, 0x00A00000u);
    EXPECT_EQ(w.player.backMode, 3);
    EXPECT_EQ(w.player.framePeriod, 5);
    EXPECT_EQ(w.player.jumpLength, 77);
}

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

TEST(ChunkWalk, AWalkLimitOfTwelveOrLessHandlesOnlyTheFirstChunk) {
    for (std::int32_t limit : {12, 0, -5, INT32_MIN}) {
        ByteVector c = containerOf({{"P_DT", stage640}, {"P_DT", stageRecord(1, 2, 3, 4, 5, 6)}});
        set32(c, 8, std::uint32_t(limit));
        Walked w;
        walk(w, c);
        EXPECT_EQ(w.log.events, (std::vector<std::string>{"P_DT:applied"})) << limit;
        EXPECT_EQ(w.player.stageWidth, 640);
    }
}

TEST(ChunkWalk, TheLimitIsComparedWithTheNextHeaderOffset) {
    ByteVector c = containerOf({{"P_DT", stage640}, {"P_DT", stageRecord(1, 2, 3, 4, 5, 6)}});
    const std::uint32_t second = 12 + 8 + 24;
    set32(c, 8, second); // not below the limit: the second chunk is not visited
    Walked w1;
    walk(w1, c);
    EXPECT_EQ(w1.player.stageWidth, 640);
    set32(c, 8, second + 1);
    Walked w2;
    walk(w2, c);
    EXPECT_EQ(w2.player.stageWidth, 1);
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

TEST(ChunkWalk, TheSecondStageRecordStands) {
    Walked w;
    walk(w, containerOf({{"P_DT", stage640}, {"P_DT", stageRecord(800, 600, 0xFF, 2, 0, 50)}}));
    EXPECT_EQ(w.player.stageWidth, 800);
    EXPECT_EQ(w.player.jumpLength, 50);
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

TEST(ChunkWalk, ImageNumbersChooseTheSlotAndMasksFollowTheirImage) {
    ByteVector list;
    putImageEntry(list, 0, storedBlock(bmpImage(4, 4, 24))); // slot -1: dropped
    putImageEntry(list, 1, storedBlock(bmpImage(8, 2, 24)));
    putImageEntry(list, 100, storedBlock(bmpImage(2, 2, 8, 256))); // slot 99
    putImageEntry(list, 101, storedBlock(bmpImage(8, 2, 1)));      // mask of image 1
    putImageEntry(list, 102, storedBlock(bmpImage(8, 2, 1)));      // mask of an empty slot
    Walked w;
    walk(w, containerOf({{"BMP_", list}, {"P_DT", stage640}}));
    EXPECT_EQ(w.log.events,
              (std::vector<std::string>{"image 0:0", "image 1:1", "image 100:1", "image 101:1",
                                        "image 102:0", "BMP_:decoded", "P_DT:applied"}));
    const ImageEntry* first = w.player.imageStore.entry(0);
    EXPECT_FALSE(first->image.empty());
    EXPECT_TRUE(first->hasMask);
    EXPECT_FALSE(w.player.imageStore.entry(99)->image.empty());
    EXPECT_EQ(w.player.stageWidth, 640); // the chunk after the image list is handled
}

TEST(ChunkWalk, ARunLengthImageThatFailsPartWayIsNotStored) {
    // A type-8 image whose runs write a whole BMP file image, one byte a run, and whose last
    // run then passes decodedSize: the decode fails after it has begun, and the partial buffer
    // it leaves behind would make a perfectly good image.
    ByteVector bmp = bmpImage(1, 1, 24);
    ByteVector packed = {0x40, 8};
    put32(packed, std::uint32_t(bmp.size()));
    put32(packed, 0);
    for (std::uint8_t b : bmp) packed.insert(packed.end(), {b, 0});
    packed.insert(packed.end(), {0, 255});
    set32(packed, 6, std::uint32_t(packed.size()));
    ByteVector list;
    putImageEntry(list, 1, packed);
    Walked w;
    walk(w, containerOf({{"BMP_", list}}));
    EXPECT_EQ(w.log.events, (std::vector<std::string>{"image 1:0", "BMP_:decoded"}));
    EXPECT_TRUE(w.player.imageStore.entry(0)->image.empty());
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
    EXPECT_FALSE(w.player.imageStore.entry(0)->image.empty());
    EXPECT_TRUE(w.player.imageStore.entry(1)->image.empty());
    EXPECT_EQ(w.player.stageWidth, 640);
}

TEST(ChunkWalk, DataBlocksReachTheirConsumersAndRefusalsContributeNothing) {
    ByteVector schedule;
    putSection(schedule, 2, {key(40, 0, 5, 6, 7, 8, 9)});
    ByteVector jumps;
    for (std::uint32_t i = 0; i < 3; ++i)
        put32(jumps, i + 7);
    ByteVector branches;
    for (std::uint32_t i = 0; i < 15; ++i)
        put32(branches, 100 + i);
    ByteVector badBlock = storedBlock({1, 2, 3});
    badBlock[13] = 2; // packedFlag 2 is refused
    Walked w;
    walk(w, containerOf({{"P_DT", stageRecord(10, 10, 0, 1, 1, 3)},
                         {"SCHE", storedBlock(schedule)},
                         {"GRP_", badBlock},
                         {"JP__", storedBlock(jumps)},
                         {"JPEX", storedBlock(branches)}}));
    EXPECT_EQ(w.log.events,
              (std::vector<std::string>{"P_DT:applied", "SCHE:decoded", "GRP_:refused",
                                        "JP__:decoded", "JPEX:decoded"}));
    ASSERT_EQ(w.player.trackSet.layer(2).keys().size(), 1u);
    EXPECT_EQ(w.player.trackSet.evaluateLayer(2, 40).centerY, 6);
    for (int g = 1; g <= groupSlotCount; ++g)
        EXPECT_TRUE(w.player.trackSet.group(g).empty());
    // Tables hold jumpLength + 1 entries; the last one is never filled from the container.
    EXPECT_EQ(w.player.jumpTable, (std::vector<std::int32_t>{7, 8, 9, -1}));
    EXPECT_EQ(w.player.branchTables[0], (std::vector<std::int32_t>{100, 101, 102, -1}));
    EXPECT_EQ(w.player.branchTables[4], (std::vector<std::int32_t>{112, 113, 114, -1}));
}

TEST(ChunkWalk, AJumpLengthBeyondAnyAnimationAllocatesOnlyWhatThePayloadFills) {
    Walked w;
    walk(w, containerOf({{"P_DT", stageRecord(10, 10, 0, 1, 1, 0x7FFFFFFF)},
                         {"JP__", storedBlock({1, 0, 0, 0})}}));
    EXPECT_EQ(w.player.jumpLength, 0x7FFFFFFF);
    // The rest of the table would be -1, which the sequencer reads past a table's end too.
    EXPECT_EQ(w.player.jumpTable, (std::vector<std::int32_t>{1, -1}));
}

TEST(ChunkWalk, ResetRestoresTheDefaults) {
    Walked w;
    walk(w, containerOf({{"P_DT", stageRecord(10, 20, 0xFF, 3, 4, 5)},
                         {"JP__", storedBlock({1, 0, 0, 0})}}));
    w.player.reset();
    EXPECT_EQ(w.player.stageWidth, 300);
    EXPECT_EQ(w.player.stageHeight, 200);
    EXPECT_EQ(w.player.backColor, 0u);
    EXPECT_EQ(w.player.backMode, 1);
    EXPECT_EQ(w.player.jumpLength, 1000);
    EXPECT_EQ(w.player.jumpTable, std::vector<std::int32_t>(1001, -1));
    EXPECT_EQ(w.player.framePeriod, 4); // not a reset field
}

TEST(ContainerWriter, RandomContainersWalkBackToWhatWasWritten) {
    std::mt19937 random(20261206);
    auto below = [&](std::uint32_t n) { return std::uint32_t(random() % n); };
    for (int round = 0; round < 200; ++round) {
        ContainerContent content;
        std::uint32_t jumps = below(50);
        if (below(4))
            content.stage = {
                {below(2000), below(2000), std::uint32_t(random()), below(5), below(10), jumps}};
        // Keys on distinct frames per layer, so that each layer keeps every key it is given.
        std::vector<std::vector<KeyRecord>> layerKeys(TrackSet::layerCount);
        if (below(2)) {
            ByteVector schedule;
            for (int section = int(below(6)); section > 0; --section) {
                std::int16_t layer = std::int16_t(below(53)) - 1; // -1 and 51 are dropped
                std::vector<KeyRecord> keys;
                for (std::uint32_t k = below(4); k > 0; --k) {
                    keys.push_back(key(std::int32_t(below(500)), std::int32_t(below(3)),
                                       std::int32_t(random()), std::int32_t(random())));
                    if (layer >= 0 && layer < TrackSet::layerCount) {
                        auto& kept = layerKeys[std::size_t(layer)];
                        std::erase_if(
                            kept, [&](const KeyRecord& r) { return r.frame == keys.back().frame; });
                        kept.push_back(keys.back());
                    }
                }
                putSection(schedule, layer, keys);
            }
            content.schedule = schedule;
        }
        std::vector<std::vector<CelEntry>> groups(groupSlotCount);
        if (below(2)) {
            for (auto& group : groups)
                for (std::uint32_t e = below(3) ? 0 : below(5); e > 0; --e)
                    group.push_back({std::int32_t(below(100)), std::int32_t(below(9)),
                                     std::int32_t(below(200)), std::int32_t(below(200))});
            content.groups = groupsPayload(groups);
        }
        ByteVector jumpTable;
        for (std::uint32_t i = 0; i < jumps; ++i)
            put32(jumpTable, below(700));
        if (content.stage && below(2)) content.jumpTable = jumpTable;
        int imageCount = int(below(5));
        for (int i = 0; i < imageCount; ++i)
            content.images.push_back(
                {std::uint16_t(1 + i), storedBlock(bmpImage(1 + std::int32_t(below(30)),
                                                            1 + std::int32_t(below(30)), 24))});

        Walked w;
        walk(w, writeContainer(content));
        ASSERT_EQ(w.result, 1);
        std::size_t chunks = std::size_t(content.stage.has_value()) + content.schedule.has_value() +
                             content.groups.has_value() + content.jumpTable.has_value() +
                             (imageCount > 0);
        ASSERT_EQ(w.log.events.size(), chunks + std::size_t(imageCount)) << "round " << round;
        if (content.stage) {
            EXPECT_EQ(std::uint32_t(w.player.stageWidth), (*content.stage)[0]);
        }
        if (content.schedule) {
            // Layer 0 is the background track; layer track 0 stays empty.
            EXPECT_TRUE(w.player.trackSet.layer(0).empty());
            for (int layer = 0; layer < TrackSet::layerCount; ++layer) {
                const Track& track =
                    layer == 0 ? w.player.trackSet.background() : w.player.trackSet.layer(layer);
                auto& expected = layerKeys[std::size_t(layer)];
                ASSERT_EQ(track.keys().size(), expected.size()) << "layer " << layer;
                for (const KeyRecord& k : expected) {
                    KeyRecord shown = track.evaluate(k.frame);
                    EXPECT_EQ(shown.centerX, k.centerX);
                    EXPECT_EQ(shown.centerY, k.centerY);
                    EXPECT_EQ(shown.interpolation, k.interpolation);
                }
            }
        }
        if (content.groups) {
            for (int g = 1; g <= groupSlotCount; ++g) {
                std::span<const CelEntry> cels = w.player.trackSet.group(g);
                EXPECT_EQ(std::vector<CelEntry>(cels.begin(), cels.end()),
                          groups[std::size_t(g - 1)]);
            }
        }
        if (content.jumpTable) {
            for (std::uint32_t i = 0; i < jumps; ++i)
                EXPECT_EQ(std::uint32_t(w.player.jumpTable[i]),
                          ByteReader(jumpTable, 4 * i).u32le());
        }
        for (int i = 0; i < imageCount; ++i)
            EXPECT_FALSE(w.player.imageStore.entry(i)->image.empty());
    }
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
