#pragma once
// Writes animation containers: the signature, the walk limit and the chunks in the order the
// stored containers have them (P_DT, SCHE, GRP_, JP__, JPEX, BMP_).

#include "base/ByteReader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cinefold {

// One entry of the image list: its number and its packed bytes (a data block or a run-length
// image), written as they are.
struct PackedImage {
    std::uint16_t imageNumber = 0;
    std::vector<std::uint8_t> packed;
};

// What a container holds. Absent parts get no chunk. The table payloads are the decoded bytes;
// the writer packs each into a data block.
struct ContainerContent {
    // stageWidth, stageHeight, backColor, backMode, framePeriod, jumpLength
    std::optional<std::array<std::uint32_t, 6>> stage;
    std::optional<std::vector<std::uint8_t>> schedule;
    std::optional<std::vector<std::uint8_t>> groups;
    std::optional<std::vector<std::uint8_t>> jumpTable;
    std::optional<std::vector<std::uint8_t>> branchTables;
    std::vector<PackedImage> images; // no BMP_ chunk when empty
};

// The longest container the format holds: walkLimit and the chunk lengths are signed 32-bit
// fields, and the walk goes on only while the next chunk lies below walkLimit.
inline constexpr std::uint64_t maxContainerSize = 0x7FFFFFFF;

// Builds a container chunk by chunk, for writers that need chunks of their own choosing.
class ContainerBuilder {
  public:
    ContainerBuilder();
    // Appends a chunk. One that would take the container past maxContainerSize is not
    // appended, and the container then fails to finish.
    void addChunk(const char (&tag)[5], Bytes payload);
    // The two halves of addChunk, for a writer that would rather not build a payload that
    // cannot fit: makeRoom counts a chunk of payloadSize bytes in, false when it passes the
    // limit; appendChunk then appends it, payloadSize bytes long.
    bool makeRoom(const char (&tag)[5], std::uint64_t payloadSize);
    void appendChunk(const char (&tag)[5], Bytes payload);
    // The finished container. walkLimit is the total length less 24, as stored containers
    // have it, unless the last chunk's payload is 16 bytes or shorter: that limit would leave
    // the last chunk unvisited, so the total length is used instead. Empty, with problem()
    // saying why, when the chunks pass the format's limits.
    std::vector<std::uint8_t> finish();
    const std::string& problem() const { return problem_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::int64_t lastPayloadLength_ = -1;
    std::uint64_t size_ = 0; // what the container's length would be, appended or not
    std::string problem_;
};

// The container, or an empty vector with the problem when the content passes the format's
// limits (problem may be null where the content is known to be small).
std::vector<std::uint8_t> writeContainer(const ContainerContent& content,
                                         std::string* problem = nullptr);
// The BMP_ payload of an image list.
std::vector<std::uint8_t> writeImageList(const std::vector<PackedImage>& images);

} // namespace cinefold
