#include "render/ImageStore.h"

#include "render/BmpHeader.h"

namespace cinefold {

namespace {
// A decoded image is only worth keeping when its headers describe one that can be drawn.
bool looksLikeBmp(Bytes bytes) {
    BmpHeader header;
    return readBmpHeader(bytes, header);
}
} // namespace

int ImageStore::addImage(int index, Bytes bytes) {
    if (index < 0 || index >= slotCount) return 0;
    freeImage(index);
    if (!looksLikeBmp(bytes)) return 0;
    slots_[std::size_t(index)].image.assign(bytes.begin(), bytes.end());
    return 1;
}

int ImageStore::addMask(int index, Bytes bytes) {
    int slot = index - 100;
    if (slot < 0 || slot >= slotCount) return 0;
    ImageEntry& entry = slots_[std::size_t(slot)];
    if (entry.image.empty()) return 0;
    entry.mask.assign(bytes.begin(), bytes.end());
    entry.hasMask = true;
    return 1;
}

int ImageStore::freeImage(int index) {
    if (index < 0 || index >= slotCount) return 0;
    slots_[std::size_t(index)] = ImageEntry{};
    return 1;
}

void ImageStore::freeAll() {
    for (int i = 0; i < slotCount; ++i)
        freeImage(i);
}

} // namespace cinefold
