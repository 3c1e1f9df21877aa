#include "saver/SaverPlayer.h"

#include "container/PeResources.h"
#include "player/HostLogic.h"
#include "player/PresentLayout.h"
#include "saver/GdiSections.h"
#include "render/StageSurface.h"
#include "saver/Settings.h"

#include <memory>
#include <new>
#include <string>

namespace cinefold {

namespace {
// The longest path the system's wide-character calls take, in characters.
constexpr std::size_t largestPath = 32768;
} // namespace

SaverPlayer::SaverPlayer() {
    imageStore.useAllocator(gdiSectionAllocator());
    createStagePalette();
}

int SaverPlayer::loadContainer() {
    // The executable's own path, in full: a path of any length the system allows is read, in
    // a buffer that grows until the name fits (GetModuleFileName cuts it off otherwise).
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0) return 1;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= largestPath) return 1;
        path.resize(path.size() * 2);
    }

    HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(offsetResourceId), offsetResourceType);
    if (!info) return 1;
    HGLOBAL resource = LoadResource(nullptr, info);
    if (!resource) return 1;
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(resource));
    // Only the first four bytes are the offset; a shorter resource holds none.
    if (!bytes || SizeofResource(nullptr, info) < 4) return 1;
    DWORD offset =
        DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;

    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    LARGE_INTEGER fileSize;
    if (!GetFileSizeEx(file.get(), &fileSize)) return 1;
    // Nothing behind the offset, or more than a 32-bit size can hold: no container.
    if (fileSize.QuadPart <= LONGLONG(offset) || fileSize.QuadPart - offset > 0xFFFFFFFFLL)
        return 1;
    DWORD size = DWORD(fileSize.QuadPart - offset);

    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size]);
    if (!buffer) return 1;
    LARGE_INTEGER position;
    position.QuadPart = offset;
    DWORD read = 0;
    if (!SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN) ||
        !ReadFile(file.get(), buffer.get(), size, &read, nullptr) || read == 0)
        return 1;
    // A short read keeps what arrived: the walk only looks at the bytes it has.
    adoptContainer(std::move(buffer), read);
    walkChunks();
    return 1;
}

void SaverPlayer::createStagePalette() {
    PALETTEENTRY system[stagePaletteSize] = {};
    {
        WindowDc screen(nullptr);
        GetSystemPaletteEntries(screen, 0, systemColoursAtEachEnd, system);
        GetSystemPaletteEntries(screen, stagePaletteSize - systemColoursAtEachEnd,
                                systemColoursAtEachEnd,
                                system + stagePaletteSize - systemColoursAtEachEnd);
    }

    PaletteColour first[systemColoursAtEachEnd];
    PaletteColour last[systemColoursAtEachEnd];
    for (int i = 0; i < systemColoursAtEachEnd; ++i) {
        const PALETTEENTRY& low = system[i];
        const PALETTEENTRY& high = system[stagePaletteSize - systemColoursAtEachEnd + i];
        first[i] = {low.peRed, low.peGreen, low.peBlue, low.peFlags};
        last[i] = {high.peRed, high.peGreen, high.peBlue, high.peFlags};
    }
    auto colours = stagePaletteColours(first, last);

    stagePalette.reset(createGdiPalette(colours.data(), stagePaletteSize));
}

void SaverPlayer::createStageBitmap() {
    stageBitmap.reset();
    if (!stageSizeUsable(stageWidth, stageHeight)) return;
    stageBitmap.reset(createStageSection(stageWidth, stageHeight));
}

void SaverPlayer::readStretchSetting() {
    std::string setting;
    if (readSetting(stretchSettingName, setting))
        stretchToDesktop = settingMeansStretch(setting.c_str()) ? 1 : 0;
}

} // namespace cinefold
