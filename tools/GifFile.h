#pragma once
// A GIF animation written a frame at a time into a stream, looping forever. Every frame after the
// first is written as the smallest rectangle that holds the pixels that differ from what a viewer
// already shows, those that do not differ being transparent, and left in place (disposal "do not
// dispose"). Each frame has its own colour table: the exact colours when the rectangle has no
// more than 256 (255 and the transparent entry), otherwise a palette that libimagequant chooses,
// in which case what the viewer shows follows the colours actually written, so that the next
// frame is compared with what is on the viewer's screen.

#include "render/SoftCanvas.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace cinefold {

class GifFile {
  public:
    // A GIF's sides are 16-bit.
    static constexpr std::int32_t largestSide = 65535;

    GifFile(std::int32_t width, std::int32_t height);
    ~GifFile();
    GifFile(const GifFile&) = delete;
    GifFile& operator=(const GifFile&) = delete;

    // Each returns false with the reason. open writes the header into stream, which stays the
    // caller's; finish writes the trailer.
    bool open(std::FILE* stream, std::string& problem);
    // The next frame, of the animation's size, shown for durationMs milliseconds (at most
    // 655350, what a 16-bit delay of hundredths holds).
    bool add(const SoftCanvas& frame, std::uint32_t durationMs, std::string& problem);
    bool finish(std::string& problem);

  private:
    struct State;
    std::int32_t width_, height_;
    std::unique_ptr<State> state_;
};

} // namespace cinefold
