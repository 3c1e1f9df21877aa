// The authoring project: bad projects are refused with the JSON pointer of the fault and give
// nothing to pack; PNG transparency becomes a mask; a written project reads back to the same
// content.

#include "ToolRunner.h"
#include "project/BmpFile.h"
#include "project/ImageFile.h"
#include "project/ProjectPacker.h"
#include "project/ProjectWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>

using namespace cinefold;
namespace fs = std::filesystem;

namespace {

using ProjectFiles = test::TempFolder;

std::vector<Rgb> pixels(std::size_t count) {
    return std::vector<Rgb>(count, Rgb{9, 8, 7});
}

struct BadProject {
    const char* name;
    std::string body; // the project's fields after the stage
    const char* path;
    std::string message;
    bool warning = false;
};

TEST_F(ProjectFiles, ProblemsNameTheirJsonPointerAndErrorsGiveNoProject) {
    write("4x3.bmp", makeBmp24(4, 3, pixels(12)));
    write("3x3-mask.bmp", makeMask(3, 3, std::vector<std::uint8_t>(9, 0)));
    writeText("notes.txt", "not a picture");
    const std::string keys = R"("layers": [{"layer": 2, "keys": [)";
    const BadProject cases[] = {
        {"negative frame", keys + R"({"frame": 0}, {"frame": -1}]}])", "/layers/0/keys/1/frame",
         "-1 is below 0"},
        {"image number", R"("images": [{"image": 101, "file": "4x3.bmp"}])", "/images/0/image",
         "101 is outside 1 to 100"},
        {"mask size", R"("images": [{"image": 1, "file": "4x3.bmp", "mask": "3x3-mask.bmp"}])",
         "/images/0/mask", "the mask is 3 x 3 pixels, its image 4 x 3"},
        {"missing file", R"("images": [{"image": 1, "file": "nowhere.png"}])", "/images/0/file",
         "cannot read \"nowhere.png\""},
        {"not a picture", R"("images": [{"image": 1, "file": "notes.txt"}])", "/images/0/file",
         "neither a PNG nor a BMP file"},
        {"empty group", R"("groups": [{"group": 3, "cels": []}])", "/groups/0/cels",
         "at least one cel"},
        {"frame twice", keys + R"({"frame": 5}, {"frame": 5}]}])", "/layers/0/keys/1/frame",
         "defined twice (also at /layers/0/keys/0/frame)"},
        {"layer number", R"("layers": [{"layer": 51, "keys": []}])", "/layers/0/layer",
         "51 is outside 1 to 50"},
        {"flip name", keys + R"({"frame": 0, "flip": "z"}]}])", "/layers/0/keys/0/flip",
         "\"z\" is not one of"},
        {"jump beyond tables", R"("jumps": [{"frame": 10, "to": 2}])", "/jumps/0/frame",
         "10 is outside 0 to 9"},
        {"too many branches", R"("jumps": [{"frame": 1, "to": 2, "branches": [1, 2, 3, 4, 5, 6]}])",
         "/jumps/0/branches", "at most 5"},
        {"codec name", R"("images": [{"image": 1, "file": "4x3.bmp", "codec": "zip"}])",
         "/images/0/codec", "\"zip\" is not one of"},
        {"size type", keys + R"({"frame": 0, "size": [1, 2.5]}]}])", "/layers/0/keys/0/size/1",
         "must be an integer"},
        {"undefined group", keys + R"({"frame": 0, "group": 7}]}])", "/layers/0/keys/0/group",
         "group 7 is not defined", true},
        {"undefined image", keys + R"({"frame": 0, "image": 9}]}])", "/layers/0/keys/0/image",
         "image 9 is not defined", true},
        {"unknown field", R"("colour": 1)", "/colour", "unknown field", true},
        // Printing a value this deep for the message once overflowed the stack.
        {"deep value",
         keys + R"({"frame": 0, "flip": )" + std::string(100000, '[') + std::string(100000, ']') +
             "}]}]",
         "", "values nested deeper than 64 levels at byte"},
        {"long value", keys + R"({"frame": 0, "flip": ")" + std::string(5000, 'z') + "\"}]}]",
         "/layers/0/keys/0/flip", '"' + std::string(39, 'z') + "... is not one of"},
    };
    for (const BadProject& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string project =
            writeText("project.json",
                      R"({"stage": {"width": 8, "height": 8, "jumpLength": 10}, )" + c.body + "}");
        const ProjectReadResult result = readProject(project);
        const std::vector<ProjectIssue>& issues = c.warning ? result.warnings : result.errors;
        ASSERT_EQ(issues.size(), 1u) << (issues.empty() ? "" : issueLine("", issues[0]));
        EXPECT_EQ(issues[0].path, c.path);
        EXPECT_NE(issues[0].message.find(c.message), std::string::npos) << issues[0].message;
        EXPECT_EQ(bool(result.project), c.warning);
    }
}

TEST_F(ProjectFiles, BrokenJsonAndAMissingStageAreRefused) {
    EXPECT_EQ(readProject(writeText("a.json", "{\"stage\": "))
                  .errors.at(0)
                  .message.rfind("not valid JSON", 0),
              0u);
    const ProjectReadResult result = readProject(writeText("b.json", "{}"));
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0].path, "/stage");
}

