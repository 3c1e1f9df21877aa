// The cinefold tool's container commands (info, extract, render, bundle), run as a program on
// files that the test writes, checked as a user reads them: JSON, pictures and files written,
// exit status, error lines.

#include "BmpBytes.h"
#include "TimelineBytes.h"
#include "ToolRunner.h"

#include "container/ContainerFile.h"
#include "container/PeResources.h"
#include "container/RunLengthEncoder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <png.h>

#include <filesystem>
#include <regex>
#include <set>
#include <tuple>

using namespace cinefold;
using namespace cinefold::test;
using Json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

using ToolContainer = TempFolder;

// A PNG file's pixels as 0xRRGGBB, rows top first; empty when it does not read.
struct Png {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint8_t> rgb;

    explicit Png(const std::string& path) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, path.c_str())) return;
        image.format = PNG_FORMAT_RGB;
        rgb.resize(PNG_IMAGE_SIZE(image));
        if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
            width = image.width;
            height = image.height;
        } else {
            rgb.clear();
        }
    }
    std::uint32_t at(std::uint32_t x, std::uint32_t y) const {
        const std::uint8_t* p = rgb.data() + (std::size_t(y) * width + x) * 3;
        return std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    }
};

const ByteVector schedule(48, 0); // one empty key record in the background section

// A container with one chunk of every outcome, and images of every way of being kept or not.
ByteVector mixedContainer() {
    ByteVector list;
    putImageEntry(list, 1, storedBlock(bmpImage(6, 3, 24)));
    putImageEntry(list, 101, storedBlock(bmpImage(6, 3, 1)));
    putImageEntry(list, 0, storedBlock(bmpImage(2, 2, 24)));                     // no slot
    putImageEntry(list, 100, encodeRunLengthImage(bmpImage(5, 4, 8, 16, 3), 8)); // palette, rle8
    ByteVector refused = storedBlock({1, 2, 3});
    refused[12] = 2; // spareFlag 2
    ByteVector c = containerHeader(0);
    putChunk(c, "P_DT", stageRecord(320, 240, 0x00123456, 2, 3, 1000));
    putChunk(c, "SCHE", storedBlock(schedule));
    putChunk(c, "GRP_", refused);
    putChunk(c, "ABCD", ByteVector(5, 0));
    putChunk(c, "BMP_", list);
    putChunk(c, "JP__", ByteVector(100, 0)); // reaches past the end
    c.resize(c.size() - 50);
    set32(c, 8, std::uint32_t(c.size()));
    return c;
}

// An 8 x 6 stage of colour 0x563412 (0x00123456 as a colour reference) on which a red 2 x 2
// sprite stands in the top left corner at frame 8, nowhere at frame 9 and in the bottom right
// corner at frame 10.
ByteVector movingSprite(std::int32_t stageWidth = 8, std::int32_t stageHeight = 6) {
    ByteVector schedule;
    putSection(schedule, 1, {key(8, 0, 1, 1, 2, 2), key(10, 0, 7, 5, 2, 2)});
    ByteVector list;
    putImageEntry(list, 1, storedBlock(picture(2, 2, 8, {0xFF0000}, ByteVector(8, 0))));
    ByteVector c = containerHeader(0);
    putChunk(
        c, "P_DT",
        stageRecord(std::uint32_t(stageWidth), std::uint32_t(stageHeight), 0x00123456, 0, 1, 1000));
    putChunk(c, "SCHE", storedBlock(schedule));
    putChunk(c, "BMP_", list);
    set32(c, 8, std::uint32_t(c.size()));
    return c;
}

