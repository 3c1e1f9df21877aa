#pragma once
// Damage: the parts of the stage that can differ from the frame composed last. A tracker
// remembers what the last frame drew (the stage's size and colour, the background and its mode,
// each layer's image and rectangle) and compares the Player's current frame with it, so that a
// stage kept from frame to frame needs composing (composeFrame's clipped form) and presenting
// only inside the damage.
//
// What is compared is what each frame draws, never frame numbers: a jump or a random branch to a
// frame that draws the same as the last one damages nothing, and one that moves three sprites
// damages their six rectangles. An image's pixels, mask and palette are those of its slot, which
// change only with a load; the owner of the stage calls reset() after one.

#include "base/Rect.h"
#include "player/Player.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace cinefold {

struct StageDamage {
    // The whole stage can differ; rects then holds the stage itself (nothing for a stage of no
    // pixels).
    bool whole = false;
    // Rectangles inside the stage (left < right, top < bottom), none overlapping another, in no
    // particular order; at most DamageTracker::maxRects of them.
    std::vector<Rect> rects;

    // Nothing on the stage can differ: the last frame can stay as it is.
    bool empty() const { return rects.empty(); }
};

class DamageTracker {
  public:
    // More rectangles than this are merged into fewer, larger ones (the pair whose joining adds
    // the least area first): beyond a few, each costs a presenter more than the pixels it saves.
    static constexpr std::size_t maxRects = 8;

    // The damage of the Player's current frame against the frame this was last given, which
    // the current frame then becomes. The first call, and the first after reset(), gives the
    // whole stage.
    StageDamage next(const Player& player);
    // Forgets the last frame (after a load, or when the stage was drawn on by anything else).
    void reset() { known_ = false; }

  private:
    // What one layer drew: the image number (0 for nothing) and its rectangle.
    struct LayerDrawn {
        std::int32_t image = 0;
        Rect rect;
        friend bool operator==(const LayerDrawn&, const LayerDrawn&) = default;
    };
    // What fills the stage before the layers are drawn.
    struct StageDrawn {
        std::int32_t width = 0, height = 0;
        std::uint32_t backColor = 0;
        std::int32_t backMode = 0;
        std::int32_t background = 0; // the background record's image number, 0 for none
        friend bool operator==(const StageDrawn&, const StageDrawn&) = default;
    };

    bool known_ = false;
    StageDrawn stage_;
    std::array<LayerDrawn, TrackSet::layerCount> layers_{};
};

// Adds r to rects (nothing when r is empty), joining rectangles that overlap into their bounding
// box until none do, then joining the pair whose bounding box adds the least area while there
// are more than maxRects. For a presenter that gathers the damage of frames it did not show.
void addDamage(std::vector<Rect>& rects, const Rect& r, std::size_t maxRects);

} // namespace cinefold
