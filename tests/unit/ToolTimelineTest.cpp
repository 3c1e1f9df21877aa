// The cinefold tool's timeline output, run as a program on containers written by the test.

#include "TimelineBytes.h"
#include "ToolRunner.h"

#include "container/ContainerWriter.h"
#include "player/LoadAnimation.h"
#include "player/TimerPeriod.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

using namespace cinefold;
using namespace cinefold::test;
using Json = nlohmann::json;

namespace {

// A 640 x 480 stage (framePeriod 1, jumpLength 20): background image 100 from 0 to 30, layer 1
// the worked curve through groups 1 and 2, layer 2 a plain linear image; frame 5 jumps to 2 or
// branches to 10 or 20.
class ToolTimeline : public TempFolder {
  protected:
    void SetUp() override {
        TempFolder::SetUp();
        ContainerContent c;
        c.stage = {{640, 480, 0xA00000, 1, 1, 20}};
        ByteVector s;
        putSection(s, 0, {key(0, 1, 0, 0, 0, 0, 100), key(30, 1, 0, 0, 0, 0, 100)});
        putSection(s, 1,
                   {key(0, 2, 702, 208, 1000, 956, 0, 1), key(23, 2, 422, 134, 1000, 954, 0, 2, 1),
                    key(47, 2, 214, 306, 1000, 954, 0, 1), key(72, 0, -56, 200, 1000, 984, 0, 1)});
        putSection(s, 2, {key(3, 1, 10, 10, 5, 4, 1, 0, 3), key(9, 0, 20, 20, 5, 4, 1)});
        c.schedule = s;
        c.groups =
            groupsPayload({{{1, 0, 100, 69}, {2, 1, 100, 69}, {1, 2, 100, 69}, {2, 3, 100, 69}},
                           {{2, 0, 40, 30}}});
        // Table 0 holds the jumps, 1 to 5 the branches: only frame 5 has entries.
        const std::uint32_t atFrame5[6] = {2, 10, 20, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
        ByteVector jumps, branches;
        for (int t = 0; t < 6; ++t)
            for (int i = 0; i < 20; ++i)
                put32(t == 0 ? jumps : branches, i == 5 ? atFrame5[t] : 0xFFFFFFFFu);
        c.jumpTable = jumps;
        c.branchTables = branches;
        c.images.push_back({1, storedBlock(bmpImage(100, 69, 24))});
        c.images.push_back({100, storedBlock(bmpImage(64, 48, 24))});
        path_ = write("timeline.cfc", writeContainer(c));
    }

    std::string path_;
};

} // namespace

TEST_F(ToolTimeline, InfoListsTracksGroupsTablesAndTheLastFrame) {
    Output out = runTool("info " + path_ + " --json");
    ASSERT_EQ(out.status, 0);
    Json info = Json::parse(out.text);
    EXPECT_EQ(info["lastFrame"], 72);
    ASSERT_EQ(info["tracks"]["background"].size(), 2u);
    EXPECT_EQ(info["tracks"]["background"][1],
              Json::parse(R"({"image": 100, "group": 0, "centerX": 0, "centerY": 0, "width": 0,
                  "height": 0, "flip": 0, "interpolation": 1, "interpolated": 0, "frame": 30})"));
    EXPECT_EQ(info["tracks"]["layers"].size(), 2u);
    EXPECT_EQ(info["tracks"]["layers"]["1"].size(), 4u);
    EXPECT_EQ(info["tracks"]["layers"]["2"][0]["flip"], 3);
    EXPECT_EQ(info["groups"].size(), 2u);
    EXPECT_EQ(info["groups"]["2"],
              Json::parse(R"([{"image": 2, "start": 0, "width": 40, "height": 30}])"));
    EXPECT_EQ(info["jumpTable"], Json::parse(R"({"5": 2})"));
    EXPECT_EQ(info["branchTables"][1], Json::parse(R"({"5": 20})"));
}

TEST_F(ToolTimeline, FrameReportsRecordsCelsSizesAndRectangles) {
    Output out = runTool("frame " + path_ + " --frame 10 --json");
    ASSERT_EQ(out.status, 0);
    Json frame = Json::parse(out.text);
    EXPECT_EQ(frame["frame"], 10);
    EXPECT_EQ(frame["background"]["drawn"], true);
    EXPECT_EQ(frame["background"]["record"]["interpolated"], 1);
    // Layer 2 shows nothing after its type 0 key; layer 1 is 10 frames into its run, and
    // 10 mod 4 = 2 is a cel of image 1.
    EXPECT_EQ(frame["layers"], Json::parse(R"([{"layer": 1, "image": 1, "runStart": 0,
        "record": {"image": 0, "group": 1, "centerX": 562, "centerY": 112, "width": 1000,
                   "height": 955, "flip": 0, "interpolation": 2, "interpolated": 1, "frame": 10},
        "celSize": [100, 69], "size": [100, 65], "rect": [512, 80, 612, 145]}])"));

