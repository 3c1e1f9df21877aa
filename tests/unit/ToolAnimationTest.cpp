// cinefold render to GIF and WebP, run as a program and read back with giflib and libwebp's
// demuxer: the frames must be the compositor's pictures of the same frames, at the timer period.

#include "BmpBytes.h"
#include "TimelineBytes.h"
#include "ToolRunner.h"

#include "container/ContainerFile.h"
#include "container/ContainerWriter.h"
#include "player/FrameCompositor.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <webp/demux.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>
#include <unistd.h>

using namespace cinefold;
using namespace cinefold::test;
namespace fs = std::filesystem;

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
        GraphicsControlBlock control{};
        DGifSavedExtensionToGCB(gif, i, &control);
        const ColorMapObject* map =
            image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        const GifImageDesc& d = image.ImageDesc;
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x) {
                const int index = image.RasterBits[y * d.Width + x];
                if (index == control.TransparentColor) continue;
                const GifColorType c = map->Colors[index];
                std::uint8_t* p = &screen[(std::size_t(d.Top + y) * gif->SWidth + d.Left + x) * 3];
                std::tie(p[0], p[1], p[2]) = std::tuple(c.Red, c.Green, c.Blue);
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
    if (!decoder) return a;
    WebPAnimInfo info;
    WebPAnimDecoderGetInfo(decoder, &info);
    std::uint8_t* rgba = nullptr;
    int timestamp = 0, before = 0;
    while (WebPAnimDecoderGetNext(decoder, &rgba, &timestamp)) {
        Picture& frame = a.frames.emplace_back();
        for (std::size_t p = 0; p < std::size_t(info.canvas_width) * info.canvas_height; ++p)
            frame.insert(frame.end(), rgba + 4 * p, rgba + 4 * p + 3);
        a.delays.push_back(timestamp - before);
        before = timestamp;
    }
    WebPAnimDecoderDelete(decoder);
    return a;
}

// An 80 x 48 stage on which two copies of a sprite move one pixel a frame from frame 0 to 11,
// one in the top left corner and one in the bottom right, so that every frame but the first
// differs and the stage between them stays as it was. The sprite's pixels are all different
// colours: 8 x 8 of them fit a GIF palette, 24 x 16 do not.
ContainerContent movingSprite(std::int32_t spriteWidth, std::int32_t spriteHeight,
                              std::uint32_t framePeriod = 1) {
    ContainerContent c;
    c.stage = {{80, 48, 0x00604020, 0, framePeriod, 40}};
    ByteVector schedule;
    for (std::int16_t layer : {1, 2})
        putSection(
            schedule, layer,
            {key(0, 1, layer == 1 ? 12 : 56, layer == 1 ? 8 : 40, spriteWidth, spriteHeight),
             key(11, 1, layer == 1 ? 23 : 67, layer == 1 ? 8 : 40, spriteWidth, spriteHeight)});
    c.schedule = schedule;
    ByteVector rows;
    for (int y = 0; y < spriteHeight; ++y)
        for (int x = 0; x < spriteWidth; ++x)
            rows.insert(rows.end(),
                        {std::uint8_t(128), std::uint8_t(y * 15), std::uint8_t(x * 10)});
    c.images.push_back({1, storedBlock(picture(spriteWidth, spriteHeight, 24, {}, rows))});
    return c;
}

