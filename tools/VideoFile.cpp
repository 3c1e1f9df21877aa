#include "VideoFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <filesystem>
#include <vector>

namespace cinefold {

std::optional<VideoFormat> videoFormatFor(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension == ".mp4") return VideoFormat::mp4;
    if (extension == ".webm") return VideoFormat::webm;
    return std::nullopt;
}

namespace {

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct Codec {
    const char* muxer;
    const char* encoder; // the library FFmpeg encodes with
    const char* name;    // what the user knows it as
    int worstRate;       // the encoder's constant rate factor at quality 0
    int defaultRate;
};

const Codec& codecOf(VideoFormat format) {
    static const Codec h264{"mp4", "libx264", "H.264", 51, 18};
    static const Codec vp9{"webm", "libvpx-vp9", "VP9", 63, 24};
    return format == VideoFormat::mp4 ? h264 : vp9;
}

} // namespace

// FFmpeg's objects, freed in reverse order of creation.
struct VideoFile::Encoder {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* convert = nullptr;
    std::vector<std::uint8_t> padded; // the canvas's rows on an even-sized black picture
    std::int64_t next = 0;            // the next frame's time, in frame periods

    ~Encoder() {
        sws_freeContext(convert);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    // Sends a frame (or, with null, the end) and writes every packet the encoder gives back.
    int encode(const AVFrame* input) {
        int result = avcodec_send_frame(codec, input);
        while (result >= 0) {
            result = avcodec_receive_packet(codec, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return 0;
            if (result < 0) return result;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            result = av_interleaved_write_frame(format, packet);
        }
        return result;
    }
};

VideoFile::VideoFile(VideoFormat format, std::string path, std::int32_t width, std::int32_t height,
                     std::uint32_t frameMs, int quality)
    : format_(format), path_(std::move(path)), width_(width), height_(height), frameMs_(frameMs),
      quality_(quality) {}

VideoFile::~VideoFile() = default;

bool VideoFile::fail(std::string& problem, const std::string& what) {
    if (&problem != &what) problem = what;
    encoder_.reset();
    output_.reset();
    return false;
}

bool VideoFile::open(std::string& problem) {
    const Codec& codec = codecOf(format_);
    // H.264's levels stop at 8192 a side in the encoder we use; VP9 at 16384.
    const std::int32_t largest = format_ == VideoFormat::mp4 ? 8192 : 16384;
    if (width_ > largest || height_ > largest)
        return fail(problem, std::string(codec.name) + " video holds at most " +
                                 std::to_string(largest) + " x " + std::to_string(largest) +
                                 " pixels, not " + std::to_string(width_) + " x " +
                                 std::to_string(height_));
    // The libraries' own chatter stays off the terminal: the tool says what went wrong, once.
    av_log_set_level(AV_LOG_QUIET);
    const AVCodec* found = avcodec_find_encoder_by_name(codec.encoder);
    if (!found)
        return fail(problem, std::string("this system's FFmpeg has no ") + codec.name +
                                 " encoder (" + codec.encoder + ")");
    output_ = std::make_unique<OutputFile>(path_);
    if (!output_->open(problem)) return fail(problem, problem);

    encoder_ = std::make_unique<Encoder>();
    Encoder& e = *encoder_;
    // FFmpeg writes the temporary by its name: the MP4 muxer reads it back to move its index to
    // the front.
    int result = avformat_alloc_output_context2(&e.format, nullptr, codec.muxer,
                                                output_->temporary().c_str());
    if (result < 0) return fail(problem, "FFmpeg: " + avError(result));
    e.codec = avcodec_alloc_context3(found);
    e.frame = av_frame_alloc();
    e.packet = av_packet_alloc();
    e.stream = avformat_new_stream(e.format, nullptr);
    if (!e.codec || !e.frame || !e.packet || !e.stream) return fail(problem, "out of memory");
    e.codec->width = (width_ + 1) & ~1;
    e.codec->height = (height_ + 1) & ~1;
    e.codec->pix_fmt = AV_PIX_FMT_YUV420P;
    e.codec->time_base = {int(frameMs_), 1000};
    e.codec->framerate = {1000, int(frameMs_)};
    e.codec->gop_size = 250;
    if (e.format->oformat->flags & AVFMT_GLOBALHEADER)
        e.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int rate =
        quality_ < 0 ? codec.defaultRate : codec.worstRate - quality_ * codec.worstRate / 100;
    av_opt_set_int(e.codec->priv_data, "crf", rate, 0);
    if (format_ == VideoFormat::webm) {
        // Constant quality rather than a bit rate, at the encoder's quicker settings.
        e.codec->bit_rate = 0;
        av_opt_set_int(e.codec->priv_data, "cpu-used", 4, 0);
        av_opt_set_int(e.codec->priv_data, "row-mt", 1, 0);
    }
    if ((result = avcodec_open2(e.codec, found, nullptr)) < 0 ||
        (result = avcodec_parameters_from_context(e.stream->codecpar, e.codec)) < 0)
        return fail(problem, std::string(codec.name) + ": " + avError(result));
    e.stream->time_base = e.codec->time_base;
    e.stream->avg_frame_rate = e.codec->framerate;
    AVDictionary* options = nullptr;
    if (format_ == VideoFormat::mp4) av_dict_set(&options, "movflags", "+faststart", 0);
    result = avio_open(&e.format->pb, output_->temporary().c_str(), AVIO_FLAG_WRITE);
    if (result >= 0) result = avformat_write_header(e.format, &options);
    av_dict_free(&options);
    if (result < 0) return fail(problem, "cannot write: " + avError(result));

    e.frame->format = AV_PIX_FMT_YUV420P;
    e.frame->width = e.codec->width;
    e.frame->height = e.codec->height;
    if ((result = av_frame_get_buffer(e.frame, 0)) < 0)
        return fail(problem, "out of memory: " + avError(result));
    e.padded.assign(std::size_t(e.codec->width) * 3 * std::size_t(e.codec->height), 0);
    e.convert = sws_getContext(e.codec->width, e.codec->height, AV_PIX_FMT_BGR24, e.codec->width,
                               e.codec->height, AV_PIX_FMT_YUV420P, SWS_AREA | SWS_ACCURATE_RND,
                               nullptr, nullptr, nullptr);
    if (!e.convert) return fail(problem, "FFmpeg cannot convert the pictures to yuv420p");
    return true;
}

bool VideoFile::add(const SoftCanvas& picture, std::string& problem) {
    Encoder& e = *encoder_;
    const std::size_t paddedRow = std::size_t(e.codec->width) * 3;
    for (std::int32_t y = 0; y < height_; ++y)
        std::memcpy(e.padded.data() + std::size_t(y) * paddedRow, picture.row(y),
                    std::size_t(width_) * 3);
    int result = av_frame_make_writable(e.frame);
    if (result < 0) return fail(problem, "out of memory: " + avError(result));
    const std::uint8_t* source[1] = {e.padded.data()};
    const int sourceStride[1] = {int(paddedRow)};
    sws_scale(e.convert, source, sourceStride, 0, e.codec->height, e.frame->data,
              e.frame->linesize);
    e.frame->pts = e.next++;
    if ((result = e.encode(e.frame)) < 0) return fail(problem, "write error: " + avError(result));
    return true;
}

bool VideoFile::finish(std::uint64_t& bytes, std::string& problem) {
    Encoder& e = *encoder_;
    int result = e.encode(nullptr);
    if (result >= 0) result = av_write_trailer(e.format);
    if (result >= 0) result = avio_closep(&e.format->pb);
    if (result < 0) return fail(problem, "write error: " + avError(result));
    encoder_.reset();
    if (!output_->commit(problem)) return fail(problem, problem);
    std::error_code error;
    bytes = std::filesystem::file_size(path_, error);
    return true;
}

} // namespace cinefold
