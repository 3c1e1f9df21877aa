#pragma once
// The headers of a decoded packed image: a BMP file image in memory. All integers little-endian.
//
//   +0  "BM"            signature
//   +10 pixel offset    u32, compared with 54 only
//   +14 info header     always taken as 40 bytes, whatever its size field says
//   +18 width, +22 height   i32; rows are always taken as stored bottom-up
//   +26 planes          u16: only 1
//   +28 bit count       u16: 1, 4, 8 or 24
//   +30 compression     u32: only 0, rows as stored
//   +46 colours used    u32: 0 means the full count for the bit count
//   +54 colour table    4 bytes an entry (blue, green, red, reserved), palette images only
//
// The rows start at 54 when the pixel offset is 54, even in a palette image: the file then
// stores no colour table, and the colour table is read from the first pixel bytes. Otherwise they
// start right after the colour table, whatever the pixel offset says. A 24-bit image's rows
// always start at 54.

#include "base/ByteReader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cinefold {

constexpr std::size_t bmpFileHeaderSize = 14;
constexpr std::size_t bmpHeadersSize = 54; // the file header and the 40-byte info header

struct BmpHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t colors = 0;      // colour-table entries; 0 for 24-bit images
    std::uint32_t pixelOffset = 0; // as stored
};

// Reads the 54 header bytes. False when they are missing, the signature is not "BM" or the bit
// count is not one that the image store draws.
bool readBmpHeader(Bytes bytes, BmpHeader& header);

// Where the parts of an image that can become a DIB section lie in its bytes.
struct BmpLayout {
    BmpHeader header;
    std::size_t rowsAt = 0; // offset of the first stored row, the bottom row of the picture
    std::uint32_t rowLength = 0;
    std::uint32_t rowCount = 0; // the height's magnitude
};

// Reads the headers and checks the rows against the bytes before anything is sized from them.
// False when readBmpHeader is, and for what a DIB section cannot be made from: a width that is
// not positive, a height of 0, planes other than 1, a compression other than 0, more colours than
// the bit count can index, or rows that reach past the end of the bytes. A colour table read from
// the pixel bytes (pixel offset 54) may reach past their end; the entries it lacks read as zero.
// That keeps a small mask without a stored table, whose colours are replaced anyway.
bool layOutBmp(Bytes bytes, BmpLayout& layout);

// The writer of the same layout: an uncompressed bottom-up BMP file image of `width` x `height`
// pixels at `bitCount` bits, with `colors` colour-table entries between the headers and the
// rows, the table and the rows all zero for the caller to fill.
std::vector<std::uint8_t> makeBmpFile(std::int32_t width, std::int32_t height,
                                      std::uint16_t bitCount, std::uint32_t colors);

} // namespace cinefold
