#pragma once
// Small drawing helpers over cairo for the demo's art: colours, gradients, a surface that owns
// its context, and a fixed random sequence so that every build draws the same pictures.

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

namespace demo {

constexpr double pi = 3.14159265358979323846;

struct Colour {
    double r = 0, g = 0, b = 0;
};

constexpr Colour hex(std::uint32_t rgb) {
    return {double((rgb >> 16) & 0xFF) / 255.0, double((rgb >> 8) & 0xFF) / 255.0,
            double(rgb & 0xFF) / 255.0};
}

// t = 0 gives a, t = 1 gives b.
inline Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

inline void source(cairo_t* cr, Colour c, double alpha = 1.0) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

using Stops = std::initializer_list<std::pair<double, Colour>>;

// Sets a linear gradient from (x0, y0) to (x1, y1) as the source.
inline void linear(cairo_t* cr, double x0, double y0, double x1, double y1, Stops stops,
                   double alpha = 1.0) {
    cairo_pattern_t* p = cairo_pattern_create_linear(x0, y0, x1, y1);
    for (const auto& [at, c] : stops)
        cairo_pattern_add_color_stop_rgba(p, at, c.r, c.g, c.b, alpha);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

// Sets a radial gradient around (x, y) out to radius r as the source.
inline void radial(cairo_t* cr, double x, double y, double r, Stops stops, double alpha = 1.0) {
    cairo_pattern_t* p = cairo_pattern_create_radial(x, y, 0, x, y, r);
    for (const auto& [at, c] : stops)
        cairo_pattern_add_color_stop_rgba(p, at, c.r, c.g, c.b, alpha);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

inline void ellipse(cairo_t* cr, double x, double y, double rx, double ry) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, rx, ry);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * pi);
    cairo_restore(cr);
}

// Fills the current path with the source, then strokes it in `outline`, and clears the path.
inline void fillAndOutline(cairo_t* cr, Colour outline, double width) {
    cairo_fill_preserve(cr);
    source(cr, outline);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

// An ARGB surface with its context; pictures start fully transparent.
class Canvas {
  public:
    Canvas(int width, int height, cairo_format_t format = CAIRO_FORMAT_ARGB32)
        : surface_(cairo_image_surface_create(format, width, height)), cr_(cairo_create(surface_)) {
        cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    }
    ~Canvas() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* cr() const { return cr_; }
    cairo_surface_t* surface() const { return surface_; }
    bool writePng(const std::string& path) const {
        cairo_surface_flush(surface_);
        return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
    }

  private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

// xorshift32, seeded per picture, so the speckles and pebbles fall in the same places on every
// machine.
class Random {
  public:
    explicit Random(std::uint32_t seed) : state_(seed ? seed : 1) {}
    std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // Uniform in [lo, hi).
    double uniform(double lo, double hi) {
        return lo + (hi - lo) * double(next() >> 8) / double(1u << 24);
    }

  private:
    std::uint32_t state_;
};

} // namespace demo