TEST_F(ToolContainer, InfoJsonReportsChunksStageAndStoredImages) {
    ByteVector container = mixedContainer();
    Output out = runTool("info " + write("mixed.cfc", container) + " --json");
    ASSERT_EQ(out.status, 0);
    Json info = Json::parse(out.text);
    EXPECT_EQ(info["source"],
              Json({{"kind", "container"}, {"offset", 0}, {"size", container.size()}}));
    EXPECT_EQ(info["walkLimit"], container.size());
    std::vector<std::string> results;
    for (const Json& chunk : info["chunks"])
        results.push_back(chunk["tag"].get<std::string>() + " " +
                          chunk["result"].get<std::string>());
    EXPECT_EQ(results,
              (std::vector<std::string>{"P_DT applied", "SCHE decoded", "GRP_ refused",
                                        "ABCD skipped", "BMP_ decoded", "JP__ truncated"}));
    EXPECT_EQ(info["chunks"][1]["decodedSize"], 48);
    EXPECT_TRUE(info["groups"].empty()); // the refused block contributes nothing
    EXPECT_FALSE(info["chunks"][2].contains("decodedSize"));
    EXPECT_EQ(info["chunks"][4]["offset"], 12 + (8 + 24) + (8 + 64) + (8 + 19) + (8 + 5));
    EXPECT_EQ(info["stage"], Json::parse(R"({"stageWidth": 320, "stageHeight": 240,
        "backColor": 1193046, "backMode": 2, "framePeriod": 3, "jumpLength": 1000})"));
    ASSERT_EQ(info["images"].size(), 2u);
    // 130 packed bytes: the block's 16, the bitmap's 54 of headers and three rows of 20.
    EXPECT_EQ(info["images"][0], Json::parse(R"({"number": 1, "width": 6, "height": 3,
        "bitCount": 24, "colors": 0, "mask": true, "codec": "stored", "packedSize": 130})"));
    EXPECT_EQ(info["images"][1]["number"], 100);
    EXPECT_EQ(info["images"][1]["colors"], 16);
    EXPECT_EQ(info["images"][1]["mask"], false);
    EXPECT_EQ(info["images"][1]["codec"], "rle8");
}

TEST_F(ToolContainer, DroppedPartsAreWarningsWithFileOffsetsNotFailures) {
    Output out = runTool("info " + write("mixed.cfc", mixedContainer()), true);
    EXPECT_EQ(out.status, 0);
    EXPECT_NE(out.text.find("offset 116: warning: chunk 2 \"GRP_\" refused"), std::string::npos)
        << out.text;
    EXPECT_NE(out.text.find("warning: image 0 dropped: image number 0 has no store slot"),
              std::string::npos);
    EXPECT_NE(out.text.find("\"JP__\" truncated"), std::string::npos);
}

// A command line of the table rows below: @ stands for the file and % for the test's folder.
std::string expand(const std::string& command, const std::string& file, const fs::path& folder) {
    return std::regex_replace(std::regex_replace(command, std::regex("@"), file), std::regex("%"),
                              folder.string());
}

TEST_F(ToolContainer, BadInputIsOneLineNamingFileOffsetAndProblem) {
    const ByteVector notContainer = {'V', 'E', 'K', 'O', '_', 'S', '1', '1', 0, 0, 0, 0};
    for (const auto& [command, bytes, message] :
         {std::tuple{"info @", notContainer, "offset 0: neither a container"},
          std::tuple{"info @", peWithResource(false, "RC_DATA", 107, {0xFF, 0xFF, 0xFF, 0xFF}),
                     "carries no animation yet"},
          // No bitmap can be made of this stage: the saver's window stays black, but there is
          // no stage to write.
          std::tuple{"render @ -o %/s.png", movingSprite(0, 6),
                     "offset 12: stage size 0 x 6 cannot be drawn"},
          std::tuple{"bundle @ @ -o %/none.scr", mixedContainer(), "not a PE file"}}) {
        const std::string file = write("bad.cfc", bytes);
        Output out = runTool(expand(command, file, folder_), true);
        EXPECT_EQ(out.status, 1) << command;
        EXPECT_TRUE(std::regex_match(out.text,
                                     std::regex("cinefold: " + file + ": offset [0-9]+: [^\n]+\n")))
            << out.text;
        EXPECT_NE(out.text.find(message), std::string::npos) << out.text;
    }
    EXPECT_FALSE(fs::exists(path("none.scr")));
    EXPECT_NE(runTool("info " + path("missing"), true).text.find("cannot open"), std::string::npos);
}

// Arguments that the tool cannot use exit with 2 before any file is read; a file that cannot be
// read or written exits with 1.
TEST_F(ToolContainer, WrongUsageExitsWithTwoAndAFileThatFailsWithOne) {
    const std::string file = write("mixed.cfc", mixedContainer());
    const std::pair<const char*, int> cases[] = {
        {"", 2},
        {"nonsense", 2},
        {"info", 2},
        {"info @ --yaml", 2},
        {"extract @", 2},
        {"extract @ -o", 2},
        {"bundle -o x", 2},
        {"bundle @ -o x --arch win16", 2},
        {"pack @ --saver @ --arch win32 -o x", 2},
        {"frame @", 2},
        {"frame @ --frame x", 2},
        {"sequence @ --ticks -1", 2},
        {"sequence @ --ticks 1 --clock 4294967296", 2},
        {"render @", 2},
        {"render @ --frame 1 --frames 1:2 -o x", 2},
        {"render @ --frames 3:2 -o x", 2},
        {"render @ --screen 0x5 -o x", 2},
        {"render @ --preview 5 -o x", 2},
        {"render @ --stretch -o x", 2},
        {"render @ -o x.gif", 2},
        {"render @ --frame 3 -o a.webp", 2},
        {"render @ --frames all -o a.png", 2},
        {"render @ --frames all -o a.bmp", 2},
        {"render @ --frames 0:3 --quality 50 -o a.gif", 2},
        {"render @ --frames 0:3 --quality 101 -o a.webp", 2},
        {"render @ --frames 0:100000 -o a.gif", 2},
        {"--help", 0},
        {"help nonsense", 2},
        {"sequence %/missing --ticks 1", 1},
        {"render @ --frames all -o %/no/such/dir.gif", 1},
    };
    for (const auto& [command, status] : cases)
        EXPECT_EQ(runTool(expand(command, file, folder_)).status, status) << command;
}

