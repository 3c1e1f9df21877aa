// cinefold render to GIF and WebP, run as a program and read back with giflib and libwebp's
// demuxer: the frames must be the compositor's pictures of the same frames, at the timer period.

#include "BmpBytes.h"
#include "TimelineBytes.h"
#include "ToolRunner.h"

#include "container/ContainerWriter.h"
#include "player/FrameCompositor.h"
#include "player/LoadAnimation.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <webp/demux.h>

#include <cstdlib>

using namespace cinefold;
using namespace cinefold::test;

namespace {

using Picture = std::vector<std::uint8_t>; // red, green, blue bytes, rows top first

// Whole frames, and each frame's delay in the file's own unit.
struct Animation {
    std::vector<Picture> frames;
    std::vector<int> delays;
};

// Lays each GIF frame over the last, leaving transparent pixels, as a viewer does for frames
// that are not disposed.
Animation readGif(const std::string& path) {
    Animation a;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif || DGifSlurp(gif) != GIF_OK) return a;
    Picture screen(std::size_t(gif->SWidth) * gif->SHeight * 3, 0);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        const GifImageDesc& d = image.ImageDesc;
        GraphicsControlBlock control{};
        DGifSavedExtensionToGCB(gif, i, &control);
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        for (int p = 0; p < d.Width * d.Height; ++p) {
            const int index = image.RasterBits[p];
            if (index == control.TransparentColor) continue;
            const GifColorType c = map->Colors[index];
            const int x = d.Left + p % d.Width, y = d.Top + p / d.Width;
            std::uint8_t* s = &screen[(std::size_t(y) * gif->SWidth + x) * 3];
            s[0] = c.Red, s[1] = c.Green, s[2] = c.Blue;
        }
        a.frames.push_back(screen);
        a.delays.push_back(control.DelayTime);
    }
    DGifCloseFile(gif, &error);
    return a;
}

Animation readWebp(const std::string& path) {
    Animation a;
    ByteVector bytes;
    FileProblem problem;
    if (!readWholeFile(path, bytes, problem)) return a;
    const WebPData data{bytes.data(), bytes.size()};
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, nullptr);
    WebPAnimInfo info;
    std::uint8_t* rgba = nullptr;
    for (int time = 0, before = 0; decoder && WebPAnimDecoderGetInfo(decoder, &info) &&
                                   WebPAnimDecoderGetNext(decoder, &rgba, &time);
         before = time) {
        Picture& frame = a.frames.emplace_back();
        for (std::size_t p = 0; p < std::size_t(info.canvas_width) * info.canvas_height; ++p)
            frame.insert(frame.end(), rgba + 4 * p, rgba + 4 * p + 3);
        a.delays.push_back(time - before);
    }
    WebPAnimDecoderDelete(decoder);
    return a;
}

// An 80 x 48 stage on which two copies of a sprite move one pixel a frame from frame 0 to 11,
// one in the top left corner and one in the bottom right, so that every frame but the first
// differs and the stage between them stays as it was. The sprite's pixels are all different
// colours: 8 x 8 of them fit a GIF palette, 24 x 16 do not.
ContainerContent movingSprite(std::int32_t width, std::int32_t height, std::uint32_t period = 1) {
    ContainerContent c;
    c.stage = {{80, 48, 0x00604020, 0, period, 40}};
    ByteVector schedule, rows;
    std::int16_t layer = 0;
    for (const auto& [x, y] : {std::pair{12, 8}, std::pair{56, 40}})
        putSection(schedule, ++layer,
                   {key(0, 1, x, y, width, height), key(11, 1, x + 11, y, width, height)});
    c.schedule = schedule;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rows.insert(rows.end(), {128, std::uint8_t(y * 15), std::uint8_t(x * 10)});
    c.images.push_back({1, storedBlock(picture(width, height, 24, {}, rows))});
    return c;
}

// What the compositor draws at frames 0 to count - 1.
std::vector<Picture> composed(const ContainerContent& content, int count) {
    const ByteVector bytes = writeContainer(content);
    Player player;
    ContainerSource source;
    FileProblem problem;
    EXPECT_TRUE(loadAnimationBytes(player, bytes, source, problem));
    SoftCanvas stage(player.stageWidth, player.stageHeight);
    auto frames = std::vector<Picture>(std::size_t(count));
    for (int f = 0; f < count; ++f) {
        player.currentFrame = f;
        composeFrame(player, stage);
        for (std::int32_t y = 0; y < stage.height(); ++y)
            for (const std::uint8_t* p = stage.row(y); p < stage.row(y) + 3 * stage.width(); p += 3)
                frames[std::size_t(f)].insert(frames[std::size_t(f)].end(), {p[2], p[1], p[0]});
    }
    return frames;
}

