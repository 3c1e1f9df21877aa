#include "render/BmpHeader.h"

#include "render/StageSurface.h"

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
    const std::uint64_t rowLength = dibRowLength(std::uint64_t(header.width), header.bitCount);
    const std::size_t available = bytes.size() - layout.rowsAt;
    if (rowLength > available || rowLength > 0xFFFFFFFFu || layout.rowCount > available / rowLength)
        return false;
    layout.rowLength = std::uint32_t(rowLength);
    return true;
}

std::vector<std::uint8_t> makeBmpFile(std::int32_t width, std::int32_t height,
                                      std::uint16_t bitCount, std::uint32_t colors) {
    const std::size_t pixelOffset = bmpHeadersSize + 4 * std::size_t(colors);
    const std::size_t imageSize =
        std::size_t(dibRowLength(std::uint64_t(width), bitCount)) * std::size_t(height);
    std::vector<std::uint8_t> bmp(pixelOffset + imageSize, 0);
    std::uint8_t* p = bmp.data();
    p[0] = 'B';
    p[1] = 'M';
    storeU32le(p + 2, std::uint32_t(bmp.size()));
    storeU32le(p + 10, std::uint32_t(pixelOffset));
    storeU32le(p + 14, 40);
    storeU32le(p + 18, std::uint32_t(width));
    storeU32le(p + 22, std::uint32_t(height));
    p[26] = 1; // planes
    p[28] = std::uint8_t(bitCount);
    storeU32le(p + 34, std::uint32_t(imageSize));
    storeU32le(p + 46, colors);
    return bmp;
}

} // namespace cinefold
