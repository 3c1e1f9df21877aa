// The authoring project: bad projects are refused with the JSON pointer of the fault and give
// nothing to pack; PNG transparency becomes a mask; a written project reads back to the same
// content.

#include "RandomProject.h"
#include "ToolRunner.h"
#include "project/BmpFile.h"
#include "project/ImageFile.h"
#include "project/ProjectPacker.h"
#include "project/ProjectWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

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
    for (int round = 0; round < 8; ++round) {
        const Project p = test::randomProject(random);
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
