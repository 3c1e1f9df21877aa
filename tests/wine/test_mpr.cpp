// A stand-in for the 95 family's network provider module, "MPR.DLL", that the Wine tests
// place beside the saver. Its "PwdChangePasswordA" records its four arguments, and the
// module records its loading and unloading, in the file named by the environment variable
// CINEFOLD_TEST_LOG.

#include <windows.h>

#include <cstdio>

namespace {

void record(const char* line) {
    char path[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA("CINEFOLD_TEST_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, DWORD(lstrlenA(line)), &written, nullptr);
    CloseHandle(file);
}

} // namespace

extern "C" __declspec(dllexport) DWORD WINAPI
    PwdChangePasswordA(LPCSTR provider, HWND parent, DWORD reserved1, DWORD reserved2) {
    char line[400];
    std::snprintf(line, sizeof line, "change provider=%.200s window=%lu reserved=%lu,%lu\n",
                  provider ? provider : "(null)", static_cast<unsigned long>(UINT_PTR(parent)),
                  static_cast<unsigned long>(reserved1), static_cast<unsigned long>(reserved2));
    record(line);
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) record("provider-module loaded\n");
    if (reason == DLL_PROCESS_DETACH)
        record(reserved ? "provider-module unloaded-at-exit\n" : "provider-module freed\n");
    return TRUE;
}
