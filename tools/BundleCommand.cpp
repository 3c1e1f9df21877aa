// cinefold bundle SAVER CONTAINER -o OUT: OUT is SAVER with CONTAINER appended and its
// "RC_DATA" 107 resource set to the offset where CONTAINER begins.

#include "Commands.h"
#include "Report.h"

#include "container/ContainerFile.h"
#include "container/PeResources.h"

#include <cstdio>
#include <cstring>

namespace cinefold {

int runBundle(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {}, {"-o"}, parsed, error)) return usageError(error);
    if (parsed.positional.size() != 2) return usageError("bundle takes SAVER and CONTAINER");
    const std::string* out = parsed.option("-o");
    if (!out) return usageError("bundle needs -o OUT");
    const std::string& saverPath = parsed.positional[0];
    const std::string& containerPath = parsed.positional[1];

    FileProblem problem;
    std::vector<std::uint8_t> saver;
    if (!readWholeFile(saverPath, saver, problem)) return badInput(saverPath, problem.offset, problem.what);
    OffsetResource resource = findOffsetResource(saver);
    if (!resource.found) return badInput(saverPath, resource.problemOffset, resource.problem);

    // The animation may come bare or inside another saver.
    std::vector<std::uint8_t> containerFile;
    if (!readWholeFile(containerPath, containerFile, problem))
        return badInput(containerPath, problem.offset, problem.what);
    ContainerSource source;
    if (!locateContainer(containerFile, source, problem))
        return badInput(containerPath, problem.offset, problem.what);
    Bytes container = Bytes(containerFile).subspan(source.offset, source.size);

    // A container the saver already carries is cut off and replaced. Anything else behind the
    // image (a symbol table, a signature) is kept, and the new container goes after it.
    std::size_t keep = saver.size();
    if (resource.value < saver.size() && resource.value >= resource.imageEnd &&
        saver.size() - resource.value >= 8 && std::memcmp(saver.data() + resource.value, "VEKO_S10", 8) == 0)
        keep = resource.value;
    if (std::uint64_t(keep) + container.size() > 0xFFFFFFFFu)
        return badInput(containerPath, 0, "saver and container together exceed 4 GiB");

    std::vector<std::uint8_t> output(saver.begin(), saver.begin() + std::ptrdiff_t(keep));
    output.insert(output.end(), container.begin(), container.end());
    storeU32le(output.data() + resource.fileOffset, std::uint32_t(keep));
    if (!writeWholeFile(*out, output, problem)) return fileError(*out, problem.what);
    std::printf("%s: %s with a %zu-byte container at offset %zu\n", out->c_str(),
                resource.pe32Plus ? "PE32+" : "PE32", container.size(), keep);
    return exitDone;
}

} // namespace cinefold
