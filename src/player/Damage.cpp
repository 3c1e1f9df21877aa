#include "player/Damage.h"

#include "render/DrawingGeometry.h"
#include "render/ImageStore.h"
#include "timeline/LayerPlacement.h"

#include <algorithm>
#include <limits>

namespace cinefold {

namespace {

bool emptyRect(const Rect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

Rect boundingBox(const Rect& a, const Rect& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

std::int64_t area(const Rect& r) {
    return std::int64_t(r.right - r.left) * (r.bottom - r.top);
}

// The image number a slot draws from: 0 where nothing is drawn.
std::int32_t drawnImage(const Player& player, std::int32_t image) {
    if (image < 1 || image > ImageStore::slotCount) return 0;
    const ImageEntry* entry = player.imageStore.entry(image - 1);
    return entry && entry->drawBitmap ? image : 0;
}

} // namespace

void addDamage(std::vector<Rect>& rects, const Rect& r, std::size_t maxRects) {
    if (emptyRect(r)) return;
    // Joining two rectangles can make the box overlap others: keep joining until it meets none.
    Rect joined = r;
    for (bool grew = true; grew;) {
        grew = false;
        for (std::size_t i = 0; i < rects.size(); ++i) {
            if (!overlap(joined, rects[i])) continue;
            joined = boundingBox(joined, rects[i]);
            rects[i] = rects.back();
            rects.pop_back();
            grew = true;
            break;
        }
    }
    rects.push_back(joined);
    if (rects.size() <= std::max<std::size_t>(maxRects, 1)) return;

    std::size_t bestA = 0, bestB = 1;
    std::int64_t bestGrowth = std::numeric_limits<std::int64_t>::max();
    for (std::size_t a = 0; a < rects.size(); ++a)
        for (std::size_t b = a + 1; b < rects.size(); ++b) {
            const std::int64_t growth =
                area(boundingBox(rects[a], rects[b])) - area(rects[a]) - area(rects[b]);
            if (growth < bestGrowth) {
                bestGrowth = growth;
                bestA = a;
                bestB = b;
            }
        }
    // The joined pair goes in again as a new rectangle, so that whatever it now overlaps joins it.
    const Rect pair = boundingBox(rects[bestA], rects[bestB]);
    rects.erase(rects.begin() + std::ptrdiff_t(bestB));
    rects.erase(rects.begin() + std::ptrdiff_t(bestA));
    addDamage(rects, pair, maxRects);
}

StageDamage DamageTracker::next(const Player& player) {
    const std::int32_t frame = player.currentFrame;
    StageDrawn stage{player.stageWidth, player.stageHeight, player.backColor, player.backMode,
                     drawnImage(player, player.trackSet.evaluateBackground(frame).image)};
    std::array<LayerDrawn, TrackSet::layerCount> layers{};
    for (int layer = 1; layer < TrackSet::layerCount; ++layer) {
        const LayerPlacement placement = placeLayer(player.trackSet, layer, frame);
        const std::int32_t image = drawnImage(player, placement.image);
        if (image != 0) layers[std::size_t(layer)] = {image, placement.rect};
    }

    StageDamage damage;
    const Rect whole{0, 0, std::max(stage.width, 0), std::max(stage.height, 0)};
    if (!known_ || !(stage == stage_)) {
        damage.whole = true;
        if (!emptyRect(whole)) damage.rects.push_back(whole);
    } else {
        for (int layer = 1; layer < TrackSet::layerCount; ++layer) {
            const LayerDrawn& before = layers_[std::size_t(layer)];
            const LayerDrawn& now = layers[std::size_t(layer)];
            if (before == now) continue;
            if (before.image != 0)
                addDamage(damage.rects, spriteBounds(before.rect, stage.width, stage.height),
                          maxRects);
            if (now.image != 0)
                addDamage(damage.rects, spriteBounds(now.rect, stage.width, stage.height),
                          maxRects);
        }
        damage.whole = damage.rects.size() == 1 && damage.rects[0] == whole;
    }
    known_ = true;
    stage_ = stage;
    layers_ = layers;
    return damage;
}

} // namespace cinefold
