#pragma once
// What the compositor and the presentation ask of a canvas (ImageDrawing.h), for the software
// canvas: a section or another canvas is drawn from its own memory, so selecting one is taking
// a view of it; palettes and the stretch mode change nothing in memory, where every transfer
// already runs as COLORONCOLOR does.

#include "render/ImageStore.h"
#include "render/SoftCanvas.h"

#include <cstdint>

namespace cinefold {

inline DibView selectSource(SoftCanvas&, const Section& section) {
    return sectionView(section);
}
inline DibView selectSource(SoftCanvas&, const SoftCanvas& canvas) {
    return canvas.view();
}

struct SoftPaletteSelection {};
inline SoftPaletteSelection selectPalette(SoftCanvas&, const Palette&) {
    return {};
}

inline void useColourOnColour(SoftCanvas&) {}

// BitBlt with SRCCOPY: the width x height block at (sx, sy) of the source to (dx, dy).
inline void copyBlock(SoftCanvas& canvas, std::int32_t dx, std::int32_t dy, std::int32_t width,
                      std::int32_t height, const DibView& source, std::int32_t sx,
                      std::int32_t sy) {
    canvas.stretch(dx, dy, width, height, source, sx, sy, width, height, RasterOp::copy);
}

// A picture of the given size to draw on and then draw from, as a compatible bitmap in a memory
// DC is for GDI.
inline SoftCanvas makePicture(SoftCanvas&, std::int32_t width, std::int32_t height) {
    return SoftCanvas(width, height);
}

} // namespace cinefold
