#pragma once
// The tools' load: a file path naming a bare container (it starts with "VEKO_S10") or an
// executable that carries one behind its image, located by its "RC_DATA" 107 resource.

#include "base/ByteReader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cinefold {

struct ContainerSource {
    bool executable = false;  // false: a bare container
    std::uint32_t offset = 0; // where the container starts in the file
    std::uint32_t size = 0;   // its length
};

// A problem with a file, as one line: where in the file, and what is wrong.
struct FileProblem {
    std::uint64_t offset = 0;
    std::string what;
    bool atOffset = true; // false for a file that cannot be opened, read or written at all
};

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, FileProblem& problem);

// Finds the container inside a file's bytes. Fails when there is none or its signature is wrong.
bool locateContainer(Bytes file, ContainerSource& source, FileProblem& problem);

// Reads the file and finds the container; `container` receives a copy of its source.size bytes,
// for the caller to walk. Fails, with the problem, when the file holds no readable container.
bool loadContainerFile(const std::string& path, std::unique_ptr<std::uint8_t[]>& container,
                       ContainerSource& source, FileProblem& problem);
// The same for a file's bytes already in memory.
bool copyContainer(Bytes file, std::unique_ptr<std::uint8_t[]>& container, ContainerSource& source,
                   FileProblem& problem);

} // namespace cinefold
