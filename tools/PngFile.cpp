#include "PngFile.h"

#include "render/BmpHeader.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace cinefold {

namespace {
// Pictures beyond this many pixels are refused rather than allocated.
constexpr std::uint64_t maxPixels = std::uint64_t(1) << 26;
} // namespace

bool bmpToPicture(Bytes bmp, bool mask, RgbPicture& picture, std::string& problem) {
    BmpHeader header;
    if (!readBmpHeader(bmp, header)) {
        problem = "not a drawable BMP image";
        return false;
    }
    std::uint64_t width =
        std::uint64_t(header.width < 0 ? -std::int64_t(header.width) : header.width);
    std::uint64_t height =
        std::uint64_t(header.height < 0 ? -std::int64_t(header.height) : header.height);
    if (width == 0 || height == 0 || width * height > maxPixels) {
        problem = "image size " + std::to_string(header.width) + " x " +
                  std::to_string(header.height) + " out of range";
        return false;
    }
    const std::uint64_t rowBytes = (width * header.bitCount + 31) / 32 * 4;
    std::uint64_t pixelStart = 54;
    std::uint32_t colors = header.colors;
    if (header.bitCount != 24 && header.pixelOffset != 54) pixelStart += std::uint64_t(colors) * 4;
    if (pixelStart > bmp.size() || rowBytes * height > bmp.size() - pixelStart) {
        problem = "pixel rows reach past the end of the image";
        return false;
    }
    auto color = [&](std::uint32_t index, std::uint8_t* out) {
        if (mask && index < 2) {
            out[0] = out[1] = out[2] = index ? 255 : 0;
            return;
        }
        std::uint64_t at = 54 + std::uint64_t(index) * 4;
        if (index >= colors || at + 4 > bmp.size()) {
            out[0] = out[1] = out[2] = 0;
            return;
        }
        out[0] = bmp[at + 2];
        out[1] = bmp[at + 1];
        out[2] = bmp[at];
    };
    picture.width = std::int32_t(width);
    picture.height = std::int32_t(height);
    picture.rgb.assign(width * height * 3, 0);
    for (std::uint64_t y = 0; y < height; ++y) {
        const std::uint8_t* row = bmp.data() + pixelStart + (height - 1 - y) * rowBytes;
        std::uint8_t* out = picture.rgb.data() + y * width * 3;
        for (std::uint64_t x = 0; x < width; ++x, out += 3) {
            switch (header.bitCount) {
            case 24:
                out[0] = row[x * 3 + 2];
                out[1] = row[x * 3 + 1];
                out[2] = row[x * 3];
                break;
            case 8:
                color(row[x], out);
                break;
            case 4:
                color((row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F, out);
                break;
            case 1:
                color((row[x / 8] >> (7 - x % 8)) & 1, out);
                break;
            }
        }
    }
    return true;
}

bool writePng(const std::string& path, const RgbPicture& picture, std::string& problem) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         std::fclose);
    if (!file) {
        problem = "cannot create";
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        problem = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        problem = "write error";
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, png_uint_32(picture.width), png_uint_32(picture.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (std::int32_t y = 0; y < picture.height; ++y)
        png_write_row(png, picture.rgb.data() + std::size_t(y) * std::size_t(picture.width) * 3);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace cinefold
