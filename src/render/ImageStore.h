#pragma once
// The image store: 100 slots, image n in slot n - 1, each with an optional mask. A slot keeps
// the decoded BMP file image it was given, and its mask's, as they are.

#include "base/ByteReader.h"

#include <array>
#include <cstdint>
#include <vector>

namespace cinefold {

struct ImageEntry {
    std::vector<std::uint8_t> image; // empty: the slot holds no image
    std::vector<std::uint8_t> mask;
    bool hasMask = false;
};

class ImageStore {
  public:
    static constexpr int slotCount = 100;

    // index is the slot (image number - 1). Returns 1 when the slot now holds the image.
    int addImage(int index, Bytes bytes);
    // index is the mask's number - 1 (100..199); the mask goes to slot index - 100, which must
    // already hold an image. Returns 1 when attached.
    int addMask(int index, Bytes bytes);
    int freeImage(int index);
    void freeAll();

    const ImageEntry* entry(int index) const {
        return index >= 0 && index < slotCount ? &slots_[std::size_t(index)] : nullptr;
    }

  private:
    std::array<ImageEntry, slotCount> slots_;
};

} // namespace cinefold
