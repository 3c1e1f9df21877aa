#include "render/BmpHeader.h"

namespace cinefold {

bool readBmpHeader(Bytes bytes, BmpHeader& header) {
    ByteReader reader(bytes);
    if (reader.u8() != 'B' || reader.u8() != 'M') return false;
    reader.skip(8);
    header.pixelOffset = reader.u32le();
    reader.skip(4);
    header.width = reader.i32le();
    header.height = reader.i32le();
    reader.skip(2);
    header.bitCount = reader.u16le();
    reader.skip(16);
    std::uint32_t colorsUsed = reader.u32le();
    reader.skip(4);
    if (!reader.ok()) return false;
    switch (header.bitCount) {
    case 1:
    case 4:
    case 8:
        header.colors = colorsUsed ? colorsUsed : 1u << header.bitCount;
        return true;
    case 24:
        header.colors = 0;
        return true;
    default:
        return false;
    }
}

} // namespace cinefold
