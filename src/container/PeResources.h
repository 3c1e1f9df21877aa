#pragma once
// Finding resources in a PE file (PE32 or PE32+), such as the "RC_DATA" 107 offset resource, by
// reading the resource directory straight from the file's bytes, as the tools do off Windows.

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

// A resource type: a name (compared without regard to case, as the system does) when name is
// set, else a predefined type number.
struct ResourceType {
    const char* name = nullptr;
    std::uint32_t number = 0;
};

// The data of one resource, in the first language the directory lists for it.
struct ResourceData {
    bool found = false;
    std::uint64_t fileOffset = 0; // where the resource's data lies in the file
    std::uint32_t dataSize = 0;   // the resource's size in bytes
    bool pe32Plus = false;
    std::uint64_t imageEnd = 0;       // end of the last section's raw data in the file
    std::uint64_t checksumOffset = 0; // the optional header's CheckSum field
    // End of the section table: the DOS, PE and optional headers and the table lie before it.
    std::uint64_t headersEnd = 0;
    // The parts of the resource tree that the lookup read (directories with their entries, the
    // type's name, the data entry), as [begin, end) file offsets.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> treeParts;
    std::string problem; // why nothing was found
    std::uint64_t problemOffset = 0;
};

struct OffsetResource : ResourceData {
    std::uint32_t value = 0; // the first four bytes: the container's offset
};

bool isPeFile(Bytes file);
ResourceData findResource(Bytes file, ResourceType type, std::uint32_t id);
OffsetResource findOffsetResource(Bytes file);

// The PE checksum of file whose CheckSum field lies at checksumOffset: the file's 16-bit words
// summed with the carries folded back in, that field counted as zero, plus the file's length.
std::uint32_t peChecksum(Bytes file, std::uint64_t checksumOffset);

} // namespace cinefold
