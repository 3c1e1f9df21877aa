// The settings store. Reading creates the key when it does not exist yet, so the first start of
// the saver leaves an empty key behind.

#include "saver/Settings.h"

#include "saver/Owners.h"

#include <cstring>
#include <memory>

namespace cinefold {

namespace {

const char settingsKeyName[] = "Software\\Quillmark\\CinefoldScreenSaver";

// A value is hand-editable, so it may hold far more than the one character the saver stores.
// The whole value is read, up to this size; a larger one is treated as absent rather than
// allocated.
constexpr DWORD largestSettingSize = DWORD(1) << 20;

} // namespace

int readSetting(const char* valueName, std::string& text) {
    text.clear();
    RegistryKey key = RegistryKey::create(HKEY_CURRENT_USER, settingsKeyName);
    if (!key) return 0;

    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size > largestSettingSize) {
        size = 0;
    }
    if (size != 0) {
        // One byte more than the value needs, so that the buffer is never empty.
        std::unique_ptr<char[]> buffer(new char[size + 1]());
        DWORD readSize = size;
        if (RegQueryValueExA(key.get(), valueName, nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.get()), &readSize) == ERROR_SUCCESS &&
            readSize <= size) {
            size = readSize;
            text.assign(buffer.get(), size);
        } else {
            // The value changed between the two queries: nothing usable was read.
            size = 0;
        }
    }
    return size != 0 ? 1 : 0;
}

int writeSetting(const char* valueName, const char* text) {
    RegistryKey key = RegistryKey::create(HKEY_CURRENT_USER, settingsKeyName);
    if (!key) return 0;
    // A REG_SZ value's data includes its terminating zero; readers that take the data as a C
    // string rely on it.
    return RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          DWORD(std::strlen(text) + 1)) == ERROR_SUCCESS
               ? 1
               : 0;
}

} // namespace cinefold
