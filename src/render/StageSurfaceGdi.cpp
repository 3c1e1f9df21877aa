// The Player's graphics objects: the stage palette and the stage bitmap.

#include "player/PresentLayout.h"
#include "player/Player.h"
#include "render/StageSurface.h"

#include <windows.h>

namespace cinefold {

void Player::createStagePalette() {
    PALETTEENTRY system[stagePaletteSize] = {};
    HDC screen = GetDC(nullptr);
    GetSystemPaletteEntries(screen, 0, systemColoursAtEachEnd, system);
    GetSystemPaletteEntries(screen, stagePaletteSize - systemColoursAtEachEnd,
                            systemColoursAtEachEnd,
                            system + stagePaletteSize - systemColoursAtEachEnd);
    ReleaseDC(nullptr, screen);

    PaletteColour first[systemColoursAtEachEnd];
    PaletteColour last[systemColoursAtEachEnd];
    for (int i = 0; i < systemColoursAtEachEnd; ++i) {
        const PALETTEENTRY& low = system[i];
        const PALETTEENTRY& high = system[stagePaletteSize - systemColoursAtEachEnd + i];
        first[i] = {low.peRed, low.peGreen, low.peBlue, low.peFlags};
        last[i] = {high.peRed, high.peGreen, high.peBlue, high.peFlags};
    }
    auto colours = stagePaletteColours(first, last);

    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[stagePaletteSize];
    } logical = {0x300, stagePaletteSize, {}};
    for (int i = 0; i < stagePaletteSize; ++i)
        logical.entries[i] = {colours[i].red, colours[i].green, colours[i].blue,
                              colours[i].flags};
    stagePalette = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&logical));
}

void Player::createStageBitmap() {
    if (stageBitmap) {
        DeleteObject(static_cast<HBITMAP>(stageBitmap));
        stageBitmap = nullptr;
    }
    if (!stageSizeUsable(stageWidth, stageHeight)) return;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = stageWidth;
    info.bmiHeader.biHeight = stageHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    stageBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
}

void Player::releaseGraphics() {
    if (stageBitmap) DeleteObject(static_cast<HBITMAP>(stageBitmap));
    if (stagePalette) DeleteObject(static_cast<HPALETTE>(stagePalette));
    stageBitmap = nullptr;
    stagePalette = nullptr;
}

} // namespace cinefold
