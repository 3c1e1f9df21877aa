// How the cinefold tool writes: never over an input or through what is not a plain file, never
// leaving half a file or a stranger's file deleted, with the format its extension asks for, and
// in the words of the project format.

#include "BmpBytes.h"
#include "TimelineBytes.h"
#include "ToolRunner.h"

#include "container/ContainerWriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <map>
#include <signal.h>
#include <sys/stat.h>

using namespace cinefold;
using namespace cinefold::test;
namespace fs = std::filesystem;

namespace {

// A project of one 8 x 6 stage, image 1 (alpha.png) drawn by layer 1 from frame 0 to 20, packed
// into anim.cfc beside it.
class ToolOutput : public TempFolder {
  protected:
    void SetUp() override {
        TempFolder::SetUp();
        fs::copy_file(CINEFOLD_TEST_DATA "/project/alpha.png", path("alpha.png"));
        writeText("project.json", R"({"stage": {"width": 8, "height": 6},
            "images": [{"image": 1, "file": "alpha.png"}],
            "layers": [{"layer": 1, "keys": [{"frame": 0, "image": 1, "centre": [4, 3],
                "interpolation": "linear"}, {"frame": 20, "image": 1, "centre": [2, 2]}]}]})");
        ASSERT_EQ(tool("pack @/project.json -o @/anim.cfc").status, 0);
    }

    // The tool with "@" standing for the test's folder.
    Output tool(const std::string& arguments, const std::string& prefix = "") {
        std::string expanded = arguments;
        for (std::size_t at; (at = expanded.find('@')) != std::string::npos;)
            expanded.replace(at, 1, folder_.string());
        return runCommand(prefix + CINEFOLD_TOOL + " " + expanded, true);
    }

    // Every file and folder under the folder, by its path relative to the folder, with its
    // size and checksum.
    std::map<std::string, std::string> snapshot() {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
            std::string& shown = files[fs::relative(entry.path(), folder_).string()];
            if (entry.is_regular_file() && !entry.is_symlink()) {
                const ByteVector bytes = read(entry.path());
                shown = std::to_string(bytes.size()) + " bytes, crc " +
                        std::to_string(crc32(0, bytes.data(), uInt(bytes.size())));
            }
        }
        return files;
    }
};

// A PNG whose header claims width x height pixels and which ends there.
ByteVector pngHeaderOnly(std::uint32_t width, std::uint32_t height) {
    ByteVector png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
    ByteVector chunk = {'I', 'H', 'D', 'R'};
    for (std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            chunk.push_back(std::uint8_t(v >> shift));
    chunk.insert(chunk.end(), {8, 2, 0, 0, 0});
    const uLong crc = crc32(0, chunk.data(), uInt(chunk.size()));
    png.insert(png.end(), chunk.begin(), chunk.end());
    for (int shift = 24; shift >= 0; shift -= 8)
        png.push_back(std::uint8_t(crc >> shift));
    png.insert(png.end(), {0, 0, 0, 0, 'I', 'D', 'A', 'T'}); // where the header ends
    return png;
}

} // namespace

