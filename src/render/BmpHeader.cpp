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
    header.planes = reader.u16le();
    header.bitCount = reader.u16le();
    header.compression = reader.u32le();
    reader.skip(12);
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

bool layOutBmp(Bytes bytes, BmpLayout& layout) {
    BmpHeader& header = layout.header;
    if (!readBmpHeader(bytes, header)) return false;
    if (header.width <= 0 || header.height == 0 || header.planes != 1 || header.compression != 0)
        return false;
    // A palette image's pixel values index its colour table; more entries than the bit count can
    // reach would only ever be read as pixels.
    if (header.bitCount != 24 && header.colors > 1u << header.bitCount) return false;
    layout.rowsAt = header.pixelOffset == bmpHeadersSize || header.bitCount == 24
                        ? bmpHeadersSize
                        : bmpHeadersSize + std::size_t(header.colors) * 4;
    if (layout.rowsAt > bytes.size()) return false;
    layout.rowCount =
        header.height < 0 ? 0u - std::uint32_t(header.height) : std::uint32_t(header.height);
    // The rows must lie within the bytes, so that a section sized from them is never larger
    // than the input. Dividing, rather than multiplying, cannot overflow.
    const std::uint64_t rowLength = (std::uint64_t(header.width) * header.bitCount + 31) / 32 * 4;
    const std::size_t available = bytes.size() - layout.rowsAt;
    if (rowLength > available || rowLength > 0xFFFFFFFFu || layout.rowCount > available / rowLength)
        return false;
    layout.rowLength = std::uint32_t(rowLength);
    return true;
}

} // namespace cinefold
