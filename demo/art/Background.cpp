#include "Background.h"

#include "Paint.h"

#include <vector>

namespace demo {

namespace {

constexpr double W = 640, H = 480;

void water(cairo_t* cr) {
    cairo_rectangle(cr, 0, 0, W, H);
    linear(cr, 0, 0, 0, H,
           {{0, hex(0x2E7CC8)}, {0.3, hex(0x145AAE)}, {0.65, hex(0x0A3486)}, {1, hex(0x061C5A)}});
    cairo_fill(cr);
    // The lit surface, seen from below: a bright band with wavy ripples.
    cairo_rectangle(cr, 0, 0, W, 40);
    linear(cr, 0, 0, 0, 40, {{0, hex(0x9AD8F8)}, {1, hex(0x2E7CC8)}}, 0.55);
    cairo_fill(cr);
    Random random(3);
    cairo_set_line_width(cr, 2);
    for (int row = 0; row < 4; ++row) {
        const double y = 6 + row * 8;
        cairo_move_to(cr, 0, y);
        for (double x = 0; x <= W; x += 20)
            cairo_curve_to(cr, x + 5, y - 3 + random.uniform(-1, 1), x + 15,
                           y + 3 + random.uniform(-1, 1), x + 20, y);
        source(cr, hex(0xD8F4FF), 0.35 - row * 0.07);
        cairo_stroke(cr);
    }
}

void lightRays(cairo_t* cr) {
    struct Ray {
        double x, top, bottom, alpha;
    };
    for (const Ray& ray : {Ray{70, 26, 60, 0.10}, Ray{190, 18, 80, 0.08}, Ray{300, 30, 50, 0.11},
                           Ray{420, 22, 90, 0.07}, Ray{540, 26, 60, 0.09}}) {
        cairo_move_to(cr, ray.x - ray.top / 2, 0);
        cairo_line_to(cr, ray.x + ray.top / 2, 0);
        cairo_line_to(cr, ray.x + ray.bottom / 2 + 150, 420);
        cairo_line_to(cr, ray.x - ray.bottom / 2 + 150, 420);
        cairo_close_path(cr);
        linear(cr, 0, 0, 0, 420, {{0, hex(0xE8F8FF)}, {1, hex(0x2E7CC8)}}, ray.alpha);
        cairo_fill(cr);
    }
}

// Hills of rock far behind, pale with distance.
void distantRocks(cairo_t* cr) {
    cairo_move_to(cr, 0, 360);
    cairo_curve_to(cr, 60, 320, 120, 330, 170, 350);
    cairo_curve_to(cr, 220, 300, 300, 310, 340, 345);
    cairo_curve_to(cr, 400, 330, 440, 290, 520, 320);
    cairo_curve_to(cr, 570, 335, 610, 310, 640, 330);
    cairo_line_to(cr, 640, 480);
    cairo_line_to(cr, 0, 480);
    cairo_close_path(cr);
    linear(cr, 0, 290, 0, 420, {{0, hex(0x1C4C8E)}, {1, hex(0x0E2E6A)}});
    cairo_fill(cr);
}

void sand(cairo_t* cr) {
    cairo_move_to(cr, 0, 420);
    cairo_curve_to(cr, 120, 400, 200, 428, 320, 414);
    cairo_curve_to(cr, 440, 400, 540, 426, 640, 410);
    cairo_line_to(cr, 640, 480);
    cairo_line_to(cr, 0, 480);
    cairo_close_path(cr);
    linear(cr, 0, 400, 0, 480, {{0, hex(0xC8B07A)}, {1, hex(0x8A7448)}});
    cairo_fill(cr);
    // Ripples and grains.
    Random random(5);
    for (int i = 0; i < 9; ++i) {
        const double y = 428 + i * 6, x = random.uniform(-40, 200);
        cairo_move_to(cr, x, y);
        cairo_curve_to(cr, x + 80, y - 4, x + 200, y + 4, x + 400, y - 2);
        source(cr, hex(0x6E5A34), 0.35);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }
    for (int i = 0; i < 260; ++i) {
        const double x = random.uniform(0, W), y = random.uniform(422, H);
        ellipse(cr, x, y, random.uniform(0.8, 2.2), random.uniform(0.6, 1.4));
        source(cr, random.next() % 2 ? hex(0xE8D8A8) : hex(0x6A5634), 0.7);
        cairo_fill(cr);
    }
}

void rock(cairo_t* cr, double x, double y, double rx, double ry, Colour c) {
    cairo_move_to(cr, x - rx, y);
    cairo_curve_to(cr, x - rx, y - ry * 1.2, x - rx * 0.2, y - ry * 1.4, x + rx * 0.3, y - ry);
    cairo_curve_to(cr, x + rx * 0.8, y - ry * 0.9, x + rx * 1.1, y - ry * 0.4, x + rx, y);
    cairo_close_path(cr);
    radial(cr, x - rx * 0.3, y - ry * 0.9, rx * 1.6,
           {{0, mix(c, hex(0xFFFFFF), 0.25)}, {0.6, c}, {1, mix(c, hex(0x000000), 0.5)}});
    cairo_fill_preserve(cr);
    source(cr, mix(c, hex(0x000000), 0.6));
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
}

// A stalk of kelp from the sand upwards, with long blades along it, each a curved leaf with a
// lighter midrib.
void kelp(cairo_t* cr, double x, double bottom, double height, double sway, Colour c,
          std::uint32_t seed) {
    Random random(seed);
    const int segments = 9;
    std::vector<std::pair<double, double>> spine;
    for (int i = 0; i <= segments; ++i) {
        const double t = double(i) / segments;
        spine.push_back({x + sway * std::sin(t * pi * 1.4 + seed), bottom - height * t});
    }
    const Colour dark = mix(c, hex(0x000000), 0.5), light = mix(c, hex(0xFFFF80), 0.3);
    cairo_move_to(cr, spine[0].first, spine[0].second);
    for (std::size_t i = 1; i < spine.size(); ++i)
        cairo_line_to(cr, spine[i].first, spine[i].second);
    source(cr, dark);
    cairo_set_line_width(cr, 5);
    cairo_stroke(cr);
    for (int i = 1; i <= segments; ++i) {
        const auto [sx, sy] = spine[std::size_t(i)];
        const int side = i % 2 ? 1 : -1;
        const double length = random.uniform(38, 58) * (1.0 - 0.04 * i);
        const double angle = -pi / 2 + side * random.uniform(0.5, 0.9);
        cairo_save(cr);
        cairo_translate(cr, sx, sy);
        cairo_rotate(cr, angle);
        cairo_move_to(cr, 0, 0);
        cairo_curve_to(cr, length * 0.3, -9, length * 0.75, -8, length, side * 4.0);
        cairo_curve_to(cr, length * 0.7, 6, length * 0.3, 7, 0, 0);
        cairo_close_path(cr);
        linear(cr, 0, 0, length, 0, {{0, dark}, {0.4, c}, {1, light}});
        cairo_fill_preserve(cr);
        source(cr, mix(c, hex(0x000000), 0.65));
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        cairo_move_to(cr, 2, 0);
        cairo_curve_to(cr, length * 0.4, -1, length * 0.7, 0, length * 0.92, side * 3.0);
        source(cr, light, 0.7);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
}

// Grass-like tufts of seagrass.
void seagrass(cairo_t* cr, double x, double bottom, int blades, Colour c, std::uint32_t seed) {
    Random random(seed);
    for (int i = 0; i < blades; ++i) {
        const double bx = x + random.uniform(-14, 14), h = random.uniform(40, 95);
        const double lean = random.uniform(-30, 30);
        cairo_move_to(cr, bx - 2.5, bottom);
        cairo_curve_to(cr, bx - 2, bottom - h * 0.5, bx + lean * 0.5, bottom - h * 0.8, bx + lean,
                       bottom - h);
        cairo_curve_to(cr, bx + lean * 0.5 + 3, bottom - h * 0.8, bx + 3, bottom - h * 0.5,
                       bx + 2.5, bottom);
        cairo_close_path(cr);
        linear(cr, 0, bottom - h, 0, bottom,
               {{0, mix(c, hex(0xFFFFFF), 0.2)}, {1, mix(c, hex(0x000000), 0.4)}});
        cairo_fill(cr);
    }
}

// Branching coral, drawn as a tree of rounded strokes.
void branch(cairo_t* cr, double x, double y, double angle, double length, double width, int depth,
            Random& random) {
    const double x1 = x + length * std::cos(angle), y1 = y + length * std::sin(angle);
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x1, y1);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
    if (depth == 0) return;
    for (double turn : {-0.45, 0.4})
        branch(cr, x1, y1, angle + turn + random.uniform(-0.15, 0.15),
               length * random.uniform(0.62, 0.8), width * 0.72, depth - 1, random);
}

void coral(cairo_t* cr, double x, double y, double size, Colour c, std::uint32_t seed) {
    for (int pass = 0; pass < 2; ++pass) {
        Random random(seed);
        if (pass == 0) {
            source(cr, mix(c, hex(0x000000), 0.5));
        } else {
            source(cr, c);
        }
        cairo_save(cr);
        if (pass == 1) cairo_translate(cr, -0.8, -0.8);
        branch(cr, x, y, -pi / 2, size, pass == 0 ? size * 0.32 : size * 0.24, 4, random);
        cairo_restore(cr);
    }
}

void brainCoral(cairo_t* cr, double x, double y, double r) {
    cairo_move_to(cr, x - r, y);
    cairo_curve_to(cr, x - r, y - r * 1.1, x + r, y - r * 1.1, x + r, y);
    cairo_close_path(cr);
    radial(cr, x - r * 0.3, y - r * 0.6, r * 1.4,
           {{0, hex(0xF4D27A)}, {0.7, hex(0xC89A3E)}, {1, hex(0x7A5A20)}});
    cairo_fill_preserve(cr);
    cairo_save(cr);
    cairo_clip(cr);
    Random random(21);
    for (int i = 0; i < 7; ++i) {
        const double yy = y - r * 0.1 - i * r * 0.13;
        cairo_move_to(cr, x - r, yy);
        for (double xx = x - r; xx < x + r; xx += 6)
            cairo_curve_to(cr, xx + 2, yy - 3 + random.uniform(-1, 1), xx + 4,
                           yy + 3 + random.uniform(-1, 1), xx + 6, yy);
    }
    source(cr, hex(0x6A4A18), 0.7);
    cairo_set_line_width(cr, 1.3);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// A few bubbles caught in the scenery; the moving ones are sprites.
void stillBubbles(cairo_t* cr) {
    Random random(9);
    for (int i = 0; i < 12; ++i) {
        const double x = 584 + random.uniform(-6, 6), y = 330 - i * 26 + random.uniform(-4, 4);
        const double r = 2 + i * 0.35;
        ellipse(cr, x, y, r, r);
        source(cr, hex(0xBEEBFF), 0.55);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    }
}

// The old anchor half sunk in the sand.
void anchor(cairo_t* cr, double x, double y) {
    const Colour iron = hex(0x3A4A5E), outline = hex(0x141C26);
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, -0.35);
    cairo_set_line_width(cr, 7);
    cairo_move_to(cr, 0, -70);
    cairo_line_to(cr, 0, 0);
    cairo_move_to(cr, -40, -10);
    cairo_curve_to(cr, -36, 16, 36, 16, 40, -10);
    cairo_move_to(cr, -18, -56);
    cairo_line_to(cr, 18, -56);
    source(cr, outline);
    cairo_set_line_width(cr, 10);
    cairo_stroke_preserve(cr);
    source(cr, iron);
    cairo_set_line_width(cr, 6);
    cairo_stroke(cr);
    ellipse(cr, 0, -78, 8, 8);
    source(cr, outline);
    cairo_set_line_width(cr, 8);
    cairo_stroke_preserve(cr);
    source(cr, iron);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    cairo_restore(cr);
}

} // namespace

std::vector<std::uint8_t> drawBackground(int& width, int& height) {
    width = int(W);
    height = int(H);
    Canvas canvas(width, height, CAIRO_FORMAT_RGB24);
    cairo_t* cr = canvas.cr();
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    water(cr);
    lightRays(cr);
    distantRocks(cr);
    kelp(cr, 150, 420, 200, 10, hex(0x1E5A50), 4);
    kelp(cr, 360, 416, 170, 8, hex(0x1E5A50), 5);
    kelp(cr, 36, 430, 340, 18, hex(0x2E8A3A), 1);
    kelp(cr, 612, 425, 310, 16, hex(0x2E8A3A), 2);
    kelp(cr, 505, 420, 230, 12, hex(0x3A9A48), 3);
    sand(cr);
    anchor(cr, 470, 448);
    rock(cr, 110, 446, 70, 44, hex(0x5A6A7E));
    rock(cr, 190, 458, 40, 24, hex(0x6A7486));
    rock(cr, 560, 452, 62, 36, hex(0x56657A));
    coral(cr, 96, 410, 34, hex(0xFF6F91), 31);
    coral(cr, 578, 420, 26, hex(0xFF9A4A), 37);
    brainCoral(cr, 300, 452, 30);
    seagrass(cr, 250, 440, 9, hex(0x4AA83A), 41);
    seagrass(cr, 380, 436, 7, hex(0x3E9A36), 43);
    seagrass(cr, 20, 460, 8, hex(0x4AA83A), 47);
    stillBubbles(cr);
    cairo_surface_flush(canvas.surface());
    // Cairo's RGB24 pixels are native-endian 32-bit words 0x00RRGGBB.
    std::vector<std::uint8_t> rgb(std::size_t(width) * std::size_t(height) * 3);
    const unsigned char* data = cairo_image_surface_get_data(canvas.surface());
    const int stride = cairo_image_surface_get_stride(canvas.surface());
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + std::size_t(y) * stride);
        for (int x = 0; x < width; ++x) {
            std::uint8_t* out = &rgb[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3];
            out[0] = std::uint8_t(row[x] >> 16);
            out[1] = std::uint8_t(row[x] >> 8);
            out[2] = std::uint8_t(row[x]);
        }
    }
    return rgb;
}

} // namespace demo
