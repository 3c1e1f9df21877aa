// Containers built to make a load as costly as their size allows: each must load within a fixed
// number of allocated bytes, counted by the replaced global operator new, whatever its headers
// claim. Every one of them cost gigabytes before loads had a budget.

#include "TestBytes.h"

#include "AllocationCounter.h"
#include "DemoContainer.h"
#include "container/DecodeBuffer.h"
#include "container/PairEncoder.h"
#include "player/Player.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace cinefold;
using namespace cinefold::test;

namespace {

// The inputs are about this long, so that each test stays quick once loads are bounded.
constexpr std::size_t inputSize = 64 << 10;
// What any of them may allocate in all: far below what their headers ask for, far above what
// a bounded load of 64 KiB needs.
constexpr std::int64_t allocationBound = std::int64_t(256) << 20;

// A container of the given chunks, repeated until it is about inputSize long.
ByteVector repeatedChunks(const ByteVector& first, const std::string& tag,
                          const ByteVector& payload) {
    ByteVector c = containerHeader(0) + first;
    while (c.size() + 8 + payload.size() <= inputSize)
        putChunk(c, tag, payload);
    set32(c, 8, std::uint32_t(c.size()));
    return c;
}

// An image list of one packed image, repeated until the container is about inputSize long.
ByteVector repeatedImage(const ByteVector& packed) {
    ByteVector list;
    while (list.size() + 6 + packed.size() + 20 <= inputSize)
        putImageEntry(list, 1, packed);
    return repeatedChunks({}, "BMP_", list);
}

// A pair-expanded block of about 80 bytes that expands to 64 MiB: codes 1 to 25 each stand for
// two of the code below them, so that code 25 is 2^25 zeros, and the block packs it twice.
ByteVector pairBlockAtTheLimit() {
    ByteVector body = {25, 0};
    for (std::uint8_t code = 1; code <= 25; ++code)
        body.insert(body.end(), {std::uint8_t(code - 1), std::uint8_t(code - 1)});
    // Codes 26..255 literal: a skip of 128 codes and the one literal entry that follows a skip,
    // a skip of the 101 left; then the count of packed codes, two, and the codes.
    body.insert(body.end(), {255, 154, 228, 0, 2, 25, 25});
    return dataBlock(std::int32_t(DecodeBuffer::maxDecodedSize), 1, body);
}

} // namespace

TEST(LoadBudget, HostileContainersLoadWithinAFixedAllocation) {
    ByteVector stage;
    putChunk(stage, "P_DT", stageRecord(64, 48, 0, 1, 1, 1 << 20));
    // A 12 MiB image that packs to a few hundred bytes.
    const ByteVector blank = bmpImage(2048, 2048, 24, 0, 0);
    const struct {
        const char* name;
        ByteVector container;
    } cases[] = {
        {"run-length images of an unknown codec claiming 64 MiB each",
         repeatedImage(packedImage(9, DecodeBuffer::maxDecodedSize, {}))},
        {"run-length images without data claiming 64 MiB each",
         repeatedImage(packedImage(8, DecodeBuffer::maxDecodedSize, {}))},
        {"pair blocks each expanding to 64 MiB", repeatedImage(pairBlockAtTheLimit())},
        {"the same blank 12 MiB image again and again", repeatedImage(encodeDataBlock(blank))},
        {"branch tables of 2^20 entries filled again and again",
         repeatedChunks(stage, "JPEX", storedBlock({}))},
    };
    // Each expands to what it claims when decoded alone.
    DecodeBuffer buffer;
    ASSERT_TRUE(buffer.decodeDataBlock(pairBlockAtTheLimit()));
    ASSERT_EQ(buffer.size(), std::size_t(DecodeBuffer::maxDecodedSize));
    for (const auto& c : cases) {
        ASSERT_GE(c.container.size(), inputSize * 3 / 4) << c.name;
        Player player;
        auto bytes = std::make_unique<std::uint8_t[]>(c.container.size());
        std::memcpy(bytes.get(), c.container.data(), c.container.size());
        player.adoptContainer(std::move(bytes), std::uint32_t(c.container.size()));
        const std::int64_t before = bench::allocatedBytes();
        EXPECT_EQ(player.walkChunks(), 1) << c.name;
        EXPECT_LE(bench::allocatedBytes() - before, allocationBound) << c.name;
    }
}

// The benchmarks' container of the stored container's shape (640 x 480, 97 images, tables of
// 1000 entries) loads whole, far within its budget.
TEST(LoadBudget, TheDemoShapedContainerLoadsWhole) {
    const bench::DemoWorkload& demo = bench::demoWorkload();
    Player player;
    auto bytes = std::make_unique<std::uint8_t[]>(demo.container.size());
    std::memcpy(bytes.get(), demo.container.data(), demo.container.size());
    player.adoptContainer(std::move(bytes), std::uint32_t(demo.container.size()));
    std::int64_t lastChunk = -1;
    WalkObserver observer{&lastChunk, [](void* last, const ChunkEvent& e) {
                              *static_cast<std::int64_t*>(last) = e.index;
                          }};
    EXPECT_EQ(player.walkChunks(&observer), 1);
    EXPECT_EQ(lastChunk, 5);
    int images = 0, masks = 0;
    for (int slot = 0; slot < ImageStore::slotCount; ++slot) {
        images += player.imageStore.getBitmap(slot) != nullptr;
        masks += player.imageStore.getMask(slot) != nullptr;
    }
    EXPECT_EQ(images, 49);
    EXPECT_EQ(masks, 48);
}
