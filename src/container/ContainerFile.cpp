#include "container/ContainerFile.h"

#include "container/ContainerHeader.h"
#include "container/PeResources.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace cinefold {

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// What a path names when it is not a regular file, for the message that refuses it.
const char* kindOf(std::filesystem::file_type type) {
    switch (type) {
    case std::filesystem::file_type::directory:
        return "a directory";
    case std::filesystem::file_type::fifo:
        return "a pipe";
    case std::filesystem::file_type::socket:
        return "a socket";
    case std::filesystem::file_type::character:
        return "a character device";
    case std::filesystem::file_type::block:
        return "a block device";
    default:
        return "a special file";
    }
}
} // namespace

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                   FileProblem& problem) {
    // Only regular files are read: a device such as /dev/zero never ends, and opening a pipe
    // may block for ever. The path is examined before it is opened, following links.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error && status.type() != std::filesystem::file_type::not_found) {
        problem = {0, "cannot examine: " + error.message(), false};
        return false;
    }
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        problem = {0, std::string("not a regular file: ") + kindOf(status.type()), false};
        return false;
    }
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        problem = {0, std::string("cannot open: ") + std::strerror(errno), false};
        return false;
    }
    // A container's size is a 32-bit count, so no file the saver could play is larger.
    const std::uint64_t limit = 0xFFFFFFFFu;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > limit) {
        problem = {limit, "file larger than 4 GiB"};
        return false;
    }
    bytes.clear();
    if (!error) bytes.reserve(std::size_t(size));
    std::uint8_t chunk[1 << 16];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        // A file that grows while it is read is still held to the limit.
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
