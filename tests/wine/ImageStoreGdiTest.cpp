// The image store against the system's own GDI: the portable nearest-colour lookup against
// GetNearestPaletteIndex, and the store on GDI's sections against the same store on the heap.

#include "saver/GdiSections.h"
#include "render/ImageStore.h"
#include "render/NearestColour.h"
#include "saver/Owners.h"

#include "BmpBytes.h"

#include <gtest/gtest.h>

#include <random>

using namespace cinefold;
using namespace cinefold::test;

namespace {

// Palettes of few levels per component hold many equally near entries, so the tie rule is
// exercised as much as the distance.
TEST(NearestPaletteIndex, MatchesTheSystemOnRandomPalettesWithAndWithoutBlack) {
    const SectionAllocator gdi = gdiSectionAllocator();
    std::mt19937 random(20240611);
    for (int n = 0; n < 4000; ++n) {
        const unsigned levels = n % 2 ? 256 : 3;
        auto level = [&] { return std::uint8_t(random() % levels * (255 / (levels - 1))); };
        std::vector<PaletteColour> entries(1 + random() % 256);
        for (PaletteColour& entry : entries)
            entry = {level(), level(), level(), paletteReserved};
        if (n % 3 == 0) entries[random() % entries.size()] = {0, 0, 0, paletteReserved};
        // Mask preparation asks for black; other colours check the distance in full.
        const bool black = n % 4 != 0;
        const std::uint8_t red = black ? 0 : level(), green = black ? 0 : level(),
                           blue = black ? 0 : level();
        HPALETTE palette =
            static_cast<HPALETTE>(gdi.createPalette(nullptr, entries.data(), int(entries.size())));
        ASSERT_NE(palette, nullptr);
        const UINT expected = GetNearestPaletteIndex(palette, RGB(red, green, blue));
        gdi.deletePalette(nullptr, palette);
        ASSERT_EQ(nearestPaletteIndex(entries.data(), int(entries.size()), red, green, blue),
                  int(expected))
            << "case " << n;
    }
}

// Bytes that differ from row to row and from pixel to pixel.
ByteVector varied(std::size_t size) {
    ByteVector bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = std::uint8_t(i * 37 + 11);
    return bytes;
}

// The system draws each pixel of the GDI store's section in the colour that the heap store's
// section means: top row first, values through the colour table, values beyond it black.
void expectDrawnAsMeant(const Section* heap, const Section* gdi, const char* name) {
    ASSERT_EQ(heap == nullptr, gdi == nullptr) << name;
    if (!heap) return;
    MemoryDc dc(nullptr);
    Selection selected(dc, bitmapHandle(*gdi));
    for (std::int32_t y = 0; y < heap->height; ++y)
        for (std::int32_t x = 0; x < heap->width; ++x) {
            std::uint32_t value = getPixel(heap->pixels, x, y, heap->bitCount, heap->rowLength);
            if (heap->bitCount == 1) value = value ? 1 : 0;
            COLORREF meant = value; // 24 bits: the colour reference itself
            if (heap->bitCount != 24) {
                const PaletteColour c =
                    value < heap->colours.size() ? heap->colours[value] : PaletteColour{};
                meant = RGB(c.red, c.green, c.blue);
            }
            ASSERT_EQ(GetPixel(dc, x, y), meant) << name << ": pixel " << x << "," << y;
        }
}

// The system must read every bitmap-info block the store builds as the store means it, so that
// the GDI canvas and the software canvas draw the same entries alike.
TEST(GdiSections, AreDrawnAsTheStoreMeansThem) {
    const ByteVector palette8 = picture(5, 3, 8, {0, 0x010101, 0x020202}, varied(24));
    ByteVector infoSize12 = palette8, infoSize108 = palette8;
    set32(infoSize12, 14, 12);
    set32(infoSize108, 14, 108);
    ByteVector colours24 = picture(3, 2, 24, {}, varied(24));
    set32(colours24, 46, 5); // colours used, where a 24-bit image has no table
    const ByteVector mask = picture(5, 3, 1, {}, varied(12));
    struct Case {
        const char* name;
        ByteVector image;
    } cases[] = {
        {"8 bits", palette8},
        {"info header size 12", infoSize12},
        {"info header size 108", infoSize108},
        {"24 bits with colours used", colours24},
        {"4 bits, the table read from the rows", picture(9, 2, 4, {}, varied(16))},
        {"1 bit, one colour", picture(33, 2, 1, {0x123456}, varied(16))},
    };
    for (const Case& c : cases) {
        ImageStore heap;
        ImageStore gdi(gdiSectionAllocator());
        ASSERT_EQ(gdi.addImage(0, c.image) + gdi.addMask(100, mask),
                  heap.addImage(0, c.image) + heap.addMask(100, mask))
            << c.name;
        expectDrawnAsMeant(heap.getBitmap(0), gdi.getBitmap(0), c.name);
        expectDrawnAsMeant(heap.getMask(0), gdi.getMask(0), c.name);
        EXPECT_EQ(heap.getPalette(0) == nullptr, gdi.getPalette(0) == nullptr) << c.name;
    }
}

} // namespace
