#pragma once
// The canvas contract (Canvas.h) for the software canvas: a section or another canvas is drawn
// from its own memory, so selecting one is taking a view of it; palettes and the stretch mode
// change nothing in memory, where every transfer already runs as COLORONCOLOR does. The
// presentation's part is shared with every surface that draws from memory (the 32-bit target).

#include "render/ImageStore.h"
#include "render/SoftCanvas.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace cinefold {

inline DibView selectSource(SoftCanvas&, const Section& section) {
    return sectionView(section);
}
namespace detail {

// Drawing a palette picture looks up a colour for every pixel of every frame, which for the
// background alone costs more than the rest of a frame's fill. A 24-bit copy, drawn once
// through the same stretch, gives the same pixels from plain copies. A copy is made only where
// it costs no more than three times the section's own memory (an 8-bit picture) or a mebibyte
// (small masks and 1- and 4-bit sprites), so that what a container can make the store hold
// bounds it. Where no copy is made, or the section cannot be drawn, the section itself is used.
inline DibView trueColourView(const Section& section, std::shared_ptr<const SoftCanvas>& copy) {
    if (!copy) {
        if (!section || section.bitCount == 24 || section.width <= 0 || section.height <= 0)
            return sectionView(section);
        const std::uint64_t own = std::uint64_t(section.rowLength) * std::uint64_t(section.height);
        const std::uint64_t copied =
            (std::uint64_t(section.width) * 3 + 3) / 4 * 4 * std::uint64_t(section.height);
        if (copied > std::max<std::uint64_t>(3 * own, std::uint64_t(1) << 20))
            return sectionView(section);
        auto canvas = std::make_shared<SoftCanvas>(section.width, section.height);
        if (canvas->width() != section.width ||
            !canvas->stretch(0, 0, section.width, section.height, sectionView(section), 0, 0,
                             section.width, section.height, RasterOp::copy))
            return sectionView(section);
        copy = std::move(canvas);
    }
    return copy->view();
}

} // namespace detail

// A slot's image and its mask, as the compositor draws them.
inline DibView selectImage(SoftCanvas&, const ImageEntry& entry) {
    return detail::trueColourView(entry.drawBitmap, entry.imageCopy);
}
inline DibView selectMask(SoftCanvas&, const ImageEntry& entry) {
    return detail::trueColourView(entry.mask, entry.maskCopy);
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
