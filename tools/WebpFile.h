#pragma once
// A WebP animation built a frame at a time, looping forever, lossless unless a quality is asked
// for. libwebp's encoder folds a frame that repeats the one before into that frame's duration,
// so a WebP may hold fewer pictures than frames added, playing for the same time. The encoder
// keeps the animation until finish hands over its bytes.

#include "files/OutputFile.h"

#include "render/SoftCanvas.h"

#include <cstdint>
#include <memory>
#include <string>

namespace cinefold {

class WebpFile {
  public:
    // WEBP_MAX_DIMENSION, checked beside libwebp's header.
    static constexpr std::int32_t largestSide = 16383;

    // lossyQuality is 0..100 for lossy WebP, or -1 for pixels kept exactly.
    WebpFile(std::int32_t width, std::int32_t height, int lossyQuality);
    ~WebpFile();
    WebpFile(const WebpFile&) = delete;
    WebpFile& operator=(const WebpFile&) = delete;

    // Each returns false with the reason.
    bool open(std::string& problem);
    // The next frame, of the animation's size, shown for durationMs milliseconds.
    bool add(const SoftCanvas& frame, std::uint32_t durationMs, std::string& problem);
    // Assembles the animation and writes it to output.
    bool finish(OutputFile& output, std::string& problem);

  private:
    struct Encoder;
    std::int32_t width_, height_;
    int lossyQuality_;
    std::unique_ptr<Encoder> encoder_;
};

} // namespace cinefold
