#pragma once
// A random project: a stage of any size, colour and background mode, images of 24 and 8 bits
// with and without masks in every codec, keys on the background and on a few layers with any
// size, flip and interpolation, cel groups, and jump and branch tables.

#include "project/BmpFile.h"
#include "project/Project.h"

#include <random>
#include <vector>

namespace cinefold::test {

inline Project randomProject(std::mt19937& random) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    auto colour = [](std::uint8_t b) {
        return Rgb{b, std::uint8_t(b * 7), std::uint8_t(b ^ 0x5A)};
    };
    const ImageCodec codecs[] = {ImageCodec::none, ImageCodec::stored, ImageCodec::pairs,
                                 ImageCodec::rle1, ImageCodec::rle8,   ImageCodec::rle24};
    Project p;
    p.stage = {pick(1, 900), pick(1, 900), std::uint32_t(random()),
               pick(-3, 5),  pick(0, 9),   pick(20, 2000)};
    for (int n = 1; n <= 100; n += pick(1, 40)) {
        const int w = pick(1, 9), h = pick(1, 9);
        ProjectImage image;
        image.number = n;
        std::vector<std::uint8_t> bits(std::size_t(w * h));
        std::vector<Rgb> colours;
        for (std::uint8_t& b : bits) {
            b = std::uint8_t(random());
            colours.push_back(colour(b));
        }
        const std::vector<Rgb> palette{colour(1), colour(2), colour(3), colour(4), colour(5)};
        image.bmp = n % 3 ? makeBmp24(w, h, colours) : makeBmp8(w, h, palette, bits);
        if (n % 2) image.mask = makeMask(w, h, bits);
        image.codec = codecs[pick(0, 5)];
        image.maskCodec = codecs[pick(0, 5)];
        p.images.push_back(image);
    }
    auto key = [&](int frame) {
        const int group = pick(0, 3) ? 0 : pick(1, 101);
        return KeyRecord{pick(0, 100),   group,         pick(-99, 999),
                         pick(-99, 999), pick(-9, 999), pick(-9, 999),
                         pick(0, 5),     pick(0, 4),    0,
                         frame};
    };
    for (int frame = pick(0, 9); frame < 300; frame += pick(1, 60))
        p.background.push_back(key(frame));
    for (int layer = 1; layer <= 50; layer += pick(1, 20)) {
        p.layers.emplace_back().number = layer;
        for (int frame = pick(0, 9); frame < 300; frame += pick(1, 60))
            p.layers.back().keys.push_back(key(frame));
    }
    for (int group = 1; group <= 101; group += pick(1, 50)) {
        p.groups.emplace_back().number = group;
        for (int cel = pick(1, 5), start = 0; cel > 0; --cel, start += pick(0, 3))
            p.groups.back().cels.push_back({pick(0, 100), start, pick(-5, 99), pick(-5, 99)});
    }
    for (int frame = pick(0, 9); frame < p.stage.jumpLength; frame += pick(1, 400))
        p.jumps.push_back({frame, pick(-1, 9), {pick(-1, 9), pick(-1, 9), -1, pick(-1, 9), -1}});
    return p;
}

} // namespace cinefold::test
