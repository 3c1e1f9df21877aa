#include "DemoImages.h"

#include "render/BmpHeader.h"
#include "render/StageSurface.h"
#include "timeline/TimelineWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace cinefold::bench {

namespace {

// A small, fully specified generator (xorshift32), so that every platform and standard library
// produces the same images.
class Random {
  public:
    explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {
        if (state_ == 0) state_ = 1;
    }
    std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // Uniform in [0, 1).
    double unit() { return double(next() >> 8) / double(1u << 24); }

  private:
    std::uint32_t state_;
};

std::size_t rowBytes(int width, int bitCount) {
    return std::size_t(dibRowLength(std::uint64_t(width), std::uint32_t(bitCount)));
}

// The blob of a sprite: an ellipse whose rim wobbles, filling most of the frame.
struct Blob {
    double cx, cy, rx, ry, lobes, phase, wobble;

    Blob(int width, int height, std::uint32_t seed) {
        Random random(seed * 7 + 1);
        cx = width * (0.45 + 0.1 * random.unit());
        cy = height * (0.45 + 0.1 * random.unit());
        rx = width * (0.30 + 0.12 * random.unit());
        ry = height * (0.30 + 0.12 * random.unit());
        lobes = double(3 + random.next() % 5);
        phase = 6.283 * random.unit();
        wobble = 0.05 + 0.12 * random.unit();
    }
    // Distance from the centre relative to the rim: below 1 inside.
    double radius(double x, double y) const {
        double dx = (x - cx) / rx, dy = (y - cy) / ry;
        double rim = 1.0 + wobble * std::sin(lobes * std::atan2(dy, dx) + phase);
        return std::sqrt(dx * dx + dy * dy) / rim;
    }
};

std::uint8_t clampByte(double v) {
    return std::uint8_t(std::clamp(v, 0.0, 255.0));
}

} // namespace

std::vector<SpriteSize> demoSpriteSizes() {
    static const SpriteSize pattern[] = {{120, 160}, {96, 128}, {160, 120}, {64, 64},
                                         {200, 180}, {80, 100}, {128, 128}, {144, 96}};
    std::vector<SpriteSize> sizes;
    for (int i = 0; i < 48; ++i)
        sizes.push_back(pattern[i % 8]);
    return sizes;
}

std::vector<std::uint8_t> makeSpriteImage(int width, int height, std::uint32_t seed) {
    std::vector<std::uint8_t> file = makeBmpFile(width, height, 24, 0);
    Blob blob(width, height, seed);
    Random random(seed * 13 + 5);
    double base[3];
    for (double& c : base)
        c = 60 + 195 * random.unit();
    // Three looks: smooth shading, shading with a fine grain, and flat cartoon bands.
    int look = int(seed % 3);
    std::size_t stride = rowBytes(width, 24);
    for (int row = 0; row < height; ++row) {
        int y = height - 1 - row; // bottom-up
        std::uint8_t* out = file.data() + 54 + stride * std::size_t(row);
        for (int x = 0; x < width; ++x) {
            double r = blob.radius(x + 0.5, y + 0.5);
            if (r >= 1.0) continue; // black background
            // A lit sphere: the light comes from the upper left.
            double nx = (x - blob.cx) / blob.rx, ny = (y - blob.cy) / blob.ry;
            double nz = std::sqrt(std::max(0.0, 1.0 - std::min(1.0, r * r)));
            double light = 0.25 + 0.75 * std::max(0.0, -0.45 * nx - 0.45 * ny + 0.77 * nz);
            double spot = std::pow(std::max(0.0, -0.3 * nx - 0.3 * ny + 0.9 * nz), 24.0);
            if (look == 2) light = std::floor(light * 5.0) / 5.0 + 0.1;
            for (int c = 0; c < 3; ++c) {
                double v = base[c] * light + 200.0 * spot;
                if (look == 1) v += double(int(random.next() % 7) - 3);
                out[3 * x + c] = clampByte(v);
            }
        }
    }
    return file;
}

