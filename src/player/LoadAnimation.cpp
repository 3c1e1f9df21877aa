#include "player/LoadAnimation.h"

namespace cinefold {

namespace {
bool walk(Player& player, std::unique_ptr<std::uint8_t[]> container, const ContainerSource& source,
          const WalkObserver* observer) {
    player.adoptContainer(std::move(container), source.size);
    player.walkChunks(observer);
    return true;
}
} // namespace

bool loadAnimationFile(Player& player, const std::string& path, ContainerSource& source,
                       FileProblem& problem, const WalkObserver* observer) {
    std::unique_ptr<std::uint8_t[]> container;
    return loadContainerFile(path, container, source, problem) &&
           walk(player, std::move(container), source, observer);
}

bool loadAnimationBytes(Player& player, Bytes file, ContainerSource& source, FileProblem& problem,
                        const WalkObserver* observer) {
    std::unique_ptr<std::uint8_t[]> container;
    return copyContainer(file, container, source, problem) &&
           walk(player, std::move(container), source, observer);
}

} // namespace cinefold
