#include "render/ImageStore.h"

#include "render/BmpHeader.h"
#include "render/NearestColour.h"

#include <algorithm>
#include <cstring>

namespace cinefold {

namespace {

// Offsets within the info header, which starts the bitmap-info block.
constexpr std::size_t infoHeightAt = 8;
constexpr std::size_t infoColoursUsedAt = 32;

PaletteColour tableColour(const std::uint8_t* entry) {
    return {entry[2], entry[1], entry[0], entry[3]}; // stored blue, green, red, reserved
}

// The bitmap-info block that the section is made from: the info header and colour table as
// stored, with the header's size set to the 40 bytes it is always taken as (so the system looks
// for the colour table where it lies), the height made negative (so the section's memory runs
// top-down), and the colours-used field naming the entries the block holds. A mask's entries 0
// and 1 read black and white, whatever was stored, so that its pixels draw as the ANDed pass
// needs; a mask of one stored colour gets the second entry it needs.
std::vector<std::uint8_t> bitmapInfoBlock(Bytes bytes, const BmpLayout& layout, ImageKind kind) {
    const std::size_t stored = layout.header.colors;
    const std::size_t entries = kind == ImageKind::mask && stored == 1 ? 2 : stored;
    std::vector<std::uint8_t> info(bitmapInfoHeaderSize + entries * 4, 0);
    const std::size_t present =
        std::min(bitmapInfoHeaderSize + stored * 4, bytes.size() - bmpFileHeaderSize);
    std::memcpy(info.data(), bytes.data() + bmpFileHeaderSize, present);
    storeU32le(info.data(), std::uint32_t(bitmapInfoHeaderSize));
    storeU32le(info.data() + infoHeightAt, std::uint32_t(-std::int64_t(layout.rowCount)));
    storeU32le(info.data() + infoColoursUsedAt, std::uint32_t(entries));
    if (kind == ImageKind::mask && entries >= 2) {
        std::uint8_t* table = info.data() + bitmapInfoHeaderSize;
        std::memset(table, 0, 3);
        std::memset(table + 4, 255, 3);
    }
    return info;
}

} // namespace

void ImageStore::useAllocator(const SectionAllocator& allocator) {
    freeAll();
    allocator_ = allocator;
}

ImageEntry ImageStore::createImageBitmap(Bytes bytes, ImageKind kind) {
    BmpLayout layout;
    if (!layOutBmp(bytes, layout)) return {};
    const std::vector<std::uint8_t> info = bitmapInfoBlock(bytes, layout, kind);
    std::vector<PaletteColour> colours((info.size() - bitmapInfoHeaderSize) / 4);
    for (std::size_t i = 0; i < colours.size(); ++i)
        colours[i] = tableColour(&info[bitmapInfoHeaderSize + 4 * i]);

    ImageEntry entry;
    // A mask's own palette would never be selected, so none is made for it.
    if (kind == ImageKind::image && !colours.empty()) {
        entry.palette.entries = colours;
        for (PaletteColour& colour : entry.palette.entries)
            colour.flags = paletteReserved;
        entry.palette.handle = allocator_.createPalette(
            allocator_.context, entry.palette.entries.data(), int(entry.palette.entries.size()));
        if (!entry.palette) return {};
    }
    SectionMemory memory = allocator_.createSection(allocator_.context, info);
    if (!memory.handle || !memory.pixels) {
        if (memory.handle) allocator_.deleteSection(allocator_.context, memory.handle);
        deletePalette(entry.palette);
        return {};
    }
    Section& section = entry.bitmap;
    section.handle = memory.handle;
    section.pixels = memory.pixels;
    section.width = layout.header.width;
    section.height = std::int32_t(layout.rowCount);
    section.bitCount = layout.header.bitCount;
    section.rowLength = layout.rowLength;
    section.colours = std::move(colours);
    // The stored rows run bottom-up whatever the sign of the height, and the section top-down:
    // a file stored top-down therefore comes out upside down, as it always has.
    const std::uint8_t* rows = bytes.data() + layout.rowsAt;
    for (std::uint32_t r = 0; r < layout.rowCount; ++r)
        std::memcpy(section.pixels + std::size_t(r) * layout.rowLength,
                    rows + std::size_t(layout.rowCount - 1 - r) * layout.rowLength,
                    layout.rowLength);
    entry.drawBitmap = entry.bitmap;
    return entry;
}

int ImageStore::addImage(int index, Bytes bytes) {
    if (!validIndex(index)) return 0;
    freeImage(index);
    ImageEntry& entry = slots_[std::size_t(index)];
    entry = createImageBitmap(bytes, ImageKind::image);
    if (!entry.drawBitmap) return 0;
    renew(entry);
    return 1;
}

int ImageStore::addMask(int index, Bytes bytes) {
    if (index < maskNumberOffset || index >= maskNumberOffset + slotCount) return 0;
    const int slot = index - maskNumberOffset;
    ImageEntry& entry = slots_[std::size_t(slot)];
    if (!entry.bitmap) return 0; // an image must precede its mask
    Section mask = std::move(createImageBitmap(bytes, ImageKind::mask).bitmap);
    deleteSection(entry.mask);
    entry.mask = std::move(mask);
    renew(entry);
    prepareMask(slot);
    return 1;
}

int ImageStore::prepareMask(int index) {
    if (!validIndex(index)) return 0;
    ImageEntry& entry = slots_[std::size_t(index)];
    if (!entry.bitmap || !entry.mask) return 0;
    renew(entry);
    Section& image = entry.bitmap;
    Section& mask = entry.mask;
    if (image.bitCount != 1 && image.bitCount != 4 && image.bitCount != 8) return 1;
    const std::uint32_t black = std::uint32_t(nearestPaletteIndex(
        entry.palette.entries.data(), int(entry.palette.entries.size()), 0, 0, 0));
    const std::int32_t width = std::min(image.width, mask.width);
    const std::int32_t height = std::min(image.height, mask.height);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x) {
            const bool transparent = getPixel(mask.pixels, x, y, mask.bitCount, mask.rowLength);
            if (transparent) setPixel(image.pixels, x, y, image.bitCount, image.rowLength, black);
            setPixel(mask.pixels, x, y, mask.bitCount, mask.rowLength, transparent ? 1 : 0);
        }
    return 1;
}