std::vector<std::uint8_t> makeSpriteMask(int width, int height, std::uint32_t seed) {
    std::vector<std::uint8_t> file = makeBmpFile(width, height, 1, 0);
    Blob blob(width, height, seed);
    std::size_t stride = rowBytes(width, 1);
    for (int row = 0; row < height; ++row) {
        int y = height - 1 - row;
        std::uint8_t* out = file.data() + 54 + stride * std::size_t(row);
        for (int x = 0; x < width; ++x)
            if (blob.radius(x + 0.5, y + 0.5) >= 1.0) out[x / 8] |= std::uint8_t(0x80 >> (x % 8));
    }
    return file;
}

std::vector<std::uint8_t> makeBackgroundImage() {
    const int width = 640, height = 480;
    std::vector<std::uint8_t> file = makeBmpFile(width, height, 8, 256);
    // Palette: 0..127 sky from deep blue to pale, 128..191 ground, 192..255 cloud greys.
    std::uint8_t* table = file.data() + 54;
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* e = table + 4 * i; // blue, green, red, reserved
        if (i < 128) {
            e[0] = std::uint8_t(120 + i), e[1] = std::uint8_t(30 + i), e[2] = std::uint8_t(i);
        } else if (i < 192) {
            int k = i - 128;
            e[0] = std::uint8_t(20 + k), e[1] = std::uint8_t(60 + 2 * k),
            e[2] = std::uint8_t(40 + k);
        } else {
            int k = i - 192;
            e[0] = e[1] = e[2] = std::uint8_t(129 + 2 * k); // up to 255
        }
    }
    Random random(2024);
    struct Cloud {
        double cx, cy, rx, ry;
    };
    const Cloud clouds[] = {{120, 380, 90, 30},
                            {330, 420, 130, 28},
                            {520, 360, 80, 24},
                            {250, 320, 60, 18},
                            {600, 440, 70, 20}};
    const int horizon = 170; // rows below it (from the bottom) are ground
    std::uint8_t* pixels = file.data() + 1078;
    double threshold = 0;
    int hold = 1;
    for (int y = 0; y < height; ++y) { // y counts from the bottom, as the rows are stored
        std::uint8_t* out = pixels + std::size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            double v;
            int first, last;
            if (y < horizon) {
                // Ground: a slow gradient with a coarse texture.
                v = 128 + 40.0 * y / horizon + 6.0 * std::sin(x * 0.05 + y * 0.11);
                first = 128, last = 191;
            } else {
                v = 127.0 * (height - y) / (height - horizon);
                first = 0, last = 127;
                for (const Cloud& c : clouds) {
                    double dx = (x - c.cx) / c.rx, dy = (y - c.cy) / c.ry;
                    double d = dx * dx + dy * dy + 0.15 * std::sin(x * 0.09) * std::cos(y * 0.2);
                    if (d < 1.0) {
                        v = 192 + 60.0 * (1.0 - d);
                        first = 192, last = 255;
                    }
                }
            }
            // Dithering between the two nearest entries, with a threshold that holds for a
            // few pixels at a time, as painted skies have short runs.
            if (x == 0 || --hold == 0) {
                threshold = random.unit();
                hold = random.next() % 3 == 0 ? 2 : 1;
            }
            int index = int(std::floor(v + threshold));
            out[x] = std::uint8_t(std::clamp(index, first, last));
        }
    }
    return file;
}

namespace {
void appendI32(std::vector<std::uint8_t>& out, std::int32_t v) {
    appendU32le(out, std::uint32_t(v));
}
} // namespace

