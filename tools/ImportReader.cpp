// Reading an animated GIF or a sprite sheet as a project to start from. An animated GIF becomes
// one cel group that cycles its pictures at their delays; a sprite sheet is cut into cels that the
// group shows one a frame. The stage has the size of the GIF or of one cel, and layer 1 shows the
// group in its middle for one cycle, after which the animation starts over. Transparent pixels
// become masks, showing the stage's black.
//
// Delays are quantised to the frame period of 100 ms (framePeriod 1; the saver's only finer
// period, framePeriod 0, ticks every millisecond, which no system timer keeps up with): a
// picture starts at its start time rounded to the nearest 100 ms, and a picture that would then
// last no frame at all gives way to the next.

#include "ImportReader.h"

#include "project/BmpFile.h"

#include "container/DecodeBuffer.h"

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

namespace cinefold {

namespace {

constexpr int maxImages = 100;
// The pixels an imported picture may have, and all the pictures together: what the image store
// would take, and what a container comfortably holds.
constexpr std::uint64_t maxPicturePixels = std::uint64_t(DecodeBuffer::maxDecodedSize) / 4;
constexpr std::uint64_t maxTotalPixels = std::uint64_t(64) << 20;
constexpr std::int32_t framePeriodMs = 100;

// A picture as four bytes a pixel (red, green, blue, alpha), rows top first.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
};

// The project's image `number` from a picture: its colours, black where it is transparent, and
// a mask where any pixel is.
ProjectImage projectImage(int number, const Picture& picture) {
    const std::size_t count = std::size_t(picture.width) * std::size_t(picture.height);
    std::vector<Rgb> rgb(count);
    std::vector<std::uint8_t> transparent(count);
    bool anyTransparent = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = &picture.rgba[4 * i];
        transparent[i] = p[3] < 128;
        anyTransparent = anyTransparent || transparent[i];
        if (!transparent[i]) rgb[i] = {p[0], p[1], p[2]};
    }
    ProjectImage image;
    image.number = number;
    image.bmp = makeBmp24(picture.width, picture.height, rgb);
    if (anyTransparent) image.mask = makeMask(picture.width, picture.height, transparent);
    return image;
}

// The project: `pictures` as images 1..n, group 1 showing image cels[i] from frame starts[i] of
// a cycle of `length` frames, layer 1 showing group 1 in the middle of the stage.
Project projectOf(int width, int height, const std::vector<Picture>& pictures,
                  const std::vector<int>& cels, const std::vector<std::int32_t>& starts,
                  std::int32_t length) {
    Project project;
    project.stage = {width, height, 0, 1, 1, 1000};
    for (std::size_t i = 0; i < pictures.size(); ++i)
        project.images.push_back(projectImage(int(i) + 1, pictures[i]));
    ProjectGroup group{1, {}};
    for (std::size_t i = 0; i < cels.size(); ++i)
        group.cels.push_back({cels[i], starts[i], width, height});
    // A cycle lasts until the last cel's start and one frame more: the last picture is repeated
    // at the cycle's last frame so that it lasts as long as its delay says.
    if (starts.back() < length - 1) group.cels.push_back({cels.back(), length - 1, width, height});
    project.groups.push_back(group);
    const std::int32_t x = width / 2, y = height / 2;
    std::vector<KeyRecord> keys{{0, 1, x, y, 1000, 1000, 0, 1, 0, 0}};
    if (length > 1) keys.push_back({0, 1, x, y, 1000, 1000, 0, 0, 0, length - 1});
    project.layers.push_back({1, keys});
    return project;
}

bool tooLarge(std::uint64_t width, std::uint64_t height, std::string& problem) {
    if (width * height <= maxPicturePixels) return false;
    problem = std::to_string(width) + " x " + std::to_string(height) + " is " +
              std::to_string(width * height) + " pixels; a picture may have at most " +
              std::to_string(maxPicturePixels);
    return true;
}

// ---- GIF ------------------------------------------------------------------------------------

struct GifInput {
    Bytes file;
    std::size_t position = 0;
};

