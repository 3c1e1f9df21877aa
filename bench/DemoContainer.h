#pragma once
// The benchmarks' workload: the demo-shaped images and tables of DemoImages.h, packed as the
// demo's container packs them, and the container itself.

#include <cstdint>
#include <vector>

namespace cinefold::bench {

struct DemoWorkload {
    // Decoded payloads: 48 sprites, their 48 masks, the background, the table payloads.
    std::vector<std::vector<std::uint8_t>> sprites;
    std::vector<std::vector<std::uint8_t>> masks;
    std::vector<std::uint8_t> background;
    std::vector<std::vector<std::uint8_t>> tables; // schedule, groups, jump table, branch tables

    // Sprites and masks as data blocks (in that order), and the background as a type-8
    // run-length image.
    std::vector<std::vector<std::uint8_t>> imageBlocks;
    std::vector<std::uint8_t> backgroundRunLength;

    // The container: P_DT, SCHE, GRP_, JP__, JPEX and a BMP_ list of images 1..48, 100 and
    // masks 101..148.
    std::vector<std::uint8_t> container;

    // Bytes of every decoded image (sprites, masks, background).
    std::size_t decodedImageBytes() const;
    // The payloads a compressor is measured on: sprites, masks and tables.
    std::vector<const std::vector<std::uint8_t>*> compressorInputs() const;
};

// Built once, on first use.
const DemoWorkload& demoWorkload();

// The workload's container with another timer period (framePeriod, in tenths of a second) and a
// jump table that stops the animation at heldFrame: frame 0 jumps there, and it jumps to itself.
std::vector<std::uint8_t> demoContainer(std::int32_t framePeriod, std::int32_t heldFrame);

} // namespace cinefold::bench
