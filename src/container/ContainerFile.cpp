#include "container/ContainerFile.h"

#include "container/ContainerHeader.h"
#include "container/PeResources.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace cinefold {

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;
} // namespace

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                   FileProblem& problem) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        problem = {0, std::string("cannot open: ") + std::strerror(errno), false};
        return false;
    }
    // A container's size is a 32-bit count, so no file the saver could play is larger.
    const std::size_t limit = 0xFFFFFFFFu;
    bytes.clear();
    std::uint8_t chunk[1 << 16];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        if (bytes.size() + got > limit) {
            problem = {bytes.size(), "file larger than 4 GiB"};
            return false;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get())) {
        problem = {bytes.size(), std::string("read error: ") + std::strerror(errno), false};
        return false;
    }
    return true;
}

bool locateContainer(Bytes file, ContainerSource& source, FileProblem& problem) {
    source = {};
    if (hasContainerSignature(file)) {
        source.size = std::uint32_t(file.size());
        return true;
    }
    if (file.size() < 2 || file[0] != 'M' || file[1] != 'Z') {
        problem = {0, std::string("neither a container (no \"") + containerSignature +
                          "\" signature) nor an executable"};
        return false;
    }
    OffsetResource resource = findOffsetResource(file);
    if (!resource.found) {
        problem = {resource.problemOffset, resource.problem};
        return false;
    }
    source.executable = true;
    source.offset = resource.value;
    if (resource.value == 0xFFFFFFFFu) {
        problem = {resource.fileOffset,
                   "a saver that carries no animation yet (a template): give it one with "
                   "'cinefold bundle' or 'cinefold pack --saver'"};
        return false;
    }
    if (resource.value >= file.size()) {
        problem = {resource.fileOffset,
                   "the executable carries no container (\"RC_DATA\" 107 holds " +
                       std::to_string(resource.value) + ", the file has " +
                       std::to_string(file.size()) + " bytes)"};
        return false;
    }
    source.size = std::uint32_t(file.size() - resource.value);
    if (!hasContainerSignature(file.subspan(resource.value))) {
        problem = {resource.value, std::string("no \"") + containerSignature +
                                       "\" signature where \"RC_DATA\" 107 points"};
        return false;
    }
    return true;
}

bool loadContainerFile(const std::string& path, std::unique_ptr<std::uint8_t[]>& container,
                       ContainerSource& source, FileProblem& problem) {
    std::vector<std::uint8_t> file;
    if (!readWholeFile(path, file, problem)) return false;
    return copyContainer(file, container, source, problem);
}

bool copyContainer(Bytes file, std::unique_ptr<std::uint8_t[]>& container, ContainerSource& source,
                   FileProblem& problem) {
    if (!locateContainer(file, source, problem)) return false;
    if (source.size < containerHeaderSize) {
        problem = {source.offset, "container shorter than its " +
                                      std::to_string(containerHeaderSize) + "-byte header"};
        return false;
    }
    container.reset(new std::uint8_t[source.size]);
    std::memcpy(container.get(), file.data() + source.offset, source.size);
    return true;
}

} // namespace cinefold
