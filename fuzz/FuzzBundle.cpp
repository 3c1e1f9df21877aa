// Bundles an arbitrary container into an arbitrary saver and reads the result back: whatever
// bundleContainer accepts must carry the container, byte for byte, where its "RC_DATA" 107
// resource now points.
//
// Input (TwoParts.h): the saver's bytes, then the container's.

#include "TwoParts.h"
#include "container/Bundle.h"
#include "container/ContainerFile.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cinefold;
    TwoParts parts;
    if (!splitInput(data, size, parts)) return 0;
    const Bytes saver = parts.first, container = parts.second;
    std::vector<std::uint8_t> output;
    BundleResult result;
    FileProblem problem;
    if (!bundleContainer(saver, container, output, result, problem)) return 0;
    ContainerSource source;
    if (!locateContainer(output, source, problem)) std::abort();
    if (source.offset != result.containerOffset || source.size != container.size() ||
        std::memcmp(output.data() + source.offset, container.data(), container.size()) != 0)
        std::abort();
    return 0;
}
