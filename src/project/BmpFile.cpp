#include "project/BmpFile.h"

#include "render/StageSurface.h"

namespace cinefold {

namespace {

std::size_t rowBytesFor(int width, int bitCount) {
    return std::size_t(dibRowLength(std::uint64_t(width), std::uint32_t(bitCount)));
}

// The start of the stored row that shows picture row y (rows top first).
std::uint8_t* rowOf(std::vector<std::uint8_t>& bmp, std::size_t pixelOffset, std::size_t rowBytes,
                    int height, int y) {
    return bmp.data() + pixelOffset + rowBytes * std::size_t(height - 1 - y);
}

} // namespace

std::vector<std::uint8_t> makeBmp24(int width, int height, std::span<const Rgb> pixels) {
    std::vector<std::uint8_t> bmp = makeBmpFile(width, height, 24, 0);
    const std::size_t rowBytes = rowBytesFor(width, 24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = rowOf(bmp, bmpHeadersSize, rowBytes, height, y);
        for (int x = 0; x < width; ++x) {
            const Rgb& rgb = pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
            row[3 * x] = rgb[2];
            row[3 * x + 1] = rgb[1];
            row[3 * x + 2] = rgb[0];
        }
    }
    return bmp;
}

std::vector<std::uint8_t> makeBmp8(int width, int height, std::span<const Rgb> palette,
                                   std::span<const std::uint8_t> indexes) {
    std::vector<std::uint8_t> bmp = makeBmpFile(width, height, 8, 256);
    for (std::size_t i = 0; i < palette.size() && i < 256; ++i) {
        bmp[bmpHeadersSize + 4 * i] = palette[i][2];
        bmp[bmpHeadersSize + 4 * i + 1] = palette[i][1];
        bmp[bmpHeadersSize + 4 * i + 2] = palette[i][0];
    }
    const std::size_t pixelOffset = bmpHeadersSize + 4 * 256;
    const std::size_t rowBytes = rowBytesFor(width, 8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rowOf(bmp, pixelOffset, rowBytes, height, y)[x] =
                indexes[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    return bmp;
}

std::vector<std::uint8_t> makeMask(int width, int height,
                                   std::span<const std::uint8_t> transparent) {
    std::vector<std::uint8_t> bmp = makeBmpFile(width, height, 1, 0);
    const std::size_t rowBytes = rowBytesFor(width, 1);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = rowOf(bmp, bmpHeadersSize, rowBytes, height, y);
        for (int x = 0; x < width; ++x)
            if (transparent[std::size_t(y) * std::size_t(width) + std::size_t(x)])
                row[x / 8] |= std::uint8_t(0x80 >> (x % 8));
    }
    return bmp;
}

bool checkBmpLayout(Bytes bmp, BmpLayout& layout, std::string& problem) {
    if (layOutBmp(bmp, layout)) return true;
    const BmpHeader& h = layout.header;
    if (bmp.size() < 2 || bmp[0] != 'B' || bmp[1] != 'M')
        problem = "not a BMP file image";
    else if (!readBmpHeader(bmp, layout.header))
        problem = "a BMP of a bit count the saver does not draw (it draws 1, 4, 8 and 24)";
    else if (h.compression != 0)
        problem = "a compressed BMP, which the saver does not draw";
    else if (h.width <= 0 || h.height == 0 || h.planes != 1)
        problem = "a BMP of " + std::to_string(h.width) + " x " + std::to_string(h.height) +
                  " pixels in " + std::to_string(h.planes) + " planes";
    else if (h.bitCount <= 8 && h.colors > (1u << h.bitCount))
        problem = "its colour table has " + std::to_string(h.colors) + " entries; a " +
                  std::to_string(h.bitCount) + "-bit BMP has at most " +
                  std::to_string(1u << h.bitCount);
    else
        problem = "its colour table or pixel rows do not fit the file (" +
                  std::to_string(bmp.size()) + " bytes)";
    return false;
}

} // namespace cinefold
