#include "PngFile.h"

#include "files/OutputFile.h"

#include "render/StageSurface.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace cinefold {

namespace {
// Pictures beyond this many pixels are refused rather than allocated.
constexpr std::uint64_t maxPixels = std::uint64_t(1) << 26;
} // namespace

bool sectionToPicture(const Section& section, RgbPicture& picture, std::string& problem) {
    const std::uint64_t width = std::uint64_t(section.width);
    const std::uint64_t height = std::uint64_t(section.height);
    if (width * height > maxPixels) {
        problem = "image size " + std::to_string(width) + " x " + std::to_string(height) +
                  " out of range";
        return false;
    }
    picture.width = section.width;
    picture.height = section.height;
    picture.rgb.assign(width * height * 3, 0);
    std::uint8_t* out = picture.rgb.data();
    for (std::int32_t y = 0; y < section.height; ++y)
        for (std::int32_t x = 0; x < section.width; ++x, out += 3) {
            std::uint32_t value =
                getPixel(section.pixels, x, y, section.bitCount, section.rowLength);
            if (section.bitCount == 24) { // 0x00BBGGRR
                out[0] = std::uint8_t(value);
                out[1] = std::uint8_t(value >> 8);
                out[2] = std::uint8_t(value >> 16);
                continue;
            }
            if (section.bitCount == 1) value = value ? 1 : 0;
            if (value < section.colours.size()) {
                out[0] = section.colours[value].red;
                out[1] = section.colours[value].green;
                out[2] = section.colours[value].blue;
            }
        }
    return true;
}

namespace {

// libpng reports through these rather than on stderr: the tool says one line, naming the file.
void onPngError(png_structp png, png_const_charp message) {
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}
void onPngWarning(png_structp, png_const_charp) {}

// Writes a width x height RGB picture whose rows, top first, rowAt(y) supplies.
template <class RowAt>
bool writeRgbRows(const std::string& path, std::int32_t width, std::int32_t height, RowAt rowAt,
                  std::string& problem) {
    if (width <= 0 || height <= 0) {
        problem = "nothing to write: the picture is empty";
        return false;
    }
    OutputFile file(path);
    if (!file.open(problem)) return false;
    std::string pngError;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &pngError, onPngError, onPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        problem = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        problem = "write error: " + pngError;
        return false;
    }
    png_init_io(png, file.stream());
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (std::int32_t y = 0; y < height; ++y)
        png_write_row(png, rowAt(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return file.commit(problem);
}
} // namespace

bool writePng(const std::string& path, const RgbPicture& picture, std::string& problem) {
    const std::size_t rowBytes = std::size_t(picture.width) * 3;
    return writeRgbRows(
        path, picture.width, picture.height,
        [&](std::int32_t y) { return picture.rgb.data() + std::size_t(y) * rowBytes; }, problem);
}

bool writePng(const std::string& path, const SoftCanvas& canvas, std::string& problem) {
    // The canvas holds blue, green, red; PNG wants red first.
    std::vector<std::uint8_t> rgb(std::size_t(canvas.width()) * 3);
    return writeRgbRows(
        path, canvas.width(), canvas.height(),
        [&](std::int32_t y) {
            const std::uint8_t* bgr = canvas.row(y);
            for (std::size_t i = 0; i < rgb.size(); i += 3) {
                rgb[i] = bgr[i + 2];
                rgb[i + 1] = bgr[i + 1];
                rgb[i + 2] = bgr[i];
            }
            return rgb.data();
        },
        problem);
}

} // namespace cinefold
