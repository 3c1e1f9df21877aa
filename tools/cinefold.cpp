// cinefold: inspect, render, unpack and bundle the animations that the saver plays.

#include "Commands.h"
#include "OutputFile.h"
#include "Report.h"

#include <cstdio>
#include <cstring>

namespace {

const char usage[] =
    "usage: cinefold COMMAND [ARGUMENTS]\n"
    "\n"
    "FILE is a bare animation container or a saver executable that carries one.\n"
    "\n"
    "  info FILE [--json]              what loading FILE yields: chunks, stage, images, tracks,\n"
    "                                  groups, jump tables, last frame\n"
    "  frame FILE --frame N [--json]   every layer's record at frame N and how it is drawn\n"
    "  sequence FILE --ticks N [--from F] [--clock T0]\n"
    "                                  currentFrame after each of N timer ticks, from frame F\n"
    "                                  (0), the tick count T0 ms (0) seeding random branches\n"
    "  render FILE [--frame N | --frames A:B] [--screen WxH [--stretch]] [--preview WxH] -o OUT\n"
    "                                  PNG of the stage at frame N (0), or of the screen or the\n"
    "                                  preview window (on --screen, else 1024x768) as the saver\n"
    "                                  presents it; --frames writes OUT-A.png to OUT-B.png\n"
    "  render FILE --frames A:B|all [--screen ...] [--preview WxH] -o OUT.gif|OUT.webp\n"
    "                                  frames A to B, or all: one pass of the frames that the\n"
    "                                  saver shows from frame 0 until it comes back to one (at\n"
    "                                  most 100000), as an animation at the saver's frame period;\n"
    "                                  WebP is lossless unless --quality Q (0 to 100) is given;\n"
    "                                  --frames all needs an animation, not PNG\n"
    "  extract FILE -o DIR [--raw]     the images and masks as PNG; with --raw, the decoded\n"
    "                                  payloads and images, byte for byte\n"
    "  bundle SAVER CONTAINER -o OUT   OUT is SAVER carrying CONTAINER (replacing any it had)\n"
    "  pack PROJECT.json -o OUT [--saver SAVER]\n"
    "                                  the project packed into a container, or with --saver,\n"
    "                                  into SAVER carrying it\n"
    "  unpack FILE -o DIR              the animation FILE loads to, as a project folder\n"
    "  play [FILE]                     plays FILE, or the demo, in a window as the saver would:\n"
    "                                  Escape or q quits, f full screen, s stretch, space pause,\n"
    "                                  Left and Right step a frame while paused\n"
    "\n"
    "Exit status: 0 done, 1 bad input (one line on stderr names the file, the offset and the\n"
    "problem), 2 wrong usage.\n";

struct Command {
    const char* name;
    int (*run)(const cinefold::Arguments&);
};

const Command commands[] = {
    {"info", cinefold::runInfo},         {"extract", cinefold::runExtract},
    {"bundle", cinefold::runBundle},     {"frame", cinefold::runFrame},
    {"sequence", cinefold::runSequence}, {"render", cinefold::runRender},
    {"pack", cinefold::runPack},         {"unpack", cinefold::runUnpack},
    {"play", cinefold::runPlay},
};

// A command that printed its result succeeded only if the result arrived: a full disk or a
// closed standard output is a failure, not a success.
int finished(int status) {
    std::string problem;
    if (cinefold::standardOutputWritten(problem) || status != cinefold::exitDone) return status;
    return cinefold::fileError("standard output", problem);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(usage, stderr);
        return cinefold::exitUsage;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
        !std::strcmp(argv[1], "help")) {
        std::fputs(usage, stdout);
        return cinefold::exitDone;
    }
    for (const Command& command : commands)
        if (!std::strcmp(argv[1], command.name))
            return finished(command.run(cinefold::Arguments(argv + 2, argv + argc)));
    return cinefold::usageError(std::string("unknown command '") + argv[1] + "'");
}