int ImageStore::freeImage(int index) {
    if (!validIndex(index)) return 0;
    ImageEntry& entry = slots_[std::size_t(index)];
    if (entry.drawBitmap.handle != entry.bitmap.handle) deleteSection(entry.drawBitmap);
    deleteSection(entry.bitmap);
    deleteSection(entry.mask);
    deletePalette(entry.palette);
    entry = ImageEntry{};
    return 1;
}

void ImageStore::freeAll() {
    for (int i = 0; i < slotCount; ++i)
        freeImage(i);
}

const Section* ImageStore::getBitmap(int index) const {
    const ImageEntry* slot = entry(index);
    return slot && slot->drawBitmap ? &slot->drawBitmap : nullptr;
}

const Section* ImageStore::getMask(int index) const {
    const ImageEntry* slot = entry(index);
    return slot && slot->mask ? &slot->mask : nullptr;
}

const Palette* ImageStore::getPalette(int index) const {
    const ImageEntry* slot = entry(index);
    return slot && slot->palette ? &slot->palette : nullptr;
}

void ImageStore::deleteSection(Section& section) {
    if (section.handle) allocator_.deleteSection(allocator_.context, section.handle);
    section = Section{};
}

void ImageStore::deletePalette(Palette& palette) {
    if (palette.handle) allocator_.deletePalette(allocator_.context, palette.handle);
    palette = Palette{};
}

} // namespace cinefold
