#include "saver/GdiSections.h"

#include <cstring>
#include <vector>

namespace cinefold {

namespace {

constexpr WORD logicalPaletteVersion = 0x300;

SectionMemory createGdiSection(void*, Bytes bitmapInfo) {
    // BITMAPINFO is read as DWORDs, and the block arrives as plain bytes.
    std::vector<DWORD> info((bitmapInfo.size() + sizeof(DWORD) - 1) / sizeof(DWORD));
    std::memcpy(info.data(), bitmapInfo.data(), bitmapInfo.size());
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(info.data()),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
    return {section, static_cast<std::uint8_t*>(bits)};
}

void deleteGdiObject(void*, void* handle) {
    DeleteObject(static_cast<HGDIOBJ>(handle));
}

void* createPaletteObject(void*, const PaletteColour* entries, int count) {
    return createGdiPalette(entries, count);
}

} // namespace

HPALETTE createGdiPalette(const PaletteColour* entries, int count) {
    // LOGPALETTE declares one entry and is followed by the others.
    std::vector<DWORD> buffer((sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * std::size_t(count)) /
                              sizeof(DWORD));
    LOGPALETTE* palette = reinterpret_cast<LOGPALETTE*>(buffer.data());
    palette->palVersion = logicalPaletteVersion;
    palette->palNumEntries = WORD(count);
    PALETTEENTRY* out = palette->palPalEntry;
    for (int i = 0; i < count; ++i)
        out[i] = {entries[i].red, entries[i].green, entries[i].blue, entries[i].flags};
    return CreatePalette(palette);
}

HBITMAP createStageSection(std::int32_t width, std::int32_t height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const Bytes block(reinterpret_cast<const std::uint8_t*>(&info), sizeof info.bmiHeader);
    return static_cast<HBITMAP>(createGdiSection(nullptr, block).handle);
}

SectionAllocator gdiSectionAllocator() {
    return {nullptr, createGdiSection, deleteGdiObject, createPaletteObject, deleteGdiObject};
}

} // namespace cinefold
