#pragma once
// The headers of a decoded packed image: a BMP file image in memory. All integers little-endian.
//
//   +0  "BM"            signature
//   +10 pixel offset    u32, compared with 54 only
//   +18 width, +22 height   i32; rows are always taken as stored bottom-up
//   +28 bit count       u16: 1, 4, 8 or 24
//   +46 colours used    u32: 0 means the full count for the bit count
//   +54 colour table    4 bytes an entry (blue, green, red, reserved), palette images only

#include "base/ByteReader.h"

#include <cstdint>

namespace cinefold {

struct BmpHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t colors = 0;      // colour-table entries; 0 for 24-bit images
    std::uint32_t pixelOffset = 0; // as stored
};

// Reads the 54 header bytes. False when they are missing, the signature is not "BM" or the bit
// count is not one that the image store draws.
bool readBmpHeader(Bytes bytes, BmpHeader& header);

} // namespace cinefold
