#pragma once
// An animated picture written a frame at a time, so that a long animation never has to be held
// decoded: a GIF (GifFile) or a WebP (WebpFile), chosen by the file's extension, written through
// the checked output file. Every frame has the size given when the file is opened.

#include "GifFile.h"
#include "WebpFile.h"
#include "files/OutputFile.h"

#include "render/SoftCanvas.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace cinefold {

enum class AnimationFormat { gif, webp };

// The format that a file name's extension (".gif", ".webp") asks for, if any.
std::optional<AnimationFormat> animationFormatFor(const std::string& path);

class AnimationFile {
  public:
    // lossyQuality is 0..100 for lossy WebP, or -1 for pixels kept exactly; threads are a
    // GIF's (GifFile's).
    AnimationFile(AnimationFormat format, std::string path, std::int32_t width, std::int32_t height,
                  int lossyQuality = -1, unsigned threads = 0);
    ~AnimationFile();
    AnimationFile(const AnimationFile&) = delete;
    AnimationFile& operator=(const AnimationFile&) = delete;

    // Each returns false with the reason when the file cannot be made or written; the caller
    // names the file. The file is written to a temporary that becomes the file only when
    // finish succeeds: a file that fails, or is never finished, leaves nothing behind.
    bool open(std::string& problem);
    // Frames longer than this many milliseconds are cut to it: a GIF delay is 16 bits of
    // hundredths, and no animation's frame period comes near ten minutes.
    static constexpr std::uint32_t longestFrameMs = 65535 * 10;

    // The next frame, shown for durationMs milliseconds (at most longestFrameMs); it has the
    // animation's size. changed holds every pixel that can differ from the frame added before.
    bool add(const SoftCanvas& frame, std::uint32_t durationMs, const Rect& changed,
             std::string& problem);
    // Completes the file; bytes is its size.
    bool finish(std::uint64_t& bytes, std::string& problem);

  private:
    // Drops the encoder and the temporary.
    void discard();
    bool fail(std::string& problem, const std::string& what);

    AnimationFormat format_;
    std::string path_;
    std::int32_t width_, height_;
    int lossyQuality_;
    unsigned threads_;
    std::unique_ptr<OutputFile> output_;
    std::unique_ptr<GifFile> gif_;
    std::unique_ptr<WebpFile> webp_;
};

} // namespace cinefold