class ToolAnimation : public testing::Test {
  protected:
    void SetUp() override {
        directory_ = fs::temp_directory_path() /
                     ("cinefold-animation-" + std::to_string(getpid()) + "-" +
                      testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(directory_);
        fs::create_directories(directory_);
    }
    void TearDown() override { fs::remove_all(directory_); }

    std::string write(const ContainerContent& content) {
        const std::string path = (directory_ / "in.cfc").string();
        FileProblem problem;
        EXPECT_TRUE(writeWholeFile(path, writeContainer(content), problem));
        return path;
    }
    std::string out(const std::string& name) { return (directory_ / name).string(); }

    fs::path directory_;
};

// What the compositor draws at frames 0 to count - 1.
std::vector<Picture> composed(const ContainerContent& content, int count) {
    const ByteVector bytes = writeContainer(content);
    Player player;
    player.adoptContainer(std::make_unique<std::uint8_t[]>(bytes.size()),
                          std::uint32_t(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), player.containerBuffer.get());
    player.walkChunks();
    SoftCanvas stage(player.stageWidth, player.stageHeight);
    auto frames = std::vector<Picture>(std::size_t(count));
    for (int f = 0; f < count; ++f) {
        player.currentFrame = f;
        composeFrame(player, stage);
        for (std::int32_t y = 0; y < stage.height(); ++y)
            for (std::int32_t x = 0; x < stage.width(); ++x) {
                const std::uint8_t* p = stage.row(y) + 3 * x;
                frames[std::size_t(f)].insert(frames[std::size_t(f)].end(), {p[2], p[1], p[0]});
            }
    }
    return frames;
}

double meanError(const Picture& a, const Picture& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

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
        Output result = runTool("render " + write(content) + " --frames 2:9" + c.options + " -o " +
                                out(c.name));
        ASSERT_EQ(result.status, 0) << c.name;
        EXPECT_NE(result.text.find("8 frames"), std::string::npos) << result.text;
        const Animation a = c.read(out(c.name));
        const auto expected = composed(content, 10);
        ASSERT_EQ(a.frames.size(), 8u) << c.name;
        EXPECT_EQ(a.delays, std::vector<int>(8, c.delay)) << c.name;
        for (std::size_t f = 0; f < 8; ++f) {
            if (c.tolerance == 0) {
                EXPECT_EQ(a.frames[f], expected[f + 2]) << c.name << " frame " << f;
            } else {
                EXPECT_LT(meanError(a.frames[f], expected[f + 2]), c.tolerance) << c.name;
            }
        }
    }
}

// At the 1 ms period of a frame period of 0, a GIF's hundredths carry the remainder: one frame in
// ten gets the hundredth that the others add up to.
TEST_F(ToolAnimation, GifDelaysCarryWhatHundredthsCannotHold) {
    ASSERT_EQ(
        runTool("render " + write(movingSprite(8, 8, 0)) + " --frames 0:11 -o " + out("a.gif"))
            .status,
        0);
    std::vector<int> expected(12, 0);
    expected[9] = 1;
    EXPECT_EQ(readGif(out("a.gif")).delays, expected);
}

// One pass runs from frame 0 until the sequencer comes back to a frame already shown: after the
// last keyframe (11) it wraps to 0, and a jump from 8 back to 3 closes the pass after frame 8.
// Counted in a GIF, which keeps frames 0 and 1 apart although they show the same picture.
TEST_F(ToolAnimation, AllFramesAreOnePassOfTheSequence) {
    for (const auto& [jumpFrom, frames] : {std::pair{-1, 12u}, std::pair{8, 9u}}) {
        ContainerContent content = movingSprite(8, 8);
        ByteVector jumps;
        for (int i = 0; i < 40; ++i)
            put32(jumps, i == jumpFrom ? 3 : 0xFFFFFFFFu);
        content.jumpTable = jumps;
        ASSERT_EQ(runTool("render " + write(content) + " --frames all -o " + out("a.gif")).status,
                  0);
        EXPECT_EQ(readGif(out("a.gif")).frames.size(), frames) << "jump from " << jumpFrom;
    }
}

TEST_F(ToolAnimation, WrongUsageExitsWithTwoAndABadFileWithOne) {
    const std::string file = write(movingSprite(8, 8));
    for (const char* arguments :
         {" -o a.gif", " --frame 3 -o a.webp", " --frames all -o a.png", " --frames all -o a.bmp",
          " --frames 0:3 --quality 50 -o a.gif", " --frames 0:3 --quality 101 -o a.webp",
          " --frames 0:100000 -o a.gif"})
        EXPECT_EQ(runTool("render " + file + arguments).status, 2) << arguments;
    EXPECT_EQ(runTool("render " + out("missing.cfc") + " --frames all -o " + out("a.gif")).status,
              1);
    EXPECT_EQ(runTool("render " + file + " --frames all -o " + out("no/such/dir.gif")).status, 1);
}
