// Loads arbitrary bytes as an animation container, the way the saver does after reading its
// own executable: the Player adopts the bytes and walks every chunk, decoding tables and
// images into the track set, the jump tables and the image store.

#include "player/Player.h"

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto container = std::make_unique<std::uint8_t[]>(size);
    if (size) std::memcpy(container.get(), data, size);
    cinefold::Player player;
    player.adoptContainer(std::move(container), std::uint32_t(size));
    player.walkChunks();
    return 0;
}
