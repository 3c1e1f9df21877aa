#pragma once
// Deterministic stand-ins for the kind of art an animation container carries, for the
// benchmarks and the encoder tests: 24-bit sprites on black, their 1-bit masks, an 8-bit
// 640 x 480 background with a 256-entry colour table, and the table payloads. Every image is a
// complete BMP file image (file header "BM", 40-byte information header, colour table where
// there is one, bottom-up rows padded to 4 bytes). The same arguments always give the same bytes.

#include <cstdint>
#include <vector>

namespace cinefold::bench {

struct SpriteSize {
    int width;
    int height;
};

// The 48 sprite sizes of the demo-shaped container, 64 x 64 up to 200 x 180.
std::vector<SpriteSize> demoSpriteSizes();

// A shaded blob on a black background, 24 bits per pixel. The seed picks the hue, the shape and
// the lighting.
std::vector<std::uint8_t> makeSpriteImage(int width, int height, std::uint32_t seed);
// The 1-bit mask of the sprite with the same arguments: 1 where the background shows through,
// 0 under the blob. No colour table: the pixels start at offset 54.
std::vector<std::uint8_t> makeSpriteMask(int width, int height, std::uint32_t seed);
// A 640 x 480 sky: dithered bands of a 256-entry palette, a horizon and clouds, so that runs
// are mostly short, as in painted backgrounds.
std::vector<std::uint8_t> makeBackgroundImage();

// Table payloads of the shape the demo has: a schedule of key records, cel groups, a jump
// table of 1000 entries and five branch tables of 1000 entries each.
std::vector<std::uint8_t> makeSchedulePayload();
// The schedule the demo-shaped container plays: sprites moving on curves and lines, stepping
// through cel groups at sizes in thousandths of their cels, mirrored by every flip code, over a
// background held from frame 0 to 700. The compressor benchmarks keep the schedule above, so
// that their figures stay comparable from run to run.
std::vector<std::uint8_t> makeAnimatedSchedulePayload();
std::vector<std::uint8_t> makeGroupsPayload();
std::vector<std::uint8_t> makeJumpTablePayload();
std::vector<std::uint8_t> makeBranchTablesPayload();

} // namespace cinefold::bench
