#pragma once
// The writing side of the run-length image codec: packed images of types 1, 8 and 24 that
// DecodeBuffer::decodeRunLengthImage decodes back to the same bytes.

#include "base/ByteReader.h"

#include <cstdint>
#include <vector>

namespace cinefold {

// A complete packed image (10-byte header included) of codecType 1, 8 or 24 holding data.
// Returns an empty vector for another codecType or for data that the type cannot carry:
//   - empty data (the decoder refuses a decodedSize of 0) and data longer than
//     DecodeBuffer::maxDecodedSize;
//   - for type 1, data whose first bit (bit 0 of byte 0) is 1, since its first run is of
//     0-bits and cannot be empty. Every BMP file image starts with "B" (0x42), whose bit 0 is 0.
std::vector<std::uint8_t> encodeRunLengthImage(Bytes data, int codecType);

} // namespace cinefold