// Each writing command, given an output that it must not write, exits 1 with one line and
// leaves every file as it was.
TEST_F(ToolOutput, OutputsThatAreInputsOrNotPlainFilesAreRefusedAndNothingChanges) {
    writeText("victim", "not ours");
    fs::create_symlink(path("anim.cfc"), path("link.png"));
    fs::create_symlink(path("victim"), path("anim2.cfc.partial"));
    writeText("readonly.png", "old");
    fs::permissions(path("readonly.png"), fs::perms::owner_read);
    writeText("full/old.txt", "someone's");
    writeText("prj/images/keep.bmp", "old image");
    fs::create_symlink(path("prj"), path("outside"));
    writeText("escape/project.json", "{}");
    fs::create_symlink(path("prj/images"), path("escape/images"));
    const auto before = snapshot();
    const struct {
        const char* command;
        const char* message;
    } cases[] = {
        {"pack @/project.json -o @/project.json", "is also an input"},
        {"pack @/project.json -o @/alpha.png", "is also an input"},
        {"bundle @/anim.cfc @/anim.cfc -o @/anim.cfc", "is also an input"},
        {"render @/anim.cfc -o @/link.png", "is the same file as the input"},
        {"render @/anim.cfc -o @/readonly.png", "is read-only"},
        {"pack @/project.json -o /dev/null", "not a regular file"},
        {"render @/anim.cfc --frames 0:1 -o @/project.json/", "is not a folder"},
        {"extract @/anim.cfc -o @/full", "is not empty; give --force"},
        {"unpack @/anim.cfc -o @/outside", "is not empty; give --force"},
        // The project's own images folder is a link out of it: not followed.
        {"unpack @/anim.cfc -o @/escape --force", "not followed"},
    };
    for (const auto& c : cases) {
        const Output out = tool(c.command);
        EXPECT_EQ(out.status, 1) << c.command;
        EXPECT_EQ(std::count(out.text.begin(), out.text.end(), '\n'), 1) << out.text;
        EXPECT_NE(out.text.find(c.message), std::string::npos) << c.command << ": " << out.text;
        EXPECT_EQ(snapshot(), before) << c.command;
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // A link where the old writer put its temporary is not written through.
    ASSERT_EQ(tool("pack @/project.json -o @/anim2.cfc").status, 0);
    EXPECT_EQ(read(path("victim")), ByteVector({'n', 'o', 't', ' ', 'o', 'u', 'r', 's'}));
    // With --force, the folder's files are replaced and others stay.
    ASSERT_EQ(tool("unpack @/anim.cfc -o @/prj --force").status, 0);
    EXPECT_TRUE(fs::exists(path("prj/images/keep.bmp")));
    EXPECT_EQ(tool("pack @/prj/project.json -o @/again.cfc").status, 0);
    EXPECT_EQ(read(path("again.cfc")), read(path("anim.cfc")));
}

// Writes that fail half-way (the file-size limit standing in for a full disk, a folder that
// cannot be made) exit 1 and leave no file and no temporary, and what was there before unchanged.
TEST_F(ToolOutput, FailuresHalfWayLeaveNothingAndTheOldOutputAsItWas) {
    fs::copy_file(CINEFOLD_DEMO_CONTAINER, path("demo.cfc"));
    write("template.scr", peWithResource(true, "RC_DATA", 107, {0xFF, 0xFF, 0xFF, 0xFF}));
    writeText("out.gif", "old gif");
    writeText("old.webp", "old webp");
    writeText("frames/f-1.png", "old frame");
    fs::create_directories(path("frames/f-3.png"));
    const auto before = snapshot();
    // Files may grow to 64 KiB: the demo's pictures and container are larger.
    const std::string limited = "trap '' XFSZ; ulimit -f 64; ";
    for (const auto& [command, prefix] :
         {std::pair{"render @/demo.cfc --frames 0:20 -o @/out.gif", limited},
          std::pair{"render @/demo.cfc --frames 0:20 --preview 200x150 -o @/frames/f-%d.png",
                    std::string()}, // frame 3's place is a folder
          std::pair{"render @/demo.cfc --frames 0:20 -o @/new/", limited},
          std::pair{"extract @/demo.cfc -o @/extracted", limited},
          std::pair{"bundle @/template.scr @/demo.cfc -o @/saver.scr", limited},
          std::pair{"render @/anim.cfc --frames 0:1 -o @/out.gif/x/", std::string()},
          // Past what the format holds: refused before the old file is touched.
          std::pair{"render @/anim.cfc --frames 0:1 --screen 20000x100 -o @/old.webp",
                    std::string()}}) {
        const Output out = tool(command, prefix);
        EXPECT_EQ(out.status, 1) << command << ": " << out.text;
        EXPECT_EQ(snapshot(), before) << command;
    }
}

// SIGINT in the middle of a long export removes the temporary: no file at all is left.
TEST_F(ToolOutput, InterruptedExportLeavesNoFile) {
    const auto before = snapshot();
    const std::string command = std::string(CINEFOLD_TOOL) + " render " + CINEFOLD_DEMO_CONTAINER +
                                " --frames all --screen 1280x960 -o " + path("long.gif");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", ("exec " + command + " 2>/dev/null").c_str(), nullptr);
        _exit(127);
    }
    // Interrupted once the temporary exists, that is once writing has begun.
    bool writing = false;
    for (int tries = 0; tries < 6000 && !writing; ++tries) {
        for (const auto& entry : fs::directory_iterator(folder_))
            writing = writing || entry.path().filename().string().starts_with(".long.gif");
        if (!writing) usleep(10000);
    }
    EXPECT_TRUE(writing);
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), {}), 3); // inputs only
}

