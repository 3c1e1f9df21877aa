#pragma once
// Putting an animation behind a saver: the saver's bytes, the container appended, and the
// "RC_DATA" 107 resource set to where the container begins.

#include "base/ByteReader.h"
#include "container/ContainerFile.h"

#include <cstdint>
#include <vector>

namespace cinefold {

struct BundleResult {
    std::uint32_t containerOffset = 0;
    bool replaced = false; // the saver carried a container, which was cut off
    bool pe32Plus = false;
};

// Fails, with the problem (offsets in the saver), when the saver is not a PE file or has no
// "RC_DATA" 107 resource of at least four bytes.
bool bundleContainer(Bytes saver, Bytes container, std::vector<std::uint8_t>& output,
                     BundleResult& result, FileProblem& problem);

} // namespace cinefold
