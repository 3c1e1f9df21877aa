#pragma once
// An authoring project as it is held in memory: the stage, the images with their masks, the cel
// groups, the tracks and the jump tables. The project reader fills it from a project file and
// the files it names, the packer turns it into container content, and the project writer turns
// it back into a project folder.
//
// Images are held as the BMP file images that the container carries, so what the saver will draw
// is settled here, before any codec is chosen; the writer saves them byte for byte.

#include "container/ChunkWalk.h"
#include "container/DecodeBuffer.h"
#include "timeline/CelGroups.h"
#include "timeline/FrameSequencer.h"
#include "timeline/KeyRecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cinefold {

// The six words of the stage record.
struct ProjectStage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t backColor = 0; // colour reference 0x00BBGGRR
    std::int32_t backMode = 1;   // 1 centred, 2 tiled, 3 stretched, others draw no background
    std::int32_t framePeriod = 1;
    std::int32_t jumpLength = 1000;
};

// An image and its optional mask. A codec of ImageCodec::none means the smallest that fits.
struct ProjectImage {
    int number = 0;                 // 1..100
    std::vector<std::uint8_t> bmp;  // the BMP file image as the image store receives it
    std::vector<std::uint8_t> mask; // a 1-bit BMP file image; empty when there is no mask
    ImageCodec codec = ImageCodec::none;
    ImageCodec maskCodec = ImageCodec::none;
};

struct ProjectGroup {
    int number = 0; // 1..101
    std::vector<CelEntry> cels;
};

struct ProjectLayer {
    int number = 0;              // 1..50
    std::vector<KeyRecord> keys; // ascending frames, no two alike
};

// What follows one frame: the jump table's entry and the five branch tables' entries, -1 where
// a table says nothing.
struct ProjectJump {
    std::int32_t frame = 0;
    std::int32_t to = -1;
    std::array<std::int32_t, branchTableCount> branches{-1, -1, -1, -1, -1};
    friend bool operator==(const ProjectJump&, const ProjectJump&) = default;
};

struct Project {
    ProjectStage stage;
    std::vector<ProjectImage> images; // ascending numbers
    std::vector<ProjectGroup> groups; // ascending numbers
    std::vector<KeyRecord> background;
    std::vector<ProjectLayer> layers; // ascending numbers
    std::vector<ProjectJump> jumps;   // ascending frames

    const ProjectImage* image(int number) const;
    const ProjectGroup* group(int number) const;
};

// The largest jumpLength whose five branch tables still fit one data block.
constexpr std::int32_t maxJumpLength = DecodeBuffer::maxDecodedSize / (4 * branchTableCount);

// The jump table and the five branch tables of jumpLength entries each, -1 wherever the jumps
// say nothing. Jumps at frames outside the tables are left out.
struct JumpTables {
    JumpTable jumpTable;
    std::array<JumpTable, branchTableCount> branchTables;
};
JumpTables tablesFromJumps(std::span<const ProjectJump> jumps, std::int32_t jumpLength);
// The frames at which any table holds something other than -1, for the first jumpLength entries
// (the spare entry behind them is never filled from a container).
std::vector<ProjectJump> jumpsFromTables(const JumpTable& jumpTable,
                                         const std::array<JumpTable, branchTableCount>& branches,
                                         std::int32_t jumpLength);

// The readable names of the stage's background modes and of the keys' flip codes and
// interpolation types; other values are written as numbers.
struct NamedValue {
    std::string_view name;
    std::int32_t value;
};
inline constexpr NamedValue backModeNames[] = {{"centre", 1}, {"tile", 2}, {"stretch", 3}};
inline constexpr NamedValue flipNames[] = {{"none", 0}, {"x", 1}, {"y", 2}, {"xy", 3}};
inline constexpr NamedValue interpolationNames[] = {{"none", 0}, {"linear", 1}, {"curve", 2}};

// The name of `value` among `names`, or its number as text when it has none.
std::string nameOrNumber(std::int32_t value, std::span<const NamedValue> names);
// A colour as a project writes it: "#RRGGBB", or the number 0xXXXXXXXX for a colour reference
// with bits above its 24 colour bits, which no "#RRGGBB" can give.
std::string colourText(std::uint32_t colour);

// "auto" for ImageCodec::none, else the codec's own name.
const char* codecChoiceName(ImageCodec codec);
std::optional<ImageCodec> codecChoiceFromName(std::string_view name);

} // namespace cinefold
