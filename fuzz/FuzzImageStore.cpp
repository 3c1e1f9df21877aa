// Feeds arbitrary bytes to the image store as an image and then as its mask, and checks what a
// filled slot promises: a section no larger than the bytes it came from, whose memory is all
// there, and, for a palette image, a mask reduced to 0 and 1 wherever it meets the image.
//
// Input (TwoParts.h): the image's bytes, then the mask's.

#include "TwoParts.h"
#include "render/ImageStore.h"

#include <algorithm>
#include <cstdlib>

namespace {

void touch(const cinefold::Section& section) {
    // The first and last bytes let AddressSanitizer check that all of the memory is there.
    volatile std::uint8_t sink = section.pixels[0];
    sink = sink ^ section.pixels[std::size_t(section.rowLength) * section.height - 1];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cinefold;
    TwoParts parts;
    if (!splitInput(data, size, parts)) return 0;
    const Bytes image = parts.first, mask = parts.second;
    ImageStore store;
    if (!store.addImage(0, image)) {
        if (store.getBitmap(0) || store.getPalette(0)) std::abort();
        return 0;
    }
    if (store.addMask(100, mask) != 1) std::abort();
    const Section& bitmap = *store.getBitmap(0);
    if (std::uint64_t(bitmap.rowLength) * std::uint64_t(bitmap.height) > image.size()) std::abort();
    touch(bitmap);
    const Section* prepared = store.getMask(0);
    if (!prepared) return 0;
    touch(*prepared);
    if (bitmap.bitCount == 24) return 0;
    for (std::int32_t y = 0; y < std::min(bitmap.height, prepared->height); ++y)
        for (std::int32_t x = 0; x < std::min(bitmap.width, prepared->width); ++x)
            if (prepared->bitCount != 1 &&
                getPixel(prepared->pixels, x, y, prepared->bitCount, prepared->rowLength) > 1)
                std::abort();
    return 0;
}
