// cinefold render FILE [--frame N | --frames A:B] [--screen WxH [--stretch]] [--preview WxH]
// -o OUT: the stage as the saver composes it at a frame, or the screen or the preview window as
// the saver presents that stage, as PNG. The tool composes on the software canvas through the
// very compositor and present geometry that the saver runs on GDI, so the pixels are the ones
// the saver shows.

#include "Commands.h"
#include "Inspection.h"
#include "PngFile.h"
#include "Report.h"

#include "player/FrameCompositor.h"
#include "player/PresentLayout.h"
#include "player/PresentStage.h"
#include "render/SoftCanvas.h"

#include <cstdio>
#include <filesystem>

namespace cinefold {

namespace {

// The display modes' screen when --preview is given without --screen: the preview window of
// the display settings shows a picture of this screen.
constexpr std::int32_t defaultScreenWidth = 1024;
constexpr std::int32_t defaultScreenHeight = 768;
constexpr std::int32_t largestSide = 32767;

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

struct RenderRequest {
    std::string output;
    std::int32_t first = 0;
    std::int32_t last = 0;
    bool numbered = false; // --frames: one file per frame, numbered
    bool screen = false;
    bool preview = false;
    bool stretch = false;
    Size screenSize{defaultScreenWidth, defaultScreenHeight};
    Size previewSize;
};

// Parses everything after the FILE; an empty result means the arguments are usable, otherwise
// it is the usage problem.
std::string parseRequest(const ParsedArguments& parsed, RenderRequest& request) {
    const std::string* output = parsed.option("-o");
    if (!output) return "render needs -o OUT";
    request.output = *output;
    const std::string extension = std::filesystem::path(*output).extension().string();
    if (extension == ".gif" || extension == ".webp")
        return "render writes PNG files; for a series, --frames A:B with OUT.png";
    const std::string* frame = parsed.option("--frame");
    const std::string* frames = parsed.option("--frames");
    if (frame && frames) return "render takes --frame or --frames, not both";
    if (frame) {
        long long n = 0;
        if (!parseInteger(*frame, INT32_MIN, INT32_MAX, n))
            return "--frame takes a 32-bit signed integer, not '" + *frame + "'";
        request.first = request.last = std::int32_t(n);
    }
    if (frames) {
        const std::size_t colon = frames->find(':');
        long long first = 0, last = 0;
        if (colon == std::string::npos ||
            !parseInteger(frames->substr(0, colon), 0, INT32_MAX, first) ||
            !parseInteger(frames->substr(colon + 1), first, INT32_MAX, last))
            return "--frames takes A:B with 0 <= A <= B, not '" + *frames + "'";
        request.first = std::int32_t(first);
        request.last = std::int32_t(last);
        request.numbered = true;
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

// OUT itself for one frame; for --frames, OUT with "-" and the frame number, zero-padded to the
// width of the last frame's number, before its extension: frame.png gives frame-0005.png.
std::string outputName(const RenderRequest& request, std::int32_t frame) {
    if (!request.numbered) return request.output;
    const int digits = std::snprintf(nullptr, 0, "%d", request.last);
    char number[16];
    std::snprintf(number, sizeof number, "-%0*d", digits, frame);
    const std::filesystem::path path(request.output);
    std::filesystem::path name = path.stem();
    name += number;
    name += path.extension();
    return (path.parent_path() / name).string();
}

// The offset of the stage record in force, for a complaint about the stage it set.
std::uint64_t stageRecordOffset(const Inspection& inspection) {
    std::uint64_t offset = 0;
    for (const ChunkRecord& chunk : inspection.chunks)
        if (chunk.tag == "P_DT" && chunk.result == ChunkResult::applied) offset = chunk.offset;
    return inspection.source.offset + offset;
}

} // namespace

int runRender(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {"--stretch"},
                        {"-o", "--frame", "--frames", "--screen", "--preview"}, parsed, error))
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

    for (std::int64_t frame = request.first; frame <= request.last; ++frame) {
        player.currentFrame = std::int32_t(frame);
        composeFrame(player, stage);
        const SoftCanvas* picture = &stage;
        if (presented) {
            // The window's erase leaves it black wherever the stage does not land.
            window.fill(0, 0, window.width(), window.height(), 0);
            presentStage(player, stage, window, client.width, client.height,
                         request.screenSize.width, request.screenSize.height);
            picture = &window;
        }
        const std::string name = outputName(request, std::int32_t(frame));
        std::string problem;
        if (!writePng(name, *picture, problem)) return fileError(name, problem);
    }
    const std::int64_t count = std::int64_t(request.last) - request.first + 1;
    if (request.numbered)
        std::printf("%lld files written, %s to %s\n", static_cast<long long>(count),
                    outputName(request, request.first).c_str(),
                    outputName(request, request.last).c_str());
    return exitDone;
}

} // namespace cinefold
