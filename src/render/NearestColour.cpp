#include "render/NearestColour.h"

namespace cinefold {

int nearestPaletteIndex(const PaletteColour* colours, int count, std::uint8_t red,
                        std::uint8_t green, std::uint8_t blue) {
    int best = 0;
    int bestDistance = 0x7FFFFFFF;
    // An exact match cannot be beaten, so the search stops there.
    for (int i = 0; i < count && bestDistance != 0; ++i) {
        int r = colours[i].red - red;
        int g = colours[i].green - green;
        int b = colours[i].blue - blue;
        int distance = r * r + g * g + b * b;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace cinefold
