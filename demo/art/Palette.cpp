#include "Palette.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

namespace demo {

namespace {

struct Colour {
    std::uint8_t c[3];
    std::uint32_t count;
};

// A box of colours: a range of the colour list, which the median cut reorders as it splits.
struct Box {
    std::size_t begin, end;
    int axis = 0;
    int spread = 0;
    double error = 0;
};

// The box's widest channel, and its squared error: how far its pixels lie from their mean
// colour, in total. Splitting the box of the largest error first spends the palette where the
// picture has many pixels of many shades, such as the water's long gradient.
void measure(const std::vector<Colour>& colours, Box& box) {
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    double sum[3] = {0, 0, 0}, squares[3] = {0, 0, 0}, total = 0;
    for (std::size_t i = box.begin; i < box.end; ++i)
        for (int a = 0; a < 3; ++a) {
            const double v = colours[i].c[a], n = colours[i].count;
            lo[a] = std::min<int>(lo[a], colours[i].c[a]);
            hi[a] = std::max<int>(hi[a], colours[i].c[a]);
            sum[a] += v * n;
            squares[a] += v * v * n;
            if (a == 0) total += n;
        }
    box.spread = -1;
    box.error = 0;
    for (int a = 0; a < 3; ++a) {
        if (hi[a] - lo[a] > box.spread) box.spread = hi[a] - lo[a], box.axis = a;
        box.error += squares[a] - sum[a] * sum[a] / total;
    }
}

// Dithering by rows: each row of a group of four is shifted a little before its pixels take their
// nearest palette entries, so that the edges between the water's shades interleave instead of
// showing as bands. A whole row shifts alike, which keeps its runs of one colour long for the
// run-length codec that stores the background.
constexpr int rowThreshold[4] = {0, 2, 3, 1};
constexpr double ditherStrength = 1.6;

} // namespace

PalettePicture reduceColours(const std::vector<std::uint8_t>& rgb, int width, int height,
                             int colours) {
    std::map<std::uint32_t, std::uint32_t> counts;
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    for (std::size_t i = 0; i < pixels; ++i)
        ++counts[std::uint32_t(rgb[3 * i]) << 16 | std::uint32_t(rgb[3 * i + 1]) << 8 |
                 rgb[3 * i + 2]];
    std::vector<Colour> list;
    for (auto [key, count] : counts)
        list.push_back(
            {{std::uint8_t(key >> 16), std::uint8_t(key >> 8), std::uint8_t(key)}, count});

    std::vector<Box> boxes{{0, list.size()}};
    measure(list, boxes[0]);
    while (int(boxes.size()) < colours) {
        auto widest = std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) {
            return a.error < b.error;
        });
        if (widest->spread <= 0) break;
        Box box = *widest;
        const int axis = box.axis;
        std::sort(list.begin() + long(box.begin), list.begin() + long(box.end),
                  [axis](const Colour& a, const Colour& b) { return a.c[axis] < b.c[axis]; });
        std::uint64_t total = 0, half = 0;
        for (std::size_t i = box.begin; i < box.end; ++i)
            total += list[i].count;
        std::size_t cut = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            half += list[i].count;
            cut = i + 1;
            if (2 * half >= total) break;
        }
        Box low{box.begin, cut}, high{cut, box.end};
        measure(list, low);
        measure(list, high);
        *widest = low;
        boxes.push_back(high);
    }

    PalettePicture picture;
    picture.width = width;
    picture.height = height;
    for (const Box& box : boxes) {
        std::uint64_t sum[3] = {0, 0, 0}, total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            for (int a = 0; a < 3; ++a)
                sum[a] += std::uint64_t(list[i].c[a]) * list[i].count;
            total += list[i].count;
        }
        picture.palette.push_back({std::uint8_t((sum[0] + total / 2) / total),
                                   std::uint8_t((sum[1] + total / 2) / total),
                                   std::uint8_t((sum[2] + total / 2) / total)});
    }
    picture.indexes.resize(pixels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(width) + std::size_t(x);
            const double shift = (rowThreshold[y % 4] - 1.5) * ditherStrength;
            const double r = rgb[3 * i] + shift, g = rgb[3 * i + 1] + shift,
                         b = rgb[3 * i + 2] + shift;
            int best = 0;
            double bestDistance = 1e30;
            for (std::size_t k = 0; k < picture.palette.size(); ++k) {
                const auto& p = picture.palette[k];
                const double d =
                    (r - p[0]) * (r - p[0]) + (g - p[1]) * (g - p[1]) + (b - p[2]) * (b - p[2]);
                if (d < bestDistance) bestDistance = d, best = int(k);
            }
            picture.indexes[i] = std::uint8_t(best);
        }
    return picture;
}

bool writePalettePng(const std::string& path, const PalettePicture& picture) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         std::fclose);
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_color> colours(256, png_color{0, 0, 0});
    for (std::size_t i = 0; i < picture.palette.size(); ++i)
        colours[i] = {picture.palette[i][0], picture.palette[i][1], picture.palette[i][2]};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, png_uint_32(picture.width), png_uint_32(picture.height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // The full 256 entries, so that the container's background image has a full colour table.
    png_set_PLTE(png, info, colours.data(), 256);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y)
        png_write_row(png, picture.indexes.data() + std::size_t(y) * std::size_t(picture.width));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace demo