using ToolAnimation = TempFolder;

} // namespace

TEST_F(ToolAnimation, FramesAreTheComposedPicturesAtTheTimerPeriod) {
    struct Case {
        const char* name;
        std::int32_t spriteWidth, spriteHeight;
        const char* options;
        Animation (*read)(const std::string&);
        int delay;
        double tolerance; // mean error a channel; 0 for pixels kept exactly
    } cases[] = {
        {"exact.gif", 8, 8, "", readGif, 10, 0},
        {"exact.webp", 8, 8, "", readWebp, 100, 0},
        {"many.webp", 24, 16, "", readWebp, 100, 0},
        {"many.gif", 24, 16, "", readGif, 10, 4},
        {"lossy.webp", 24, 16, " --quality 90", readWebp, 100, 6},
    };
    for (const Case& c : cases) {
        const ContainerContent content = movingSprite(c.spriteWidth, c.spriteHeight);
        Output result = runTool("render " + write("in.cfc", writeContainer(content)) +
                                " --frames 2:9" + c.options + " -o " + path(c.name));
        ASSERT_EQ(result.status, 0) << c.name;
        EXPECT_NE(result.text.find("8 frames"), std::string::npos) << result.text;
        const Animation a = c.read(path(c.name));
        const auto expected = composed(content, 10);
        ASSERT_EQ(a.frames.size(), 8u) << c.name;
        EXPECT_EQ(a.delays, std::vector<int>(8, c.delay)) << c.name;
        for (std::size_t f = 0; f < 8; ++f) {
            double error = 0;
            for (std::size_t i = 0; i < a.frames[f].size(); ++i)
                error += std::abs(int(a.frames[f][i]) - int(expected[f + 2][i]));
            EXPECT_LE(error / double(a.frames[f].size()), c.tolerance) << c.name << " frame " << f;
        }
    }
}

// The GIF's pipeline: whatever the number of threads, the same bytes, here for frames that need
// their colours chosen and frames that do not.
TEST_F(ToolAnimation, GifIsTheSameForAnyNumberOfThreads) {
    for (const auto& [width, height] : {std::pair{8, 8}, std::pair{24, 16}}) {
        const std::string file = write("in.cfc", writeContainer(movingSprite(width, height)));
        ByteVector bytes[3];
        for (const int threads : {1, 2, 5}) {
            const std::string out = path("t" + std::to_string(threads) + ".gif");
            ASSERT_EQ(runTool("render " + file + " --frames 0:11 --threads " +
                              std::to_string(threads) + " -o " + out)
                          .status,
                      0);
            FileProblem problem;
            ASSERT_TRUE(readWholeFile(out, bytes[threads / 2], problem));
        }
        EXPECT_EQ(bytes[0], bytes[1]) << width;
        EXPECT_EQ(bytes[0], bytes[2]) << width;
    }
}

// One pass runs from frame 0 until the sequencer comes back to a frame already shown: after the
// last keyframe (11) it wraps to 0, and a jump from 8 back to 3 closes the pass after frame 8.
// Counted in a GIF, which keeps frames 0 and 1 apart although they show the same picture. At the
// 1 ms period of a frame period of 0, the hundredths carry the remainder: the tenth frame gets
// the hundredth that the others add up to.
TEST_F(ToolAnimation, AllFramesAreOnePassOfTheSequence) {
    for (const auto& [jumpFrom, frames] : {std::pair{-1, 12u}, std::pair{8, 9u}}) {
        ContainerContent content = movingSprite(8, 8, 0);
        ByteVector jumps;
        for (int i = 0; i < 40; ++i)
            put32(jumps, i == jumpFrom ? 3 : 0xFFFFFFFFu);
        content.jumpTable = jumps;
        const std::string file = write("in.cfc", writeContainer(content));
        ASSERT_EQ(runTool("render " + file + " --frames all -o " + path("a.gif")).status, 0);
        std::vector<int> delays(frames, 0);
        if (frames > 9) delays[9] = 1;
        EXPECT_EQ(readGif(path("a.gif")).delays, delays) << "jump from " << jumpFrom;
    }
}
