#pragma once
// Finding the "RC_DATA" 107 offset resource in a PE file (PE32 or PE32+), by reading the
// resource directory straight from the file's bytes, as the tools do off Windows.

#include "base/ByteReader.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace cinefold {

// The resource whose first four bytes give the container's offset: a named type (not the
// predefined raw-data type) and a numeric id.
inline constexpr char offsetResourceType[] = "RC_DATA";
inline constexpr std::uint32_t offsetResourceId = 107;

struct OffsetResource {
    bool found = false;
    std::uint64_t fileOffset = 0; // where the resource's data lies in the file
    std::uint32_t dataSize = 0;   // the resource's size in bytes
    std::uint32_t value = 0;      // its first four bytes: the container's offset
    bool pe32Plus = false;
    std::uint64_t imageEnd = 0; // end of the last section's raw data in the file
    // End of the section table: the DOS, PE and optional headers and the table lie before it.
    std::uint64_t headersEnd = 0;
    // The parts of the resource tree that the lookup read (directories with their entries, the
    // type's name, the data entry), as [begin, end) file offsets.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> treeParts;
    std::string problem; // why nothing was found
    std::uint64_t problemOffset = 0;
};

bool isPeFile(Bytes file);
OffsetResource findOffsetResource(Bytes file);

} // namespace cinefold
