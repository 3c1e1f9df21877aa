// cinefold render FILE [--frame N | --frames A:B | --frames all] [--screen WxH [--stretch]]
// [--preview WxH] [--quality Q] -o OUT: the stage as the saver composes it at a frame, or the
// screen or the preview window as the saver presents that stage, as PNG, or a series of frames
// as one GIF or WebP animation at the saver's own timer period. The tool composes on the
// software canvas through the very compositor and present geometry that the saver runs on GDI,
// so the pixels are the ones the saver shows.

#include "AnimationFile.h"
#include "VideoFile.h"
#include "files/OutputFile.h"

#include "Commands.h"
#include "Inspection.h"
#include "PngFile.h"
#include "Report.h"

#include "player/Damage.h"
#include "player/FrameCompositor.h"
#include "player/PresentLayout.h"
#include "player/PresentStage.h"
#include "player/TimerPeriod.h"
#include "render/SoftCanvas.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <type_traits>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace cinefold {

namespace {

// The display modes' screen when --preview is given without --screen: the preview window of
// the display settings shows a picture of this screen.
constexpr std::int32_t defaultScreenWidth = 1024;
constexpr std::int32_t defaultScreenHeight = 768;
constexpr std::int32_t largestSide = 32767;
// An animation's frames are bounded, so that a sequence that never comes back to a frame it has
// shown, or a request for billions of frames, ends rather than writing without end.
constexpr std::size_t maxAnimationFrames = 100000;
constexpr std::uint32_t minimumVideoFrameMs = 10;

struct Size {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// "WxH", both sides in 1..largestSide.
bool parseSize(const std::string& text, Size& size) {
    const std::size_t cross = text.find('x');
    long long width = 0, height = 0;
    if (cross == std::string::npos || !parseInteger(text.substr(0, cross), 1, largestSide, width) ||
        !parseInteger(text.substr(cross + 1), 1, largestSide, height))
        return false;
    size = {std::int32_t(width), std::int32_t(height)};
    return true;
}

// How a series of PNG files is named: OUT's own pattern ("out-%04d.png"), a folder ("DIR/":
// frame-0005.png ... in it), or a plain name ("out.png": out-0005.png ... beside it). The numbers
// are zero-padded to at least the width of the last frame's in the last two.
struct SeriesName {
    std::string folder;         // where the files go
    std::string prefix, suffix; // around the number
    int width = 0;              // the number's least width, zero-padded
};

// A printf-style number in a file name: "%d" with an optional zero flag and width, and "%%" for
// a percent sign. Anything else is refused rather than handed to printf. False when `name`
// holds no number, with `problem` set when what it holds is not one.
bool parsePattern(const std::string& name, SeriesName& series, std::string& problem) {
    bool found = false;
    std::string* part = &series.prefix;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '%') {
            *part += name[i];
            continue;
        }
        if (i + 1 < name.size() && name[i + 1] == '%') {
            *part += '%';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        const bool zero = j < name.size() && name[j] == '0';
        if (zero) ++j;
        int width = 0;
        while (j < name.size() && std::isdigit(static_cast<unsigned char>(name[j])) && width < 100)
            width = width * 10 + (name[j++] - '0');
        if (j >= name.size() || name[j] != 'd' || found || width > 10 || (width > 0) != zero) {
            problem = "-o takes one frame number as %d or %0Nd (N up to 10), not '" + name + "'";
            return false;
        }
        found = true;
        series.width = width;
        part = &series.suffix;
        i = j;
    }
    return found;
}

struct RenderRequest {
    std::string output;
    std::int32_t first = 0;
    std::int32_t last = 0;
    bool numbered = false; // --frames: one file per frame, numbered
    SeriesName series;
    std::optional<AnimationFormat> animation;
    std::optional<VideoFormat> video;
    // An animation or a video: frames that move, written into one file.
    bool moving() const { return animation || video; }
    bool onePass = false;    // --frames all
    bool timeline = false;   // --frames timeline: 0 to the last frame, once the file is loaded
    std::uint32_t clock = 0; // --clock: the tick count of the pass's first tick
    int scale = 1;           // --scale: whole output pixels per pixel
    int lossyQuality = -1;
    unsigned threads = 0; // --threads: a GIF's, 0 for one a processor
    bool screen = false;
    bool preview = false;
    bool stretch = false;
    bool quiet = false;
    Size screenSize{defaultScreenWidth, defaultScreenHeight};
    Size previewSize;
};

// A series' names from OUT, once the frames are known.
std::string seriesNames(const std::string& output, std::int32_t last, SeriesName& series) {
    namespace fs = std::filesystem;
    std::string problem;
    const fs::path path(output);
    if (output.back() == '/') {
        series.folder = output;
        series.prefix = "frame-";
        series.suffix = ".png";
    } else if (parsePattern(path.filename().string(), series, problem)) {
        series.folder = path.parent_path().string();
        if (!series.suffix.ends_with(".png"))
            return "a series of frames is written as PNG: -o NAME-%04d.png";
        return {};
    } else if (!problem.empty()) {
        return problem;
    } else {
        series.folder = path.parent_path().string();
        series.prefix = path.stem().string() + "-";
        series.suffix = path.extension().string();
    }
    series.width = std::snprintf(nullptr, 0, "%d", last);
    return {};
}

// Parses everything after the FILE; an empty result means the arguments are usable, otherwise
// it is the usage problem.
std::string parseRequest(const ParsedArguments& parsed, RenderRequest& request) {
    std::string error;
    const std::string* output = parsed.option("-o");
    if (!output || output->empty()) return "render needs -o OUT";
    request.output = *output;
    request.animation = animationFormatFor(*output);
    request.video = videoFormatFor(*output);
    request.quiet = parsed.has("--quiet");
    const bool folder = output->back() == '/';
    const std::string extension = std::filesystem::path(*output).extension().string();
    if (!request.moving() && !folder && extension != ".png")
        return (extension.empty() ? "'" + *output + "' has no extension"
                                  : "cannot write '" + extension + "' files") +
               ": OUT ends in .png, .gif, .webp, .mp4 or .webm (or is a folder, DIR/, for a " +
               "series of PNG files)";
    const std::string* frame = parsed.option("--frame");
    const std::string* frames = parsed.option("--frames");
    if (frame && frames) return "render takes --frame or --frames, not both";
    if (frame) {
        long long n = 0;
        if (!parseInteger(*frame, INT32_MIN, INT32_MAX, n))
            return "--frame takes a 32-bit signed integer, not '" + *frame + "'";
        request.first = request.last = std::int32_t(n);
    }
    if (frames && *frames == "all") {
        if (!request.moving())
            return "--frames all writes an animation or a video: OUT.gif, .webp, .mp4 or .webm";
        request.onePass = true;
    } else if (frames && *frames == "timeline") {
        request.timeline = true;
        request.numbered = !request.moving();
    } else if (frames) {
        const std::size_t colon = frames->find(':');
        long long first = 0, last = 0;
        if (colon == std::string::npos ||
            !parseInteger(frames->substr(0, colon), 0, INT32_MAX, first) ||
            !parseInteger(frames->substr(colon + 1), first, INT32_MAX, last))
            return "--frames takes A:B with 0 <= A <= B, not '" + *frames + "'";
        request.first = std::int32_t(first);
        request.last = std::int32_t(last);
        request.numbered = !request.moving();
        if (request.moving() && std::uint64_t(last - first) >= maxAnimationFrames)
            return "an animation holds at most " + std::to_string(maxAnimationFrames) + " frames";
    }
    if (folder && !request.numbered) return "-o DIR/ is for a series of frames: --frames A:B";
    if (const std::string* clock = parsed.option("--clock")) {
        long long t = 0;
        if (!request.onePass) return "--clock picks the random branches of --frames all";
        if (!parseInteger(*clock, 0, UINT32_MAX, t))
            return "--clock takes 0 to 4294967295 milliseconds, not '" + *clock + "'";
        request.clock = std::uint32_t(t);
    }
    if (const std::string* scale = parsed.option("--scale")) {
        long long s = 0;
        if (!parseInteger(*scale, 1, 8, s)) return "--scale takes 1 to 8, not '" + *scale + "'";
        request.scale = int(s);
    }
    if (request.numbered) {
        // A timeline's last frame, and so the names' width, is known once the file is loaded.
        const std::string problem =
            request.timeline ? std::string() : seriesNames(*output, request.last, request.series);
        if (!problem.empty()) return problem;
    } else if (SeriesName ignored; parsePattern(*output, ignored, error)) {
        return "-o with a frame number is for a series of frames: --frames A:B";
    } else if (!error.empty()) {
        return error;
    }
    if (request.moving() && !frames)
        return "an animation needs --frames A:B, --frames all or --frames timeline";
    if (const std::string* quality = parsed.option("--quality")) {
        long long q = 0;
        if (request.animation != AnimationFormat::webp && !request.video)
            return "--quality is for lossy WebP and for video (OUT.webp, .mp4, .webm)";
        if (!parseInteger(*quality, 0, 100, q))
            return "--quality takes 0 to 100, not '" + *quality + "'";
        request.lossyQuality = int(q);
    }
    if (const std::string* threads = parsed.option("--threads")) {
        long long n = 0;
        if (request.animation != AnimationFormat::gif) return "--threads is for a GIF (OUT.gif)";
        if (!parseInteger(*threads, 1, 16, n))
            return "--threads takes 1 to 16, not '" + *threads + "'";
        request.threads = unsigned(n);
    }
    if (const std::string* screen = parsed.option("--screen")) {
        if (!parseSize(*screen, request.screenSize))
            return "--screen takes WxH (1 to 32767 each), not '" + *screen + "'";
        request.screen = true;
    }
    if (const std::string* preview = parsed.option("--preview")) {
        if (!parseSize(*preview, request.previewSize))
            return "--preview takes WxH (1 to 32767 each), not '" + *preview + "'";
        request.preview = true;
    }
    request.stretch = parsed.has("--stretch");
    if (request.stretch && !request.screen) return "--stretch needs --screen WxH";
    return {};
}

// Frames that the saver never reaches are drawn all the same, as it would draw them: before frame
// 0 and after the last keyframe no track yields a record, so only the back colour shows.
void warnOutside(const std::string& file, std::int32_t first, std::int32_t last,
                 std::int32_t lastFrame) {
    const auto range = [](std::int64_t a, std::int64_t b) {
        return a == b ? "frame " + std::to_string(a)
                      : "frames " + std::to_string(a) + " to " + std::to_string(b);
    };
    std::string outside;
    if (first < 0) outside = range(first, std::min(last, -1)) + " (before frame 0)";
    if (last > lastFrame) {
        if (!outside.empty()) outside += " and ";
        outside += range(std::max<std::int64_t>(first, std::int64_t(lastFrame) + 1), last) +
                   " (after the last frame, " + std::to_string(lastFrame) + ")";
    }
    if (outside.empty()) return;
    const bool one = first == last;
    warning(file, "the saver never shows " + outside + "; drawn as it would draw " +
                      (one ? "it" : "them") + ": the back colour alone");
}

// The name of one frame's file in a series.
std::string seriesFileName(const SeriesName& series, std::int32_t frame) {
    char number[24];
    std::snprintf(number, sizeof number, "%0*d", series.width, frame);
    return series.prefix + number + series.suffix;
}

// The offset of the stage record in force, for a complaint about the stage it set.
std::uint64_t stageRecordOffset(const Inspection& inspection) {
    std::uint64_t offset = 0;
    for (const ChunkRecord& chunk : inspection.chunks)
        if (chunk.tag == "P_DT" && chunk.result == ChunkResult::applied) offset = chunk.offset;
    return inspection.source.offset + offset;
}

// One pass of what the saver shows, from frame 0: every frame that its sequencer moves to, tick
// by tick, until it comes back to a frame already shown (frame 0 after the last keyframe, or the
// start of a loop). The clock starts at firstTick (0 unless --clock says) and steps by the saver's
// timer period, as the sequence command's does, so random branches fall the same way on every run.
// False when the pass was cut at maxAnimationFrames.
bool onePass(Player& player, std::uint32_t firstTick, std::vector<std::int32_t>& frames) {
    std::unordered_set<std::int32_t> shown{0};
    frames.assign(1, 0);
    player.currentFrame = 0;
    const std::uint32_t period = timerPeriod(player.framePeriod);
    for (std::uint32_t clock = firstTick;; clock += period) {
        player.advanceFrame(clock);
        if (!shown.insert(player.currentFrame).second) return true;
        if (frames.size() == maxAnimationFrames) return false;
        frames.push_back(player.currentFrame);
    }
}

// `from` at `scale` times its size in `to`, which has that size: each pixel repeated `scale`
// times along its row, and each row `scale` times.
void scaleBy(const SoftCanvas& from, int scale, SoftCanvas& to) {
    const std::size_t rowBytes = std::size_t(to.width()) * 3;
    for (std::int32_t y = 0; y < from.height(); ++y) {
        const std::uint8_t* in = from.row(y);
        std::uint8_t* out = to.row(y * scale);
        for (std::int32_t x = 0; x < from.width(); ++x, in += 3)
            for (int i = 0; i < scale; ++i, out += 3)
                std::memcpy(out, in, 3);
        for (int i = 1; i < scale; ++i)
            std::memcpy(to.row(y * scale + i), to.row(y * scale), rowBytes);
    }
}

// Frames done out of the total, as a bar on stderr that a terminal redraws in place, and cleared
// at the end; nothing at all when stderr is a file or a pipe, where it would only be clutter.
class ProgressBar {
  public:
    explicit ProgressBar(std::size_t total) : total_(total), visible_(isatty(fileno(stderr))) {}
    ~ProgressBar() {
        if (visible_) std::fputs("\r\033[K", stderr);
    }
    void show(std::size_t done) {
        // Redrawn only when the thousandths move, so that a long animation does not flood the
        // terminal.
        const std::size_t step = done * 1000 / total_;
        if (!visible_ || step == lastStep_) return;
        lastStep_ = step;
        char bar[width + 1];
        const std::size_t filled = done * width / total_;
        for (std::size_t i = 0; i < width; ++i)
            bar[i] = i < filled ? '#' : '-';
        bar[width] = 0;
        std::fprintf(stderr, "\r[%s] %zu / %zu frames", bar, done, total_);
        std::fflush(stderr);
    }

