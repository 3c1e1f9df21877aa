// Reading a PE file's resource directory straight from its bytes, to find a resource such as
// the "RC_DATA" 107 resource whose first four bytes give the container's offset.
//
//   DOS header     "MZ" ... +0x3C e_lfanew (u32): offset of the PE header
//   PE header      "PE\0\0", then the 20-byte file header:
//                    +2 NumberOfSections (u16), +16 SizeOfOptionalHeader (u16)
//   optional hdr   +0 Magic (0x10B PE32, 0x20B PE32+); +64 CheckSum (u32); data directories
//                    at +96 (PE32) or +112 (PE32+), after NumberOfRvaAndSizes at +92 / +108;
//                    entry 2 is the resource directory (RVA, size)
//   section table  40 bytes a section: +8 VirtualSize, +12 VirtualAddress, +16 SizeOfRawData,
//                    +20 PointerToRawData
//   resource tree  three levels (type, name, language) of directories: 16-byte header with
//                    +12 named entry count (u16), +14 id entry count (u16), then 8-byte entries
//                    (name or id, offset; high bits mark a string name and a subdirectory).
//                    A leaf is a 16-byte data entry: +0 RVA of the data, +4 size.
//
// Every offset is checked against the file; a tree that points outside its section or nests
// deeper than three levels is reported, not followed.

#include "container/PeResources.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace cinefold {

namespace {

struct Section {
    std::uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
};

struct PeLayout {
    std::vector<Section> sections;
    std::uint32_t resourceRva = 0, resourceSize = 0;
    bool pe32Plus = false;
    std::uint64_t imageEnd = 0;
    std::uint64_t checksumOffset = 0;
    std::uint64_t headersEnd = 0;
};

// Maps an RVA to a file offset through the section that holds it in its raw data.
bool rvaToOffset(const PeLayout& pe, std::uint32_t rva, std::uint64_t& offset) {
    for (const Section& s : pe.sections) {
        if (rva >= s.virtualAddress &&
            std::uint64_t(rva) < std::uint64_t(s.virtualAddress) + s.rawSize) {
            offset = std::uint64_t(s.rawOffset) + (rva - s.virtualAddress);
            return true;
        }
    }
    return false;
}

bool fail(ResourceData& result, std::uint64_t offset, std::string problem) {
    result.problem = std::move(problem);
    result.problemOffset = offset;
    return false;
}

bool readLayout(Bytes file, PeLayout& pe, ResourceData& result) {
    ByteReader dos(file);
    if (dos.u16le() != 0x5A4D) return fail(result, 0, "not a PE file (no \"MZ\" header)");
    ByteReader at(file, 0x3C);
    std::uint32_t peOffset = at.u32le();
    if (!at.ok()) return fail(result, 0x3C, "truncated DOS header");
    ByteReader header(file, peOffset);
    if (header.u32le() != 0x00004550 || !header.ok())
        return fail(result, peOffset, "not a PE file (no \"PE\" signature)");
    header.skip(2);
    std::uint16_t sectionCount = header.u16le();
    header.skip(12);
    std::uint16_t optionalSize = header.u16le();
    header.skip(2);
    std::size_t optionalStart = header.position();
    std::uint16_t magic = header.u16le();
    if (!header.ok()) return fail(result, peOffset, "truncated PE header");
    if (magic != 0x10B && magic != 0x20B)
        return fail(result, optionalStart, "unknown optional header magic");
    pe.pe32Plus = magic == 0x20B;
    pe.checksumOffset = optionalStart + 64;
    ByteReader optional(file.first(std::min(file.size(), optionalStart + optionalSize)),
                        optionalStart + (pe.pe32Plus ? 108 : 92));
    std::uint32_t directoryCount = optional.u32le();
    if (optional.ok() && directoryCount > 2) {
        optional.skip(16);
        pe.resourceRva = optional.u32le();
        pe.resourceSize = optional.u32le();
        if (!optional.ok()) pe.resourceRva = pe.resourceSize = 0;
    }
    ByteReader table(file, optionalStart + optionalSize);
    for (unsigned i = 0; i < sectionCount; ++i) {
        table.skip(8);
        Section s;
        s.virtualSize = table.u32le();
        s.virtualAddress = table.u32le();
        s.rawSize = table.u32le();
        s.rawOffset = table.u32le();
        table.skip(16);
        if (!table.ok())
            return fail(result, optionalStart + optionalSize, "truncated section table");
        // Raw data past the file's end is cut to what the file holds.
        if (s.rawOffset > file.size())
            s.rawSize = 0;
        else
            s.rawSize =
                std::uint32_t(std::min<std::uint64_t>(s.rawSize, file.size() - s.rawOffset));
        if (s.rawSize) pe.imageEnd = std::max(pe.imageEnd, std::uint64_t(s.rawOffset) + s.rawSize);
        pe.sections.push_back(s);
    }
    pe.headersEnd = table.position();
    return true;
}

// The entries of one resource directory, as (name-or-id, target) pairs.
struct Entry {
    std::uint32_t name, target;
};

bool readDirectory(Bytes tree, std::uint32_t offset, std::vector<Entry>& entries) {
    ByteReader reader(tree, offset);
    reader.skip(12);
    std::uint32_t count = std::uint32_t(reader.u16le()) + reader.u16le();
    if (!reader.ok() || count > reader.remaining() / 8) return false;
    entries.resize(count);
    for (Entry& e : entries) {
        e.name = reader.u32le();
        e.target = reader.u32le();
    }
    return true;
}

// Resource names are compared as the system's FindResource does: without regard to case.
bool nameEquals(Bytes tree, std::uint32_t offset, const char* wanted) {
    ByteReader reader(tree, offset);
    std::uint16_t length = reader.u16le();
    std::size_t wantedLength = std::char_traits<char>::length(wanted);
    if (!reader.ok() || length != wantedLength) return false;
    for (std::size_t i = 0; i < wantedLength; ++i) {
        std::uint16_t c = reader.u16le();
        if (!reader.ok() || c > 0x7F ||
            std::toupper(c) != std::toupper(static_cast<unsigned char>(wanted[i])))
            return false;
    }
    return true;
}

} // namespace

