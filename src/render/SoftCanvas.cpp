#include "render/SoftCanvas.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace cinefold {

// Pixels move as 32-bit words whose first three bytes in memory are blue, green, red.
static_assert(std::endian::native == std::endian::little);

namespace {

bool drawable(const DibView& view) {
    if (view.pixels == nullptr || view.width <= 0 || view.height <= 0) return false;
    if (view.bitCount != 1 && view.bitCount != 4 && view.bitCount != 8 && view.bitCount != 24)
        return false;
    return view.rowLength >= (std::uint64_t(view.width) * view.bitCount + 7) / 8;
}

const std::uint8_t* sourceRow(const DibView& view, std::int32_t y) {
    std::int32_t stored = view.bottomUp ? view.height - 1 - y : y;
    return view.pixels + std::size_t(stored) * view.rowLength;
}

// Writes n pixels of three bytes, pixel(c) giving column c as a 32-bit word whose low three
// bytes are blue, green, red. Each store is four bytes wide: the fourth byte lands on the next
// pixel, which is written afterwards, and the last pixel is stored with three, so that nothing
// past out + 3n is touched.
template <class Pixel> void writePixels(std::uint8_t* out, std::size_t n, Pixel pixel) {
#pragma GCC unroll 4
    for (std::size_t c = 0; c + 1 < n; ++c) {
        const std::uint32_t p = pixel(c);
        std::memcpy(out + 3 * c, &p, 4);
    }
    const std::uint32_t p = pixel(n - 1);
    std::memcpy(out + 3 * (n - 1), &p, 3);
}

std::uint32_t load3(const std::uint8_t* at) {
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16;
}

std::uint32_t load4(const std::uint8_t* at) {
    std::uint32_t word;
    std::memcpy(&word, at, 4);
    return word;
}

// out = out AND in, or out OR in, over n bytes, eight at a time: the bytes are independent, so
// whole words combine them the same way.
template <class Combine>
void combineBytes(std::uint8_t* out, const std::uint8_t* in, std::size_t n, Combine combine) {
    std::size_t b = 0;
    for (; b + 8 <= n; b += 8) {
        std::uint64_t o, i;
        std::memcpy(&o, out + b, 8);
        std::memcpy(&i, in + b, 8);
        o = combine(o, i);
        std::memcpy(out + b, &o, 8);
    }
    for (; b < n; ++b)
        out[b] = std::uint8_t(combine(out[b], in[b]));
}

} // namespace

SoftCanvas::SoftCanvas(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return;
    const std::uint64_t rowLength = dibRowLength(std::uint64_t(width), 24);
    if (rowLength * std::uint64_t(height) > maxCanvasBytes) return;
    width_ = width;
    height_ = height;
    rowLength_ = std::uint32_t(rowLength);
    pixels_.assign(std::size_t(rowLength) * std::size_t(height), 0);
}

DibView SoftCanvas::view() const {
    DibView view;
    view.pixels = pixels_.empty() ? nullptr : pixels_.data();
    view.width = width_;
    view.height = height_;
    view.bitCount = 24;
    view.rowLength = rowLength_;
    return view;
}

void SoftCanvas::fill(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                      std::uint32_t colourRef) {
    // FillRect is PatBlt of the origin (left, top) and the extents right - left, bottom - top.
    auto span = [](std::int64_t origin, std::int64_t extent, std::int64_t size) {
        std::int64_t begin = extent >= 0 ? origin : origin + extent + 1;
        std::int64_t end = extent >= 0 ? origin + extent : origin + 1;
        return std::pair{std::max<std::int64_t>(begin, 0), std::min(end, size)};
    };
    auto [x0, x1] = span(left, std::int64_t(right) - left, width_);
    auto [y0, y1] = span(top, std::int64_t(bottom) - top, height_);
    x0 = std::max<std::int64_t>(x0, clip_.left);
    x1 = std::min<std::int64_t>(x1, clip_.right);
    y0 = std::max<std::int64_t>(y0, clip_.top);
    y1 = std::min<std::int64_t>(y1, clip_.bottom);
    if (x0 >= x1 || y0 >= y1) return;

    const std::uint8_t bgr[3] = {std::uint8_t(colourRef >> 16), std::uint8_t(colourRef >> 8),
                                 std::uint8_t(colourRef)};
    std::size_t bytes = std::size_t(x1 - x0) * 3;
    std::uint8_t* first = row(std::int32_t(y0)) + x0 * 3;
    for (std::size_t b = 0; b < bytes; b += 3)
        std::memcpy(first + b, bgr, 3);
    for (std::int64_t y = y0 + 1; y < y1; ++y)
        std::memcpy(row(std::int32_t(y)) + x0 * 3, first, bytes);
}

bool SoftCanvas::stretch(std::int32_t dx, std::int32_t dy, std::int32_t dw, std::int32_t dh,
                         const DibView& source, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                         std::int32_t sh, RasterOp op) {
    if (!drawable(source)) return false;
    planStretch({dx, dw, width_, sx, sw, source.width}, {dy, dh, height_, sy, sh, source.height},
                plan_);
    if (plan_.result == StretchResult::failed) return false;
    clipPlan(plan_, clip_);
    if (plan_.result == StretchResult::drawn) drawRows(source, op);
    return true;
}

