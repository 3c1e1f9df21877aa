// Reads arbitrary bytes as a project's image file (PNG through libpng, or BMP through our own
// reader), and then as a mask file, and checks that what is accepted is a BMP file image the
// image store lays out, of the size the reader reports.

#include "project/BmpFile.h"
#include "project/ImageFile.h"

#include <cstdlib>

namespace {

void checkImage(const std::vector<std::uint8_t>& bmp, const cinefold::LoadedImage& image) {
    using namespace cinefold;
    BmpLayout layout;
    std::string problem;
    if (!checkBmpLayout(bmp, layout, problem)) std::abort();
    if (layout.header.width != image.width || int(layout.rowCount) != image.height) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cinefold;
    const Bytes file(data, size);
    std::string problem;
    LoadedImage image;
    if (loadImageBytes(file, image, problem)) {
        checkImage(image.bmp, image);
        if (!image.mask.empty()) {
            checkImage(image.mask, image);
            blackenBeneathMask(image.bmp, image.mask);
        }
    }
    LoadedImage mask;
    if (loadMaskBytes(file, mask, problem)) checkImage(mask.mask, mask);
    return 0;
}