  private:
    static constexpr std::size_t width = 40;
    std::size_t total_;
    bool visible_;
    std::size_t lastStep_ = std::size_t(-1);
};

// Writes the frames into `file` (an AnimationFile or a VideoFile), each shown for `period`
// milliseconds. After each paint, `changed` holds every pixel of its picture that can differ
// from the picture painted before.
template <class File, class Paint>
bool writeFrames(File& file, std::uint32_t period, const std::vector<std::int32_t>& frames,
                 Paint paint, const Rect& changed, std::uint64_t& bytes, std::string& problem) {
    ProgressBar progress(frames.size());
    auto add = [&](const SoftCanvas& picture) {
        if constexpr (std::is_same_v<File, AnimationFile>)
            return file.add(picture, period, changed, problem);
        else
            return file.add(picture, problem);
    };
    bool written = file.open(problem) && add(paint(frames.front()));
    for (std::size_t i = 1; written && i < frames.size(); ++i) {
        progress.show(i);
        written = add(paint(frames[i]));
    }
    return written && file.finish(bytes, problem);
}

template <class Paint>
int writeAnimation(const RenderRequest& request, const Player& player,
                   const std::vector<std::int32_t>& frames, Paint paint, const Rect& changed) {
    std::uint32_t period = std::min(timerPeriod(player.framePeriod), AnimationFile::longestFrameMs);
    std::string problem;
    std::uint64_t bytes = 0;
    bool written = false;
    {
        const SoftCanvas& first = paint(frames.front());
        if (request.animation) {
            AnimationFile file(*request.animation, request.output, first.width(), first.height(),
                               request.lossyQuality, request.threads);
            written = writeFrames(file, period, frames, paint, changed, bytes, problem);
        } else {
            // A video has whole frames: a saver that ticks every millisecond (framePeriod 0)
            // plays at 100 frames a second, which players keep up with.
            if (period < minimumVideoFrameMs) {
                std::fprintf(stderr,
                             "cinefold: %s: the saver ticks every %u ms; the video shows a "
                             "frame every %u ms (%u frames a second)\n",
                             request.output.c_str(), period, minimumVideoFrameMs,
                             1000 / minimumVideoFrameMs);
                period = minimumVideoFrameMs;
            }
            VideoFile file(*request.video, request.output, first.width(), first.height(), period,
                           request.lossyQuality);
            written = writeFrames(file, period, frames, paint, changed, bytes, problem);
        }
    } // the bar is cleared before anything else is printed
    if (!written) return fileError(request.output, problem);
    std::printf("%s: %zu frames, %llu bytes, %.1f s\n", request.output.c_str(), frames.size(),
                static_cast<unsigned long long>(bytes), double(period) * frames.size() / 1000);
    return exitDone;
}

} // namespace