TEST_F(ToolContainer, ExtractWritesImagesAndMasksAsPngOrEveryDecodedPayloadAsItIs) {
    const std::string file = write("mixed.cfc", mixedContainer()), raw = path("raw"),
                      png = path("png");
    ASSERT_EQ(runTool("extract " + file + " -o " + raw + " --raw").status, 0);
    ASSERT_EQ(runTool("extract " + file + " -o " + png).status, 0);
    std::set<std::string> names; // numbered by chunk and entry in walk order
    for (const auto& entry : fs::directory_iterator(raw))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names,
              (std::set<std::string>{"c001-SCHE.bin", "c004-e000-n001.bmp", "c004-e001-n101.bmp",
                                     "c004-e002-n000.bmp", "c004-e003-n100.bmp"}));
    EXPECT_EQ(read(raw + "/c001-SCHE.bin"), schedule);
    EXPECT_EQ(read(raw + "/c004-e002-n000.bmp"), bmpImage(2, 2, 24)); // also what the store refused
    EXPECT_EQ(read(raw + "/c004-e003-n100.bmp"), bmpImage(5, 4, 8, 16, 3));
    // Palette pixels through their colour table (entry 3 of a grey ramp), a mask's 0 as black.
    for (const auto& [name, width, height, colour] :
         {std::tuple{"image-100.png", 5u, 4u, 0x030303u}, std::tuple{"mask-001.png", 6u, 3u, 0u}}) {
        Png picture(png + "/" + name);
        EXPECT_EQ(std::tuple(picture.width, picture.height), std::tuple(width, height)) << name;
        if (!picture.rgb.empty()) {
            EXPECT_EQ(picture.at(width - 1, height - 1), colour) << name;
        }
    }
    EXPECT_FALSE(fs::exists(png + "/mask-100.png"));
}

constexpr std::uint32_t stageColour = 0x563412, red = 0xFF0000;

TEST_F(ToolContainer, RenderComposesTheStageAtEachFrameIntoNumberedFiles) {
    Output out = runTool("render " + write("moving.cfc", movingSprite()) + " --frames 8:10 -o " +
                         path("f.png"));
    ASSERT_EQ(out.status, 0);
    struct Expect {
        const char* name;
        std::uint32_t topLeft, bottomRight;
    };
    for (const Expect& e :
         {Expect{"f-08.png", red, stageColour}, Expect{"f-09.png", stageColour, stageColour},
          Expect{"f-10.png", stageColour, red}}) {
        Png png(path(e.name));
        ASSERT_EQ(std::tuple(png.width, png.height), std::tuple(8u, 6u)) << e.name;
        EXPECT_EQ(png.at(0, 0), e.topLeft) << e.name;
        EXPECT_EQ(png.at(7, 5), e.bottomRight) << e.name;
    }
    EXPECT_FALSE(fs::exists(path("f-11.png")));
}

TEST_F(ToolContainer, RenderPresentsTheStageAsTheSaverShowsScreenAndPreview) {
    const std::string file = write("moving.cfc", movingSprite());
    struct Case {
        const char* options;
        std::uint32_t width, height;
        std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>> pixels; // x, y, rgb
    } cases[] = {
        // Centred at (2, 2), the screen black around it.
        {"--screen 12x10", 12, 10, {{1, 1, 0}, {2, 2, red}, {9, 7, stageColour}, {10, 8, 0}}},
        // Stretched in tenths: min(15, 16) = 15 gives 12 x 9 at (0, 0).
        {"--screen 12x10 --stretch", 12, 10, {{0, 0, red}, {2, 2, red}, {11, 8, stageColour}}},
        // The stage at (2, 2) on a black 12 x 10 picture, halved into the preview.
        {"--screen 12x10 --preview 6x5", 6, 5, {{0, 0, 0}, {1, 1, red}, {4, 3, stageColour}}},
    };
    for (const Case& c : cases) {
        const std::string picture = path("window.png");
        ASSERT_EQ(runTool("render " + file + " --frame 8 " + c.options + " -o " + picture).status,
                  0)
            << c.options;
        Png png(picture);
        ASSERT_EQ(std::tuple(png.width, png.height), std::tuple(c.width, c.height)) << c.options;
        for (const auto& [x, y, colour] : c.pixels)
            EXPECT_EQ(png.at(x, y), colour) << c.options << " at " << x << ", " << y;
    }
}

