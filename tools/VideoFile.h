#pragma once
// A video written a frame at a time through FFmpeg's libraries: MP4 (H.264, yuv420p, its index
// at the front so that it plays while it downloads) or WebM (VP9). Every frame has the size
// given when the file is opened; a side of odd length is padded with one black row or column,
// since yuv420p halves both sides. Each frame lasts one frame period.

#include "files/OutputFile.h"

#include "render/SoftCanvas.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace cinefold {

enum class VideoFormat { mp4, webm };

// The format that a file name's extension (".mp4", ".webm") asks for, if any.
std::optional<VideoFormat> videoFormatFor(const std::string& path);

class VideoFile {
  public:
    // quality is 0..100 (mapped onto the encoder's constant rate factor), or -1 for the default,
    // which keeps the demo within 3 levels a channel of its pictures on average.
    VideoFile(VideoFormat format, std::string path, std::int32_t width, std::int32_t height,
              std::uint32_t frameMs, int quality = -1);
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // As AnimationFile's: false with the reason; nothing is left of a file not finished.
    bool open(std::string& problem);
    bool add(const SoftCanvas& frame, std::string& problem);
    bool finish(std::uint64_t& bytes, std::string& problem);

  private:
    struct Encoder;
    bool fail(std::string& problem, const std::string& what);

    VideoFormat format_;
    std::string path_;
    std::int32_t width_, height_;
    std::uint32_t frameMs_;
    int quality_;
    std::unique_ptr<OutputFile> output_;
    std::unique_ptr<Encoder> encoder_;
};

} // namespace cinefold
