#pragma once
// The software canvas: a 24-bit surface in memory that draws what GDI draws on a 24-bit DIB
// section (FillRect with a solid brush, StretchBlt with COLORONCOLOR and the three raster
// operations the compositor uses), pixel for pixel. The tools, the native tests and the players
// without GDI compose through it; a test under Wine compares it with GDI itself.

#include "render/StageSurface.h"
#include "render/StretchMapping.h"

#include <cstdint>
#include <vector>

namespace cinefold {

// A borrowed picture to draw from: an image store entry, a mask or a canvas. Rows hold
// rowLength bytes, pixels packed as in a DIB (1 bit: leftmost pixel in the high bit; 4 bits: high
// nibble first; 24 bits: blue, green, red). Row 0 is the top row unless bottomUp says the rows
// are stored bottom row first, as in a BMP file or a DIB section of positive height.
struct DibView {
    const std::uint8_t* pixels = nullptr;
    std::int32_t width = 0, height = 0; // both > 0 when drawable
    std::uint16_t bitCount = 0;         // 1, 4, 8 or 24
    std::uint32_t rowLength = 0;
    // The colour table of a 1-, 4- or 8-bit picture. A DIB section always carries a full table
    // (2, 16 or 256 entries) whose entries past those supplied are black, so pixel values at or
    // beyond colourCount draw black.
    const PaletteColour* colours = nullptr;
    int colourCount = 0;
    bool bottomUp = false;
};

// SRCCOPY, SRCAND and SRCPAINT: the source replaces, is ANDed with, or ORed into the destination.
enum class RasterOp { copy, sourceAnd, sourcePaint };

class SoftCanvas {
  public:
    // A black surface. A size of zero or less, or one whose pixels would take more than
    // maxCanvasBytes, gives an empty canvas (0 x 0) on which every drawing does nothing.
    SoftCanvas(std::int32_t width, std::int32_t height);

    static constexpr std::uint64_t maxCanvasBytes = std::uint64_t(1) << 28;

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::uint32_t rowLength() const { return rowLength_; }
    // The canvas as a 24-bit source, to present it or draw it onto another canvas.
    DibView view() const;
    // The blue, green, red bytes of row y (top = 0); the caller keeps y inside the canvas.
    std::uint8_t* row(std::int32_t y) { return pixels_.data() + std::size_t(y) * rowLength_; }
    const std::uint8_t* row(std::int32_t y) const {
        return pixels_.data() + std::size_t(y) * rowLength_;
    }

    // FillRect with a solid brush of colourRef (0x00BBGGRR). As in GDI the rectangle becomes an
    // origin and extents: right < left covers right + 1 to left, and likewise for the rows.
    void fill(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
              std::uint32_t colourRef);

    // StretchBlt with COLORONCOLOR (BitBlt when the extents are equal), signed extents as GDI
    // takes them. False where GDI's StretchBlt fails, so that the compositor can fall back to
    // drawing row by row; true otherwise, having drawn what lands inside the canvas. A source
    // that is not drawable (no pixels, a size of zero, an unknown bit count, rows too short)
    // fails as a device context without a bitmap would.
    bool stretch(std::int32_t dx, std::int32_t dy, std::int32_t dw, std::int32_t dh,
                 const DibView& source, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                 std::int32_t sh, RasterOp op);

  private:
    void drawRows(const DibView& source, RasterOp op);
    void makeSourceRow(const DibView& source, const std::uint8_t* sourceRow, std::uint8_t* out);

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::uint32_t rowLength_ = 0;
    std::vector<std::uint8_t> pixels_;

    // Reused from call to call, so that a stretch allocates nothing once the canvas is warm.
    StretchPlan plan_;
    std::vector<std::uint32_t> sourceOffsets_; // per drawn column: byte offset or pixel index
    std::vector<std::uint32_t> palette_;       // a 1/4/8-bit source's colours as 0x00RRGGBB
    std::vector<std::uint8_t> scratch_;        // one stretched source row
    std::vector<std::uint8_t> unpacked_;       // a 1- or 4-bit source row, a byte a pixel
};

} // namespace cinefold
