#pragma once
// The writing side of data blocks: byte pair encoding into the "DATA" envelope that
// DecodeBuffer::decodeDataBlock expands.

#include "container/ByteReader.h"

#include <cstdint>
#include <vector>

namespace cinefold {

// One complete data block (header included) holding data: pair-expanded where that is smaller,
// stored otherwise. Any length, including 0.
std::vector<std::uint8_t> encodeDataBlock(Bytes data);
// One data block holding data as stored bytes (packedFlag 0).
std::vector<std::uint8_t> encodeStoredBlock(Bytes data);

} // namespace cinefold
