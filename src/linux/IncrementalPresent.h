#pragma once
// Presents successive stages into one 32-bit picture, redrawing only what changed. Most of a
// frame's cost at full-screen sizes is writing the enlarged picture, while a frame of a typical
// animation changes only some rows of the stage: a destination row that shows a stage row equal
// to the one presented last already holds the right pixels, as long as the picture and the
// geometry are those of the last present. The preview redraws everything, since it draws from a
// screen-sized picture, not from the stage.

#include "base/Rect.h"
#include "linux/PixelTarget32.h"
#include "player/Player.h"
#include "render/SoftCanvas.h"

#include <cstdint>
#include <vector>

namespace cinefold {

class IncrementalPresent {
  public:
    // Presents the stage into the picture (width x height pixels, rows rowBytes apart) as the
    // saver places it on a screen of screenWidth x screenHeight, and returns the rows that
    // changed.
    RowRange present(const Player& player, const SoftCanvas& stage, std::uint8_t* pixels,
                     std::int32_t width, std::int32_t height, std::uint32_t rowBytes,
                     std::int32_t screenWidth, std::int32_t screenHeight);
    // The picture was replaced: the next present draws it all, on black.
    void forget() { shownValid_ = false; }

  private:
    // Everything that decides where each stage row lands in the picture.
    struct Geometry {
        const std::uint8_t* pixels = nullptr;
        std::int32_t width = 0, height = 0, screenWidth = 0, screenHeight = 0;
        std::int32_t stageWidth = 0, stageHeight = 0;
        int stretch = 0;
        bool operator==(const Geometry&) const = default;
    };

    Geometry shownGeometry_;
    bool shownValid_ = false;
    std::vector<std::uint8_t> shownStage_; // the stage's bytes as presented last
    std::vector<std::uint8_t> unchanged_;  // per stage row: 1 when equal to shownStage_'s
};

} // namespace cinefold
