#pragma once
// The aquarium behind the creatures: water lit from above, light rays, far rocks, kelp, coral,
// sand and an old anchor. Drawn in full colour; Palette.h reduces it to the 256 colours that
// the container's background image carries.

#include <cstdint>
#include <vector>

namespace demo {

// RGB, three bytes a pixel, rows top first.
std::vector<std::uint8_t> drawBackground(int& width, int& height);

} // namespace demo