// The extension decides the format, read back by another program; one the tool cannot write is
// refused before any work. Savers are written executable.
TEST_F(ToolOutput, ExtensionsDecideTheFormat) {
    for (const auto& [name, format] :
         {std::pair{"a.png", "PNG"}, std::pair{"a.gif", "GIF"}, std::pair{"a.webp", "WEBP"}}) {
        const bool animation = format != std::string("PNG");
        ASSERT_EQ(tool(std::string("render @/anim.cfc ") + (animation ? "--frames 0:2" : "") +
                       " -o @/" + name)
                      .status,
                  0)
            << name;
        const Output identified = runCommand("identify -format '%m %w %h\n' " + path(name));
        EXPECT_EQ(identified.text.substr(0, identified.text.find('\n')),
                  std::string(format) + " 8 6")
            << name;
    }
    for (const char* command : {"render @/anim.cfc --frame 3 -o @/one.jpg",
                                "render @/anim.cfc --frames 0:9 -o @/kite.avi",
                                "render @/anim.cfc --frames 0:9 -o @/f-%s.png"}) {
        EXPECT_EQ(tool(command).status, 2) << command;
    }
    ASSERT_EQ(tool("render @/anim.cfc --frames 3:4 -o @/f-%03d.png").status, 0);
    EXPECT_TRUE(fs::exists(path("f-003.png")) && fs::exists(path("f-004.png")));
    ASSERT_EQ(tool("render @/anim.cfc --frames 9:10 -o @/series/").status, 0);
    EXPECT_TRUE(fs::exists(path("series/frame-09.png")) && fs::exists(path("series/frame-10.png")));
    EXPECT_EQ(std::distance(fs::directory_iterator(path("series")), {}), 2);

    const ByteVector saver = peWithResource(true, "RC_DATA", 107, {0xFF, 0xFF, 0xFF, 0xFF});
    write("template.scr", saver);
    ASSERT_EQ(tool("bundle @/template.scr @/anim.cfc -o @/mine.scr").status, 0);
    EXPECT_NE(fs::status(path("mine.scr")).permissions() & fs::perms::owner_exec, fs::perms::none);
}

// Frames the saver never shows are drawn with one warning; --quiet drops it.
TEST_F(ToolOutput, FramesOutsideTheAnimationAreNamed) {
    const Output past = tool("render @/anim.cfc --frames 18:25 -o @/f.png");
    EXPECT_EQ(past.status, 0);
    EXPECT_NE(past.text.find("warning: the saver never shows frames 21 to 25 (after the last "
                             "frame, 20); drawn as it would draw them: the back colour alone"),
              std::string::npos)
        << past.text;
    EXPECT_NE(
        tool("render @/anim.cfc --frame -1 -o @/f.png").text.find("frame -1 (before frame 0)"),
        std::string::npos);
    EXPECT_EQ(tool("render @/anim.cfc --frame 30 --quiet -o @/f.png").text, "");
}

