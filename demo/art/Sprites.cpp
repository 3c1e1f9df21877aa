#include "Sprites.h"

#include "Paint.h"

#include <algorithm>

namespace demo {

namespace {

// ---------------------------------------------------------------------------------------------
// Fish. A fish is drawn in body units with its nose at (0, 0) and the root of its tail at
// (length, 0), y downwards, then fitted into its sprite. Each cel of a swim cycle sweeps the tail
// (seen from the side, a sweeping tail looks narrower and tilted) and beats the pectoral fin.

struct Fish {
    double length = 100; // nose to the root of the tail
    double depth = 60;   // body height
    double tail = 40;    // tail length
    double spread = 26;  // half height of the tail at its tips
    double fork = 0.35;  // depth of the tail's fork, as a share of its length
    double dorsal = 10;  // fin heights beyond the body
    double anal = 6;
    double finSweep = 0.5; // how far back the dorsal and anal fins reach, as a share of length
    Colour back, belly, fins, outline;
    std::function<void(cairo_t*, const Fish&)> markings = {}; // drawn clipped to the body
    std::function<void(cairo_t*, const Fish&)> finMarks = {}; // drawn over the fins
};

struct Swim {
    double tailTilt = 0;  // radians
    double tailScale = 1; // horizontal foreshortening of the tail
    double pectoral = 0;  // radians
};

// The four cels of a swim cycle.
Swim swimCel(int cel) {
    const double phase = cel * pi / 2;
    return {0.16 * std::sin(phase), 1.0 - 0.42 * std::fabs(std::sin(phase)),
            0.45 * std::cos(phase)};
}

void bodyPath(cairo_t* cr, const Fish& f) {
    const double L = f.length, H = f.depth / 2, p = 0.2 * H;
    cairo_move_to(cr, 0, 0.08 * H);
    cairo_curve_to(cr, 0, -0.6 * H, 0.16 * L, -H, 0.42 * L, -H);
    cairo_curve_to(cr, 0.68 * L, -H, 0.86 * L, -0.45 * H, L, -p);
    cairo_line_to(cr, L, p);
    cairo_curve_to(cr, 0.86 * L, 0.45 * H, 0.68 * L, H, 0.42 * L, H);
    cairo_curve_to(cr, 0.16 * L, H, 0, 0.62 * H, 0, 0.08 * H);
    cairo_close_path(cr);
}

void tailPath(cairo_t* cr, const Fish& f, const Swim& s) {
    const double T = f.tail, S = f.spread, p = 0.2 * f.depth / 2;
    cairo_save(cr);
    cairo_translate(cr, f.length - 0.06 * T, 0);
    cairo_rotate(cr, s.tailTilt);
    cairo_scale(cr, s.tailScale, 1);
    cairo_move_to(cr, 0, -p);
    cairo_curve_to(cr, 0.35 * T, -p, 0.75 * T, -0.7 * S, T, -S);
    cairo_curve_to(cr, 0.95 * T, -0.45 * S, (1 - f.fork) * T + 0.1 * T, -0.12 * S, (1 - f.fork) * T,
                   0);
    cairo_curve_to(cr, (1 - f.fork) * T + 0.1 * T, 0.12 * S, 0.95 * T, 0.45 * S, T, S);
    cairo_curve_to(cr, 0.75 * T, 0.7 * S, 0.35 * T, p, 0, p);
    cairo_close_path(cr);
    cairo_restore(cr);
}

void finPaths(cairo_t* cr, const Fish& f) {
    const double L = f.length, H = f.depth / 2, D = f.dorsal, A = f.anal, w = f.finSweep;
    cairo_move_to(cr, 0.2 * L, -0.9 * H);
    cairo_curve_to(cr, 0.3 * L, -H - D, (0.3 + w) * L, -H - 1.1 * D, (0.35 + w) * L,
                   -0.5 * H - 0.4 * D);
    cairo_line_to(cr, 0.8 * L, -0.4 * H);
    cairo_close_path(cr);
    cairo_move_to(cr, 0.45 * L, 0.9 * H);
    cairo_curve_to(cr, 0.5 * L, H + A, (0.3 + w) * L, H + 1.1 * A, (0.35 + w) * L,
                   0.5 * H + 0.4 * A);
    cairo_line_to(cr, 0.8 * L, 0.4 * H);
    cairo_close_path(cr);
}

void eye(cairo_t* cr, double x, double y, double r) {
    ellipse(cr, x, y, r, r);
    source(cr, hex(0xFFFFFF));
    cairo_fill(cr);
    ellipse(cr, x - 0.15 * r, y, 0.62 * r, 0.62 * r);
    source(cr, hex(0x101018));
    cairo_fill(cr);
    ellipse(cr, x - 0.35 * r, y - 0.3 * r, 0.22 * r, 0.22 * r);
    source(cr, hex(0xFFFFFF));
    cairo_fill(cr);
}

// Fits a fish into a width x height sprite and draws the given cel.
void drawFish(cairo_t* cr, int width, int height, const Fish& f, int cel) {
    const Swim s = swimCel(cel);
    const double H = f.depth / 2;
    const double top = H + f.dorsal * 1.1, bottom = H + f.anal * 1.1;
    const double extentX = f.length + f.tail * 0.96, extentY = std::max(top + bottom, 2 * f.spread);
    const double scale = std::min((width - 3.0) / extentX, (height - 3.0) / extentY);
    const double lineWidth = 1.6 / scale;
    cairo_translate(cr, 1.5, height / 2.0 - (top - bottom) / 2 * scale);
    cairo_scale(cr, scale, scale);
    cairo_translate(cr, 0, (top - bottom) / 2);

    // Fins and tail lie behind the body.
    tailPath(cr, f, s);
    finPaths(cr, f);
    linear(cr, 0, -H, f.length + f.tail, H, {{0, f.fins}, {1, mix(f.fins, f.back, 0.4)}});
    fillAndOutline(cr, f.outline, lineWidth);
    if (f.finMarks) {
        cairo_save(cr);
        tailPath(cr, f, s);
        finPaths(cr, f);
        cairo_clip(cr);
        f.finMarks(cr, f);
        cairo_restore(cr);
        tailPath(cr, f, s);
        finPaths(cr, f);
        source(cr, f.outline);
        cairo_set_line_width(cr, lineWidth);
        cairo_stroke(cr);
    }

    bodyPath(cr, f);
    linear(cr, 0, -H, 0, H, {{0, f.back}, {0.55, mix(f.back, f.belly, 0.6)}, {1, f.belly}});
    cairo_fill_preserve(cr);
    cairo_save(cr);
    cairo_clip(cr);
    if (f.markings) f.markings(cr, f);
    // A soft highlight along the back gives the body its roundness.
    ellipse(cr, 0.42 * f.length, -0.45 * H, 0.32 * f.length, 0.22 * H);
    source(cr, hex(0xFFFFFF), 0.18);
    cairo_fill(cr);
    cairo_restore(cr);
    bodyPath(cr, f);
    source(cr, f.outline);
    cairo_set_line_width(cr, lineWidth);
    cairo_stroke(cr);

    // Gill line, mouth and eye.
    cairo_move_to(cr, 0.27 * f.length, -0.5 * H);
    cairo_curve_to(cr, 0.32 * f.length, -0.15 * H, 0.32 * f.length, 0.25 * H, 0.26 * f.length,
                   0.5 * H);
    source(cr, f.outline, 0.3);
    cairo_set_line_width(cr, lineWidth * 0.7);
    cairo_stroke(cr);
    cairo_move_to(cr, 0.01 * f.length, 0.12 * H);
    cairo_line_to(cr, 0.06 * f.length, 0.1 * H);
    source(cr, f.outline);
    cairo_stroke(cr);
    eye(cr, 0.14 * f.length, -0.2 * H, std::max(0.085 * f.depth, 2.2 / scale));

    // The pectoral fin, a light fan with a few rays, beats in front of the body.
    cairo_save(cr);
    cairo_translate(cr, 0.3 * f.length, 0.2 * H);
    cairo_rotate(cr, 0.3 + s.pectoral);
    const double r = 0.2 * f.length;
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, r * std::cos(-0.35), r * std::sin(-0.35));
    cairo_arc(cr, 0, 0, r, -0.35, 0.35);
    cairo_close_path(cr);
    source(cr, mix(f.fins, hex(0xFFFFFF), 0.45), 0.6);
    cairo_fill(cr);
    for (double a : {-0.25, 0.0, 0.25}) {
        cairo_move_to(cr, 0, 0);
        cairo_line_to(cr, 0.95 * r * std::cos(a), 0.95 * r * std::sin(a));
    }
    source(cr, f.outline, 0.3);
    cairo_set_line_width(cr, lineWidth * 0.6);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// Vertical bands across the body, centred at `at` (a share of the length), of `width` units.
void band(cairo_t* cr, const Fish& f, double at, double width, Colour fill, Colour edge,
          double edgeWidth) {
    const double x = at * f.length, H = f.depth / 2;
    cairo_move_to(cr, x - width / 2, -H - 5);
    cairo_curve_to(cr, x - width / 2 - 0.08 * f.length, -0.3 * H, x - width / 2 - 0.08 * f.length,
                   0.3 * H, x - width / 2, H + 5);
    cairo_line_to(cr, x + width / 2, H + 5);
    cairo_curve_to(cr, x + width / 2 - 0.08 * f.length, 0.3 * H, x + width / 2 - 0.08 * f.length,
                   -0.3 * H, x + width / 2, -H - 5);
    cairo_close_path(cr);
    source(cr, fill);
    cairo_fill_preserve(cr);
    source(cr, edge);
    cairo_set_line_width(cr, edgeWidth);
    cairo_stroke(cr);
}

Fish butterflyFish() {
    Fish f{.depth = 78,
           .tail = 34,
           .spread = 24,
           .fork = 0.12,
           .dorsal = 18,
           .anal = 14,
           .finSweep = 0.52,
           .back = hex(0xFFC21A),
           .belly = hex(0xFFF3B0),
           .fins = hex(0xFFD84A),
           .outline = hex(0x3A2A08)};
    f.markings = [](cairo_t* cr, const Fish& f) {
        // Fine diagonal stripes, a dark band through the eye and a dark spot near the tail.
        cairo_set_line_width(cr, 1.6);
        for (double x = 10; x < 110; x += 10) {
            cairo_move_to(cr, x, -f.depth);
            cairo_curve_to(cr, x + 14, -0.2 * f.depth, x + 14, 0.2 * f.depth, x, f.depth);
        }
        source(cr, hex(0xE08A00), 0.35);
        cairo_stroke(cr);
        band(cr, f, 0.15, 13, hex(0x1A1A28), hex(0x1A1A28), 1);
        band(cr, f, 0.93, 5, hex(0x1A1A28), hex(0x1A1A28), 1);
    };
    f.finMarks = [](cairo_t* cr, const Fish& f) {
        // Blue-edged fins.
        finPaths(cr, f);
        source(cr, hex(0x2C7BE5));
        cairo_set_line_width(cr, 7);
        cairo_stroke(cr);
    };
    return f;
}

Fish clownFish() {
    Fish f{.depth = 52,
           .tail = 30,
           .spread = 20,
           .fork = 0.0,
           .dorsal = 12,
           .anal = 8,
           .finSweep = 0.4,
           .back = hex(0xFF6A00),
           .belly = hex(0xFFA040),
           .fins = hex(0xFF7A10),
           .outline = hex(0x2A1000)};
    f.markings = [](cairo_t* cr, const Fish& f) {
        const Colour white = hex(0xFFFFFF), black = hex(0x1A0A00);
        band(cr, f, 0.2, 12, white, black, 2.5);
        band(cr, f, 0.52, 14, white, black, 2.5);
        band(cr, f, 0.9, 8, white, black, 2.5);
    };
    f.finMarks = [](cairo_t* cr, const Fish& f) {
        finPaths(cr, f);
        tailPath(cr, f, Swim{});
        source(cr, hex(0x1A0A00));
        cairo_set_line_width(cr, 6);
        cairo_stroke(cr);
    };
    return f;
}

Fish blueTang() {
    Fish f{.depth = 56,
           .tail = 30,
           .spread = 22,
           .fork = 0.3,
           .dorsal = 9,
           .anal = 7,
           .finSweep = 0.55,
           .back = hex(0x1B46D1),
           .belly = hex(0x4F8CFF),
           .fins = hex(0x1B3FB8),
           .outline = hex(0x050A30)};
    f.markings = [](cairo_t* cr, const Fish& f) {
        // The dark swoosh from the eye to the tail, with a pocket of blue inside it.
        const double L = f.length, H = f.depth / 2;
        cairo_move_to(cr, 0.12 * L, -0.45 * H);
        cairo_curve_to(cr, 0.45 * L, -0.85 * H, 0.8 * L, -0.6 * H, 1.02 * L, -0.1 * H);
        cairo_curve_to(cr, 0.8 * L, -0.2 * H, 0.75 * L, 0.2 * H, 0.55 * L, 0.2 * H);
        cairo_curve_to(cr, 0.35 * L, 0.2 * H, 0.25 * L, -0.05 * H, 0.12 * L, -0.45 * H);
        cairo_close_path(cr);
        source(cr, hex(0x0A0A1E));
        cairo_fill(cr);
        ellipse(cr, 0.55 * L, -0.28 * H, 0.14 * L, 0.16 * H);
        source(cr, hex(0x2F6BFF));
        cairo_fill(cr);
    };
    f.finMarks = [](cairo_t* cr, const Fish& f) {
        // A yellow tail.
        cairo_rectangle(cr, f.length * 0.98, -f.depth, f.tail * 2, f.depth * 2);
        source(cr, hex(0xFFD21A));
        cairo_fill(cr);
        finPaths(cr, f);
        source(cr, hex(0x0A0A1E));
        cairo_set_line_width(cr, 4);
        cairo_stroke(cr);
    };
    return f;
}

Fish pufferFish() {
    Fish f{.depth = 88,
           .tail = 26,
           .spread = 18,
           .fork = 0.0,
           .dorsal = 10,
           .anal = 8,
           .finSweep = 0.3,
           .back = hex(0xC9A24A),
           .belly = hex(0xFFF6DC),
           .fins = hex(0xE8C46A),
           .outline = hex(0x3A2A10)};
    f.markings = [](cairo_t* cr, const Fish& f) {
        Random random(7);
        for (int i = 0; i < 40; ++i) {
            const double x = random.uniform(0.1, 1.0) * f.length;
            const double y = random.uniform(-0.5, 0.05) * f.depth;
            const double r = random.uniform(2.0, 4.0);
            ellipse(cr, x, y, r, r);
        }
        source(cr, hex(0x5A3A12));
        cairo_fill(cr);
    };
    return f;
}

Fish smallFish(Colour back, Colour belly, Colour stripe) {
    Fish f{.depth = 38,
           .tail = 34,
           .spread = 18,
           .fork = 0.4,
           .dorsal = 8,
           .anal = 6,
           .back = back,
           .belly = belly,
           .fins = mix(back, belly, 0.5),
           .outline = mix(back, hex(0x000000), 0.7)};
    f.markings = [stripe](cairo_t* cr, const Fish& f) {
        cairo_move_to(cr, 0.1 * f.length, -0.05 * f.depth);
        cairo_line_to(cr, 1.0 * f.length, -0.02 * f.depth);
        source(cr, stripe);
        cairo_set_line_width(cr, 0.16 * f.depth);
        cairo_stroke(cr);
    };
    return f;
}

// ---------------------------------------------------------------------------------------------
// The sea turtle: a domed shell, a head, and a front flipper that rows through four positions.

void drawTurtle(cairo_t* cr, int width, int height, int cel) {
    const Colour outline = hex(0x1E2A10), skin = hex(0x8FB35A), skinDark = hex(0x5E7F34);
    // The near front flipper beats below the shell, from level with it down and back up.
    const double strokeAngles[] = {-0.3, 0.1, 0.45, 0.1};
    const double rearAngles[] = {0.15, 0.35, 0.5, 0.3};
    cairo_scale(cr, width / 130.0, height / 86.0);
    cairo_set_line_width(cr, 1.6);

    // Rear flipper, behind the shell.
    cairo_save(cr);
    cairo_translate(cr, 100, 50);
    cairo_rotate(cr, rearAngles[cel]);
    ellipse(cr, 12, 0, 15, 6);
    source(cr, skinDark);
    fillAndOutline(cr, outline, 1.6);
    cairo_restore(cr);
    // Far front flipper, behind the shell, in counter phase.
    cairo_save(cr);
    cairo_translate(cr, 44, 38);
    cairo_rotate(cr, -0.3 - 0.5 * strokeAngles[(cel + 2) % 4]);
    cairo_move_to(cr, 0, -5);
    cairo_curve_to(cr, 14, -16, 34, -18, 44, -20);
    cairo_curve_to(cr, 32, -6, 16, 6, 0, 5);
    cairo_close_path(cr);
    source(cr, skinDark);
    fillAndOutline(cr, outline, 1.6);
    cairo_restore(cr);

    // Head and neck.
    cairo_move_to(cr, 40, 36);
    cairo_curve_to(cr, 30, 30, 22, 28, 12, 30);
    cairo_curve_to(cr, 2, 32, 2, 46, 12, 48);
    cairo_curve_to(cr, 22, 50, 32, 50, 42, 52);
    cairo_close_path(cr);
    linear(cr, 0, 28, 0, 52, {{0, skin}, {1, skinDark}});
    fillAndOutline(cr, outline, 1.6);
    for (auto [x, y, r] : {std::tuple{14.0, 34.0, 2.6}, {22.0, 40.0, 2.2}, {30.0, 36.0, 2.4}}) {
        ellipse(cr, x + 4, y, r, r * 0.8);
        source(cr, skinDark);
        cairo_fill(cr);
    }
    eye(cr, 12, 37, 3.2);
    cairo_move_to(cr, 4, 43);
    cairo_line_to(cr, 10, 44);
    source(cr, outline);
    cairo_stroke(cr);

    // Shell: a dome with plates.
    cairo_move_to(cr, 34, 54);
    cairo_curve_to(cr, 34, 22, 58, 10, 80, 10);
    cairo_curve_to(cr, 104, 10, 122, 30, 124, 54);
    cairo_close_path(cr);
    linear(cr, 0, 10, 0, 54, {{0, hex(0x9C6B2E)}, {0.6, hex(0x7A4E1E)}, {1, hex(0x5A3812)}});
    cairo_fill_preserve(cr);
    cairo_save(cr);
    cairo_clip(cr);
    const Colour plate = hex(0xB88A44);
    for (auto [x, y, rx, ry] : {std::tuple{80.0, 24.0, 11.0, 8.0},
                                {60.0, 30.0, 10.0, 9.0},
                                {100.0, 30.0, 10.0, 9.0},
                                {80.0, 42.0, 11.0, 9.0},
                                {50.0, 46.0, 8.0, 7.0},
                                {110.0, 46.0, 8.0, 7.0}}) {
        ellipse(cr, x, y, rx, ry);
        radial(cr, x - 3, y - 3, rx * 1.4, {{0, mix(plate, hex(0xFFFFFF), 0.25)}, {1, plate}});
        fillAndOutline(cr, hex(0x4A2E0E), 1.4);
    }
    cairo_restore(cr);
    cairo_move_to(cr, 34, 54);
    cairo_curve_to(cr, 34, 22, 58, 10, 80, 10);
    cairo_curve_to(cr, 104, 10, 122, 30, 124, 54);
    cairo_close_path(cr);
    source(cr, outline);
    cairo_stroke(cr);
    // Plastron rim.
    cairo_move_to(cr, 32, 54);
    cairo_curve_to(cr, 60, 62, 100, 62, 126, 54);
    cairo_line_to(cr, 124, 52);
    cairo_curve_to(cr, 100, 56, 60, 56, 34, 52);
    cairo_close_path(cr);
    source(cr, hex(0xE2C98A));
    fillAndOutline(cr, outline, 1.4);

    // Near front flipper, in front of everything, rowing.
    cairo_save(cr);
    cairo_translate(cr, 50, 50);
    cairo_rotate(cr, strokeAngles[cel]);
    cairo_scale(cr, 0.85, 0.85);
    cairo_move_to(cr, 0, -6);
    cairo_curve_to(cr, 16, -4, 38, 6, 52, 16);
    cairo_curve_to(cr, 36, 16, 14, 12, 0, 7);
    cairo_close_path(cr);
    linear(cr, 0, -6, 40, 16, {{0, skin}, {1, skinDark}});
    fillAndOutline(cr, outline, 1.6);
    cairo_restore(cr);
}

// ---------------------------------------------------------------------------------------------
// The crab walks sideways: its legs step in turn and its claws bob.

void drawCrab(cairo_t* cr, int width, int height, int cel) {
    const Colour shell = hex(0xE0462A), dark = hex(0x8E1E10), outline = hex(0x3A0A04);
    cairo_scale(cr, width / 72.0, height / 50.0);
    cairo_set_line_width(cr, 1.4);
    const double lift[] = {0, 3, 0, -3};
    // Legs: three a side, alternating pairs lifted.
    for (int side = -1; side <= 1; side += 2) {
        for (int i = 0; i < 3; ++i) {
            const double phase = lift[(cel + i + (side > 0 ? 2 : 0)) % 4];
            const double x0 = 36 + side * (10 + i * 3), y0 = 30 + i * 2;
            const double x1 = 36 + side * (20 + i * 4), y1 = 24 + i * 3 - phase;
            const double x2 = 36 + side * (25 + i * 3), y2 = 46 - phase * 0.6 - i;
            cairo_move_to(cr, x0, y0);
            cairo_line_to(cr, x1, y1);
            cairo_line_to(cr, x2, y2);
            source(cr, outline);
            cairo_set_line_width(cr, 4.2);
            cairo_stroke_preserve(cr);
            source(cr, dark);
            cairo_set_line_width(cr, 2.4);
            cairo_stroke(cr);
        }
    }
    // Claws on arms.
    const double bob[] = {0, -1.5, 0, 1.5};
    for (int side = -1; side <= 1; side += 2) {
        const double b = bob[(cel + (side > 0 ? 1 : 0)) % 4];
        cairo_move_to(cr, 36 + side * 12, 24);
        cairo_line_to(cr, 36 + side * 20, 14 + b);
        source(cr, outline);
        cairo_set_line_width(cr, 4.5);
        cairo_stroke_preserve(cr);
        source(cr, shell);
        cairo_set_line_width(cr, 2.8);
        cairo_stroke(cr);
        cairo_save(cr);
        cairo_translate(cr, 36 + side * 22, 10 + b);
        cairo_scale(cr, side, 1);
        cairo_move_to(cr, -4, 4);
        cairo_curve_to(cr, -8, -4, 0, -10, 6, -6);
        cairo_line_to(cr, 1, -3);
        cairo_line_to(cr, 7, 0);
        cairo_curve_to(cr, 4, 6, -2, 7, -4, 4);
        cairo_close_path(cr);
        linear(cr, 0, -10, 0, 6, {{0, hex(0xFF7050)}, {1, dark}});
        fillAndOutline(cr, outline, 1.3);
        cairo_restore(cr);
    }
    // Eyes on stalks.
    for (int side = -1; side <= 1; side += 2) {
        cairo_move_to(cr, 36 + side * 5, 22);
        cairo_line_to(cr, 36 + side * 6, 13);
        source(cr, outline);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        eye(cr, 36 + side * 6, 12, 2.8);
    }
    // Body.
    ellipse(cr, 36, 30, 17, 11);
    radial(cr, 32, 25, 20, {{0, hex(0xFF7A5A)}, {0.6, shell}, {1, dark}});
    fillAndOutline(cr, outline, 1.5);
    for (double x : {28.0, 36.0, 44.0}) {
        ellipse(cr, x, 27, 1.6, 1.2);
        source(cr, hex(0xFFC0A8), 0.9);
        cairo_fill(cr);
    }
    cairo_move_to(cr, 31, 35);
    cairo_curve_to(cr, 34, 37, 38, 37, 41, 35);
    source(cr, outline);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
}

// ---------------------------------------------------------------------------------------------
// The jellyfish pulses: its bell squeezes and its tentacles trail.

void drawJellyfish(cairo_t* cr, int width, int height, int cel) {
    const double squeeze[] = {1.0, 0.9, 0.8, 0.9};
    const double s = squeeze[cel];
    cairo_scale(cr, width / 56.0, height / 84.0);
    const Colour bell = hex(0xF08CD0), rim = hex(0xB04A98), outline = hex(0x5A1A50);
    cairo_set_line_width(cr, 1.4);
    for (int i = 0; i < 5; ++i) {
        const double x = 28 + (i - 2) * 6 * s;
        cairo_move_to(cr, x, 30);
        const double wave = (i % 2 ? 1 : -1) * (2 + 3 * (1 - s) * 10) * 0.5;
        cairo_curve_to(cr, x + wave, 45, x - wave, 62, x + wave * 0.5, 80 - (1 - s) * 30);
        source(cr, hex(0xFFB8E8));
        cairo_set_line_width(cr, i == 2 ? 3.0 : 1.8);
        cairo_stroke(cr);
    }
    cairo_save(cr);
    cairo_translate(cr, 28, 30);
    cairo_scale(cr, s, 2 - s);
    cairo_move_to(cr, -24, 0);
    cairo_curve_to(cr, -24, -26, 24, -26, 24, 0);
    for (int i = 0; i < 6; ++i) {
        const double x0 = 24 - i * 8;
        cairo_curve_to(cr, x0 - 2, 4, x0 - 6, 4, x0 - 8, 0);
    }
    cairo_close_path(cr);
    radial(cr, -6, -12, 30, {{0, mix(bell, hex(0xFFFFFF), 0.5)}, {0.7, bell}, {1, rim}});
    fillAndOutline(cr, outline, 1.4);
    ellipse(cr, 0, -8, 9, 6);
    source(cr, rim, 0.7);
    cairo_fill(cr);
    cairo_restore(cr);
}

// ---------------------------------------------------------------------------------------------
// Bubbles: a ring, clear inside, with a glint.

void drawBubble(cairo_t* cr, double x, double y, double r) {
    ellipse(cr, x, y, r - 0.8, r - 0.8);
    source(cr, hex(0xCFF4FF));
    cairo_set_line_width(cr, std::max(1.4, r * 0.16));
    cairo_stroke(cr);
    ellipse(cr, x - r * 0.38, y - r * 0.38, r * 0.22 + 0.6, r * 0.18 + 0.6);
    source(cr, hex(0xFFFFFF));
    cairo_fill(cr);
}

// ---------------------------------------------------------------------------------------------
// Things of the sand: a starfish, a snail and a scallop shell.

void drawStarfish(cairo_t* cr, int width, int height) {
    cairo_translate(cr, width / 2.0, height / 2.0 + 1);
    const double R = std::min(width, height) / 2.0 - 2, r = R * 0.42;
    for (int i = 0; i < 10; ++i) {
        const double a = -pi / 2 + i * pi / 5, d = i % 2 ? r : R;
        if (i == 0)
            cairo_move_to(cr, d * std::cos(a), d * std::sin(a));
        else
            cairo_line_to(cr, d * std::cos(a), d * std::sin(a));
    }
    cairo_close_path(cr);
    radial(cr, -2, -2, R, {{0, hex(0xFFB060)}, {1, hex(0xE05A20)}});
    fillAndOutline(cr, hex(0x5A1E08), 1.5);
    Random random(11);
    for (int i = 0; i < 14; ++i) {
        const double a = random.uniform(0, 2 * pi), d = random.uniform(0, R * 0.7);
        ellipse(cr, d * std::cos(a), d * std::sin(a), 1.2, 1.2);
        source(cr, hex(0xFFE0B0));
        cairo_fill(cr);
    }
}

void drawSnail(cairo_t* cr, int width, int height) {
    cairo_scale(cr, width / 48.0, height / 34.0);
    const Colour outline = hex(0x3A2410);
    cairo_move_to(cr, 2, 31);
    cairo_curve_to(cr, 4, 22, 10, 20, 16, 22);
    cairo_line_to(cr, 44, 26);
    cairo_curve_to(cr, 47, 28, 46, 31, 42, 31);
    cairo_close_path(cr);
    source(cr, hex(0xC8B89A));
    fillAndOutline(cr, outline, 1.3);
    for (double x : {6.0, 10.0}) {
        cairo_move_to(cr, x, 23);
        cairo_line_to(cr, x - 3, 14);
        source(cr, outline);
        cairo_set_line_width(cr, 1.3);
        cairo_stroke(cr);
        ellipse(cr, x - 3, 13.5, 1.4, 1.4);
        cairo_fill(cr);
    }
    ellipse(cr, 28, 16, 13, 12);
    radial(cr, 24, 12, 16, {{0, hex(0xF2C27A)}, {1, hex(0xA0642A)}});
    fillAndOutline(cr, outline, 1.4);
    cairo_move_to(cr, 28, 16);
    for (double a = 0; a < 5 * pi; a += 0.2) {
        const double d = 1.2 * a;
        cairo_line_to(cr, 28 + d * std::cos(a), 16 + d * std::sin(a) * 0.92);
    }
    source(cr, hex(0x6A3A14));
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
}

void drawShell(cairo_t* cr, int width, int height) {
    cairo_scale(cr, width / 40.0, height / 34.0);
    cairo_move_to(cr, 20, 32);
    cairo_line_to(cr, 14, 28);
    cairo_curve_to(cr, 0, 22, 2, 2, 20, 2);
    cairo_curve_to(cr, 38, 2, 40, 22, 26, 28);
    cairo_close_path(cr);
    linear(cr, 0, 2, 0, 32, {{0, hex(0xFFE8E0)}, {1, hex(0xF0A090)}});
    fillAndOutline(cr, hex(0x7A3A30), 1.4);
    for (int i = -3; i <= 3; ++i) {
        cairo_move_to(cr, 20, 30);
        cairo_line_to(cr, 20 + i * 5.2, 5 + std::abs(i) * 1.6);
    }
    source(cr, hex(0xC06858));
    cairo_set_line_width(cr, 1.1);
    cairo_stroke(cr);
}

// Fish cels and the sprites they fill.
Sprite fishCel(int number, const char* name, int width, int height, Fish (*look)(), int cel) {
    return {number, name, width, height,
            [look, cel](cairo_t* cr, int w, int h) { drawFish(cr, w, h, look(), cel); }};
}

} // namespace

std::vector<Sprite> sprites() {
    std::vector<Sprite> all;
    const char* swim[] = {"a", "b", "c", "d"};
    for (int cel = 0; cel < 4; ++cel) {
        all.push_back(fishCel(1 + cel, (std::string("butterflyfish-") + swim[cel]).c_str(), 96, 69,
                              butterflyFish, cel));
        all.push_back(fishCel(5 + cel, (std::string("clownfish-") + swim[cel]).c_str(), 64, 38,
                              clownFish, cel));
        all.push_back({9 + cel, std::string("turtle-") + swim[cel], 130, 86,
                       [cel](cairo_t* cr, int w, int h) { drawTurtle(cr, w, h, cel); }});
        all.push_back({18 + cel, std::string("jellyfish-") + swim[cel], 56, 84,
                       [cel](cairo_t* cr, int w, int h) { drawJellyfish(cr, w, h, cel); }});
        all.push_back({22 + cel, std::string("crab-") + swim[cel], 72, 50,
                       [cel](cairo_t* cr, int w, int h) { drawCrab(cr, w, h, cel); }});
        all.push_back(
            fishCel(26 + cel, (std::string("tang-") + swim[cel]).c_str(), 88, 56, blueTang, cel));
        all.push_back(fishCel(30 + cel, (std::string("puffer-") + swim[cel]).c_str(), 66, 56,
                              pufferFish, cel));
    }
    // Single bubbles of five sizes, and clusters of two or three.
    const int bubbleSizes[] = {8, 11, 15, 20, 26};
    for (int i = 0; i < 5; ++i) {
        const int size = bubbleSizes[i];
        all.push_back({13 + i, "bubble-" + std::to_string(size), size, size,
                       [](cairo_t* cr, int w, int) { drawBubble(cr, w / 2.0, w / 2.0, w / 2.0); }});
    }
    for (int i = 0; i < 5; ++i) {
        all.push_back({37 + i, "bubbles-" + std::to_string(i + 1), 24 + 4 * i, 40 + 6 * i,
                       [i](cairo_t* cr, int w, int h) {
                           Random random(100 + i);
                           double y = h;
                           for (int b = 0; b < 3 + i / 2; ++b) {
                               const double r = random.uniform(3.5, 5.0 + i);
                               y -= r + 2;
                               if (y - r < 0) break;
                               drawBubble(cr, random.uniform(r + 1, w - r - 1), y, r);
                               y -= r + random.uniform(1, 6);
                           }
                       }});
    }
    // Small fish that dart across far behind.
    all.push_back({34, "tetra", 34, 14, [](cairo_t* cr, int w, int h) {
                       Fish f = smallFish(hex(0x2060C0), hex(0xD0E8FF), hex(0x40F0FF));
                       drawFish(cr, w, h, f, 0);
                   }});
    all.push_back({35, "damsel", 30, 16, [](cairo_t* cr, int w, int h) {
                       Fish f = smallFish(hex(0xF0D020), hex(0xFFF6B0), hex(0xFFFFFF));
                       drawFish(cr, w, h, f, 1);
                   }});
    all.push_back({36, "cardinal", 32, 15, [](cairo_t* cr, int w, int h) {
                       Fish f = smallFish(hex(0xD02A2A), hex(0xFFB0A0), hex(0xFFE0D0));
                       drawFish(cr, w, h, f, 2);
                   }});
    all.push_back(
        {42, "starfish", 34, 34, [](cairo_t* cr, int w, int h) { drawStarfish(cr, w, h); }});
    all.push_back({43, "snail", 48, 34, [](cairo_t* cr, int w, int h) { drawSnail(cr, w, h); }});
    all.push_back({44, "shell", 40, 34, [](cairo_t* cr, int w, int h) { drawShell(cr, w, h); }});
    // A school of tetras as one picture, for the far distance.
    for (int i = 0; i < 4; ++i) {
        all.push_back(
            {45 + i, "school-" + std::to_string(i + 1), 90, 44, [i](cairo_t* cr, int w, int h) {
                 Random random(300 + i);
                 for (int n = 0; n < 6; ++n) {
                     cairo_save(cr);
                     cairo_translate(cr, random.uniform(0, w - 24), random.uniform(0, h - 10));
                     Fish f = smallFish(hex(0x2060C0), hex(0xD0E8FF), hex(0x40F0FF));
                     drawFish(cr, 24, 10, f, (n + i) % 4);
                     cairo_restore(cr);
                 }
             }});
    }
    std::sort(all.begin(), all.end(),
              [](const Sprite& a, const Sprite& b) { return a.number < b.number; });
    return all;
}

} // namespace demo