int readGifBytes(GifFileType* gif, GifByteType* out, int count) {
    auto* input = static_cast<GifInput*>(gif->UserData);
    const std::size_t n = std::min(std::size_t(count), input->file.size() - input->position);
    std::memcpy(out, input->file.data() + input->position, n);
    input->position += n;
    return int(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

std::string gifProblem(const GifFileType* gif, int code) {
    const char* text = GifErrorString(gif ? gif->Error : code);
    return std::string("a broken GIF file: ") + (text ? text : "unknown error");
}

// What a GIF shows: its screen's size, each different picture once, and for each frame the
// picture it shows and for how long.
struct GifFrames {
    int width = 0, height = 0;
    std::vector<Picture> pictures;
    std::vector<std::size_t> digests;   // of each picture's pixels, to find a repeat quickly
    std::vector<int> shown;             // per frame: its picture's index
    std::vector<std::int32_t> delaysMs; // per frame
};

std::size_t digestOf(const std::vector<std::uint8_t>& bytes) {
    return std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Adds the screen as the next frame's picture: an earlier picture when it is the same.
bool addShown(GifFrames& gif, const Picture& screen, std::string& problem) {
    const std::size_t digest = digestOf(screen.rgba);
    for (std::size_t i = 0; i < gif.pictures.size(); ++i)
        if (gif.digests[i] == digest && gif.pictures[i].rgba == screen.rgba) {
            gif.shown.push_back(int(i));
            return true;
        }
    if (gif.pictures.size() == maxImages ||
        std::uint64_t(gif.pictures.size() + 1) * gif.width * gif.height > maxTotalPixels) {
        problem = "more different pictures than an animation holds (at most " +
                  std::to_string(maxImages) + ", and " + std::to_string(maxTotalPixels) +
                  " pixels in all)";
        return false;
    }
    gif.shown.push_back(int(gif.pictures.size()));
    gif.pictures.push_back(screen);
    gif.digests.push_back(digest);
    return true;
}

// The GIF's frames as a viewer shows them, composed from the frames' rectangles by their
// disposal on a screen that starts transparent. The work is bounded whatever the file claims:
// the pictures kept by maxImages and maxTotalPixels, the pixels walked by maxWalked.
bool readGif(Bytes file, std::uint64_t maxWalked, GifFrames& frames, std::string& problem) {
    GifInput input{file};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&input, readGifBytes, &error));
    if (!gif) {
        problem = gifProblem(nullptr, error);
        return false;
    }
    int& width = frames.width;
    int& height = frames.height;
    width = gif->SWidth;
    height = gif->SHeight;
    if (width <= 0 || height <= 0) {
        problem = "a GIF of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
        return false;
    }
    if (tooLarge(std::uint64_t(width), std::uint64_t(height), problem)) return false;
    Picture screen{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4, 0)};
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    std::vector<GifPixelType> line;
    std::uint64_t walked = 0;
    for (GifRecordType record = UNDEFINED_RECORD_TYPE; record != TERMINATE_RECORD_TYPE;) {
        if (DGifGetRecordType(gif.get(), &record) != GIF_OK) {
            problem = gifProblem(gif.get(), 0);
            return false;
        }
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) != GIF_OK) {
                problem = gifProblem(gif.get(), 0);
                return false;
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
                DGifExtensionToGCB(block[0], block + 1, &control);
            while (block)
                if (DGifGetExtensionNext(gif.get(), &block) != GIF_OK) {
                    problem = gifProblem(gif.get(), 0);
                    return false;
                }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif.get()) != GIF_OK) {
            problem = gifProblem(gif.get(), 0);
            return false;
        }
        const GifImageDesc& desc = gif->Image;
        const ColorMapObject* colours = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (desc.Width <= 0 || desc.Height <= 0 ||
            tooLarge(std::uint64_t(desc.Width), std::uint64_t(desc.Height), problem)) {
            if (problem.empty()) problem = "a GIF frame of no pixels";
            return false;
        }
        walked += std::uint64_t(desc.Width) * desc.Height + std::uint64_t(width) * height;
        if (walked > maxWalked) {
            problem = "frames of more than " + std::to_string(maxWalked) +
                      " pixels in all, screens included";
            return false;
        }
        Picture before; // for a frame disposed to the previous picture
        if (control.DisposalMode == DISPOSE_PREVIOUS) before = screen;
        line.resize(std::size_t(desc.Width));
        // Interlaced rows come in four passes: every 8th from 0, every 8th from 4, every 4th
        // from 2, every 2nd from 1.
        static const int passStart[] = {0, 4, 2, 1}, passStep[] = {8, 8, 4, 2};
        const int passes = desc.Interlace ? 4 : 1;
        for (int pass = 0; pass < passes; ++pass)
            for (int row = desc.Interlace ? passStart[pass] : 0; row < desc.Height;
                 row += desc.Interlace ? passStep[pass] : 1) {
                if (DGifGetLine(gif.get(), line.data(), desc.Width) != GIF_OK) {
                    problem = gifProblem(gif.get(), 0);
                    return false;
                }
                const int y = desc.Top + row;
                if (y < 0 || y >= height) continue; // outside the screen: not shown
                for (int column = 0; column < desc.Width; ++column) {
                    const int x = desc.Left + column;
                    const int index = line[std::size_t(column)];
                    if (x < 0 || x >= width || index == control.TransparentColor) continue;
                    std::uint8_t* p = &screen.rgba[(std::size_t(y) * width + x) * 4];
                    if (!colours || index >= colours->ColorCount) {
                        std::memset(p, 0, 3); // beyond the colour table: black, as viewers show
                    } else {
                        p[0] = colours->Colors[index].Red;
                        p[1] = colours->Colors[index].Green;
                        p[2] = colours->Colors[index].Blue;
                    }
                    p[3] = 255;
                }
            }
        if (!addShown(frames, screen, problem)) return false;
        // Browsers show a frame of less than 20 ms for 100 ms, and authors rely on it.
        frames.delaysMs.push_back(control.DelayTime < 2 ? 100 : control.DelayTime * 10);
        if (control.DisposalMode == DISPOSE_BACKGROUND) {
            for (int y = std::max(desc.Top, 0); y < std::min(desc.Top + desc.Height, height); ++y)
                for (int x = std::max(desc.Left, 0); x < std::min(desc.Left + desc.Width, width);
                     ++x)
                    std::memset(&screen.rgba[(std::size_t(y) * width + x) * 4], 0, 4);
        } else if (control.DisposalMode == DISPOSE_PREVIOUS) {
            screen = std::move(before);
        }
        control = {DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    }
    if (frames.shown.empty()) {
        problem = "a GIF with no pictures";
        return false;
    }
    return true;
}

} // namespace

