#pragma once
// The software canvas: a 24-bit surface in memory that draws what GDI draws on a 24-bit DIB
// section (FillRect with a solid brush, StretchBlt with COLORONCOLOR and the three raster
// operations the compositor uses), pixel for pixel. The tools, the native tests and the players
// without GDI compose through it; a test under Wine compares it with GDI itself.

#include "render/Canvas.h"
#include "render/StageSurface.h"
#include "render/StretchMapping.h"

#include <cstdint>
#include <vector>

namespace cinefold {

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

    // The clip that fill and stretch keep to (Canvas.h, clipTo); noClip unless one is set.
    const Rect& clip() const { return clip_; }
    void setClip(const Rect& clip) { clip_ = clip; }

    // The surface's fill and stretch (Canvas.h). A stretch from a source that is not drawable
    // (no pixels, a size of zero, an unknown bit count, rows too short) fails as a device
    // context without a bitmap would.
    void fill(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
              std::uint32_t colourRef);

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
    Rect clip_ = noClip;

    // Reused from call to call, so that a stretch allocates nothing once the canvas is warm.
    StretchPlan plan_;
    std::vector<std::uint32_t> sourceOffsets_; // per drawn column: byte offset or pixel index
    std::vector<std::uint32_t> palette_;       // a 1/4/8-bit source's colours as 0x00RRGGBB
    std::vector<std::uint8_t> scratch_;        // one stretched source row
    std::vector<std::uint8_t> unpacked_;       // a 1- or 4-bit source row, a byte a pixel
};

} // namespace cinefold
