// Reads arbitrary bytes as the tools read a file they are given: a bare container, or an
// executable whose "RC_DATA" 107 resource says where its container starts. The PE headers, the
// section table and the three levels of the resource tree are read straight from the bytes,
// and whatever container is found is loaded into a Player.

#include "container/ContainerFile.h"
#include "container/PeResources.h"
#include "player/LoadAnimation.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cinefold;
    const Bytes file(data, size);
    const OffsetResource resource = findOffsetResource(file);
    // A value that is found lies wholly inside the file.
    if (resource.found && (resource.fileOffset > size || size - resource.fileOffset < 4))
        std::abort();
    Player player;
    ContainerSource source;
    FileProblem problem;
    if (!loadAnimationBytes(player, file, source, problem)) return 0;
    if (std::uint64_t(source.offset) + source.size != size) std::abort();
    return 0;
}
