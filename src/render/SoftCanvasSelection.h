#pragma once
// The canvas contract (Canvas.h) for the software canvas: a section or another canvas is drawn
// from its own memory, so selecting one is taking a view of it; palettes and the stretch mode
// change nothing in memory, where every transfer already runs as COLORONCOLOR does. The
// presentation's part is shared with every surface that draws from memory (the 32-bit target).

#include "render/ImageStore.h"
#include "render/SoftCanvas.h"

#include <cstdint>

namespace cinefold {

inline DibView selectSource(SoftCanvas&, const Section& section) {
    return sectionView(section);
}

// A slot's image and its mask, as the compositor draws them: palette pictures from the
// canvas's 24-bit copies of them.
inline DibView selectImage(SoftCanvas& canvas, const ImageEntry& entry) {
    return canvas.copies().image(entry);
}
inline DibView selectMask(SoftCanvas& canvas, const ImageEntry& entry) {
    return canvas.copies().mask(entry);
}

struct SoftPaletteSelection {};
inline SoftPaletteSelection selectPalette(SoftCanvas&, const Palette&) {
    return {};
}

// What the surfaces that draw from memory share: a surface whose stretch takes a DibView.
template <class Target>
concept MemorySurface = requires(Target& t, const DibView& view, std::int32_t n) {
    t.stretch(n, n, n, n, view, n, n, n, n, RasterOp::copy);
};

template <MemorySurface Target> void useColourOnColour(Target&) {}

// The clip of a surface in memory narrowed to a rectangle, and widened again when this goes.
template <MemorySurface Target> class MemoryClip {
  public:
    MemoryClip(Target& target, const Rect& rect) : target_(target), previous_(target.clip()) {
        target.setClip(intersection(previous_, rect));
    }
    MemoryClip(const MemoryClip&) = delete;
    MemoryClip& operator=(const MemoryClip&) = delete;
    ~MemoryClip() { target_.setClip(previous_); }

  private:
    Target& target_;
    Rect previous_;
};
template <MemorySurface Target> MemoryClip<Target> clipTo(Target& target, const Rect& rect) {
    return {target, rect};
}
template <MemorySurface Target> DibView selectSource(Target&, const SoftCanvas& canvas) {
    return canvas.view();
}
template <MemorySurface Target>
void copyBlock(Target& target, std::int32_t dx, std::int32_t dy, std::int32_t width,
               std::int32_t height, const DibView& source, std::int32_t sx, std::int32_t sy) {
    target.stretch(dx, dy, width, height, source, sx, sy, width, height, RasterOp::copy);
}
template <MemorySurface Target>
SoftCanvas makePicture(Target&, std::int32_t width, std::int32_t height) {
    return SoftCanvas(width, height);
}

} // namespace cinefold
