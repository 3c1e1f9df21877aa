#pragma once
// The saver's Player on Windows: the portable Player, plus what only the saver has. It reads the
// container from its own executable, owns the stage palette and the stage bitmap, and takes the
// stretch option from the settings store. A Player made anywhere else (the tools, the native
// tests) is a plain Player and makes no graphics object.

#include "player/Damage.h"
#include "player/Player.h"
#include "saver/Owners.h"

#include <windows.h>

#include <vector>

namespace cinefold {

class SaverPlayer final : public Player {
  public:
    // Builds the stage palette; the stage bitmap waits for the window.
    SaverPlayer();

    // The container behind the saver's own executable, located by the offset resource, then
    // walked. Whatever fails leaves the defaults in place. Returns 1.
    int loadContainer();

    // The 256-entry stage palette, built once at construction, and the 24-bit stage bitmap of
    // the loaded stage size, made when the window is created. A stage size the saver cannot use
    // leaves stageBitmap empty, and nothing is presented.
    void createStagePalette();
    void createStageBitmap();

    // Sets stretchToDesktop from the stored option; an absent option leaves it as it is.
    void readStretchSetting();

    GdiObject<HPALETTE> stagePalette;
    GdiObject<HBITMAP> stageBitmap;
    // The stage bitmap is kept from paint to paint. The tracker holds the frame it was last
    // given; staleStage, the stage rectangles that the bitmap does not show yet, gathered from
    // the frames' damage until a paint composes them.
    DamageTracker damage;
    std::vector<Rect> staleStage;
};

} // namespace cinefold
