#pragma once
// The input of a target that reads two things: a 16-bit little-endian length n, then the first
// thing's n bytes (fewer when the input ends), then the second's bytes after them.

#include "base/ByteReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

struct TwoParts {
    cinefold::Bytes first, second;
};

// False for an input too short to hold the length.
inline bool splitInput(const std::uint8_t* data, std::size_t size, TwoParts& parts) {
    if (size < 2) return false;
    const std::size_t length = std::min<std::size_t>(size - 2, data[0] | data[1] << 8);
    parts = {cinefold::Bytes(data + 2, length),
             cinefold::Bytes(data + 2 + length, size - 2 - length)};
    return true;
}
