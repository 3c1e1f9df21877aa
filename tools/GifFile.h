#pragma once
// A GIF animation written a frame at a time into a stream, looping forever. Every frame after the
// first is written as the smallest rectangle that holds the pixels that differ from what a viewer
// already shows, those that do not differ being transparent, and left in place (disposal "do not
// dispose"). Each frame has its own colour table: the exact colours of the pixels it writes when
// they are no more than 256 (255 and the transparent entry), otherwise 255 that libimagequant
// chooses from their histogram, each pixel taking its colour's nearest entry; what the viewer
// shows then follows the colours actually written, so that the next frame also writes what this
// one did not get exactly.
//
// The work runs in a pipeline: the caller's thread copies each frame in, one thread finds what
// changed and picks the colours, frame after frame (each frame depends on what the last one left
// on the viewer's screen), and the others compress finished frames, in any order; the caller's
// thread writes them out in order. At most a few frames are in flight, so memory stays bounded
// however long the animation. The bytes written are the same for any number of threads.

#include "base/Rect.h"
#include "render/SoftCanvas.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace cinefold {

class GifFile {
  public:
    // A GIF's sides are 16-bit.
    static constexpr std::int32_t largestSide = 65535;

    // threads: how many threads do the work, the caller's included; 0 for one a processor.
    GifFile(std::int32_t width, std::int32_t height, unsigned threads = 0);
    ~GifFile();
    GifFile(const GifFile&) = delete;
    GifFile& operator=(const GifFile&) = delete;

    // Each returns false with the reason. open writes the header into stream, which stays the
    // caller's; finish writes the rest.
    bool open(std::FILE* stream, std::string& problem);
    // The next frame, of the animation's size, shown for durationMs milliseconds (at most
    // 655350, what a 16-bit delay of hundredths holds). changed holds every pixel that can differ
    // from the frame added before (the whole frame when that is not known); the first frame is
    // written whole whatever it says.
    bool add(const SoftCanvas& frame, std::uint32_t durationMs, const Rect& changed,
             std::string& problem);
    bool finish(std::string& problem);

  private:
    struct Pipeline;
    // Writes the frames at the front of the pipeline that are ready, in order.
    bool writeOut(std::unique_lock<std::mutex>& lock, std::string& problem);
    std::int32_t width_, height_;
    unsigned threads_;
    std::FILE* stream_ = nullptr;
    std::uint64_t elapsedMs_ = 0;
    std::unique_ptr<Pipeline> pipeline_;
};

} // namespace cinefold