bool isPeFile(Bytes file) {
    PeLayout pe;
    ResourceData ignored;
    return readLayout(file, pe, ignored);
}

ResourceData findResource(Bytes file, ResourceType type, std::uint32_t id) {
    ResourceData result;
    PeLayout pe;
    if (!readLayout(file, pe, result)) return result;
    result.pe32Plus = pe.pe32Plus;
    result.imageEnd = pe.imageEnd;
    result.checksumOffset = pe.checksumOffset;
    result.headersEnd = pe.headersEnd;
    // Appended rather than concatenated: GCC 12 at -O3 warns of the concatenation (-Wrestrict).
    std::string label = type.name ? "\"" : "type ";
    label.append(type.name ? type.name : std::to_string(type.number).c_str());
    if (type.name) label.push_back('"');

    std::uint64_t treeOffset = 0;
    if (pe.resourceRva == 0 || !rvaToOffset(pe, pe.resourceRva, treeOffset)) {
        fail(result, 0, "no resource directory");
        return result;
    }
    // The tree is read within the section's raw data that holds it.
    std::uint64_t treeEnd = treeOffset;
    for (const Section& s : pe.sections)
        if (treeOffset >= s.rawOffset && treeOffset < std::uint64_t(s.rawOffset) + s.rawSize)
            treeEnd = std::uint64_t(s.rawOffset) + s.rawSize;
    Bytes tree = file.subspan(std::size_t(treeOffset), std::size_t(treeEnd - treeOffset));

    const std::uint32_t subdirectory = 0x80000000u;
    std::vector<Entry> entries;
    auto fromTree = [&](std::uint32_t offset) { return treeOffset + offset; };
    // A directory that was read, with its entries, or another part of the tree.
    auto readPart = [&](std::uint32_t offset, std::uint64_t length) {
        result.treeParts.emplace_back(fromTree(offset), fromTree(offset) + length);
    };
    auto directory = [&](std::uint32_t offset) {
        if (!readDirectory(tree, offset, entries)) return false;
        readPart(offset, 16 + 8 * std::uint64_t(entries.size()));
        return true;
    };

    // Level 1: the type, by name or by number.
    if (!directory(0)) {
        fail(result, treeOffset, "bad resource directory");
        return result;
    }
    std::uint32_t next = 0;
    bool found = false;
    for (const Entry& e : entries)
        if ((e.target & subdirectory) &&
            (type.name
                 ? (e.name & subdirectory) && nameEquals(tree, e.name & ~subdirectory, type.name)
                 : e.name == type.number)) {
            if (type.name)
                readPart(e.name & ~subdirectory, 2 + 2 * std::uint64_t(std::strlen(type.name)));
            next = e.target & ~subdirectory;
            found = true;
            break;
        }
    if (!found) {
        fail(result, treeOffset,
             type.name ? "no " + label + " resource type"
                       : "no resources of type " + std::to_string(type.number));
        return result;
    }
    // Level 2: the id.
    if (!directory(next)) {
        fail(result, fromTree(next), "bad resource directory");
        return result;
    }
    found = false;
    for (const Entry& e : entries)
        if (!(e.name & subdirectory) && e.name == id && (e.target & subdirectory)) {
            next = e.target & ~subdirectory;
            found = true;
            break;
        }
    if (!found) {
        fail(result, fromTree(next), "no " + label + " resource " + std::to_string(id));
        return result;
    }
    // Level 3: the language; the first one is taken.
    if (!directory(next) || entries.empty() || (entries[0].target & subdirectory)) {
        fail(result, fromTree(next),
             "bad resource directory for " + label + " " + std::to_string(id));
        return result;
    }
    readPart(entries[0].target, 16);
    ByteReader leaf(tree, entries[0].target);
    std::uint32_t dataRva = leaf.u32le();
    std::uint32_t dataSize = leaf.u32le();
    std::uint64_t dataOffset = 0;
    if (!leaf.ok() || !rvaToOffset(pe, dataRva, dataOffset)) {
        fail(result, fromTree(entries[0].target),
             label + " " + std::to_string(id) + " points outside the file");
        return result;
    }
    result.found = true;
    result.fileOffset = dataOffset;
    result.dataSize = dataSize;
    return result;
}

OffsetResource findOffsetResource(Bytes file) {
    OffsetResource result;
    static_cast<ResourceData&>(result) = findResource(file, {offsetResourceType}, offsetResourceId);
    if (!result.found) return result;
    ByteReader value(file, std::size_t(result.fileOffset));
    result.value = value.u32le();
    if (!value.ok() || result.dataSize < 4) {
        result.found = false;
        fail(result, result.fileOffset, "\"RC_DATA\" 107 is shorter than 4 bytes");
    }
    return result;
}

std::uint32_t peChecksum(Bytes file, std::uint64_t checksumOffset) {
    auto byteAt = [&](std::size_t i) -> std::uint32_t {
        const bool inField = i >= checksumOffset && i - checksumOffset < 4;
        return i < file.size() && !inField ? file[i] : 0;
    };
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < file.size(); i += 2) {
        sum += byteAt(i) | byteAt(i + 1) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return std::uint32_t(sum + file.size());
}

} // namespace cinefold
