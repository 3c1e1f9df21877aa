#include "container/Bundle.h"

#include "container/ContainerHeader.h"
#include "container/PeResources.h"

namespace cinefold {

bool bundleContainer(Bytes saver, Bytes container, std::vector<std::uint8_t>& output,
                     BundleResult& result, FileProblem& problem) {
    OffsetResource resource = findOffsetResource(saver);
    if (!resource.found) {
        problem = {resource.problemOffset, resource.problem};
        return false;
    }
    // The offset is written over the resource's first four bytes. Where they share bytes with
    // the headers or the resource tree, the write would damage what finds them.
    const std::uint64_t valueBegin = resource.fileOffset, valueEnd = valueBegin + 4;
    if (valueBegin < resource.headersEnd) {
        problem = {valueBegin, "\"RC_DATA\" 107's data overlaps the PE headers"};
        return false;
    }
    for (const auto& [begin, end] : resource.treeParts)
        if (valueBegin < end && begin < valueEnd) {
            problem = {valueBegin, "\"RC_DATA\" 107's data overlaps the resource directory at " +
                                       std::to_string(begin)};
            return false;
        }
    // A container the saver already carries is cut off and replaced. Anything else behind the
    // image (a symbol table, a signature) is kept, and the new container goes after it.
    std::size_t keep = saver.size();
    if (resource.value < saver.size() && resource.value >= resource.imageEnd &&
        hasContainerSignature(saver.subspan(resource.value)))
        keep = resource.value;
    if (std::uint64_t(keep) + container.size() > 0xFFFFFFFFu) {
        problem = {0, "saver and container together exceed 4 GiB"};
        return false;
    }
    output.assign(saver.begin(), saver.begin() + std::ptrdiff_t(keep));
    output.insert(output.end(), container.begin(), container.end());
    storeU32le(output.data() + resource.fileOffset, std::uint32_t(keep));
    // Read back as the saver and the tools will: the resource must now lead to this container.
    ContainerSource source;
    FileProblem located;
    if (!locateContainer(output, source, located) || source.offset != keep ||
        source.size != container.size()) {
        problem = {resource.fileOffset, "the bundled saver does not lead back to its container" +
                                            (located.what.empty() ? "" : ": " + located.what)};
        output.clear();
        return false;
    }
    result.containerOffset = std::uint32_t(keep);
    result.replaced = keep < saver.size();
    result.pe32Plus = resource.pe32Plus;
    return true;
}

} // namespace cinefold