// alpha.png is 2 x 2 RGBA: red opaque, green at alpha 127 / blue at alpha 128, dark at alpha 0.
// palette.png is 2 x 1 with palette (1, 2, 3), (4, 5, 6) and the second entry transparent.
TEST(ProjectImages, PngTransparencyBecomesAMaskOverBlackOrOverThePalettesOwnIndexes) {
    std::vector<std::uint8_t> file;
    FileProblem problem;
    LoadedImage image;
    std::string error;
    ASSERT_TRUE(readWholeFile(CINEFOLD_TEST_DATA "/project/alpha.png", file, problem));
    ASSERT_TRUE(loadImageBytes(file, image, error)) << error;
    // Rows bottom-up, 8 bytes each (two BGR pixels, padded); the mask's rows are 4 bytes.
    const std::vector<std::uint8_t> rows(image.bmp.begin() + 54, image.bmp.end());
    EXPECT_EQ(rows,
              (std::vector<std::uint8_t>{255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(image.mask.begin() + 54, image.mask.end()),
              (std::vector<std::uint8_t>{0x40, 0, 0, 0, 0x40, 0, 0, 0}));

    ASSERT_TRUE(readWholeFile(CINEFOLD_TEST_DATA "/project/palette.png", file, problem));
    ASSERT_TRUE(loadImageBytes(file, image, error)) << error;
    BmpLayout layout;
    ASSERT_TRUE(layOutBmp(image.bmp, layout));
    EXPECT_EQ(layout.header.bitCount, 8);
    EXPECT_EQ(layout.rowsAt, 1078u);
    EXPECT_EQ(image.bmp[54 + 4 + 2], 4); // red of entry 1, after blue and green
    EXPECT_EQ(image.bmp[1078], 0);
    EXPECT_EQ(image.bmp[1079], 1);
    EXPECT_EQ(image.mask[54], 0x40);
}

// Random projects, with numbers that have no name and images of every kind, written as a
// folder and read back, pack to the same container.
TEST_F(ProjectFiles, AWrittenProjectReadsBackToTheSameContainer) {
    std::mt19937 random(12345);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const ImageCodec codecs[] = {ImageCodec::none, ImageCodec::stored, ImageCodec::pairs,
                                 ImageCodec::rle1, ImageCodec::rle8,   ImageCodec::rle24};
    for (int round = 0; round < 8; ++round) {
        Project p;
        p.stage = {pick(1, 900), pick(1, 900), std::uint32_t(random()),
                   pick(-3, 5),  pick(0, 9),   pick(20, 2000)};
        for (int n = 1; n <= 100; n += pick(1, 40)) {
            const int w = pick(1, 9), h = pick(1, 9);
            ProjectImage image;
            image.number = n;
            std::vector<std::uint8_t> bits(std::size_t(w * h));
            for (std::uint8_t& b : bits)
                b = std::uint8_t(random());
            image.bmp = n % 3 ? makeBmp24(w, h, pixels(bits.size()))
                              : makeBmp8(w, h, std::vector<Rgb>(7, Rgb{1, 2, 3}), bits);
            if (n % 2) image.mask = makeMask(w, h, bits);
            image.codec = codecs[pick(0, 5)];
            image.maskCodec = codecs[pick(0, 5)];
            p.images.push_back(image);
        }
        auto key = [&](int frame) {
            const int group = pick(0, 3) ? 0 : pick(1, 101);
            return KeyRecord{pick(0, 100),   group,         pick(-99, 999),
                             pick(-99, 999), pick(-9, 999), pick(-9, 999),
                             pick(0, 5),     pick(0, 4),    0,
                             frame};
        };
        for (int frame = pick(0, 9); frame < 300; frame += pick(1, 60))
            p.background.push_back(key(frame));
        for (int layer = 1; layer <= 50; layer += pick(1, 20)) {
            p.layers.emplace_back().number = layer;
            for (int frame = pick(0, 9); frame < 300; frame += pick(1, 60))
                p.layers.back().keys.push_back(key(frame));
        }
        for (int group = 1; group <= 101; group += pick(1, 50)) {
            p.groups.emplace_back().number = group;
            for (int cel = pick(1, 5), start = 0; cel > 0; --cel, start += pick(0, 3))
                p.groups.back().cels.push_back({pick(0, 100), start, pick(-5, 99), pick(-5, 99)});
        }
        for (int frame = pick(0, 9); frame < p.stage.jumpLength; frame += pick(1, 400))
            p.jumps.push_back(
                {frame, pick(-1, 9), {pick(-1, 9), pick(-1, 9), -1, pick(-1, 9), -1}});

        std::map<std::string, std::vector<std::uint8_t>> files;
        ASSERT_TRUE(writeProjectFiles(p, [&](const std::string& name, Bytes bytes) {
            return files.emplace(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()))
                .second;
        }));
        const std::vector<std::uint8_t>& text = files[projectFileName];
        const ProjectReadResult again = readProjectText(
            std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), "p",
            [&](const std::string& name, std::vector<std::uint8_t>& bytes, std::string&) {
                const auto file = files.find(name.substr(2)); // after "p/"
                if (file != files.end()) bytes = file->second;
                return file != files.end();
            });
        ASSERT_TRUE(again.project) << issueLine("p", again.errors.at(0));
        EXPECT_EQ(writeContainer(packProject(*again.project)), writeContainer(packProject(p)))
            << "round " << round;
    }
}

} // namespace
