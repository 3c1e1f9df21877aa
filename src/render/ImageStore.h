#pragma once
// The image store: 100 slots, image n in slot n - 1. Each packed image of the container becomes a
// DIB section with a logical palette for palette images; each mask becomes a second section,
// attached to its image and prepared against it at once, so that drawing a frame needs no
// per-pixel work: the mask ANDed clears the sprite's opaque pixels, and the image ORed, black
// wherever it is transparent, adds nothing elsewhere.

#include "base/ByteReader.h"
#include "render/DibSection.h"

#include <array>
#include <memory>

namespace cinefold {

// A slot's pixels as they are at one time; see ImageEntry::version.
struct SlotVersion {};

// The fields in the system's order. drawBitmap names the same section as bitmap, sharing its
// handle and memory; the slot owns every object it names.
struct ImageEntry {
    Section bitmap;
    Section drawBitmap;
    Section mask;
    Palette palette; // absent for 24-bit images
    // Made anew whenever the store changes the slot's pixels, and dropped when it frees the slot.
    // What is made from those pixels and kept elsewhere (a canvas's copies of them) is keyed by
    // it and holds it weakly, so that it knows when the slot no longer holds what it was made
    // from.
    std::shared_ptr<const SlotVersion> version;
};

enum class ImageKind { image, mask };

class ImageStore {
  public:
    static constexpr int slotCount = 100;
    static constexpr int maskNumberOffset = 100; // the mask numbered n belongs to image n - 100

    explicit ImageStore(const SectionAllocator& allocator = heapSectionAllocator())
        : allocator_(allocator) {}
    ~ImageStore() { freeAll(); }
    ImageStore(const ImageStore&) = delete;
    ImageStore& operator=(const ImageStore&) = delete;

    // Frees every slot with the allocator that made it, then makes new objects with this one.
    void useAllocator(const SectionAllocator& allocator);

    // index is the slot (image number - 1). Frees the slot, then converts the image into it.
    // Returns 1 when the slot ends up with a bitmap; a failed conversion leaves it empty.
    int addImage(int index, Bytes bytes);
    // index is the mask's number - 1 (100..199); the mask goes to slot index - 100, which must
    // already hold an image, else the mask is dropped and the result is 0. The converted mask
    // replaces any earlier one and is prepared at once. Returns 1 when the slot held an image,
    // even if the mask's conversion produced nothing.
    int addMask(int index, Bytes bytes);
    int freeImage(int index);
    void freeAll();

    // The slot's drawBitmap, mask and palette; null outside 0..99 or when absent.
    const Section* getBitmap(int index) const;
    const Section* getMask(int index) const;
    const Palette* getPalette(int index) const;
    const ImageEntry* entry(int index) const {
        return validIndex(index) ? &slots_[std::size_t(index)] : nullptr;
    }

    // Reduces the slot's mask to the values 0 and 1 and, for a palette image, writes the index
    // of the palette entry nearest to black into every pixel under a mask value other than 0.
    // A 24-bit image is left as it is: its transparent pixels are stored black. Only the part
    // that image and mask share is walked. Returns 0 when the slot lacks its bitmap or mask.
    int prepareMask(int index);

  private:
    static bool validIndex(int index) { return index >= 0 && index < slotCount; }
    // Converts one BMP file image; the result is empty (all fields null) when the bytes hold no
    // image that a section can be made from or the allocator refuses. A mask's colour table
    // reads black for 0 and white for 1, and it gets no palette.
    ImageEntry createImageBitmap(Bytes bytes, ImageKind kind);
    static void renew(ImageEntry& entry) { entry.version = std::make_shared<const SlotVersion>(); }
    void deleteSection(Section& section);
    void deletePalette(Palette& palette);

    SectionAllocator allocator_;
    std::array<ImageEntry, slotCount> slots_;
};

} // namespace cinefold