// What the tool says is in the author's words, and each refusal names the value and the limit.
TEST_F(ToolOutput, ItSpeaksTheProjectsWords) {
    for (const auto& [mode, name] : {std::pair{2, "tile"}, std::pair{3, "stretch"}}) {
        ContainerContent c;
        c.stage = {{8, 6, 0x00402010, std::uint32_t(mode), 1, 20}};
        ByteVector s;
        putSection(s, 1, {key(0, 2, 4, 3, 8, 6, 1, 0, 2), key(5, 0, 4, 3, 8, 6, 1, 0, 3)});
        c.schedule = s;
        write("words.cfc", writeContainer(c));
        const Output info = tool("info @/words.cfc");
        for (const std::string& words :
             {std::string("backColor #102040, backMode ") + name, std::string("flip y"),
              std::string("flip xy"), std::string("interpolation curve")})
            EXPECT_NE(info.text.find(words), std::string::npos) << words << "\n" << info.text;
        EXPECT_EQ(info.text.find("walk limit"), std::string::npos);
        EXPECT_NE(tool("info --verbose @/words.cfc").text.find("walk limit"), std::string::npos);
    }

    write("huge.png", pngHeaderOnly(5000, 5000));
    write("wide.bmp", bmpImage(4, 4, 8, 300));
    writeText("bad.json", R"({"stage": {"width": 8, "height": 6}, "images": [
        {"image": 1, "file": "huge.png"}, {"image": 2, "file": "wide.bmp"}],
        "layers": [{"layer": 1, "keys": [{"frame": 0, "image": 1}]}]})");
    const Output pack = tool("pack @/bad.json -o @/bad.cfc");
    EXPECT_EQ(pack.status, 1);
    EXPECT_EQ(pack.text, path("bad.json") + ": /images/0/file: \"huge.png\": 5000 x 5000 is " +
                             "25,000,000 pixels; an image may have at most 16,777,216\n" +
                             path("bad.json") + ": /images/1/file: \"wide.bmp\": its colour " +
                             "table has 300 entries; a 8-bit BMP has at most 256\n");
    // A project is packed on the fly wherever an animation is taken: the demo's draws the same.
    const std::string demoProject = fs::path(CINEFOLD_DEMO_CONTAINER).parent_path() / "demo.json";
    ASSERT_EQ(tool("render " + demoProject + " --frame 150 -o @/project.png").status, 0);
    ASSERT_EQ(
        tool("render " + std::string(CINEFOLD_DEMO_CONTAINER) + " --frame 150 -o @/c.png").status,
        0);
    EXPECT_EQ(read(path("project.png")), read(path("c.png")));
    EXPECT_NE(tool("unpack @/anim.cfc -o @/unpacked").text.find("1 image, 0 groups, 1 layer"),
              std::string::npos);
}

// A video reads back as what it claims to be, and its pictures come close to the PNG renders
// (yuv420p halves the colour resolution, so exact pixels are not to be had).
TEST_F(ToolOutput, VideoReadsBackCloseToThePictures) {
    const std::string demo = CINEFOLD_DEMO_CONTAINER;
    ASSERT_EQ(tool("render " + demo + " --frame 150 -o @/frame.png").status, 0);
    for (const auto& [name, codec] : {std::pair{"v.mp4", "h264"}, std::pair{"v.webm", "vp9"}}) {
        ASSERT_EQ(tool("render " + demo + " --frames 140:160 -o @/" + name).status, 0) << name;
        EXPECT_EQ(runCommand("ffprobe -v error -count_frames -show_entries stream=codec_name,"
                             "width,height,pix_fmt,nb_read_frames:format=duration -of csv=p=0 " +
                             path(name))
                      .text,
                  std::string(codec) + ",640,480,yuv420p,21\n2.100000\n")
            << name;
        ASSERT_EQ(runCommand("ffmpeg -v error -y -i " + path(name) +
                             " -vf 'select=eq(n\\,10)' -frames:v 1 " + path("decoded.png"))
                      .status,
                  0);
        // ImageMagick's mean absolute error, as a fraction of 255.
        const std::string error = runCommand("compare -metric MAE " + path("frame.png") + " " +
                                                 path("decoded.png") + " null:",
                                             true)
                                      .text;
        const double mean = std::stod(error.substr(error.find('(') + 1)) * 255;
        EXPECT_LT(mean, 3.0) << name << ": " << error;
    }
    EXPECT_EQ(tool("render " + demo + " --frames 0:1 --screen 9000x100 -o @/wide.mp4").status, 1);
}

