#pragma once
// Device-independent bitmap sections and logical palettes as the image store holds them, and
// the allocator that makes them. The store is portable: it builds the system's bitmap-info block
// and palette entries, and an allocator turns them into objects. On Windows that allocator is
// GDI (saver/GdiSections.h), so the store's entries are real DIB sections and palettes that
// the GDI canvas selects into device contexts; everywhere else the heap allocator below keeps
// the same memory layout, and the software canvas reads the very same pixels.

#include "base/ByteReader.h"
#include "render/StageSurface.h"

#include <cstdint>
#include <vector>

namespace cinefold {

// One section: its pixel memory, rows of rowLength bytes with the top row first, and the colour
// table it maps its pixels through (empty for 24-bit sections). The handle is the allocator's
// object (an HBITMAP on Windows); null means there is no section.
struct Section {
    void* handle = nullptr;
    std::uint8_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0; // always positive: the memory runs top-down
    std::uint16_t bitCount = 0;
    std::uint32_t rowLength = 0;
    std::vector<PaletteColour> colours; // flags hold the table's reserved bytes

    explicit operator bool() const { return handle != nullptr; }
};

// A logical palette: its entries and the allocator's object (an HPALETTE on Windows).
struct Palette {
    void* handle = nullptr;
    std::vector<PaletteColour> entries;

    explicit operator bool() const { return handle != nullptr; }
};

// The size of the info header that starts every bitmap-info block the store builds.
constexpr std::size_t bitmapInfoHeaderSize = 40;

// Plain function pointers and a context, so that the store can be handed GDI or the heap without
// virtual functions. createSection takes a bitmap-info block: the 40-byte info header followed by
// its colour table, as CreateDIBSection takes it (a negative height asks for top-down memory). It
// returns the object and its zeroed pixel memory, or a null handle when it refuses.
struct SectionMemory {
    void* handle = nullptr;
    std::uint8_t* pixels = nullptr;
};
struct SectionAllocator {
    void* context = nullptr;
    SectionMemory (*createSection)(void* context, Bytes bitmapInfo) = nullptr;
    void (*deleteSection)(void* context, void* handle) = nullptr;
    void* (*createPalette)(void* context, const PaletteColour* entries, int count) = nullptr;
    void (*deletePalette)(void* context, void* handle) = nullptr;
};

// Sections and palettes on the general heap, laid out as GDI lays out a DIB section's memory.
// It refuses what CreateDIBSection refuses for the headers the store builds: a width that is
// not positive, a height of 0, and memory whose size does not fit in 32 bits.
SectionAllocator heapSectionAllocator();

} // namespace cinefold
