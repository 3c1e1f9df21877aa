#pragma once
// Loads a file exactly as the saver does and records what the walk did with every chunk and
// packed image, for the commands that report on it.

#include "container/ContainerFile.h"
#include "player/Player.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cinefold {

struct ChunkRecord {
    int index = 0;
    std::uint32_t offset = 0;
    std::string tag;
    std::int32_t length = 0;
    ChunkResult result = ChunkResult::skipped;
    bool hasDecodedSize = false;
    std::int32_t decodedSize = 0;
    std::string problem;
};

struct ImageRecord {
    int chunkIndex = 0;
    int entryIndex = 0;
    std::uint32_t offset = 0;
    std::uint16_t imageNumber = 0;
    std::uint32_t packedSize = 0;
    ImageCodec codec = ImageCodec::none;
    bool decoded = false;
    int stored = 0;
    bool cut = false;
    bool dataBlock = false;
    std::string problem;
};

struct Inspection {
    std::string path;
    ContainerSource source;
    Player player;
    std::int32_t walkLimit = 0;
    std::vector<ChunkRecord> chunks;
    std::vector<ImageRecord> images;
    // Called with the live events while the walk runs, for commands that need decoded bytes.
    std::function<void(const ChunkEvent&)> onChunk;
    std::function<void(const ImageEvent&)> onImage;

    // The packed image that last filled store slot `slot`, if any.
    const ImageRecord* imageForSlot(int slot) const;
    // A chunk tag as text, with bytes that are not printable shown as escapes.
    static std::string printableTag(const char tag[4]);
};

// Loads and walks. False, with the problem, when the file holds no container to walk.
bool inspectFile(Inspection& inspection, FileProblem& problem);
// The same for a file's bytes already in memory (a project packed on the fly).
bool inspectBytes(Inspection& inspection, Bytes file, FileProblem& problem);

// A project file (PROJECT.json) is taken wherever an animation is: it is read and packed in
// memory as `pack` does; and written as a folder by unpack and import.
bool isProjectPath(const std::string& path);
// Reads and packs the project at `path`, printing its errors and warnings as `pack` does, one
// line each, and remembering every file it read as an input. Empty when it has errors; then
// `firstError`, when given, receives the first. `files`, when given, receives every file read.
struct Project;

// Writes the project as the folder `folder` through the safe folder writer: whole, or with
// `replace` over an existing folder's files. False, with the problem, when nothing was written.
bool writeProjectFolder(const Project& project, const std::string& folder, bool replace,
                        std::string& problem);
std::optional<std::vector<std::uint8_t>> packProjectFile(const std::string& path,
                                                         std::vector<std::string>* files = nullptr,
                                                         std::string* firstError = nullptr);

// What every command that reads a FILE does first: loads and walks it, then warns about what the
// saver would drop. False, after printing the problem, when there is no container to walk.
bool inspectForCommand(Inspection& inspection);

// Prints one line per refused or truncated chunk and per dropped packed image to stderr, with
// offsets counted from the start of the file. Returns how many lines it printed.
int warnAboutDrops(const Inspection& inspection);

} // namespace cinefold
