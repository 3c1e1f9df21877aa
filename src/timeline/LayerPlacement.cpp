#include "timeline/LayerPlacement.h"

#include "base/Arithmetic32.h"

namespace cinefold {

Rect spriteRect(std::int32_t centerX, std::int32_t centerY, std::int32_t width, std::int32_t height,
                std::int32_t flip) {
    std::int32_t left = sub32(centerX, width / 2);
    std::int32_t top = sub32(centerY, height / 2);
    std::int32_t right = sub32(add32(centerX, width), width / 2);
    std::int32_t bottom = sub32(add32(centerY, height), height / 2);
    switch (flip) {
    case 1:
        return {right, top, left, bottom};
    case 2:
        return {left, bottom, right, top};
    case 3:
        return {right, bottom, left, top};
    default:
        return {left, top, right, bottom};
    }
}

LayerPlacement placeLayer(const TrackSet& trackSet, int layer, std::int32_t frame) {
    LayerPlacement p;
    p.record = trackSet.evaluateLayer(layer, frame);
    if (p.record.group != 0) {
        p.usesGroup = true;
        const CelEntry* cel = trackSet.celAt(p.record.group, layer, frame, &p.runStart);
        if (cel) {
            p.image = cel->image;
            p.celSize = {cel->width, cel->height};
        }
        // The record's size is a scale in thousandths of the cel's.
        p.width = div32(mul32(p.celSize.width, p.record.width), 1000);
        p.height = div32(mul32(p.celSize.height, p.record.height), 1000);
    } else {
        p.image = p.record.image;
        p.width = p.record.width;
        p.height = p.record.height;
    }
    p.rect = spriteRect(p.record.centerX, p.record.centerY, p.width, p.height, p.record.flip);
    return p;
}

} // namespace cinefold
