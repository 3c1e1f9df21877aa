#pragma once
// The image files of a project, PNG or BMP (told apart by their first bytes, not their names),
// turned into the BMP file images that the container carries.
//
// A PNG becomes a 24-bit image; where it has transparency (an alpha channel or a transparent
// colour), pixels of alpha below 128 become transparent in a 1-bit mask and black in the image,
// which is how the saver draws masked images. A palette PNG stays an 8-bit image with its own
// palette, and its transparent entries make the mask. A BMP is taken byte for byte, so that an
// unpacked project packs back exactly.
//
// A mask file is a BMP taken byte for byte (normally 1-bit, a 1 being transparent), or a PNG in
// which light pixels (luminance 128 and above) and pixels of alpha below 128 are transparent.

#include "base/ByteReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cinefold {

struct LoadedImage {
    std::vector<std::uint8_t> bmp;
    std::vector<std::uint8_t> mask; // empty when the file has no transparency
    int width = 0;
    int height = 0;
    bool verbatim = false;             // a BMP taken byte for byte
    std::vector<std::string> warnings; // what the saver will show differently from a viewer
};

// Each takes a file's bytes. False, with one line saying what is wrong, when they are not an
// image the saver could draw.
bool loadImageBytes(Bytes file, LoadedImage& image, std::string& problem);
bool loadMaskBytes(Bytes file, LoadedImage& mask, std::string& problem);

// Paints black the pixels of a 24-bit image that its mask makes transparent, so that they add
// nothing where the saver ORs the image onto the stage. Other images are left as they are: the
// saver paints their transparent pixels itself.
void blackenBeneathMask(std::vector<std::uint8_t>& bmp, const std::vector<std::uint8_t>& mask);

} // namespace cinefold
