#include "linux/X11Presenter.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace cinefold {

namespace {

// The largest image the presenter makes (an 8K screen at four bytes a pixel is 127 MiB): a
// window of any size the server allows must not make it allocate without bound.
constexpr std::uint64_t largestImageBytes = std::uint64_t(1) << 28;

// Set by trapErrors while the shared memory segment is being attached: a server on another
// machine, or one that cannot reach the segment, refuses the attach with an error event.
bool attachFailed = false;
int trapErrors(Display*, XErrorEvent*) {
    attachFailed = true;
    return 0;
}

// Shared memory reaches only a server on this machine: a display name without a host part.
bool displayIsLocal(Display* display) {
    const char* name = DisplayString(display);
    return name != nullptr && (name[0] == ':' || std::strncmp(name, "unix:", 5) == 0);
}

// An 8-bit channel value placed in a TrueColor mask of any width and position.
unsigned long channel(std::uint32_t value, unsigned long mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long scaled = bits >= 8 ? value << (bits - 8) : value >> (8 - bits);
    return (scaled << shift) & mask;
}

} // namespace

bool previewSized(int width, int height, int screenWidth, int screenHeight) {
    return width * 2 < screenWidth && height * 2 < screenHeight;
}

X11Presenter::X11Presenter(Display* display, Window window, WindowRole role)
    : display_(display), window_(window), role_(role) {
    shm_.shmid = -1;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, window_, &attributes)) return;
    visual_ = attributes.visual;
    depth_ = attributes.depth;
    colormap_ = attributes.colormap;
    screenWidth_ = WidthOfScreen(attributes.screen);
    screenHeight_ = HeightOfScreen(attributes.screen);
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    shmUsable_ = XShmQueryExtension(display_) && displayIsLocal(display_);
    width_ = attributes.width;
    height_ = attributes.height;
    createImage();
}

X11Presenter::~X11Presenter() {
    destroyImage();
    if (gc_) XFreeGC(display_, gc_);
}

void X11Presenter::createImage() {
    incremental_.forget();
    if (width_ <= 0 || height_ <= 0 || visual_ == nullptr) return;
    if (std::uint64_t(width_) * std::uint64_t(height_) * 4 > largestImageBytes) return;
    if (!shmUsable_ || !attachSharedImage()) {
        image_ = XCreateImage(display_, visual_, unsigned(depth_), ZPixmap, 0, nullptr,
                              unsigned(width_), unsigned(height_), 32, 0);
        if (image_ == nullptr) return;
        // XDestroyImage frees the pixels with free().
        image_->data =
            static_cast<char*>(std::calloc(std::size_t(image_->bytes_per_line), height_));
        if (image_->data == nullptr) {
            XDestroyImage(image_);
            image_ = nullptr;
            return;
        }
    }
    direct_ = image_->bits_per_pixel == 32 && image_->byte_order == LSBFirst &&
              visual_->red_mask == 0xFF0000 && visual_->green_mask == 0xFF00 &&
              visual_->blue_mask == 0xFF;
    if (direct_)
        staging_ = {};
    else
        staging_.assign(std::size_t(width_) * std::size_t(height_) * 4, 0);
}

bool X11Presenter::attachSharedImage() {
    image_ = XShmCreateImage(display_, visual_, unsigned(depth_), ZPixmap, nullptr, &shm_,
                             unsigned(width_), unsigned(height_));
    if (image_ == nullptr) return false;
    shm_.shmid = shmget(IPC_PRIVATE, std::size_t(image_->bytes_per_line) * std::size_t(height_),
                        IPC_CREAT | 0600);
    void* address = shm_.shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(shm_.shmid, nullptr, 0);
    if (address != reinterpret_cast<void*>(-1)) {
        shm_.shmaddr = image_->data = static_cast<char*>(address);
        shm_.readOnly = False;
        XSync(display_, False);
        attachFailed = false;
        XErrorHandler previous = XSetErrorHandler(trapErrors);
        XShmAttach(display_, &shm_);
        XSync(display_, False);
        XSetErrorHandler(previous);
        if (!attachFailed) {
            // Marked for removal at once, so that the segment goes with the last detach even if
            // the process is killed.
            shmctl(shm_.shmid, IPC_RMID, nullptr);
            return true;
        }
        shmdt(address);
    }
    if (shm_.shmid >= 0) shmctl(shm_.shmid, IPC_RMID, nullptr);
    shm_.shmid = -1;
    image_->data = nullptr;
    XDestroyImage(image_);
    image_ = nullptr;
    // The server cannot share memory with this process; later images go by the protocol.
    shmUsable_ = false;
    return false;
}

