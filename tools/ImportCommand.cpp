// cinefold import FILE.gif -o DIR, cinefold import SHEET.png --grid CxR | --cell WxH -o DIR: a
// project to start from (what it holds is said in ImportReader.cpp).

#include "Commands.h"
#include "ImportReader.h"
#include "Inspection.h"
#include "files/OutputFile.h"
#include "Report.h"

#include "project/ProjectWriter.h"

#include "container/ContainerFile.h"

#include <cstdio>
#include <filesystem>

namespace cinefold {

namespace {

// "CxR" or "WxH": two whole numbers of at least 1.
bool parsePair(const std::string& text, long long& a, long long& b) {
    const std::size_t cross = text.find('x');
    return cross != std::string::npos && parseInteger(text.substr(0, cross), 1, 65535, a) &&
           parseInteger(text.substr(cross + 1), 1, 65535, b);
}

} // namespace

int runImport(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {"--force"}, {"-o", "--grid", "--cell"}, parsed, error))
        return usageError(error);
    if (parsed.positional.size() != 1) return usageError("import takes one FILE");
    const std::string* out = parsed.option("-o");
    if (!out) return usageError("import needs -o DIR");
    const std::string& path = parsed.positional[0];
    const std::string* grid = parsed.option("--grid");
    const std::string* cell = parsed.option("--cell");
    const std::string extension = std::filesystem::path(path).extension().string();
    const bool sheet = grid || cell;
    if (grid && cell) return usageError("import takes --grid or --cell, not both");
    if (!sheet && extension != ".gif")
        return usageError("import takes an animated GIF, or a sprite sheet with --grid CxR or "
                          "--cell WxH");
    long long a = 0, b = 0;
    if (sheet && !parsePair(grid ? *grid : *cell, a, b))
        return usageError(std::string(grid ? "--grid takes CxR" : "--cell takes WxH") +
                          " (1 to 65535 each), not '" + (grid ? *grid : *cell) + "'");

    rememberInput(path);
    std::vector<std::uint8_t> bytes;
    FileProblem fileProblem;
    if (!readWholeFile(path, bytes, fileProblem)) return reportProblem(path, fileProblem);
    Project project;
    std::string note, problem;
    const bool read = sheet ? importSheet(bytes, {grid != nullptr, a, b, grid ? *grid : *cell},
                                          project, note, problem)
                            : importGif(bytes, project, note, problem);
    if (!read) return fileError(path, problem);
    if (!writeProjectFolder(project, *out, parsed.has("--force"), problem))
        return fileError(*out, problem);
    std::printf("%s: a project of %d x %d: %s\n", out->c_str(), project.stage.width,
                project.stage.height, note.c_str());
    return exitDone;
}

} // namespace cinefold
