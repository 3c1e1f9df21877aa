#pragma once
// The pair table of one pair block: for every byte value, the left and right byte it expands
// to. A code whose left byte is itself is a literal and stands for itself. The decoder reads
// tables into it (DataBlock.cpp, which describes the format), the encoder fills and writes one
// (PairTableWriter.h).

#include <array>
#include <cstddef>
#include <cstdint>

namespace cinefold {

struct PairTable {
    std::array<std::uint8_t, 256> left;
    std::array<std::uint8_t, 256> right;

    // Every code a literal.
    PairTable() {
        for (int c = 0; c < 256; ++c)
            left[std::size_t(c)] = std::uint8_t(c);
        right.fill(0);
    }
    bool isLiteral(int c) const { return left[std::size_t(c)] == c; }
};

} // namespace cinefold
