#pragma once
// The writing side of the run-length image codec: packed images of types 1, 8 and 24 that
// DecodeBuffer::decodeRunLengthImage decodes back to the same bytes.

#include "container/ByteReader.h"

#include <cstdint>
#include <vector>

namespace cinefold {

// A complete packed image (10-byte header included) of codecType 1, 8 or 24 holding data.
// Returns an empty vector for another codecType or for data that the type cannot carry.
std::vector<std::uint8_t> encodeRunLengthImage(Bytes data, int codecType);

} // namespace cinefold