int runRender(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {"--stretch", "--quiet"},
                        {"-o", "--frame", "--frames", "--screen", "--preview", "--quality",
                         "--clock", "--scale", "--threads"},
                        parsed, error))
        return usageError(error);
    if (parsed.positional.size() != 1) return usageError("render takes one FILE");
    RenderRequest request;
    error = parseRequest(parsed, request);
    if (!error.empty()) return usageError(error);

    Inspection inspection;
    inspection.path = parsed.positional[0];
    if (!inspectForCommand(inspection)) return exitBadInput;
    Player& player = inspection.player;
    player.stretchToDesktop = request.stretch;
    if (request.timeline) {
        request.last = std::max(player.trackSet.lastFrame(), 0);
        if (request.moving() && std::size_t(request.last) >= maxAnimationFrames)
            return usageError("the timeline has " + std::to_string(request.last + 1) +
                              " frames; an animation holds at most " +
                              std::to_string(maxAnimationFrames));
        if (request.numbered) {
            error = seriesNames(request.output, request.last, request.series);
            if (!error.empty()) return usageError(error);
        }
    }
    // The output is checked before any work: it may not be the input, nor a device.
    if (!request.numbered && !checkOutputTarget(request.output, error))
        return fileError(request.output, error);
    if (!request.quiet && !request.onePass)
        warnOutside(inspection.path, request.first, request.last, player.trackSet.lastFrame());

    // A stage that the saver cannot make a bitmap of shows nothing but the black window, so
    // the screen and the preview are still pictures; the stage alone is not.
    const bool presented = request.screen || request.preview;
    if (!presented && !stageSizeUsable(player.stageWidth, player.stageHeight))
        return badInput(inspection.path, stageRecordOffset(inspection),
                        "stage size " + std::to_string(player.stageWidth) + " x " +
                            std::to_string(player.stageHeight) + " cannot be drawn");
    SoftCanvas stage(player.stageWidth, player.stageHeight);
    // The window: the preview's client, or the whole screen.
    const Size client = request.preview ? request.previewSize : request.screenSize;
    SoftCanvas window(presented ? client.width : 0, presented ? client.height : 0);
    if (presented && window.width() == 0)
        return usageError("a window of " + std::to_string(client.width) + " x " +
                          std::to_string(client.height) + " is too large to render");

    // The picture at --scale: every pixel a square of whole pixels, nothing smoothed.
    const SoftCanvas& unscaled = presented ? window : stage;
    SoftCanvas scaled(request.scale > 1 ? unscaled.width() * request.scale : 0,
                      request.scale > 1 ? unscaled.height() * request.scale : 0);
    if (request.scale > 1 && scaled.width() == 0)
        return usageError("a picture of " + std::to_string(unscaled.width()) + " x " +
                          std::to_string(unscaled.height()) + " scaled by " +
                          std::to_string(request.scale) + " is too large to render");

    // The picture of one frame: the stage, or the window that presents it, scaled. The stage is
    // composed only inside the damage, and `changed` is where the picture can differ from the
    // one before: the damage's bounds on the stage at its scale, or the whole window.
    DamageTracker damage;
    Rect changed;
    auto paint = [&](std::int32_t frame) -> const SoftCanvas& {
        player.currentFrame = frame;
        const StageDamage stageDamage = damage.next(player);
        composeFrame(player, stage, stageDamage);
        const SoftCanvas& picture = request.scale > 1 ? scaled : unscaled;
        changed = {0, 0, picture.width(), picture.height()};
        if (!presented) {
            const int k = request.scale;
            changed = {};
            for (const Rect& r : stageDamage.rects)
                changed =
                    changed.right == 0
                        ? Rect{r.left * k, r.top * k, r.right * k, r.bottom * k}
                        : Rect{std::min(changed.left, r.left * k), std::min(changed.top, r.top * k),
                               std::max(changed.right, r.right * k),
                               std::max(changed.bottom, r.bottom * k)};
        }
        if (presented) {
            // The window's erase leaves it black wherever the stage does not land.
            window.fill(0, 0, window.width(), window.height(), 0);
            presentStage(
                PresentedStage{player.stageWidth, player.stageHeight,
                               player.stretchToDesktop != 0},
                stage, window, client.width, client.height, request.screenSize.width,
                request.screenSize.height);
        }
        if (request.scale == 1) return unscaled;
        scaleBy(unscaled, request.scale, scaled);
        return scaled;
    };

    if (request.moving()) {
        std::vector<std::int32_t> frames;
        if (request.onePass && !onePass(player, request.clock, frames))
            std::fprintf(stderr,
                         "cinefold: %s: the sequence does not come back to a frame it has shown "
                         "within %zu frames; the animation holds the first %zu\n",
                         inspection.path.c_str(), maxAnimationFrames, maxAnimationFrames);
        for (std::int64_t frame = request.first; !request.onePass && frame <= request.last; ++frame)
            frames.push_back(std::int32_t(frame));
        return writeAnimation(request, player, frames, paint, changed);
    }
    std::string problem;
    if (!request.numbered) {
        if (!writePng(request.output, paint(request.first), problem))
            return fileError(request.output, problem);
        return exitDone;
    }
    // A series appears whole, or not at all.
    const SeriesName& series = request.series;
    OutputFolder folder(series.folder.empty() ? "." : series.folder, true);
    if (!folder.open(problem)) return fileError(folder.target(), problem);
    {
        ProgressBar progress(std::size_t(request.last - request.first) + 1);
        for (std::int64_t frame = request.first; frame <= request.last; ++frame) {
            const std::string name = seriesFileName(series, std::int32_t(frame));
            if (!writePng(folder.stagedPath(name), paint(std::int32_t(frame)), problem))
                return fileError((std::filesystem::path(folder.target()) / name).string(), problem);
            progress.show(std::size_t(frame - request.first) + 1);
        }
    }
    if (!folder.commit(problem)) return fileError(folder.target(), problem);
    const std::int64_t count = std::int64_t(request.last) - request.first + 1;
    const auto shown = [&](std::int32_t frame) {
        return (std::filesystem::path(series.folder) / seriesFileName(series, frame)).string();
    };
    std::printf("%lld file%s written, %s to %s\n", static_cast<long long>(count),
                count == 1 ? "" : "s", shown(request.first).c_str(), shown(request.last).c_str());
    return exitDone;
}

} // namespace cinefold
