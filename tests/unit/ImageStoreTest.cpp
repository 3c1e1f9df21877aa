#include "render/ImageStore.h"

#include "BmpBytes.h"

#include <gtest/gtest.h>

using namespace cinefold;
using namespace cinefold::test;

namespace {

ByteVector rows(const Section* section) {
    if (!section) return {};
    return ByteVector(section->pixels, section->pixels + section->rowLength * section->height);
}

std::vector<std::uint32_t> rgb(const std::vector<PaletteColour>& colours) {
    std::vector<std::uint32_t> values;
    for (const PaletteColour& c : colours)
        values.push_back(std::uint32_t(c.red) << 16 | c.green << 8 | c.blue);
    return values;
}

TEST(ImageConversion, ReadsTheColourTableAndRowsWhereTheHeadersPutThem) {
    const ByteVector tableThenRows = {1, 2, 3, 0, 4, 5, 6, 0, 0, 1, 0, 1, 1, 1, 0, 0};
    const ByteVector rowsAt62 = {1, 1, 0, 0, 0, 1, 0, 1}, rowsAt54 = {4, 5, 6, 0, 1, 2, 3, 0};
    struct Case {
        const char* name;
        ByteVector bmp, topRows;
    } cases[] = {
        {"rows behind the table", bmpFile(4, 2, 8, 2, 62, tableThenRows), rowsAt62},
        {"a top-down file comes out upside down", bmpFile(4, -2, 8, 2, 62, tableThenRows),
         rowsAt62},
        {"pixel offset 54: table read from the rows", bmpFile(4, 2, 8, 2, 54, tableThenRows),
         rowsAt54},
        {"24 bits: rows at 54 whatever the offset", bmpFile(1, 2, 24, 0, 62, tableThenRows),
         rowsAt54},
    };
    for (const Case& c : cases) {
        ImageStore store;
        ASSERT_EQ(store.addImage(0, c.bmp), 1) << c.name;
        EXPECT_EQ(rows(store.getBitmap(0)), c.topRows) << c.name;
        const Palette* palette = store.getPalette(0);
        const auto colours = palette ? palette->entries : std::vector<PaletteColour>{};
        EXPECT_EQ(rgb(colours), rgb(store.getBitmap(0)->colours)) << c.name;
        const std::vector<std::uint32_t> stored = {0x030201, 0x060504};
        EXPECT_EQ(rgb(colours), c.bmp[28] == 24 ? std::vector<std::uint32_t>{} : stored);
        for (const PaletteColour& entry : colours)
            EXPECT_EQ(entry.flags, paletteReserved) << c.name;
    }
}

TEST(ImageConversion, TakesTheFullColourCountForTheBitCountWhenColoursUsedIs0) {
    for (std::uint16_t bits : {1, 4, 8}) {
        const std::uint32_t full = 1u << bits;
        ImageStore store;
        ASSERT_EQ(
            store.addImage(0, bmpFile(1, 1, bits, 0, 54 + 4 * full, ByteVector(4 * full + 4))), 1);
        EXPECT_EQ(store.getBitmap(0)->colours.size(), full);
    }
}

TEST(ImageConversion, RefusesWhatNoSectionCanBeMadeFromWithoutReadingOrSizingPastTheBytes) {
    const ByteVector valid = bmpFile(4, 2, 8, 2, 62, ByteVector(16, 1));
    struct Case {
        const char* name;
        void (*spoil)(ByteVector&);
    } cases[] = {
        {"headers cut", [](ByteVector& b) { b.resize(53); }},
        {"last row cut", [](ByteVector& b) { b.pop_back(); }},
        {"bit count 16", [](ByteVector& b) { b[28] = 16; }},
        {"width 0", [](ByteVector& b) { set32(b, 18, 0); }},
        {"width negative", [](ByteVector& b) { set32(b, 18, std::uint32_t(-4)); }},
        {"height 0", [](ByteVector& b) { set32(b, 22, 0); }},
        {"planes 2", [](ByteVector& b) { b[26] = 2; }},
        {"compression", [](ByteVector& b) { b[30] = 1; }},
        {"more colours than 1 bit indexes",
         [](ByteVector& b) { b[28] = 1, b[46] = 3, b[10] = 54; }},
        // Products that wrap in 32 bits to a row, or rows, that the bytes would hold.
        {"width x 24 bits", [](ByteVector& b) { b[28] = 24, set32(b, 18, 0x0AAAAAABu); }},
        {"rows x row length",
         [](ByteVector& b) { b[28] = 24, set32(b, 18, 1), set32(b, 22, 0x40000001u); }},
        {"height -2^31",
         [](ByteVector& b) { b[28] = 24, set32(b, 18, 1), set32(b, 22, 0x80000000u); }},
    };
    for (const Case& c : cases) {
        ByteVector bmp = valid;
        c.spoil(bmp);
        ImageStore store;
        EXPECT_EQ(store.addImage(0, bmp), 0) << c.name;
        EXPECT_EQ(store.getBitmap(0), nullptr) << c.name;
    }
}

TEST(ImageStore, TakesMasksOnlyAfterTheirImagesAndFreesWhatItReplaces) {
    ImageStore store;
    const ByteVector image = picture(4, 1, 8, {0xFFFFFF, 0}, {0, 1, 0, 1});
    const ByteVector mask = picture(4, 1, 1, {}, {0x50, 0, 0, 0});
    EXPECT_EQ(store.addMask(100, mask), 0); // before its image: dropped
    EXPECT_EQ(store.addImage(0, image) + store.addMask(100, mask), 2);
    EXPECT_EQ(store.addImage(0, image), 1); // the mask went with the first image
    EXPECT_EQ(store.getMask(0), nullptr);
    EXPECT_EQ(store.addImage(0, {}), 0); // a failed conversion empties the slot
    EXPECT_EQ(store.getBitmap(0), nullptr);
    EXPECT_EQ(store.addImage(0, image) + store.addMask(100, {}), 2); // attached, though nothing
    EXPECT_EQ(store.getMask(0), nullptr);
    // A section the system refuses: the palette made for it goes too (the sanitizers' leak
    // check sees it stay).
    SectionAllocator refusing = heapSectionAllocator();
    refusing.createSection = [](void*, Bytes) { return SectionMemory{}; };
    ImageStore refused(refusing);
    EXPECT_EQ(refused.addImage(0, image), 0);
}

TEST(MaskPreparation, PaintsPaletteImagesBlackUnderTheMaskAndReducesItToZeroAndOne) {
    // No pure black: entries 3 and 4 are the nearest, and the first of them is taken.
    const std::vector<std::uint32_t> noBlack = {0xFFFFFF, 0x090000, 0x030303, 0x020202, 0x020202};
    const ByteVector ones = {1, 1, 1, 1, 1, 1, 1, 1};
    const ByteVector mask = picture(4, 2, 8, {1, 2}, {0, 7, 0, 1, 2, 0, 0, 0});
    const ByteVector image8 = picture(4, 2, 8, noBlack, ones),
                     wide8 = picture(8, 1, 8, noBlack, ones);
    // Each row: the image, the masks added after it, and the image and mask rows they leave.
    auto row = [](const char* name, const ByteVector& image, const std::vector<ByteVector>& masks,
                  const ByteVector& imageAfter, const ByteVector& maskAfter) {
        ImageStore store;
        ASSERT_EQ(store.addImage(0, image), 1) << name;
        for (const ByteVector& m : masks)
            ASSERT_EQ(store.addMask(100, m), 1) << name;
        EXPECT_EQ(rows(store.getBitmap(0)), imageAfter) << name;
        EXPECT_EQ(rows(store.getMask(0)), maskAfter) << name;
        const std::vector<PaletteColour>& colours = store.getMask(0)->colours;
        EXPECT_EQ(rgb({colours.begin(), colours.begin() + 2}),
                  (std::vector<std::uint32_t>{0, 0xFFFFFF}))
            << name;
    };
    row("8 bits", image8, {mask}, {1, 3, 1, 3, 3, 1, 1, 1}, {0, 1, 0, 1, 1, 0, 0, 0});
    row("24 bits: neither changes", picture(1, 2, 24, {}, {1, 1, 1, 0, 1, 1, 1, 0}), {mask},
        {1, 1, 1, 0, 1, 1, 1, 0}, {0, 7, 0, 1, 2, 0, 0, 0});
    row("a second mask, against the prepared image", image8,
        {mask, picture(4, 2, 8, {1, 2}, {9, 0, 0, 0, 0, 0, 0, 0})}, {3, 3, 1, 3, 3, 1, 1, 1},
        {1, 0, 0, 0, 0, 0, 0, 0});
    row("a smaller mask: only the part it covers", image8, {picture(1, 1, 8, {}, {5, 6, 7, 8})},
        {3, 1, 1, 1, 1, 1, 1, 1}, {1, 6, 7, 8});
    row("a larger mask: the image's part of it", picture(2, 1, 4, noBlack, {0x11, 0, 0, 0}),
        {picture(4, 2, 8, {}, {0, 7, 7, 7, 7, 7, 7, 7})}, {0x13, 0, 0, 0},
        {0, 1, 7, 7, 7, 7, 7, 7});
    // The stored colours of these masks are their pixel bytes (pixel offset 54) or a single
    // entry; every mask reads black for 0 and white for 1.
    row("a 1-bit mask without a colour table", wide8,
        {bmpFile(8, 1, 1, 0, 54, {0xF0, 0x12, 0x34, 0x56})}, {3, 3, 3, 3, 1, 1, 1, 1},
        {0xF0, 0x12, 0x34, 0x56});
    row("a mask of one colour", wide8,
        {bmpFile(8, 1, 1, 1, 58, {0x12, 0x34, 0x56, 0, 0x0F, 0, 0, 0})}, {1, 1, 1, 1, 3, 3, 3, 3},
        {0x0F, 0, 0, 0});
}

} // namespace
