// The help pages of cinefold and cinefold-saver. Keep each page true to what its command does:
// the --help text and the manual pages are both made from here.

#include "HelpPages.h"

namespace cinefold::help {

namespace {

const Option fileArgument{
    "FILE", "an animation container, a saver executable (32- or 64-bit) that carries one, or "
            "a project (PROJECT.json), which is packed in memory as pack packs it"};
const Option jsonOption{"--json", "the same as JSON, in the shapes documented in docs/"};
const Option archOption{"--arch win32|win64",
                        "which installed template saver to start from: 32-bit or 64-bit "
                        "Windows (win64 when not given)"};
const Option titleOption{"--title TEXT",
                         "the saver's title, up to 40 characters: the name Windows lists the "
                         "saver by, and the caption and first line of its settings dialog"};
const Option creditOption{"--credit TEXT",
                          "up to 80 characters that the settings dialog shows in place of the "
                          "maker's notice"};
const char* const saverTextsParagraph =
    "--title and --credit put the author's name on the saver. Characters beyond U+FFFF count "
    "twice; control characters and text that is not UTF-8 are refused. A text not given stays "
    "as SAVER has it (the template has none, and then Windows lists the saver by its file name "
    "and the dialog shows the template's own texts); an empty one clears it.";

std::vector<Page> toolCommands() {
    return {
        {"info",
         "what loading a file yields",
         {"cinefold info FILE [--json] [--verbose]"},
         {"Loads FILE exactly as the saver does and says what it yields: the stage, the images, "
          "the tracks of the background and of each layer, the cel groups, the jump tables and "
          "the last frame. Chunks or images that the saver would drop are reported, and do not "
          "stop it."},
         {fileArgument,
          jsonOption,
          {"--verbose", "also the container's internals: each chunk's offset, length and what "
                        "became of it, and the walk limit"}},
         {{"cinefold info my.scr", "the animation that my.scr carries"},
          {"cinefold info demo.cfc --json", "the same as JSON, for scripts"}}},
        {"frame",
         "every layer's record at a frame and how it is drawn",
         {"cinefold frame FILE --frame N [--json]"},
         {"Lists the layers 1 to 50 that show something at frame N, in drawing order: the record "
          "the track yields there, the image drawn (a cel group's cel where the record names a "
          "group, with the run start and the cel size), the drawn size and the sprite rectangle "
          "after the flip."},
         {fileArgument, {"--frame N", "the frame, a 32-bit signed number"}, jsonOption},
         {{"cinefold frame demo.cfc --frame 120", "what each layer draws at frame 120"}}},
        {"sequence",
         "the frames that the saver shows, tick by tick",
         {"cinefold sequence FILE --ticks N [--from F] [--clock T0]"},
         {"Prints the current frame after each of N timer ticks, one a line, exactly as the saver "
          "moves through them. The tick count starts at T0 milliseconds and advances by the "
          "saver's timer period (the frame period x 100 ms, or 1 ms when that is 0), wrapping at "
          "2^32; it seeds the random branches, so a given T0 always gives the same sequence."},
         {fileArgument,
          {"--ticks N", "how many ticks, 0 to 2147483647"},
          {"--from F", "the frame to start at (0)"},
          {"--clock T0", "the tick count in milliseconds at the first tick, 0 to 4294967295 (0)"}},
         {{"cinefold sequence demo.cfc --ticks 20 --from 100",
           "the 20 frames that follow frame 100"}}},
        {"render",
         "frames as PNG pictures, a GIF or WebP animation, or a video",
         {"cinefold render FILE [--frame N] [PICTURE] [--quiet] -o OUT.png",
          "cinefold render FILE --frames A:B|timeline [PICTURE] [--quiet] -o OUT-%04d.png",
          "cinefold render FILE --frames A:B|timeline [PICTURE] [--quiet] -o DIR/",
          "cinefold render FILE --frames A:B|all|timeline [--clock T0] [PICTURE] [--quality Q]",
          "                [--threads N] [--quiet] -o OUT.gif|OUT.webp|OUT.mp4|OUT.webm",
          "PICTURE is [--screen WxH [--stretch]] [--preview WxH] [--scale N]"},
         {"Composes frames exactly as the saver paints them: the stage at its own size, or with "
          "--screen the whole screen as the saver shows it there, or with --preview the preview "
          "window of the display settings. OUT's extension decides what is written: .png one "
          "picture, or with --frames a series of them; .gif or .webp one animation, and .mp4 "
          "(H.264) or .webm (VP9) one video, that plays at the saver's frame period. GIF gives "
          "each frame a palette of its own; WebP keeps every pixel unless --quality is given; a "
          "video is yuv420p, a side of odd length padded with one black line, and a saver that "
          "ticks every millisecond (framePeriod 0) gives 100 frames a second. A frame outside the "
          "animation is drawn as the saver would draw it, with a warning.",
          "A series is named by a printf-style number in OUT (out-%04d.png gives out-0005.png for "
          "frame 5), or written into the folder DIR/; a plain OUT.png with --frames numbers each "
          "file before the extension, zero-padded to the width of B (frame-0005.png)."},
         {fileArgument,
          {"--frame N", "the frame to draw (0)"},
          {"--frames A:B", "the frames A to B, 0 <= A <= B; an animation holds at most 100000"},
          {"--frames all", "one pass of what the saver shows from frame 0 until it comes back to "
                           "a frame it has shown (an animation or a video only)"},
          {"--frames timeline", "frames 0 to the last keyframe's, in order, ignoring jumps"},
          {"--clock T0", "with --frames all: the tick count at the first tick (0), which picks "
                         "the random branches the pass takes, as sequence's does"},
          {"--scale N", "every pixel as N x N pixels, 1 to 8, nothing smoothed"},
          {"--screen WxH", "the whole screen of W x H pixels, the stage centred at 1:1"},
          {"--stretch", "with --screen: the stage scaled in whole tenths to fill the screen, as "
                        "the saver's \"Stretch as Desktop Size\" setting does"},
          {"--preview WxH", "the preview window of W x H pixels, showing a shrunk picture of the "
                            "screen (--screen, else 1024x768)"},
          {"--quality Q", "lossy WebP at quality Q, 0 to 100 (lossless when not given); for a "
                          "video, 0 to 100 maps onto the encoder's rate factor"},
          {"--threads N", "a GIF's threads, 1 to 16 (one a processor); the file is the same "
                          "for any number"},
          {"--quiet", "no warnings"},
          {"-o OUT", "the file (or, for a series, the pattern or folder) to write"}},
         {{"cinefold render demo.cfc --frame 30 -o frame.png", "frame 30 of the stage"},
          {"cinefold render demo.cfc --frames 0:99 -o shots/frame-%03d.png",
           "frames 0 to 99 as shots/frame-000.png to shots/frame-099.png"},
          {"cinefold render my.scr --frames all --screen 800x600 --stretch -o my.gif",
           "one pass on an 800 x 600 screen, stretched, as a GIF"},
          {"cinefold render demo.cfc --frames all --quality 80 -o demo.webp",
           "one pass as a lossy WebP"},
          {"cinefold render kite/project.json --frames timeline --scale 2 -o kite.mp4",
           "the project's timeline, twice its size, as an MP4 video"}}},
        {"extract",
         "the images and masks as PNG files",
         {"cinefold extract FILE -o DIR [--raw] [--force]"},
         {"Writes each image and mask that the saver holds after loading FILE, as it holds them "
          "once masks are prepared: images through their colour tables, masks black (0) and "
          "white (1). With --raw it writes instead, in walk order, the decoded bytes of every "
          "data-block payload (cNNN-TAG.bin) and of every packed image (cNNN-eMMM-nXXX.bmp), "
          "exactly as the decoders delivered them."},
         {fileArgument,
          {"-o DIR", "the folder to write into; made when missing"},
          {"--raw", "the decoded bytes themselves rather than pictures"},
          {"--force", "write into DIR even when it is not empty"}},
         {{"cinefold extract my.scr -o my-images", "the pictures that my.scr holds"}}},
        {"bundle",
         "a saver carrying an animation",
         {"cinefold bundle [SAVER] CONTAINER -o OUT [--arch win32|win64] [--title TEXT] "
          "[--credit TEXT]"},
         {"Writes OUT: the saver SAVER carrying the animation in CONTAINER, replacing any that "
          "SAVER had. CONTAINER may be a bare container or another saver that carries one. "
          "Without SAVER, the template saver installed with the tool is used.",
          saverTextsParagraph},
         {{"SAVER", "a Windows saver executable; the installed template when not given"},
          {"CONTAINER", "the animation: a container, or a saver that carries one"},
          archOption,
          titleOption,
          creditOption,
          {"-o OUT", "the saver to write"}},
         {{"cinefold bundle old.scr -o new.scr --arch win32",
           "the animation of old.scr in the installed 32-bit template"},
          {"cinefold bundle reef.cfc -o reef.scr --title 'Reef at Dusk' --credit 'Made by Jane "
           "Doe'",
           "a saver that Windows lists as \"Reef at Dusk\", signed by its author"}}},
        {"pack",
         "a project packed into a container or a saver",
         {"cinefold pack PROJECT.json -o OUT [--saver SAVER | --arch win32|win64] [--title TEXT] "
          "[--credit TEXT]"},
         {"Packs the project PROJECT.json (docs/project-format.md) into an animation container, "
          "or into a saver that carries it. A saver is written when OUT ends in .scr, or when "
          "--saver or --arch is given; without --saver it is made from the template saver "
          "installed with the tool. A bad project is refused with one line per problem, "
          "\"FILE: /json/path: message\", and nothing is written.",
          saverTextsParagraph},
         {{"PROJECT.json", "the project; its images are named relative to its folder"},
          {"--saver SAVER", "the saver to carry the animation"},
          archOption,
          titleOption,
          creditOption,
          {"-o OUT", "the container or saver to write"}},
         {{"cinefold pack kite/project.json -o kite.scr", "a 64-bit saver that plays the project"},
          {"cinefold pack kite/project.json -o kite.cfc", "the bare container"}}},
        {"unpack",
         "an animation as a project folder",
         {"cinefold unpack FILE -o DIR [--force]"},
         {"Writes the animation that FILE loads to as a project folder: project.json and its "
          "images. Packing that project again gives a container that loads to the same "
          "animation."},
         {fileArgument,
          {"-o DIR", "the project folder to write; made when missing"},
          {"--force", "write into DIR even when it is not empty"}},
         {{"cinefold unpack my.scr -o my-project", "my.scr's animation, to edit and pack again"}}},
        {"import",
         "a project made from an animated GIF or a sprite sheet",
         {"cinefold import FILE.gif -o DIR [--force]",
          "cinefold import SHEET.png --grid CxR | --cell WxH -o DIR [--force]"},
         {"Writes a project folder to start an animation from. An animated GIF becomes one cel "
          "group that cycles the GIF's pictures at their delays, each distinct picture an image; "
          "a sprite sheet is cut into cels, left to right and top to bottom, that the group shows "
          "one a frame. The stage has the size of the GIF or of one cel, layer 1 shows the group "
          "in its middle, and transparent pixels become masks.",
          "Delays are quantised to the 100 ms frame period: each picture starts at its start time "
          "rounded to the nearest 100 ms, and one that would then last no frame gives way to the "
          "next. A delay under 20 ms counts as 100 ms, as browsers show it. At most 100 different "
          "pictures are taken."},
         {{"FILE.gif", "an animated (or still) GIF"},
          {"SHEET.png", "a sprite sheet: a PNG of equal cels"},
          {"--grid CxR", "the sheet holds C columns and R rows of cels"},
          {"--cell WxH", "the sheet's cels are W x H pixels"},
          {"-o DIR", "the project folder to write; made when missing"},
          {"--force", "write into DIR even when it is not empty"}},
         {{"cinefold import kite.gif -o kite", "kite/project.json, ready to pack or play"},
          {"cinefold import walk.png --grid 8x1 -o walk", "eight cels side by side"}}},
        {"play",
         "plays an animation in a window, as the saver would",
         {"cinefold play [FILE] [--watch] [--stretch] [--screen WxH] [--frame N] [--paused]"},
         {"Plays FILE, or without FILE the demo animation built into the tool, in a resizable "
          "window that stands for the screen. Escape or q quits, f switches to full screen, s "
          "stretches, space pauses, and Left and Right step a frame back or on while paused. "
          "The window is an X11 window: a cinefold built without X11 has no player, and play "
          "says so.",
          "With --watch, play follows FILE (a project and every file it names) as it is edited: "
          "a save that packs takes the place of what plays, at the same frame when it still has "
          "it, and a burst of saves reloads once; one that does not pack is named on stderr and "
          "in the window's title while the last good animation goes on."},
         {fileArgument,
          {"--watch", "reload FILE whenever it or a file it names is saved"},
          {"--stretch", "start stretched, as the saver's \"Stretch as Desktop Size\" setting"},
          {"--screen WxH", "the window's size (the stage's own by default)"},
          {"--frame N", "start at frame N"},
          {"--paused", "start paused"}},
         {{"cinefold play my.scr", "my.scr's animation in a window"},
          {"cinefold play kite/project.json --watch",
           "the project, reloaded as it is edited and saved"}}},
    };
}

} // namespace

const Program& toolProgram() {
    static const Program program{
        "cinefold",
        1,
        "User Commands",
        "inspect, render, pack and unpack keyframe sprite animations",
        {"cinefold COMMAND [ARGUMENTS]", "cinefold help COMMAND", "cinefold COMMAND --help",
         "cinefold --version"},
        {"cinefold loads an animation exactly as the Cinefold screen saver does, so what it "
         "reports and draws is what the saver shows. It also packs an author's project into an "
         "animation and a saver that plays it, and unpacks an animation into a project again.",
         "FILE is an animation container, a saver executable that carries one, or a project "
         "(PROJECT.json), packed in memory with pack's warnings and refusals. An output never "
         "replaces an input, and a file is never left half written."},
        toolCommands(),
        {},
        {{"OUTPUT FORMATS",
          {"render writes what OUT's extension names:"},
          {{"PNG", "one frame: -o OUT.png"},
           {"PNG series", "one file per frame of --frames A:B: -o OUT-%04d.png, or -o DIR/"},
           {"GIF", "an animation of --frames A:B or all: -o OUT.gif"},
           {"WebP", "the same, lossless or with --quality Q lossy: -o OUT.webp"}}},
         {"TEMPLATES",
          {"The template savers, which carry no animation, are installed beside the tool as "
           "share/cinefold/cinefold-template-win32.scr and "
           "share/cinefold/cinefold-template-win64.scr under the prefix (/usr/share/cinefold "
           "for a tool in /usr/bin). pack and bundle find them from where the tool itself is."},
          {}},
         {"EXIT STATUS",
          {"0 done; 1 bad input, with one line on standard error naming the file, the byte "
           "offset and what is wrong; 2 wrong usage."},
          {}}},
        {"cinefold-saver(6)"},
    };
    return program;
}

const Program& saverProgram() {
    static const Program program{
        "cinefold-saver",
        6,
        "Games and Amusements",
        "a keyframe sprite animation as a screen saver for X11",
        {"cinefold-saver [--file FILE] [--stretch] [--root | --window-id ID]",
         "cinefold-saver --help | --version"},
        {"cinefold-saver plays a keyframe sprite animation, through the same loading, timing and "
         "drawing as the Windows saver: the aquarium built into it, or any animation made with "
         "cinefold(1). It is a saver program for XScreenSaver and xsecurelock: it draws into the "
         "window it is given until SIGTERM or SIGINT, and never grabs input.",
         "A window smaller than half the screen each way, such as the preview of a settings "
         "dialog, shows the whole screen's picture shrunk. Each option may be given with one "
         "dash or two."},
        {},
        {"cinefold-saver",
         "",
         {},
         {},
         {{"--file FILE", "the animation: a container, or a Windows saver that carries one. A "
                          "file that holds no animation is reported in one line on standard "
                          "error, and the demo plays instead"},
          {"--stretch", "scale the animation in whole tenths to fill the screen, rather than "
                        "showing it at its own size in the middle"},
          {"--root", "draw on the screen, as XScreenSaver asks of its display modes"},
          {"--window-id ID", "draw into the window ID, decimal or hexadecimal with 0x"},
          {"--help", "print the usage and exit"},
          {"--version", "print the version and exit"}},
         {{"cinefold-saver --file aquarium.scr --stretch", "an animation in a window of its own"},
          {"XSECURELOCK_SAVER=/usr/libexec/xscreensaver/cinefold-saver xsecurelock",
           "the saver of a locked screen"}}},
        {{"ENVIRONMENT",
          {},
          {{"XSCREENSAVER_WINDOW", "without --root or --window-id, the window to draw into "
                                   "(XScreenSaver and xsecurelock set it); without it the saver "
                                   "opens a window of its own"}}},
         {"EXIT STATUS",
          {"0 after SIGTERM or SIGINT, when its own window is closed or the window it draws into "
           "is destroyed; 1 when there is no display, the window does not exist, or the "
           "connection to the X server is lost; 2 wrong usage."},
          {}}},
        {"cinefold(1)", "xscreensaver(1)", "xsecurelock(1)"},
    };
    return program;
}

} // namespace cinefold::help
