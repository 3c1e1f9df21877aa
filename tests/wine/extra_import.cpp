// A Windows GUI program that imports SHELL32, which the saver must never import. The
// import-table check runs on it to show that it rejects such a program.

#include <windows.h>

#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return ShellExecuteA(nullptr, nullptr, nullptr, nullptr, nullptr, SW_HIDE) ? 0 : 1;
}
