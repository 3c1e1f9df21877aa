#pragma once
// The one path by which the Linux saver and player put frames on an X window. It keeps an image
// of the window's size in the server's pixel format, lets presentStage draw the composed stage
// into it by the saver's geometry, and sends it to the window: through shared memory when the
// server offers MIT-SHM and runs on this machine, by the plain protocol otherwise. A repaint
// after Expose sends the image again without drawing, and a resize makes a new image.

#include "linux/IncrementalPresent.h"
#include "player/PlaybackLoop.h"
#include "render/SoftCanvas.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace cinefold {

// What the window stands for when the saver's geometry decides between full screen and preview.
enum class WindowRole {
    // The window is the screen: the stage is centred or stretched within it (a window of the
    // program's own, or a player window).
    screen,
    // A window handed to the saver: it is a screen (or one monitor of one) unless it is much
    // smaller than the X screen, which is how a settings dialog's preview looks. See previewSized.
    given,
};

class X11Presenter {
  public:
    X11Presenter(Display* display, Window window, WindowRole role);
    ~X11Presenter();
    X11Presenter(const X11Presenter&) = delete;
    X11Presenter& operator=(const X11Presenter&) = delete;

    // Follows a new window size (from ConfigureNotify): a new image when the size changed. True
    // when it did; the caller then presents again.
    bool resize(int width, int height);
    // Draws the loop's damage (the stage rectangles that changed since the last present) into
    // the image as the saver places the stage, sends the parts of the image that show it, and
    // clears the damage: nothing is sent when no damage shows, the whole image after a resize.
    void present(PlaybackLoop& loop);
    // Sends the given part of the image again (Expose): the last presented frame, not composed
    // or drawn anew.
    void repaint(int x, int y, int width, int height);

    Window window() const { return window_; }
    int width() const { return width_; }
    int height() const { return height_; }
    bool sharedMemory() const { return shm_.shmid >= 0; }
    // True when the image is in the 0x00RRGGBB layout that presentStage writes directly.
    bool directPixels() const { return direct_; }

  private:
    void createImage();
    void destroyImage();
    bool attachSharedImage();
    void convertPixels(const Rect& area);
    unsigned long serverPixel(std::uint32_t rgb);
    unsigned long nearestCell(const XColor& wanted);
    void put(int x, int y, int width, int height);
    // Waits until the server has read the shared image, which the next frame draws into.
    void finishPut();

    Display* display_;
    Window window_;
    WindowRole role_;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    Colormap colormap_ = 0;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    int width_ = 0;
    int height_ = 0;
    GC gc_ = nullptr;
    XImage* image_ = nullptr;
    XShmSegmentInfo shm_{};
    bool shmUsable_ = false;
    bool direct_ = false;
    IncrementalPresent incremental_;
    // Where presentStage draws when the image's format is not 0x00RRGGBB words: converted pixel
    // by pixel afterwards, with the server's pixel for each colour remembered.
    std::vector<std::uint8_t> staging_;
    std::unordered_map<std::uint32_t, unsigned long> pixelCache_;
    std::vector<XColor> cells_;
};

// True when a window of this size on a screen of that size gets the preview rule: it is less
// than half the screen's width and less than half its height. A full-screen window on one of
// several monitors is as tall or as wide as the screen, a settings dialog's preview is neither.
bool previewSized(int width, int height, int screenWidth, int screenHeight);

} // namespace cinefold