namespace {

// The pixels of one byte of a 1-bit row, or of a 4-bit row, a byte each, in a word whose bytes
// lie in memory in pixel order.
constexpr std::array<std::uint64_t, 256> unpackTable(int bits) {
    std::array<std::uint64_t, 256> table{};
    const int perByte = 8 / bits, mask = (1 << bits) - 1;
    for (int byte = 0; byte < 256; ++byte)
        for (int k = 0; k < perByte; ++k)
            table[std::size_t(byte)] |= std::uint64_t((byte >> (8 - bits * (k + 1))) & mask)
                                        << (8 * k);
    return table;
}
constexpr std::array<std::uint64_t, 256> unpack1 = unpackTable(1);
constexpr std::array<std::uint64_t, 256> unpack4 = unpackTable(4);

} // namespace

// Stretches the source row at rowStart through the column table into out (three bytes per
// drawn column). A 1- or 4-bit row is first spread to a byte a pixel, so that every palette
// source is looked up the same way.
void SoftCanvas::makeSourceRow(const DibView& source, const std::uint8_t* rowStart,
                               std::uint8_t* out) {
    const std::size_t n = plan_.columns.sources.size();
    const std::uint32_t* offsets = sourceOffsets_.data();
    const std::uint32_t* colours = palette_.data();
    if (source.bitCount == 24) {
        // Columns that run one to one are a plain copy.
        if (offsets[n - 1] - offsets[0] == 3 * (n - 1)) {
            std::memcpy(out, rowStart + offsets[0], 3 * n);
            return;
        }
        // A four-byte load reads one byte past the pixel; only the last row in memory may have
        // no padding after its last pixel to read.
        const std::uint8_t* end = source.pixels + std::size_t(source.height) * source.rowLength;
        if (rowStart + 3 * std::size_t(source.width) < end)
            writePixels(out, n, [&](std::size_t c) { return load4(rowStart + offsets[c]); });
        else
            writePixels(out, n, [&](std::size_t c) { return load3(rowStart + offsets[c]); });
        return;
    }
    const std::uint8_t* indexes = rowStart;
    if (source.bitCount < 8) {
        const auto& table = source.bitCount == 1 ? unpack1 : unpack4;
        const std::size_t perByte = 8 / source.bitCount;
        const std::size_t bytes = (std::size_t(source.width) + perByte - 1) / perByte;
        unpacked_.resize(bytes * perByte + 8);
        for (std::size_t i = 0; i < bytes; ++i)
            std::memcpy(unpacked_.data() + i * perByte, &table[rowStart[i]], 8);
        indexes = unpacked_.data();
    }
    if (offsets[n - 1] - offsets[0] == n - 1) {
        const std::uint8_t* first = indexes + offsets[0];
        writePixels(out, n, [&](std::size_t c) { return colours[first[c]]; });
    } else {
        writePixels(out, n, [&](std::size_t c) { return colours[indexes[offsets[c]]]; });
    }
}

void SoftCanvas::drawRows(const DibView& source, RasterOp op) {
    const AxisMap& columns = plan_.columns;
    const AxisMap& rows = plan_.rows;
    const std::size_t n = columns.sources.size();

    // Everything that depends only on the column or the colour is looked up once here.
    sourceOffsets_.resize(n);
    for (std::size_t c = 0; c < n; ++c)
        sourceOffsets_[c] = std::uint32_t(columns.sources[c]) * (source.bitCount == 24 ? 3 : 1);
    if (source.bitCount <= 8) {
        palette_.assign(std::size_t(1) << source.bitCount, 0);
        int known =
            source.colours == nullptr ? 0 : std::min<int>(source.colourCount, int(palette_.size()));
        for (int i = 0; i < known; ++i) {
            const PaletteColour& colour = source.colours[i];
            palette_[std::size_t(i)] = std::uint32_t(colour.blue) |
                                       std::uint32_t(colour.green) << 8 |
                                       std::uint32_t(colour.red) << 16;
        }
    }
    if (op != RasterOp::copy) scratch_.resize(3 * n);

    // Rows that show the same source row as the row above are copies of it (with SRCCOPY) or
    // combine the same stretched row (with the other operations).
    std::int32_t previous = -1;
    std::uint8_t* previousOut = nullptr;
    for (std::size_t r = 0; r < rows.sources.size(); ++r) {
        std::int32_t y = rows.sources[r];
        std::uint8_t* out = row(rows.first + std::int32_t(r)) + std::size_t(columns.first) * 3;
        if (op == RasterOp::copy) {
            if (y == previous)
                std::memcpy(out, previousOut, 3 * n);
            else
                makeSourceRow(source, sourceRow(source, y), out);
        } else {
            if (y != previous) makeSourceRow(source, sourceRow(source, y), scratch_.data());
            const std::uint8_t* stretched = scratch_.data();
            if (op == RasterOp::sourceAnd)
                combineBytes(out, stretched, 3 * n, [](auto a, auto b) { return a & b; });
            else
                combineBytes(out, stretched, 3 * n, [](auto a, auto b) { return a | b; });
        }
        previous = y;
        previousOut = out;
    }
}

} // namespace cinefold
