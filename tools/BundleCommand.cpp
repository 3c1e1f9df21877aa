// cinefold bundle [SAVER] CONTAINER -o OUT [--arch win32|win64] [--title TEXT] [--credit TEXT]:
// OUT is SAVER (or the installed template) with CONTAINER appended and its "RC_DATA" 107
// resource set to the offset where CONTAINER begins, and the author's texts written in.

#include "Commands.h"
#include "files/OutputFile.h"
#include "Report.h"
#include "SaverTextOptions.h"
#include "TemplateSaver.h"

#include "container/Bundle.h"

#include <cstdio>

namespace cinefold {

int runBundle(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {}, {"-o", "--arch", "--title", "--credit"}, parsed, error))
        return usageError(error);
    const std::size_t files = parsed.positional.size();
    if (files < 1 || files > 2) return usageError("bundle takes [SAVER] and CONTAINER");
    const std::string* out = parsed.option("-o");
    if (!out) return usageError("bundle needs -o OUT");
    const std::string* arch = parsed.option("--arch");
    if (files == 2 && arch) return usageError("--arch is for the installed templates, not SAVER");
    SaverTexts texts;
    int status = exitDone;
    if (!readSaverTextOptions(parsed, texts, status)) return status;
    std::string saverPath;
    if (files == 2)
        saverPath = parsed.positional[0];
    else if (!installedTemplate(arch, saverPath, status))
        return status;
    const std::string& containerPath = parsed.positional.back();

    rememberInput(saverPath);
    rememberInput(containerPath);
    std::string why;
    if (!checkOutputTarget(*out, why)) return fileError(*out, why);
    FileProblem problem;
    std::vector<std::uint8_t> saver, containerFile, output;
    if (!readWholeFile(saverPath, saver, problem)) return reportProblem(saverPath, problem);
    if (!readWholeFile(containerPath, containerFile, problem))
        return reportProblem(containerPath, problem);
    // The animation may come bare or inside another saver.
    ContainerSource source;
    if (!locateContainer(containerFile, source, problem))
        return reportProblem(containerPath, problem);
    Bytes container = Bytes(containerFile).subspan(source.offset, source.size);

    BundleResult result;
    if (!bundleContainer(saver, container, output, result, problem))
        return reportProblem(saverPath, problem);
    if (!applySaverTexts(saverPath, texts, output, status)) return status;
    if (!writeFileSafely(*out, output, why, programFileMode)) return fileError(*out, why);
    std::printf("%s: %s saver carrying a %zu-byte container at offset %u%s%s\n", out->c_str(),
                result.pe32Plus ? "64-bit" : "32-bit", container.size(), result.containerOffset,
                result.replaced ? " (replacing the one it had)" : "",
                describeSaverTexts(parsed).c_str());
    return exitDone;
}

} // namespace cinefold
