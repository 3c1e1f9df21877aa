#include "linux/PixelTarget32.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace cinefold {

// The pixel words are built from bytes in memory order: blue first.
static_assert(std::endian::native == std::endian::little);

namespace {

std::uint32_t load4(const std::uint8_t* at) {
    std::uint32_t word;
    std::memcpy(&word, at, 4);
    return word & 0xFFFFFF;
}

std::uint32_t load3(const std::uint8_t* at) {
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16;
}

template <class Pixel> void readPixels(std::uint32_t* out, std::size_t n, Pixel pixel) {
#pragma GCC unroll 4
    for (std::size_t c = 0; c < n; ++c)
        out[c] = pixel(c);
}

} // namespace

PixelTarget32::PixelTarget32(std::uint8_t* pixels, std::int32_t width, std::int32_t height,
                             std::uint32_t rowBytes)
    : pixels_(pixels), width_(width), height_(height), rowBytes_(rowBytes) {}

void PixelTarget32::fill(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom, std::uint32_t colourRef) {
    // presentStage fills whole pictures only, given left to right and top to bottom, so the
    // rectangle is clipped as it stands; a reversed one fills nothing.
    const std::int32_t x0 = std::max({left, 0, clip_.left});
    const std::int32_t x1 = std::min({right, width_, clip_.right});
    const std::int32_t y0 = std::max({top, 0, clip_.top});
    const std::int32_t y1 = std::min({bottom, height_, clip_.bottom});
    const std::uint32_t pixel =
        (colourRef & 0xFF) << 16 | (colourRef & 0xFF00) | (colourRef >> 16 & 0xFF);
    if (x0 >= x1 || y0 >= y1) return;
    for (std::int32_t y = y0; y < y1; ++y)
        std::fill(row(y) + x0, row(y) + x1, pixel);
}

bool PixelTarget32::stretch(std::int32_t dx, std::int32_t dy, std::int32_t dw, std::int32_t dh,
                            const DibView& source, std::int32_t sx, std::int32_t sy,
                            std::int32_t sw, std::int32_t sh, RasterOp op) {
    if (op != RasterOp::copy || source.bitCount != 24 || source.pixels == nullptr ||
        source.width <= 0 || source.height <= 0 ||
        source.rowLength < std::uint64_t(source.width) * 3)
        return false;
    planStretch({dx, dw, width_, sx, sw, source.width}, {dy, dh, height_, sy, sh, source.height},
                plan_);
    if (plan_.result == StretchResult::failed) return false;
    clipPlan(plan_, clip_);
    if (plan_.result == StretchResult::nothing) return true;

    const AxisMap& columns = plan_.columns;
    const AxisMap& rows = plan_.rows;
    const std::size_t n = columns.sources.size();
    sourceOffsets_.resize(n);
    for (std::size_t c = 0; c < n; ++c)
        sourceOffsets_[c] = std::uint32_t(columns.sources[c]) * 3;
    const std::uint32_t* offsets = sourceOffsets_.data();

    // Rows that show the same source row as the row above are copies of it.
    std::int32_t previous = -1;
    const std::uint32_t* previousOut = nullptr;
    for (std::size_t r = 0; r < rows.sources.size(); ++r) {
        const std::int32_t y = rows.sources[r];
        std::uint32_t* out = row(rows.first + std::int32_t(r)) + columns.first;
        if (y == previous) {
            std::memcpy(out, previousOut, 4 * n);
        } else {
            const std::int32_t stored = source.bottomUp ? source.height - 1 - y : y;
            const std::uint8_t* in = source.pixels + std::size_t(stored) * source.rowLength;
            // A pixel is read as a four-byte word, its fourth byte (the next pixel's blue, or
            // row padding) masked off; only the last row in memory may have no byte to spare.
            if (stored + 1 < source.height || source.rowLength > std::uint64_t(source.width) * 3)
                readPixels(out, n, [&](std::size_t c) { return load4(in + offsets[c]); });
            else
                readPixels(out, n, [&](std::size_t c) { return load3(in + offsets[c]); });
        }
        previous = y;
        previousOut = out;
    }
    return true;
}

} // namespace cinefold
