// The saver's load: the container behind its own executable, located by the "RC_DATA" 107
// resource. Whatever fails leaves the Player with its defaults; nothing is shown.

#include "player/Player.h"

#include <windows.h>

namespace cinefold {

namespace {
// Closes a file handle on every path.
struct FileHandle {
    HANDLE handle;
    ~FileHandle() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
} // namespace

int Player::loadContainer() {
    char path[512];
    DWORD pathLength = GetModuleFileNameA(nullptr, path, sizeof path);
    if (pathLength == 0 || pathLength >= sizeof path) return 1;

    HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(107), "RC_DATA");
    if (!info) return 1;
    HGLOBAL resource = LoadResource(nullptr, info);
    if (!resource) return 1;
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(resource));
    // Only the first four bytes are the offset; a shorter resource holds none.
    if (!bytes || SizeofResource(nullptr, info) < 4) return 1;
    DWORD offset =
        DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;

    FileHandle file{CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) return 1;
    LARGE_INTEGER fileSize;
    if (!GetFileSizeEx(file.handle, &fileSize)) return 1;
    // Nothing behind the offset, or more than a 32-bit size can hold: no container.
    if (fileSize.QuadPart <= LONGLONG(offset) || fileSize.QuadPart - offset > 0xFFFFFFFFLL)
        return 1;
    DWORD size = DWORD(fileSize.QuadPart - offset);

    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size]);
    if (!buffer) return 1;
    LARGE_INTEGER position;
    position.QuadPart = offset;
    DWORD read = 0;
    if (!SetFilePointerEx(file.handle, position, nullptr, FILE_BEGIN) ||
        !ReadFile(file.handle, buffer.get(), size, &read, nullptr) || read == 0)
        return 1;
    // A short read keeps what arrived: the walk only looks at the bytes it has.
    adoptContainer(std::move(buffer), read);
    walkChunks();
    return 1;
}

} // namespace cinefold
