#pragma once
// The image store's sections and palettes made through GDI, for the saver: with this allocator
// the store's entries are real DIB sections and logical palettes, which the GDI canvas selects
// into device contexts, while mask preparation and the software canvas work on the sections'
// own memory.

#include "render/DibSection.h"

#include <windows.h>

namespace cinefold {

// CreateDIBSection (no device context, DIB_RGB_COLORS, no file mapping), CreatePalette (version
// 0x300) and DeleteObject.
SectionAllocator gdiSectionAllocator();

// The same two objects for the saver's own stage: a 24-bit bottom-up DIB section of width x
// height, and a logical palette of the given entries.
HBITMAP createStageSection(std::int32_t width, std::int32_t height);
HPALETTE createGdiPalette(const PaletteColour* entries, int count);

inline HBITMAP bitmapHandle(const Section& section) {
    return static_cast<HBITMAP>(section.handle);
}
inline HPALETTE paletteHandle(const Palette& palette) {
    return static_cast<HPALETTE>(palette.handle);
}

} // namespace cinefold