namespace {

// The demo-shaped schedule: layer 0 (the background: image 100 at frames 0 and 700), layers 1..6
// with 16 to 38 keys spread evenly over frames 0 to 700, and empty sections for layers 7..50.
// keyFields(layer, random, key) fills each key's fields but its frame.
template <class KeyFields> std::vector<std::uint8_t> schedulePayload(KeyFields keyFields) {
    static const int keyCounts[7] = {2, 38, 20, 17, 16, 16, 18};
    std::vector<std::uint8_t> out;
    Random random(77);
    for (int layer = 0; layer <= 50; ++layer) {
        std::vector<KeyRecord> keys(layer < 7 ? keyCounts[layer] : 0);
        const int count = int(keys.size());
        for (int k = 0; k < count; ++k) {
            KeyRecord& key = keys[std::size_t(k)];
            key.frame = count > 1 ? k * 700 / (count - 1) : 0;
            keyFields(layer, random, key);
        }
        appendScheduleSection(out, layer, keys);
    }
    return out;
}

} // namespace

std::vector<std::uint8_t> makeSchedulePayload() {
    // Moving sprites at sizes in pixels.
    return schedulePayload([](int layer, Random& random, KeyRecord& key) {
        if (layer == 0) {
            key.image = 100;
            key.flip = std::int32_t(random.next() % 2);
            return;
        }
        key.image = std::int32_t(1 + random.next() % 48);
        key.centerX = std::int32_t(random.next() % 640);
        key.centerY = std::int32_t(random.next() % 480);
        key.width = std::int32_t(64 + random.next() % 137);
        key.height = std::int32_t(64 + random.next() % 117);
        key.flip = std::int32_t(random.next() % 2);
        key.interpolation = std::int32_t(2 * (random.next() % 2));
    });
}

std::vector<std::uint8_t> makeAnimatedSchedulePayload() {
    // Layers 1..3 show plain images at sizes in pixels; layers 4..6 step through cel groups 1..6
    // at sizes in thousandths of the cel's. Keys interpolate on a curve or a line, or (one in
    // four) show on their own frame only, and carry every flip code.
    return schedulePayload([](int layer, Random& random, KeyRecord& key) {
        if (layer == 0) {
            key.image = 100;
            key.interpolation = 1;
            return;
        }
        bool grouped = layer >= 4;
        key.image = grouped ? 0 : std::int32_t(1 + random.next() % 48);
        key.group = grouped ? std::int32_t(1 + random.next() % 6) : 0;
        key.centerX = std::int32_t(random.next() % 640);
        key.centerY = std::int32_t(random.next() % 480);
        key.width = grouped ? std::int32_t(600 + random.next() % 801)
                            : std::int32_t(64 + random.next() % 137);
        key.height = grouped ? std::int32_t(600 + random.next() % 801)
                             : std::int32_t(64 + random.next() % 117);
        key.flip = std::int32_t(random.next() % 4);
        static const std::int32_t interpolations[4] = {0, 1, 2, 2};
        key.interpolation = interpolations[random.next() % 4];
    });
}

std::vector<std::uint8_t> makeGroupsPayload() {
    // Six cel groups of 4 to 8 entries (image, start, width, height), each cel at its image's
    // own size; the rest empty.
    const std::vector<SpriteSize> sizes = demoSpriteSizes();
    std::vector<std::uint8_t> out;
    for (int slot = 0; slot < groupSlotCount; ++slot) {
        std::vector<CelEntry> cels(slot < 6 ? 4 + slot % 5 : 0);
        for (int e = 0; e < int(cels.size()); ++e) {
            int image = 1 + (slot * 8 + e) % 48;
            const SpriteSize& size = sizes[std::size_t(image - 1)];
            cels[std::size_t(e)] = {image, e * 3, size.width, size.height};
        }
        appendCelSection(out, slot, cels);
    }
    return out;
}

std::vector<std::uint8_t> makeJumpTablePayload() {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < 1000; ++i)
        appendI32(out, i == 700 ? 0 : i % 250 == 249 ? i - 100 : -1);
    return out;
}

std::vector<std::uint8_t> makeBranchTablesPayload() {
    std::vector<std::uint8_t> out;
    for (int t = 0; t < 5; ++t)
        for (int i = 0; i < 1000; ++i)
            appendI32(out, i % 200 == 150 ? 100 * t + i / 2 : -1);
    return out;
}

} // namespace cinefold::bench
