#include "saver/SaverCompositor.h"

#include "player/PresentedArea.h"

namespace cinefold {

template void composeFrame<GdiCanvas>(const Player&, GdiCanvas&);
template void composeFrame<GdiCanvas>(const Player&, GdiCanvas&, const StageDamage&);

namespace {

PresentedStage shownStage(const SaverPlayer& player) {
    return {player.stageWidth, player.stageHeight, player.stretchToDesktop != 0};
}

} // namespace

std::vector<Rect> takeFrameDamage(SaverPlayer& player, const PaintedWindow& window) {
    const StageDamage changed = player.damage.next(player);
    std::vector<Rect> shown;
    if (changed.empty()) return shown;
    const PresentedArea area(shownStage(player), window.clientWidth, window.clientHeight,
                             window.screenWidth, window.screenHeight);
    for (const Rect& rect : changed.rects) {
        addDamage(player.staleStage, rect, DamageTracker::maxRects);
        const Rect at = area.of(rect);
        if (at.left < at.right) shown.push_back(at);
    }
    return shown;
}

void paintStage(SaverPlayer& player, HDC windowDc, const PaintedWindow& window,
                std::span<const Rect> parts) {
    MemoryDc stageDc(windowDc);
    Selection bitmap(stageDc, player.stageBitmap.get());
    GdiCanvas stage(stageDc, player.stageWidth, player.stageHeight);
    if (player.stageBitmap && !player.staleStage.empty()) {
        const Rect whole{0, 0, player.stageWidth, player.stageHeight};
        StageDamage stale{false, std::move(player.staleStage)};
        stale.whole = stale.rects.size() == 1 && stale.rects[0] == whole;
        composeFrame(player, stage, stale);
    }
    player.staleStage.clear();

    GdiCanvas target(windowDc, window.clientWidth, window.clientHeight);
    auto present = [&] {
        presentStage(shownStage(player), stage, target, window.clientWidth, window.clientHeight,
                     window.screenWidth, window.screenHeight);
    };
    if (parts.empty()) present();
    for (const Rect& part : parts) {
        [[maybe_unused]] auto clip = clipTo(target, part);
        present();
    }
}

} // namespace cinefold
