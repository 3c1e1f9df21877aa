#include "project/ImageFile.h"

#include "project/BmpFile.h"

#include "container/DecodeBuffer.h"

#include <png.h>

#include <cstring>

namespace cinefold {

namespace {

constexpr std::uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Alpha below this is transparent; so is a mask pixel of at least this luminance.
constexpr int transparentBelowAlpha = 128;
constexpr int transparentFromLuminance = 128;
// Pictures of more pixels are refused before anything is allocated for them: four bytes a pixel
// must stay within what a decoder may allocate.
constexpr std::uint64_t maxPixels = std::uint64_t(DecodeBuffer::maxDecodedSize) / 4;

bool isPng(Bytes file) {
    return file.size() >= sizeof pngSignature &&
           std::memcmp(file.data(), pngSignature, sizeof pngSignature) == 0;
}
bool isBmp(Bytes file) {
    return file.size() >= 2 && file[0] == 'B' && file[1] == 'M';
}

// A decoded PNG: palette indexes with the palette and its alpha, or RGBA samples.
struct PngPixels {
    int width = 0;
    int height = 0;
    bool indexed = false;
    bool transparency = false;
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> paletteAlpha; // may be shorter than the palette: the rest is opaque
    std::vector<std::uint8_t> samples; // one index or four bytes (RGBA) a pixel, rows top first
};

struct PngInput {
    Bytes file;
    std::size_t position = 0;
    std::string error;
    std::string refusal; // a well-formed PNG that cannot be taken, and why
};

// 25000000 as "25,000,000".
std::string withCommas(std::uint64_t n) {
    const std::string digits = std::to_string(n);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
        text.push_back(digits[i]);
    }
    return text;
}

void readPngData(png_structp png, png_bytep out, png_size_t count) {
    auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
    if (count > input->file.size() - input->position) png_error(png, "the file ends early");
    std::memcpy(out, input->file.data() + input->position, count);
    input->position += count;
}

void onPngError(png_structp png, png_const_charp message) {
    static_cast<PngInput*>(png_get_error_ptr(png))->error = message;
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// libpng reports errors by a long jump back to the setjmp below. Everything that must survive it
// is built before the setjmp, and nothing with a destructor is created after it.
bool decodePng(Bytes file, bool keepIndexes, PngPixels& pixels, std::string& problem) {
    PngInput input;
    input.file = file;
    std::vector<png_bytep> rows;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &input, onPngError, onPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        problem = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        problem = input.refusal.empty() ? "a broken PNG file: " + input.error : input.refusal;
        return false;
    }
    png_set_read_fn(png, &input, readPngData);
    png_set_chunk_malloc_max(png, 1 << 20);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Under the fuzzer a mutated chunk keeps its old checksum; checking it would stop nearly
    // every input at its first changed chunk, before any of the code behind it.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (std::uint64_t(width) * height > maxPixels) {
        input.refusal = std::to_string(width) + " x " + std::to_string(height) + " is " +
                        withCommas(std::uint64_t(width) * height) +
                        " pixels; an image may have at most " + withCommas(maxPixels);
        png_error(png, "too many pixels");
    }
    const int colorType = png_get_color_type(png, info);
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    pixels.width = int(width);
    pixels.height = int(height);
    pixels.indexed = keepIndexes && colorType == PNG_COLOR_TYPE_PALETTE;
    pixels.transparency = hasTrns || (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    if (pixels.indexed) {
        png_colorp colors = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &colors, &count);
        for (int i = 0; i < count; ++i)
            pixels.palette.push_back({colors[i].red, colors[i].green, colors[i].blue});
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        if (hasTrns) png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
        pixels.paletteAlpha.assign(alpha, alpha + alphaCount);
        png_set_packing(png);
    } else {
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t pixelBytes = pixels.indexed ? 1 : 4;
    if (png_get_rowbytes(png, info) != pixelBytes * width) png_error(png, "unexpected row layout");
    pixels.samples.resize(pixelBytes * width * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = pixels.samples.data() + pixelBytes * width * y;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// Checks a BMP file image that is taken byte for byte, and says where the saver will show it
// differently from what an image viewer shows.
bool checkBmp(Bytes file, bool mask, LoadedImage& image, std::string& problem) {
    BmpLayout layout;
    if (file.size() > std::size_t(DecodeBuffer::maxDecodedSize)) {
        problem = "a BMP file of " + withCommas(file.size()) + " bytes; an image may have at most " +
                  withCommas(std::uint64_t(DecodeBuffer::maxDecodedSize));
        return false;
    }
    if (!checkBmpLayout(file, layout, problem)) return false;
    const BmpHeader& h = layout.header;
    std::vector<std::string>& warnings = image.warnings;
    if (mask && h.bitCount != 1)
        warnings.push_back("a mask of " + std::to_string(h.bitCount) +
                           " bits a pixel: the saver clears the stage where its colours are dark");
    ByteReader reader(file, bmpFileHeaderSize);
    if (const std::uint32_t infoSize = reader.u32le(); infoSize != 40)
        warnings.push_back("its info header is " + std::to_string(infoSize) +
                           " bytes long, the saver reads 40");
    if (h.height < 0)
        warnings.push_back("its rows are stored top-down: the saver shows it upside down");
    if (h.pixelOffset != layout.rowsAt && !(mask && h.pixelOffset == bmpHeadersSize))
        warnings.push_back("the saver reads its pixels at offset " + std::to_string(layout.rowsAt) +
                           ", not " + std::to_string(h.pixelOffset));
    image.bmp.assign(file.begin(), file.end());
    image.verbatim = true;
    image.width = h.width;
    image.height = int(layout.rowCount);
    return true;
}

} // namespace

bool loadImageBytes(Bytes file, LoadedImage& image, std::string& problem) {
    if (isBmp(file)) return checkBmp(file, false, image, problem);
    if (!isPng(file)) {
        problem = "neither a PNG nor a BMP file";
        return false;
    }
    PngPixels png;
    if (!decodePng(file, true, png, problem)) return false;
    image.width = png.width;
    image.height = png.height;
    const std::size_t count = std::size_t(png.width) * std::size_t(png.height);
    std::vector<std::uint8_t> transparent(count, 0);
    if (png.indexed) {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint8_t index = png.samples[i];
            transparent[i] =
                index < png.paletteAlpha.size() && png.paletteAlpha[index] < transparentBelowAlpha;
        }
        image.bmp = makeBmp8(png.width, png.height, png.palette, png.samples);
    } else {
        std::vector<Rgb> rgb(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* p = &png.samples[4 * i];
            transparent[i] = p[3] < transparentBelowAlpha;
            if (!transparent[i]) rgb[i] = {p[0], p[1], p[2]};
        }
        image.bmp = makeBmp24(png.width, png.height, rgb);
    }
    if (png.transparency) image.mask = makeMask(png.width, png.height, transparent);
    return true;
}

bool loadMaskBytes(Bytes file, LoadedImage& mask, std::string& problem) {
    if (isBmp(file)) {
        if (!checkBmp(file, true, mask, problem)) return false;
        mask.mask = std::move(mask.bmp);
        mask.bmp.clear();
        return true;
    }
    if (!isPng(file)) {
        problem = "neither a PNG nor a BMP file";
        return false;
    }
    PngPixels png;
    if (!decodePng(file, false, png, problem)) return false;
    const std::size_t count = std::size_t(png.width) * std::size_t(png.height);
    std::vector<std::uint8_t> transparent(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = &png.samples[4 * i];
        const int luminance = (299 * p[0] + 587 * p[1] + 114 * p[2]) / 1000;
        transparent[i] = p[3] < transparentBelowAlpha || luminance >= transparentFromLuminance;
    }
    mask.width = png.width;
    mask.height = png.height;
    mask.mask = makeMask(png.width, png.height, transparent);
    return true;
}

void blackenBeneathMask(std::vector<std::uint8_t>& bmp, const std::vector<std::uint8_t>& mask) {
    BmpLayout image, bits;
    if (!layOutBmp(bmp, image) || !layOutBmp(mask, bits) || image.header.bitCount != 24 ||
        bits.header.bitCount != 1 || image.header.width != bits.header.width ||
        image.rowCount != bits.rowCount)
        return;
    for (std::uint32_t row = 0; row < image.rowCount; ++row) {
        std::uint8_t* pixel = bmp.data() + image.rowsAt + std::size_t(image.rowLength) * row;
        const std::uint8_t* maskRow = mask.data() + bits.rowsAt + std::size_t(bits.rowLength) * row;
        for (int x = 0; x < image.header.width; ++x)
            if (maskRow[x / 8] & (0x80 >> (x % 8))) std::memset(pixel + 3 * x, 0, 3);
    }
}

} // namespace cinefold
