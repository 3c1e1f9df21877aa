#pragma once
// Where and how a layer is drawn at a frame: its record, the image it shows (its own or its cel
// group's), the drawn size and the sprite rectangle. Plain integer arithmetic, shared by the
// compositor and the tools.

#include "base/Rect.h"
#include "timeline/CelGroups.h"
#include "timeline/KeyRecord.h"
#include "timeline/TrackSet.h"

#include <cstdint>

namespace cinefold {

// The rectangle of a picture of width x height centred at (centerX, centerY), with halves
// truncated toward zero (an odd size puts the extra pixel on the right and bottom), then
// mirrored by the flip code: 1 left to right, 2 top to bottom, 3 both, anything else as 0.
Rect spriteRect(std::int32_t centerX, std::int32_t centerY, std::int32_t width, std::int32_t height,
                std::int32_t flip);

struct LayerPlacement {
    KeyRecord record;          // what the track shows
    std::int32_t image = 0;    // the image drawn: the cel's where the record names a group
    bool usesGroup = false;    // the record names a group
    std::int32_t runStart = 0; // with a group: where the layer's showing of it began
    CelSize celSize;           // with a group: the cel's size, (0, 0) for none
    std::int32_t width = 0;    // drawn size: cel size x record size / 1000 with a group,
    std::int32_t height = 0;   // the record's own size in pixels without
    Rect rect;                 // after the flip

    // Only image numbers 1..100 are drawn (and only when the store holds the image).
    bool hasImageNumber() const { return image >= 1 && image <= 100; }
};

LayerPlacement placeLayer(const TrackSet& trackSet, int layer, std::int32_t frame);

} // namespace cinefold
