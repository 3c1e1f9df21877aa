#pragma once
// Scoped owners for the Win32 objects that the saver acquires and must give back: device
// contexts, objects selected into them, GDI objects, palette selections, registry keys and
// loaded modules. Each owner gives its object back when it goes out of scope, so every path out
// of a function releases what it acquired, early returns included.
//
// Objects declared in the order they are acquired are destroyed in the reverse order, which is
// the order Win32 needs: a selection is undone before its DC is deleted, and a bitmap is deleted
// only after the selection that held it has put the previous object back. A function that
// declares, for example, a WindowDc, then a MemoryDc compatible with it, then a Selection into
// the memory DC releases the selection, the memory DC and the window's DC, in that order.
//
// The owners are move-only: an object has one owner at a time, and a moved-from owner holds
// nothing and releases nothing.

#include <windows.h>

#include <utility>

namespace cinefold {

// One handle and the call that gives it back; a null handle is nothing owned. Release is a
// stateless function object, so that the owner is as small as the handle.
template <typename Handle, typename Release> class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // Gives up ownership without releasing: the caller now owns the handle.
    Handle release() { return std::exchange(handle_, nullptr); }

    // Releases what is owned and takes the new handle, which may be null.
    void reset(Handle handle = nullptr) {
        Handle old = std::exchange(handle_, handle);
        if (old) Release{}(old);
    }

  private:
    Handle handle_ = nullptr;
};

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DeleteMemoryDc {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct CloseRegistryKey {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
struct FreeModule {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct CloseFile {
    void operator()(HANDLE file) const { CloseHandle(file); }
};

// A bitmap, palette, brush or other GDI object, deleted with DeleteObject. It must not be
// selected into a DC when it is deleted; declaring it before the Selection that holds it makes
// sure of that.
template <typename Object> using GdiObject = UniqueHandle<Object, DeleteGdiObject>;

// A memory DC made by CreateCompatibleDC and deleted with DeleteDC. It converts to HDC because
// it is passed to every drawing call.
class MemoryDc : public UniqueHandle<HDC, DeleteMemoryDc> {
  public:
    explicit MemoryDc(HDC compatibleWith)
        : UniqueHandle<HDC, DeleteMemoryDc>(CreateCompatibleDC(compatibleWith)) {}
    operator HDC() const { return get(); }
};

// The DC of a window from GetDC, or of the whole screen with a null window, given back with
// ReleaseDC to the same window.
class WindowDc {
  public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDc(WindowDc&& other) noexcept
        : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDc& operator=(WindowDc&&) = delete;
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }

    HDC get() const { return dc_; }
    operator HDC() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// Something put into a DC in place of what it held, and put back when the scope ends. Put is a
// stateless function object that puts an object into a DC and returns the one it replaced, or
// null when it failed; nothing is put back after a failure.
template <typename Object, typename Put> class Replacement {
  public:
    Replacement(HDC dc, Object object) : dc_(dc), previous_(Put{}(dc, object)) {}
    Replacement(Replacement&& other) noexcept
        : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
    Replacement& operator=(Replacement&&) = delete;
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;
    ~Replacement() {
        if (previous_) Put{}(dc_, previous_);
    }

  protected:
    HDC dc_;

  private:
    Object previous_;
};

struct SelectGdiObject {
    HGDIOBJ operator()(HDC dc, HGDIOBJ object) const {
        HGDIOBJ previous = SelectObject(dc, object);
        return previous == HGDI_ERROR ? nullptr : previous;
    }
};
// The palette goes in as the foreground palette, and so does the one put back.
struct SelectForegroundPalette {
    HPALETTE operator()(HDC dc, HPALETTE palette) const {
        return SelectPalette(dc, palette, FALSE);
    }
};

// An object selected into a DC with SelectObject; the object it replaced is selected back when
// the selection ends.
using Selection = Replacement<HGDIOBJ, SelectGdiObject>;

// A palette selected into a DC as the foreground palette. The palette it replaced is selected
// back as the foreground palette when the selection ends, and is not realised again: the DC is
// given back right after, and the next paint realises its own palette.
class PaletteSelection : public Replacement<HPALETTE, SelectForegroundPalette> {
  public:
    PaletteSelection(HDC dc, HPALETTE palette)
        : Replacement<HPALETTE, SelectForegroundPalette>(dc, palette) {}

    // Maps the selected palette's colours into the system palette; returns how many changed.
    UINT realize() const { return RealizePalette(dc_); }
};

// An open registry key, closed with RegCloseKey. A key that could not be opened or created is an
// empty owner.
class RegistryKey : public UniqueHandle<HKEY, CloseRegistryKey> {
  public:
    RegistryKey() = default;

    // RegOpenKeyA: the key must exist already.
    static RegistryKey open(HKEY parent, const char* name) {
        HKEY key = nullptr;
        return RegistryKey(RegOpenKeyA(parent, name, &key) == ERROR_SUCCESS ? key : nullptr);
    }
    // RegCreateKeyA: the key is made when it does not exist yet.
    static RegistryKey create(HKEY parent, const char* name) {
        HKEY key = nullptr;
        return RegistryKey(RegCreateKeyA(parent, name, &key) == ERROR_SUCCESS ? key : nullptr);
    }

  private:
    explicit RegistryKey(HKEY key) : UniqueHandle<HKEY, CloseRegistryKey>(key) {}
};

// An entry point of a module reached by name, as the function type it is known to have; null
// when the module has no such entry.
template <typename Function> Function entryPoint(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A module loaded with LoadLibraryA and freed with FreeLibrary. Entry points taken from it must
// not be called after it is freed.
class LoadedModule : public UniqueHandle<HMODULE, FreeModule> {
  public:
    LoadedModule() = default;
    explicit LoadedModule(const char* name)
        : UniqueHandle<HMODULE, FreeModule>(LoadLibraryA(name)) {}

    template <typename Function> Function entry(const char* name) const {
        return entryPoint<Function>(get(), name);
    }
};

// A file opened with CreateFileA. Made from INVALID_HANDLE_VALUE, the failed open, it owns
// nothing.
class FileHandle : public UniqueHandle<HANDLE, CloseFile> {
  public:
    explicit FileHandle(HANDLE file)
        : UniqueHandle<HANDLE, CloseFile>(file == INVALID_HANDLE_VALUE ? nullptr : file) {}
};

} // namespace cinefold
