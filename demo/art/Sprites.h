#pragma once
// The demo's sprites: the creatures of the aquarium, each cel a picture of its own, drawn facing
// left. A creature swims to the right through the mirrored twin of its cel group.

#include <cairo.h>

#include <functional>
#include <string>
#include <vector>

namespace demo {

struct Sprite {
    int number = 0;   // the image number in the project
    std::string name; // the file is NN-name.png
    int width = 0;
    int height = 0;
    std::function<void(cairo_t*, int width, int height)> draw;
};

std::vector<Sprite> sprites();

} // namespace demo
