#include "render/DibSection.h"

#include "render/StageSurface.h"

#include <new>

namespace cinefold {

namespace {

SectionMemory createHeapSection(void*, Bytes bitmapInfo) {
    ByteReader reader(bitmapInfo, 4);
    std::int32_t width = reader.i32le();
    std::int32_t height = reader.i32le();
    reader.skip(2);
    std::uint16_t bitCount = reader.u16le();
    if (!reader.ok() || width <= 0 || height == 0) return {};
    std::uint64_t rowLength = dibRowLength(std::uint64_t(width), bitCount);
    std::uint64_t rows = height < 0 ? std::uint64_t(-std::int64_t(height)) : std::uint64_t(height);
    if (rowLength == 0 || rows > 0xFFFFFFFFu / rowLength) return {};
    std::uint8_t* pixels = new (std::nothrow) std::uint8_t[rowLength * rows]();
    return {pixels, pixels};
}

void deleteHeapSection(void*, void* handle) {
    delete[] static_cast<std::uint8_t*>(handle);
}

void* createHeapPalette(void*, const PaletteColour* entries, int count) {
    PaletteColour* copy = new (std::nothrow) PaletteColour[std::size_t(count > 0 ? count : 1)];
    if (copy)
        for (int i = 0; i < count; ++i)
            copy[i] = entries[i];
    return copy;
}

void deleteHeapPalette(void*, void* handle) {
    delete[] static_cast<PaletteColour*>(handle);
}

} // namespace

SectionAllocator heapSectionAllocator() {
    return {nullptr, createHeapSection, deleteHeapSection, createHeapPalette, deleteHeapPalette};
}

} // namespace cinefold
