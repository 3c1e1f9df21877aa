#include "WebpFile.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <climits>

namespace cinefold {

static_assert(WebpFile::largestSide == WEBP_MAX_DIMENSION);

struct WebpFile::Encoder {
    WebPAnimEncoder* encoder = nullptr;
    WebPConfig config;
    std::int64_t timestampMs = 0;

    ~Encoder() {
        if (encoder) WebPAnimEncoderDelete(encoder);
    }
};

WebpFile::WebpFile(std::int32_t width, std::int32_t height, int lossyQuality)
    : width_(width), height_(height), lossyQuality_(lossyQuality) {}

WebpFile::~WebpFile() = default;

bool WebpFile::open(std::string& problem) {
    encoder_ = std::make_unique<Encoder>();
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&encoder_->config)) {
        problem = "WebP: library version mismatch";
        return false;
    }
    options.anim_params.loop_count = 0; // forever
    encoder_->config.lossless = lossyQuality_ < 0;
    if (lossyQuality_ >= 0) encoder_->config.quality = float(lossyQuality_);
    encoder_->encoder = WebPAnimEncoderNew(width_, height_, &options);
    if (!encoder_->encoder) {
        problem = "WebP: out of memory";
        return false;
    }
    return true;
}

bool WebpFile::add(const SoftCanvas& frame, std::uint32_t durationMs, std::string& problem) {
    Encoder& webp = *encoder_;
    WebPPicture picture;
    if (!WebPPictureInit(&picture)) {
        problem = "WebP: library version mismatch";
        return false;
    }
    picture.use_argb = 1;
    picture.width = width_;
    picture.height = height_;
    bool added = WebPPictureImportBGR(&picture, frame.row(0), int(frame.rowLength())) &&
                 WebPAnimEncoderAdd(webp.encoder, &picture, int(webp.timestampMs), &webp.config);
    WebPPictureFree(&picture);
    if (!added) {
        problem = std::string("WebP: ") + WebPAnimEncoderGetError(webp.encoder);
        return false;
    }
    webp.timestampMs += durationMs;
    // The encoder counts time in an int of milliseconds.
    if (webp.timestampMs > INT_MAX) {
        problem = "WebP cannot hold an animation longer than 24 days";
        return false;
    }
    return true;
}

bool WebpFile::finish(OutputFile& output, std::string& problem) {
    Encoder& webp = *encoder_;
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAdd(webp.encoder, nullptr, int(webp.timestampMs), nullptr) ||
        !WebPAnimEncoderAssemble(webp.encoder, &data)) {
        problem = std::string("WebP: ") + WebPAnimEncoderGetError(webp.encoder);
        return false;
    }
    const bool written = output.write({data.bytes, data.size}, problem);
    WebPDataClear(&data);
    return written;
}

} // namespace cinefold
