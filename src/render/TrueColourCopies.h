#pragma once
// The software canvas's 24-bit copies of the pictures it draws from the image store. Drawing a
// palette picture looks up a colour for every pixel of every frame, which for the background
// alone costs more than the rest of a frame's fill; a 24-bit copy, drawn once through the same
// stretch, gives the same pixels from plain copies. Each canvas keeps its own copies, keyed by
// the slot's version (ImageStore.h): a slot that the store changes or frees has a new version or
// none, so a copy of what it held is never drawn again, and it is dropped the next time a copy
// is made.

#include "render/Canvas.h"

#include <memory>
#include <unordered_map>

namespace cinefold {

struct ImageEntry;
struct Section;
struct SlotVersion;
class SoftCanvas;

// A slot's section as the software canvas draws from it: its memory, top row first, and the
// colour table it maps its pixels through (black and white for a mask).
DibView sectionView(const Section& section);

class TrueColourCopies {
  public:
    // The entry's image or mask to draw from: its copy, made now if it is worth making, or else
    // the section itself. A copy is made only where it costs no more than three times the
    // section's own memory (an 8-bit picture) or a mebibyte (small masks and 1- and 4-bit
    // sprites), so that what a container can make the store hold bounds the copies too.
    DibView image(const ImageEntry& entry);
    DibView mask(const ImageEntry& entry);

  private:
    // The copies are shared, so that a canvas that is copied draws from the same copies, which
    // never change once made.
    struct Copies {
        std::weak_ptr<const SlotVersion> version;
        std::shared_ptr<const SoftCanvas> image, mask;
    };
    using Member = std::shared_ptr<const SoftCanvas> Copies::*;
    DibView view(const ImageEntry& entry, const Section& section, Member copy);
    std::unordered_map<const SlotVersion*, Copies> copies_;
};

} // namespace cinefold
