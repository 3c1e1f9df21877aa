// The demo animation as the build packs it: unpacked and packed again it loads the same, and it
// has the shape its project gives it, read through the cinefold tool as a user reads it.

#include "ToolRunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <iterator>

using namespace cinefold::test;
using Json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

const std::string demo = CINEFOLD_DEMO_CONTAINER;

Json toolJson(const std::string& arguments) {
    Output out = runTool(arguments);
    EXPECT_EQ(out.status, 0) << arguments;
    return Json::parse(out.text, nullptr, false);
}

using DemoProjectFiles = TempFolder;

TEST_F(DemoProjectFiles, UnpackedAndPackedAgainLoadsTheSame) {
    const std::string again = path("again.cfc");
    ASSERT_EQ(runTool("unpack " + demo + " -o " + path("project")).status, 0);
    ASSERT_EQ(runTool("pack " + path("project/project.json") + " -o " + again).status, 0);
    EXPECT_EQ(toolJson("info --json " + demo), toolJson("info --json " + again));
    // Every image and mask, pixel for pixel, and each palette with them.
    ASSERT_EQ(runTool("extract " + demo + " -o " + path("first")).status, 0);
    ASSERT_EQ(runTool("extract " + again + " -o " + path("second")).status, 0);
    int compared = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(path("first"))) {
        const std::string name = entry.path().filename();
        EXPECT_EQ(read(entry.path()), read(path("second/" + name))) << name;
        ++compared;
    }
    EXPECT_EQ(compared, int(std::distance(fs::directory_iterator(path("second")), {})));
    EXPECT_GE(compared, 97); // 49 images and 48 masks
}

TEST(DemoProject, HasTheShapeItsProjectGives) {
    const Json info = toolJson("info --json " + demo);
    EXPECT_EQ(info["stage"], Json::parse(R"({"stageWidth": 640, "stageHeight": 480,
        "backColor": 10485760, "backMode": 1, "framePeriod": 1, "jumpLength": 1000})"));
    std::vector<std::string> tags;
    for (const Json& chunk : info["chunks"])
        tags.push_back(chunk["tag"]);
    EXPECT_EQ(tags, (std::vector<std::string>{"P_DT", "SCHE", "GRP_", "JP__", "JPEX", "BMP_"}));
    EXPECT_EQ(info["walkLimit"], info["source"]["size"].get<int>() - 24);
    EXPECT_EQ(info["lastFrame"], 700);

    ASSERT_EQ(info["images"].size(), 49u);
    for (const Json& image : info["images"]) {
        const bool background = image["number"] == 100;
        EXPECT_EQ(image["bitCount"], background ? 8 : 24) << image;
        EXPECT_EQ(image["mask"], !background) << image;
        if (background) {
            EXPECT_EQ(image["colors"], 256);
            EXPECT_EQ(image["codec"], "rle8");
        }
    }
    const std::vector<std::size_t> keyCounts{38, 20, 17, 16, 16, 18};
    for (std::size_t layer = 1; layer <= keyCounts.size(); ++layer)
        EXPECT_EQ(info["tracks"]["layers"][std::to_string(layer)].size(), keyCounts[layer - 1])
            << "layer " << layer;
    ASSERT_EQ(info["groups"].size(), 13u);
    for (const auto& [number, cels] : info["groups"].items())
        EXPECT_EQ(cels.size(), number == "7" ? 5u : 4u) << "group " << number;

    // Layer 1 where its interpolation and its cel cycle are worked out by hand.
    const std::pair<int, const char*> cases[] = {
        {10, R"({"/layer": 1, "/record/centerX": 562, "/record/centerY": 112, "/size": [96, 65]})"},
        {30, R"({"/layer": 1, "/record/centerX": 359, "/record/centerY": 182})"},
        {100, R"({"/layer": 1, "/record/group": 2, "/runStart": 88})"}};
    for (const auto& [frame, fields] : cases) {
        const Json layer = toolJson("frame " + demo + " --frame " + std::to_string(frame) +
                                    " --json")["layers"][0];
        const Json expected = Json::parse(fields);
        for (const auto& [pointer, value] : expected.items())
            EXPECT_EQ(layer[Json::json_pointer(pointer)], value) << "frame " << frame << pointer;
    }
}

} // namespace
