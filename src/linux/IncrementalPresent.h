#pragma once
// Presents successive stages into one 32-bit picture, redrawing only what changed. Most of a
// frame's cost at full-screen sizes is writing the enlarged picture and sending it to the
// server, while a frame of a typical animation changes only a few rectangles of the stage (its
// damage, from the playback loop): as long as the picture and the geometry are those of the last
// present, only the window rectangles that show the damage are drawn again, each clipped from
// the whole-window transfer so that it gets the pixels a full present gives.

#include "base/Rect.h"
#include "linux/PixelTarget32.h"
#include "player/Player.h"
#include "render/SoftCanvas.h"

#include <cstdint>
#include <span>
#include <vector>

namespace cinefold {

class IncrementalPresent {
  public:
    // Presents the stage into the picture (width x height pixels, rows rowBytes apart) as the
    // saver places it on a screen of screenWidth x screenHeight, and returns the rectangles of
    // the picture that were drawn: none when nothing in the damage shows, the whole picture when
    // it is new or the geometry changed. damage holds the stage rectangles that changed since
    // the last present.
    const std::vector<Rect>& present(const Player& player, const SoftCanvas& stage,
                                     std::span<const Rect> damage, std::uint8_t* pixels,
                                     std::int32_t width, std::int32_t height,
                                     std::uint32_t rowBytes, std::int32_t screenWidth,
                                     std::int32_t screenHeight);
    // The picture was replaced: the next present draws it all, on black.
    void forget() { shownValid_ = false; }

  private:
    // Everything that decides where each stage pixel lands in the picture.
    struct Geometry {
        const std::uint8_t* pixels = nullptr;
        std::int32_t width = 0, height = 0, screenWidth = 0, screenHeight = 0;
        std::int32_t stageWidth = 0, stageHeight = 0;
        int stretch = 0;
        bool operator==(const Geometry&) const = default;
    };

    Geometry shownGeometry_;
    bool shownValid_ = false;
    std::vector<Rect> drawn_;
};

} // namespace cinefold
