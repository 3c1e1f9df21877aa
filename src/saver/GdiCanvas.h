#pragma once
// The GDI canvas: what the compositor and the presentation ask of a canvas (ImageDrawing.h),
// done by GDI on a device context. The saver composes its stage and presents it through this;
// the software canvas gives the same pixels in memory, which a test under Wine checks. Every DC,
// selection, brush and bitmap made here is held by a scoped owner and given back before the
// drawing call that made it returns.

#include "render/DibSection.h"
#include "render/ImageStore.h"
#include "render/SoftCanvas.h"
#include "saver/Owners.h"

#include <windows.h>

#include <cstdint>
#include <optional>

namespace cinefold {

// A device context to draw on, of width x height pixels. It borrows the DC.
class GdiCanvas {
  public:
    GdiCanvas(HDC dc, std::int32_t width, std::int32_t height)
        : dc_(dc), width_(width), height_(height) {}

    HDC dc() const { return dc_; }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

    // FillRect with a solid brush of colourRef, made and deleted here.
    void fill(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
              std::uint32_t colourRef) const;
    // StretchBlt from the source DC with the raster operation; false when StretchBlt fails.
    bool stretch(std::int32_t dx, std::int32_t dy, std::int32_t dw, std::int32_t dh, HDC source,
                 std::int32_t sx, std::int32_t sy, std::int32_t sw, std::int32_t sh,
                 RasterOp op) const;

  private:
    HDC dc_;
    std::int32_t width_;
    std::int32_t height_;
};

// A section selected into a memory DC compatible with the canvas's DC, for as long as this
// lives. A null section makes no DC and selects nothing.
class GdiSource {
  public:
    GdiSource(HDC compatibleWith, const Section& section);
    operator HDC() const { return dc_.get(); }

  private:
    UniqueHandle<HDC, DeleteMemoryDc> dc_;
    std::optional<Selection> selection_;
};
inline GdiSource selectSource(GdiCanvas& canvas, const Section& section) {
    return GdiSource(canvas.dc(), section);
}
// A slot's image and its mask, as the compositor draws them.
inline GdiSource selectImage(GdiCanvas& canvas, const ImageEntry& entry) {
    return GdiSource(canvas.dc(), entry.drawBitmap);
}
inline GdiSource selectMask(GdiCanvas& canvas, const ImageEntry& entry) {
    return GdiSource(canvas.dc(), entry.mask);
}
// Another canvas is drawn from its own DC.
inline HDC selectSource(GdiCanvas&, const GdiCanvas& canvas) {
    return canvas.dc();
}

// A palette selected into the canvas's DC as the foreground palette and realised, for as long
// as this lives; then the previous palette goes back without being realised. A null palette
// selects nothing.
class GdiPaletteSelection {
  public:
    GdiPaletteSelection(HDC dc, const Palette& palette);

  private:
    std::optional<PaletteSelection> selection_;
};
inline GdiPaletteSelection selectPalette(GdiCanvas& canvas, const Palette& palette) {
    return GdiPaletteSelection(canvas.dc(), palette);
}

inline void useColourOnColour(GdiCanvas& canvas) {
    SetStretchBltMode(canvas.dc(), COLORONCOLOR);
}

// The DC's clip region narrowed to a rectangle (IntersectClipRect), and the region before put
// back when this goes. Inside a clip region GDI draws what the whole call draws there, which
// cutting the call's rectangles down would not give for a stretch.
class GdiClip {
  public:
    GdiClip(HDC dc, const Rect& rect);
    GdiClip(const GdiClip&) = delete;
    GdiClip& operator=(const GdiClip&) = delete;
    ~GdiClip();

  private:
    HDC dc_;
    HRGN previous_;
    bool hadRegion_ = false;
};
inline GdiClip clipTo(GdiCanvas& canvas, const Rect& rect) {
    return {canvas.dc(), rect};
}

// BitBlt with SRCCOPY: the width x height block at (sx, sy) of the source to (dx, dy).
inline void copyBlock(GdiCanvas& canvas, std::int32_t dx, std::int32_t dy, std::int32_t width,
                      std::int32_t height, HDC source, std::int32_t sx, std::int32_t sy) {
    BitBlt(canvas.dc(), dx, dy, width, height, source, sx, sy, SRCCOPY);
}

// A bitmap compatible with a canvas's DC, selected into a memory DC of its own: a picture to
// draw on and then draw from. The bitmap is selected out again, then deleted, then the DC.
struct GdiPictureObjects {
    GdiPictureObjects(HDC compatibleWith, std::int32_t width, std::int32_t height);
    MemoryDc dc;
    GdiObject<HBITMAP> bitmap;
    Selection selection;
};
class GdiPicture : private GdiPictureObjects, public GdiCanvas {
  public:
    GdiPicture(HDC compatibleWith, std::int32_t width, std::int32_t height)
        : GdiPictureObjects(compatibleWith, width, height),
          GdiCanvas(GdiPictureObjects::dc, width, height) {}
};
inline GdiPicture makePicture(GdiCanvas& canvas, std::int32_t width, std::int32_t height) {
    return GdiPicture(canvas.dc(), width, height);
}

} // namespace cinefold
