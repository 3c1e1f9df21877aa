#pragma once
// A 32-bit picture that presentStage draws into: each pixel a 32-bit word holding blue, green
// and red in its low three bytes (0x00RRGGBB), the layout of the usual 24- and 32-bit TrueColor
// X visuals. The presenter lets presentStage write straight into the shared image that the X
// server reads, so a frame is copied once on its way to the screen.
//
// It takes what presentStage gives it: fills, and copies and stretches from 24-bit pictures
// (the stage and the preview's screen-sized picture), with the same pixels as the software
// canvas's COLORONCOLOR stretch. The rest of the presentation's contract (Canvas.h) it shares
// with the software canvas (SoftCanvasSelection.h); the preview's picture is a software canvas.

#include "render/SoftCanvas.h"
#include "render/SoftCanvasSelection.h"
#include "render/StretchMapping.h"

#include <cstdint>
#include <vector>

namespace cinefold {

class PixelTarget32 {
  public:
    // Draws into width x height pixels at pixels, rows rowBytes apart, borrowed.
    PixelTarget32(std::uint8_t* pixels, std::int32_t width, std::int32_t height,
                  std::uint32_t rowBytes);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::uint32_t* row(std::int32_t y) {
        return reinterpret_cast<std::uint32_t*>(pixels_ + std::size_t(y) * rowBytes_);
    }

    // A solid rectangle of colourRef (0x00BBGGRR), from (left, top) up to (right, bottom).
    void fill(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
              std::uint32_t colourRef);
    // StretchBlt with COLORONCOLOR and SRCCOPY from a 24-bit source; any other source or
    // operation draws nothing and fails.
    bool stretch(std::int32_t dx, std::int32_t dy, std::int32_t dw, std::int32_t dh,
                 const DibView& source, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                 std::int32_t sh, RasterOp op);

    // The clip that fill and stretch keep to (Canvas.h, clipTo); noClip unless one is set.
    const Rect& clip() const { return clip_; }
    void setClip(const Rect& clip) { clip_ = clip; }

  private:
    std::uint8_t* pixels_;
    std::int32_t width_;
    std::int32_t height_;
    std::uint32_t rowBytes_;
    StretchPlan plan_;
    Rect clip_ = noClip;
    std::vector<std::uint32_t> sourceOffsets_;
};

} // namespace cinefold
