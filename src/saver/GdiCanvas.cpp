#include "saver/GdiCanvas.h"

#include "saver/GdiSections.h"

namespace cinefold {

namespace {
DWORD rasterOperation(RasterOp op) {
    switch (op) {
    case RasterOp::sourceAnd:
        return SRCAND;
    case RasterOp::sourcePaint:
        return SRCPAINT;
    case RasterOp::copy:
        break;
    }
    return SRCCOPY;
}
} // namespace

void GdiCanvas::fill(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                     std::uint32_t colourRef) const {
    RECT rect = {left, top, right, bottom};
    GdiObject<HBRUSH> brush(CreateSolidBrush(colourRef));
    FillRect(dc_, &rect, brush.get());
}

bool GdiCanvas::stretch(std::int32_t dx, std::int32_t dy, std::int32_t dw, std::int32_t dh,
                        HDC source, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                        std::int32_t sh, RasterOp op) const {
    return StretchBlt(dc_, dx, dy, dw, dh, source, sx, sy, sw, sh, rasterOperation(op)) != 0;
}

GdiSource::GdiSource(HDC compatibleWith, const Section& section) {
    if (!section) return;
    dc_.reset(CreateCompatibleDC(compatibleWith));
    selection_.emplace(dc_.get(), bitmapHandle(section));
}

GdiPaletteSelection::GdiPaletteSelection(HDC dc, const Palette& palette) {
    if (!palette) return;
    selection_.emplace(dc, paletteHandle(palette)).realize();
}

GdiPictureObjects::GdiPictureObjects(HDC compatibleWith, std::int32_t width, std::int32_t height)
    : dc(compatibleWith), bitmap(CreateCompatibleBitmap(compatibleWith, width, height)),
      selection(dc, bitmap.get()) {}

GdiClip::GdiClip(HDC dc, const Rect& rect) : dc_(dc), previous_(CreateRectRgn(0, 0, 0, 0)) {
    // GetClipRgn copies the DC's own clip region into previous_: 1 when it has one, 0 when it
    // has none (everything drawable), -1 on failure, taken as none.
    hadRegion_ = previous_ != nullptr && GetClipRgn(dc, previous_) == 1;
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
}

GdiClip::~GdiClip() {
    SelectClipRgn(dc_, hadRegion_ ? previous_ : nullptr);
    if (previous_ != nullptr) DeleteObject(previous_);
}

} // namespace cinefold
