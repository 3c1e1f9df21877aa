// Loads arbitrary bytes as an animation container and composes frames of it on the software
// canvas, as the tool and the players do on every tick: the frame the saver starts with, the
// last keyframe, and the frames that a few timer ticks move on to, each then presented on a
// small screen, stretched, and in a preview. Keys may claim any size or position and images any
// shape; composing must cost no more than the stage's own pixels, whatever they claim. Each frame
// is also composed only inside its damage on a stage kept from frame to frame, as the players
// do, which must give the whole frame's pixels.

#include "player/Damage.h"
#include "player/FrameCompositor.h"
#include "player/Player.h"
#include "player/PresentLayout.h"
#include "player/PresentStage.h"
#include "render/SoftCanvas.h"

#include <cstring>
#include <memory>

namespace {
// Larger stages are valid, but filling them on every input would leave the fuzzer no time for
// anything else.
constexpr std::int64_t largestFuzzedStagePixels = 256 * 256;

// What the presentation takes of the Player: the stage's size and the stretch option.
cinefold::PresentedStage presented(const cinefold::Player& player) {
    return {player.stageWidth, player.stageHeight, player.stretchToDesktop != 0};
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cinefold;
    auto container = std::make_unique<std::uint8_t[]>(size);
    if (size) std::memcpy(container.get(), data, size);
    Player player;
    player.adoptContainer(std::move(container), std::uint32_t(size));
    player.walkChunks();
    if (!stageSizeUsable(player.stageWidth, player.stageHeight) ||
        std::int64_t(player.stageWidth) * player.stageHeight > largestFuzzedStagePixels)
        return 0;

    SoftCanvas stage(player.stageWidth, player.stageHeight);
    SoftCanvas kept(player.stageWidth, player.stageHeight);
    DamageTracker damage;
    auto compose = [&] {
        composeFrame(player, stage);
        composeFrame(player, kept, damage.next(player));
        const DibView whole = stage.view(), incremental = kept.view();
        if (std::memcmp(whole.pixels, incremental.pixels,
                        std::size_t(whole.rowLength) * std::size_t(whole.height)) != 0)
            __builtin_trap();
    };
    SoftCanvas screen(160, 120);
    SoftCanvas preview(40, 30);
    player.currentFrame = player.trackSet.lastFrame();
    compose();
    player.currentFrame = 0;
    for (std::uint32_t tick = 0; tick < 4; ++tick) {
        compose();
        player.stretchToDesktop = int(tick & 1);
        presentStage(presented(player), stage, screen, screen.width(), screen.height(),
                     screen.width(), screen.height());
        player.advanceFrame(tick * 977);
    }
    presentStage(presented(player), stage, preview, preview.width(), preview.height(),
                 screen.width(), screen.height());
    return 0;
}
