#include "AnimationFile.h"

#include <algorithm>
#include <filesystem>

namespace cinefold {

std::optional<AnimationFormat> animationFormatFor(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension == ".gif") return AnimationFormat::gif;
    if (extension == ".webp") return AnimationFormat::webp;
    return std::nullopt;
}

AnimationFile::AnimationFile(AnimationFormat format, std::string path, std::int32_t width,
                             std::int32_t height, int lossyQuality, unsigned threads)
    : format_(format), path_(std::move(path)), width_(width), height_(height),
      lossyQuality_(lossyQuality), threads_(threads) {}

AnimationFile::~AnimationFile() {
    discard();
}

void AnimationFile::discard() {
    gif_.reset();
    webp_.reset();
    output_.reset();
}

bool AnimationFile::fail(std::string& problem, const std::string& what) {
    if (&problem != &what) problem = what;
    discard();
    return false;
}

bool AnimationFile::open(std::string& problem) {
    // Sizes that the format cannot hold are refused before any file is touched.
    const bool gif = format_ == AnimationFormat::gif;
    const std::int32_t largest = gif ? GifFile::largestSide : WebpFile::largestSide;
    if (width_ > largest || height_ > largest)
        return fail(problem, std::string(gif ? "GIF" : "WebP") + " holds at most " +
                                 std::to_string(largest) + " x " + std::to_string(largest) +
                                 " pixels, not " + std::to_string(width_) + " x " +
                                 std::to_string(height_));
    output_ = std::make_unique<OutputFile>(path_);
    if (!output_->open(problem)) return fail(problem, problem);
    if (gif) {
        gif_ = std::make_unique<GifFile>(width_, height_, threads_);
        if (!gif_->open(output_->stream(), problem)) return fail(problem, problem);
    } else {
        webp_ = std::make_unique<WebpFile>(width_, height_, lossyQuality_);
        if (!webp_->open(problem)) return fail(problem, problem);
    }
    return true;
}

bool AnimationFile::add(const SoftCanvas& frame, std::uint32_t durationMs, const Rect& changed,
                        std::string& problem) {
    durationMs = std::min(durationMs, longestFrameMs);
    if (!(gif_ ? gif_->add(frame, durationMs, changed, problem)
               : webp_->add(frame, durationMs, problem)))
        return fail(problem, problem);
    return true;
}

bool AnimationFile::finish(std::uint64_t& bytes, std::string& problem) {
    if (!(gif_ ? gif_->finish(problem) : webp_->finish(*output_, problem)) ||
        !output_->commit(problem))
        return fail(problem, problem);
    gif_.reset();
    webp_.reset();
    std::error_code error;
    bytes = std::filesystem::file_size(path_, error);
    return true;
}

} // namespace cinefold