    Json later = Json::parse(runTool("frame " + path_ + " --frame 25 --json").text);
    EXPECT_EQ(later["layers"][0]["runStart"], 23);
    EXPECT_EQ(later["layers"][0]["rect"], nullptr); // image 2 is not in the store
    Json plain = Json::parse(runTool("frame " + path_ + " --frame 4 --json").text);
    ASSERT_EQ(plain["layers"].size(), 2u);
    EXPECT_EQ(plain["layers"][1]["runStart"], nullptr);
    EXPECT_EQ(plain["layers"][1]["celSize"], nullptr);
    // Centre (11, 11) one frame into the linear segment, 5 x 4, mirrored both ways.
    EXPECT_EQ(plain["layers"][1]["rect"], Json::parse("[14, 13, 9, 9]"));
}

// Where the clock decides, the next test compares the tool with the Player at every tick.
TEST_F(ToolTimeline, SequenceFollowsJumpsBranchesByTheClockAndWraps) {
    EXPECT_EQ(runTool("sequence " + path_ + " --ticks 4 --from 70").text, "71\n72\n0\n1\n");
    // The branch at frame 5 happens on the second tick, at T0 + 100 ms: srand(100) gives 365
    // first, odd, so the second table's 20.
    EXPECT_EQ(runTool("sequence " + path_ + " --ticks 3 --from 4").text, "5\n20\n21\n");
}

// Every frame branches five ways, so the clock value at each tick decides where it goes. The
// tool must step its clock by the saver's own timer period, also for frame periods whose product
// the timer cannot take as it is.
TEST_F(ToolTimeline, SequenceStepsTheClockByTheSaversTimerPeriod) {
    for (std::int32_t framePeriod : {-1, 0, 3, 50000000}) {
        ContainerContent c;
        c.stage = {{64, 48, 0, 1, std::uint32_t(framePeriod), 20}};
        ByteVector schedule, jumps, branches;
        putSection(schedule, 1, {key(0, 1), key(19, 1)});
        for (int t = 0; t < 6; ++t)
            for (int i = 0; i < 20; ++i)
                put32(t == 0 ? jumps : branches, std::uint32_t((i + 4 * t) % 20));
        c.schedule = schedule;
        c.jumpTable = jumps;
        c.branchTables = branches;
        ByteVector container = writeContainer(c);
        const std::string file = write("period.cfc", container);
        Player saver;
        ContainerSource source;
        FileProblem problem;
        ASSERT_TRUE(loadAnimationBytes(saver, container, source, problem));
        std::string expected;
        std::uint32_t clock = 4294967000u; // wraps during the run
        for (int tick = 0; tick < 40; ++tick, clock += timerPeriod(saver.framePeriod)) {
            saver.advanceFrame(clock);
            expected += std::to_string(saver.currentFrame) + "\n";
        }
        EXPECT_EQ(runTool("sequence " + file + " --ticks 40 --clock 4294967000").text, expected)
            << "framePeriod " << framePeriod;
    }
}