bool importGif(Bytes file, Project& project, std::string& note, std::string& problem,
               std::uint64_t maxWalked) {
    GifFrames gif;
    if (!readGif(file, maxWalked, gif, problem)) return false;
    std::vector<int> cels;
    std::vector<std::int32_t> starts;
    std::int64_t elapsedMs = 0;
    int merged = 0;
    for (std::size_t i = 0; i < gif.shown.size(); ++i) {
        const std::int32_t start = std::int32_t((elapsedMs + framePeriodMs / 2) / framePeriodMs);
        elapsedMs += gif.delaysMs[i];
        if (!starts.empty() && starts.back() == start) { // the one before lasts no frame
            cels.pop_back();
            starts.pop_back();
            ++merged;
        }
        cels.push_back(gif.shown[i] + 1);
        starts.push_back(start);
    }
    const std::int32_t length = std::max<std::int32_t>(
        std::int32_t((elapsedMs + framePeriodMs / 2) / framePeriodMs), starts.back() + 1);
    project = projectOf(gif.width, gif.height, gif.pictures, cels, starts, length);
    note = std::to_string(gif.shown.size()) + " frames, " + std::to_string(gif.pictures.size()) +
           " different pictures, a cycle of " + std::to_string(length) + " frames of 100 ms";
    if (merged)
        note += "; " + std::to_string(merged) + " frames shorter than 100 ms give way to the next";
    return true;
}

namespace {

// ---- Sprite sheets --------------------------------------------------------------------------

bool readPng(Bytes file, Picture& picture, std::string& problem) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) {
        problem = std::string("not a PNG file that reads: ") + image.message;
        return false;
    }
    if (tooLarge(image.width, image.height, problem)) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    picture.width = int(image.width);
    picture.height = int(image.height);
    picture.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr)) {
        problem = std::string("a broken PNG file: ") + image.message;
        return false;
    }
    return true;
}

// Cuts the sheet into columns x rows cels, left to right and top to bottom, one a frame.
bool sheetProject(const Picture& sheet, int columns, int rows, Project& project, std::string& note,
                  std::string& problem) {
    const int width = sheet.width / columns, height = sheet.height / rows;
    if (columns * rows > maxImages) {
        problem = std::to_string(columns) + " x " + std::to_string(rows) + " is " +
                  std::to_string(columns * rows) + " cels; an animation holds at most " +
                  std::to_string(maxImages) + " images";
        return false;
    }
    std::vector<Picture> pictures;
    std::vector<int> cels;
    std::vector<std::int32_t> starts;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            Picture cel{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
            for (int y = 0; y < height; ++y)
                std::memcpy(&cel.rgba[std::size_t(y) * width * 4],
                            &sheet.rgba[((std::size_t(row) * height + y) * sheet.width +
                                         std::size_t(column) * width) *
                                        4],
                            std::size_t(width) * 4);
            pictures.push_back(std::move(cel));
            cels.push_back(int(pictures.size()));
            starts.push_back(std::int32_t(pictures.size()) - 1);
        }
    project = projectOf(width, height, pictures, cels, starts, std::int32_t(pictures.size()));
    note = std::to_string(pictures.size()) + " cels of " + std::to_string(width) + " x " +
           std::to_string(height) + ", one a frame of 100 ms";
    return true;
}
} // namespace

bool importSheet(Bytes file, const SheetCut& cut, Project& project, std::string& note,
                 std::string& problem) {
    Picture picture;
    if (!readPng(file, picture, problem)) return false;
    // A grid divides the sheet, a cell size measures it: either must come out whole.
    const long long across = cut.byGrid ? cut.a : picture.width / cut.a;
    const long long down = cut.byGrid ? cut.b : picture.height / cut.b;
    if (across == 0 || down == 0 || across * (picture.width / across) != picture.width ||
        down * (picture.height / down) != picture.height ||
        (!cut.byGrid && (picture.width % cut.a || picture.height % cut.b))) {
        problem = "a sheet of " + std::to_string(picture.width) + " x " +
                  std::to_string(picture.height) + " does not cut into " +
                  (cut.byGrid ? cut.text + " cels" : "cels of " + cut.text);
        return false;
    }
    return sheetProject(picture, int(across), int(down), project, note, problem);
}

} // namespace cinefold