TEST_F(ToolContainer, BundledSaverReportsTheContainerItCarries) {
    ByteVector saver = peWithResource(true, "RC_DATA", 107, {0xFF, 0xFF, 0xFF, 0xFF});
    std::string bundled = path("out.scr");
    ASSERT_EQ(runTool("bundle " + write("in.scr", saver) + " " +
                      write("mixed.cfc", mixedContainer()) + " -o " + bundled)
                  .status,
              0);
    Output out = runTool("info " + bundled + " --json");
    ASSERT_EQ(out.status, 0);
    Json info = Json::parse(out.text);
    EXPECT_EQ(info["source"]["kind"], "executable");
    EXPECT_EQ(info["source"]["offset"], saver.size());
    EXPECT_EQ(info["stage"]["stageWidth"], 320);
}

TEST_F(ToolContainer, TitleAndCreditFillTheTemplatesSlotsAndWithoutThemItIsBundledAsBefore) {
    const std::string saverPath = CINEFOLD_TEMPLATE_DIR "/cinefold-template-win64.scr";
    if (!fs::exists(saverPath)) GTEST_SKIP() << "the build made no template saver";
    const ByteVector saver = read(saverPath), container = movingSprite();
    const std::string bundle = "bundle " + saverPath + " " + write("anim.cfc", container) + " ";
    ASSERT_EQ(runTool(bundle + "-o " + path("plain.scr")).status, 0);
    ByteVector before = saver; // what bundling did before savers carried texts
    storeU32le(before.data() + findOffsetResource(saver).fileOffset, std::uint32_t(saver.size()));
    before.insert(before.end(), container.begin(), container.end());
    const ByteVector plain = read(path("plain.scr"));
    EXPECT_EQ(plain, before);

    // At their limits, in any script; the linker's checksum of the template is brought up to date.
    const std::string title(40, 'T'), credit = "\u03a9" + std::string(79, 'c');
    ASSERT_EQ(runTool(bundle + "-o " + path("titled.scr") + " --title " + title + " --credit '" +
                      credit + "'")
                  .status,
              0);
    const ResourceData block = findResource(saver, {nullptr, 6}, 1);
    ASSERT_TRUE(block.found);
    const auto checksum = [&](const ByteVector& file) {
        return std::pair(peChecksum(file, block.checksumOffset),
                         ByteReader(file, block.checksumOffset).u32le());
    };
    ByteVector strings = {0, 0, 40, 0};
    for (char c : title)
        strings.insert(strings.end(), {std::uint8_t(c), 0});
    strings.insert(strings.end(), {80, 0, 0xA9, 0x03});
    for (char c : credit.substr(2))
        strings.insert(strings.end(), {std::uint8_t(c), 0});
    strings.resize(block.dataSize);
    ByteVector expected = plain;
    std::copy(strings.begin(), strings.end(), expected.begin() + std::ptrdiff_t(block.fileOffset));
    const ByteVector titled = read(path("titled.scr"));
    EXPECT_EQ(checksum(saver).first, checksum(saver).second);
    EXPECT_EQ(checksum(titled).first, checksum(titled).second);
    storeU32le(expected.data() + block.checksumOffset, checksum(titled).second);
    EXPECT_EQ(titled, expected);

    // A saver bundled again keeps a text that is not given, and an empty one clears it.
    ASSERT_EQ(runTool("bundle " + path("titled.scr") + " " + path("anim.cfc") + " -o " +
                      path("again.scr") + " --credit ''")
                  .status,
              0);
    const ByteVector again = read(path("again.scr"));
    EXPECT_TRUE(std::equal(strings.begin(), strings.begin() + 84,
                           again.begin() + std::ptrdiff_t(block.fileOffset)));
    EXPECT_EQ(again[block.fileOffset + 84], 0);

    const Output refused = runTool(bundle + "-o " + path("long.scr") + " --title T" + title, true);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.text.find("--title is 41 UTF-16 units long; a saver holds at most 40"),
              std::string::npos)
        << refused.text;
}

} // namespace
