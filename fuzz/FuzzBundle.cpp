// Bundles an arbitrary container into an arbitrary saver and reads the result back: whatever
// bundleContainer accepts must carry the container, byte for byte, where its "RC_DATA" 107
// resource now points.
//
// Input: a 16-bit little-endian length n, the saver's n bytes (fewer when the input ends), and
// the container's bytes after them.

#include "container/Bundle.h"
#include "container/ContainerFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cinefold;
    if (size < 2) return 0;
    const std::size_t saverSize = std::min<std::size_t>(size - 2, data[0] | data[1] << 8);
    const Bytes saver(data + 2, saverSize);
    const Bytes container(data + 2 + saverSize, size - 2 - saverSize);
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
