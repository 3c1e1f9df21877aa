#include "base/ByteReader.h"

#include <gtest/gtest.h>

#include <vector>

using namespace cinefold;

TEST(ByteReader, ReadsLittleEndianAndTheOneBigEndianCount) {
    std::vector<std::uint8_t> bytes = {0x01, 0x02, 0x03, 0x04, 0xFE, 0xFF, 0xFF, 0xFF, 0x12, 0x34};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.u32le(), 0x04030201u);
    EXPECT_EQ(reader.i32le(), -2);
    EXPECT_EQ(reader.u16be(), 0x1234);
    EXPECT_TRUE(reader.ok());
    EXPECT_TRUE(reader.atEnd());
}

TEST(ByteReader, AShortReadFailsStickilyAndReturnsZero) {
    std::vector<std::uint8_t> bytes = {0xAA, 0xBB, 0xCC};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.u8(), 0xAA);
    EXPECT_EQ(reader.u32le(), 0u); // only two bytes left
    EXPECT_FALSE(reader.ok());
    EXPECT_EQ(reader.u8(), 0); // still failed, although a byte is left
    EXPECT_EQ(reader.position(), 1u);
}

TEST(ByteReader, TakeRefusesALengthBeyondTheEndWithoutWrapping) {
    std::vector<std::uint8_t> bytes(16, 7);
    ByteReader reader(bytes, 8);
    EXPECT_TRUE(reader.take(SIZE_MAX).empty());
    EXPECT_FALSE(reader.ok());
    ByteReader past(bytes, 17);
    EXPECT_FALSE(past.ok());
    ByteReader exact(bytes, 8);
    EXPECT_EQ(exact.take(8).size(), 8u);
    EXPECT_TRUE(exact.ok());
}
