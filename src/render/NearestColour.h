#pragma once
// The palette entry nearest to a colour, as the system's GetNearestPaletteIndex finds it. Mask
// preparation asks it for black in each palette image's own palette, on every platform, so the
// tool and the saver paint the same index into transparent pixels.

#include "render/StageSurface.h"

#include <cstdint>

namespace cinefold {

// The index of the entry with the smallest squared distance (red, green and blue differences
// squared and summed); among equally near entries the first wins. An empty palette gives 0.
int nearestPaletteIndex(const PaletteColour* colours, int count, std::uint8_t red,
                        std::uint8_t green, std::uint8_t blue);

} // namespace cinefold
