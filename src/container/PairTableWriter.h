#pragma once
// The encoder's side of pair tables: which byte values become the pair codes of a pair block,
// and the table written in as few bytes as the format allows. DataBlock.cpp describes the
// format beside the decoder that reads it.

#include "container/PairTable.h"

#include <array>
#include <cstdint>
#include <vector>

namespace cinefold {

// The table with every code literal, in its shortest form: skip codes 0..127, the entry of
// code 128 (itself), skip codes 129..255.
inline constexpr std::uint8_t literalTable[] = {255, 128, 254};

// Appends the table in its shortest form.
void writePairTable(const PairTable& table, std::vector<std::uint8_t>& out);

// The order in which unused byte values become pair codes: the longest runs of consecutive
// unused values first, so that the pair codes of a block lie together and its table needs few
// count bytes.
int orderFreeCodes(const std::array<bool, 256>& used, std::array<std::uint8_t, 256>& order);

// Which byte values become the pair codes of a block matters only to the length of its table,
// and only once the number of codes is known. The codes are made in one order and then moved
// to whichever of a few choices of free values gives the shortest table: the highest free
// values, the lowest, or those first in the making order. mapping receives the new value of
// every code (literals map to themselves); returns false when the codes stay where they are.
bool placeCodes(const std::array<std::uint8_t, 256>& freeCodes, int freeCount, int made,
                std::array<std::uint8_t, 256>& mapping);

} // namespace cinefold