// An imported GIF or sprite sheet is a project that draws, frame by frame at its delays, what a
// viewer shows of the GIF (ImageMagick's coalesced frames on black) or each cel of the sheet.
TEST_F(ToolOutput, ImportedGifsAndSheetsDrawTheirOwnPictures) {
    ASSERT_EQ(
        runCommand(
            "cd " + folder_.string() +
            " && convert -size 16x12 -delay 20 xc:red \\( xc:none -fill blue -draw "
            "'rectangle 2,2 9,7' \\) -delay 50 xc:green -delay 30 xc:red -loop 0 "
            "a.gif && convert a.gif -coalesce -background black -alpha remove "
            "gif-%d.png && convert -size 8x6 xc:red xc:none xc:blue +append +repage sheet.png "
            "&& convert sheet.png -background black -alpha remove -crop 8x6 "
            "sheet-%d.png")
            .status,
        0);
    ASSERT_EQ(tool("import @/a.gif -o @/gif").status, 0);
    ASSERT_EQ(tool("import @/sheet.png --grid 3x1 -o @/grid").status, 0);
    ASSERT_EQ(tool("import @/sheet.png --cell 8x6 -o @/cell").status, 0);
    EXPECT_EQ(read(path("grid/project.json")), read(path("cell/project.json")));
    // The GIF's delays of 200, 200, 500 and 300 ms start its pictures at frames 0, 2, 4 and 9.
    for (const auto& [project, frame, expected] :
         {std::tuple{"gif", 0, "gif-0"}, std::tuple{"gif", 2, "gif-1"},
          std::tuple{"gif", 4, "gif-2"}, std::tuple{"gif", 11, "gif-3"},
          std::tuple{"grid", 0, "sheet-0"}, std::tuple{"grid", 1, "sheet-1"},
          std::tuple{"grid", 2, "sheet-2"}}) {
        ASSERT_EQ(tool("render @/" + std::string(project) + "/project.json --frame " +
                       std::to_string(frame) + " -o @/drawn.png")
                      .status,
                  0);
        EXPECT_EQ(runCommand("compare -metric AE " + path("drawn.png") + " " +
                                 path(std::string(expected) + ".png") + " null:",
                             true)
                      .text,
                  "0")
            << project << " frame " << frame;
    }
    EXPECT_EQ(tool("info @/gif/project.json --json").status, 0);
    ByteVector gif = read(path("a.gif"));
    gif.resize(40);
    write("cut.gif", gif);
    // 46 KB claiming 2,000 frames on a screen of 16,000 x 1,000: refused within the bounds on
    // the pictures kept (when each frame differs) and on the pixels walked (when none does),
    // where all the frames were once kept, 64 MB each.
    for (const bool moving : {true, false}) {
        ByteVector bomb = {'G', 'I', 'F', '8', '9', 'a', 0x80, 0x3e, 0xe8, 0x03, 0x80, 0, 0,
                           0,   0,   0,   255, 255, 255};
        for (int i = 0; i < 2000; ++i)
            for (const int byte : {0x21, 0xf9, 4, 0, 10, 0, 0, 0, 0x2c, moving ? i & 255 : 0,
                                   moving ? i >> 8 : 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0})
                bomb.push_back(std::uint8_t(byte));
        bomb.push_back(0x3b);
        write(moving ? "moving.gif" : "still.gif", bomb);
    }
    for (const char* command :
         {"import @/cut.gif -o @/x", "import @/sheet.png --grid 5x1 -o @/x",
          "import @/sheet.png --cell 7x6 -o @/x", "import @/moving.gif -o @/x",
          "import @/still.gif -o @/x"}) {
        const Output out = tool(command);
        EXPECT_EQ(out.status, 1) << command;
        EXPECT_EQ(std::count(out.text.begin(), out.text.end(), '\n'), 1) << out.text;
        EXPECT_FALSE(fs::exists(path("x"))) << command;
    }
}
