#pragma once
// Loading an animation from a file or from bytes in memory, exactly as the tool does: the file
// is a bare container or an executable carrying one, and the Player walks its chunks, dropping
// what it cannot use as the saver does. The tool, the Linux player and the Linux saver share it,
// so that they all play what the tool reports.

#include "container/ChunkWalk.h"
#include "container/ContainerFile.h"
#include "player/Player.h"

#include <string>

namespace cinefold {

// Loads the container that the file at path holds into a Player that has loaded nothing yet.
// False, with the problem and the Player untouched, when the file holds no container to walk.
bool loadAnimationFile(Player& player, const std::string& path, ContainerSource& source,
                       FileProblem& problem, const WalkObserver* observer = nullptr);

// The same for a file's bytes already in memory, such as the demo built into a program.
bool loadAnimationBytes(Player& player, Bytes file, ContainerSource& source, FileProblem& problem,
                        const WalkObserver* observer = nullptr);

} // namespace cinefold