void X11Presenter::destroyImage() {
    if (image_ == nullptr) return;
    if (shm_.shmid >= 0) {
        XShmDetach(display_, &shm_);
        XSync(display_, False);
        image_->data = nullptr;
        XDestroyImage(image_);
        shmdt(shm_.shmaddr);
        shm_.shmid = -1;
    } else {
        XDestroyImage(image_);
    }
    image_ = nullptr;
}

bool X11Presenter::resize(int width, int height) {
    if (width == width_ && height == height_) return false;
    destroyImage();
    width_ = width;
    height_ = height;
    createImage();
    return true;
}

void X11Presenter::present(PlaybackLoop& loop) {
    if (image_ == nullptr) {
        loop.clearDamage();
        return;
    }
    std::uint8_t* pixels =
        direct_ ? reinterpret_cast<std::uint8_t*>(image_->data) : staging_.data();
    const std::uint32_t rowBytes =
        direct_ ? std::uint32_t(image_->bytes_per_line) : std::uint32_t(width_) * 4;
    int screenWidth = width_, screenHeight = height_;
    if (role_ == WindowRole::given && previewSized(width_, height_, screenWidth_, screenHeight_)) {
        screenWidth = screenWidth_;
        screenHeight = screenHeight_;
    }
    const std::vector<Rect>& drawn =
        incremental_.present(loop.player(), loop.stage(), loop.damage(), pixels, width_, height_,
                             rowBytes, screenWidth, screenHeight);
    loop.clearDamage();
    for (const Rect& area : drawn) {
        if (!direct_) convertPixels(area);
        put(area.left, area.top, area.right - area.left, area.bottom - area.top);
    }
    if (!drawn.empty()) finishPut();
}

unsigned long X11Presenter::serverPixel(std::uint32_t rgb) {
    const std::uint32_t red = rgb >> 16 & 0xFF, green = rgb >> 8 & 0xFF, blue = rgb & 0xFF;
    if (visual_->c_class == TrueColor)
        return channel(red, visual_->red_mask) | channel(green, visual_->green_mask) |
               channel(blue, visual_->blue_mask);
    // Any other visual: the nearest colour the server's colour map gives, asked once per colour.
    auto found = pixelCache_.find(rgb);
    if (found != pixelCache_.end()) return found->second;
    XColor colour{};
    colour.red = std::uint16_t(red * 257);
    colour.green = std::uint16_t(green * 257);
    colour.blue = std::uint16_t(blue * 257);
    colour.flags = DoRed | DoGreen | DoBlue;
    const unsigned long pixel =
        XAllocColor(display_, colormap_, &colour) ? colour.pixel : nearestCell(colour);
    pixelCache_.emplace(rgb, pixel);
    return pixel;
}

unsigned long X11Presenter::nearestCell(const XColor& wanted) {
    // A full colour map: the closest of the colours it holds, read once.
    if (cells_.empty()) {
        cells_.resize(std::size_t(std::max(visual_->map_entries, 1)));
        for (std::size_t i = 0; i < cells_.size(); ++i)
            cells_[i].pixel = i;
        XQueryColors(display_, colormap_, cells_.data(), int(cells_.size()));
    }
    auto distance = [&](const XColor& cell) {
        auto d = [](int a, int b) { return std::int64_t(a - b) * (a - b); };
        return d(cell.red, wanted.red) + d(cell.green, wanted.green) + d(cell.blue, wanted.blue);
    };
    return std::min_element(
               cells_.begin(), cells_.end(),
               [&](const XColor& a, const XColor& b) { return distance(a) < distance(b); })
        ->pixel;
}

void X11Presenter::convertPixels(const Rect& area) {
    for (int y = area.top; y < area.bottom; ++y) {
        const std::uint8_t* row = staging_.data() + std::size_t(y) * std::size_t(width_) * 4;
        for (int x = area.left; x < area.right; ++x) {
            std::uint32_t word;
            std::memcpy(&word, row + std::size_t(x) * 4, 4);
            XPutPixel(image_, x, y, serverPixel(word & 0xFFFFFF));
        }
    }
}

void X11Presenter::repaint(int x, int y, int width, int height) {
    if (image_ == nullptr) return;
    // Only the part of the exposed area that the image covers.
    const int left = std::max(x, 0), top = std::max(y, 0);
    const int right = std::min(x + width, width_), bottom = std::min(y + height, height_);
    if (left < right && top < bottom) {
        put(left, top, right - left, bottom - top);
        finishPut();
    }
}

void X11Presenter::put(int x, int y, int width, int height) {
    if (shm_.shmid >= 0)
        XShmPutImage(display_, window_, gc_, image_, x, y, x, y, unsigned(width), unsigned(height),
                     False);
    else
        XPutImage(display_, window_, gc_, image_, x, y, x, y, unsigned(width), unsigned(height));
}

void X11Presenter::finishPut() {
    if (shm_.shmid >= 0)
        XSync(display_, False);
    else
        XFlush(display_);
}

} // namespace cinefold
