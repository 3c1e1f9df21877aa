#pragma once
// The canvas contract: what the compositor (composeFrame, and the drawing in ImageDrawing.h) and
// the presentation (presentStage) ask of the surface they draw on, stated once. Two canvases
// keep it: the GDI canvas (saver/GdiCanvas.h) does it with device contexts, the software canvas
// (SoftCanvas.h, SoftCanvasSelection.h) in memory with the same pixels; the Linux 32-bit target
// (linux/PixelTarget32.h) keeps the presentation's part. Which one is used is decided at build
// time: the compositor and the presentation are templates over these concepts, with no virtual
// functions.

#include "base/Rect.h"
#include "render/StageSurface.h"

#include <concepts>
#include <cstdint>

namespace cinefold {

struct ImageEntry;
struct Palette;

// A borrowed picture to draw from in memory: an image store entry, a mask or a canvas. Rows hold
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

// Every surface:
//
//   s.width(), s.height()      its size in pixels
//   s.fill(left, top, right, bottom, colourRef)
//                              FillRect with a solid brush of colourRef (0x00BBGGRR); as in GDI
//                              right < left covers right + 1 to left, and likewise for the rows
//   s.stretch(dx, dy, dw, dh, source, sx, sy, sw, sh, op)
//                              StretchBlt with the raster operation, signed extents as GDI takes
//                              them; false where GDI's StretchBlt fails, so that the compositor
//                              can fall back to drawing row by row. The source is what one of
//                              the select functions below gave.
//   useColourOnColour(s)       the stretch mode COLORONCOLOR, in which every transfer in memory
//                              already runs
//   clipTo(s, rect)            for as long as the returned object lives, fill and stretch change
//                              only the pixels inside rect (left to right - 1, top to
//                              bottom - 1) and inside the clip already in force, and those as the
//                              call without the clip would: a stretch fails, or maps a pixel,
//                              as it would unclipped. Then the clip before comes back. Drawing
//                              a frame clip by clip gives the frame drawn whole.
template <class S>
concept Surface = requires(S& s, std::int32_t n, std::uint32_t colourRef, const Rect& rect) {
    { s.width() } -> std::convertible_to<std::int32_t>;
    { s.height() } -> std::convertible_to<std::int32_t>;
    s.fill(n, n, n, n, colourRef);
    useColourOnColour(s);
    clipTo(s, rect);
};

// A canvas that the compositor draws a frame on: a surface, and
//
//   selectImage(c, entry), selectMask(c, entry)
//                              the store slot's image or mask made ready to draw from, for as
//                              long as the returned object lives (a null mask selects nothing)
//   selectPalette(c, palette)  the palette selected and realised for as long as the returned
//                              object lives; nothing for a null palette or in memory
template <class C>
concept Canvas = Surface<C> &&
    requires(C& c, const ImageEntry& entry, const Palette& palette, std::int32_t n) {
    selectPalette(c, palette);
    c.stretch(n, n, n, n, selectImage(c, entry), n, n, n, n, RasterOp::copy);
    c.stretch(n, n, n, n, selectMask(c, entry), n, n, n, n, RasterOp::sourceAnd);
};

// A target that the presentation draws the composed Stage on: a surface, and
//
//   selectSource(t, stage)     the stage (or a picture made below) ready to draw from
//   copyBlock(t, dx, dy, width, height, source, sx, sy)
//                              BitBlt with SRCCOPY: the block at (sx, sy) of the source to (dx, dy)
//   makePicture(t, width, height)
//                              a picture of that size to draw on and then draw from (the
//                              preview's screen-sized picture), as a compatible bitmap in a
//                              memory DC is for GDI
template <class T, class Stage>
concept PresentTarget = Surface<T> && requires(T& t, const Stage& stage, std::int32_t n) {
    copyBlock(t, n, n, n, n, selectSource(t, stage), n, n);
    makePicture(t, n, n);
};

} // namespace cinefold
