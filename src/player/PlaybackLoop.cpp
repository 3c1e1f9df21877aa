#include "player/PlaybackLoop.h"

#include "player/FrameCompositor.h"
#include "player/LoadAnimation.h"
#include "player/PresentLayout.h"
#include "player/TimerPeriod.h"

#include <chrono>

namespace cinefold {

namespace {
// Enough to step back through a few minutes of a typical animation; each entry is a frame number.
constexpr std::size_t historyLength = 4096;
} // namespace

std::uint64_t PlaybackLoop::steadyMilliseconds() {
    using namespace std::chrono;
    return std::uint64_t(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

PlaybackLoop::PlaybackLoop(Clock clock) : clock_(std::move(clock)) {}

bool PlaybackLoop::loadFile(const std::string& path, FileProblem& problem) {
    ContainerSource source;
    return loadAnimationFile(player_, path, source, problem);
}

bool PlaybackLoop::loadBytes(Bytes file, FileProblem& problem) {
    ContainerSource source;
    return loadAnimationBytes(player_, file, source, problem);
}

std::uint32_t PlaybackLoop::period() const {
    return timerPeriod(player_.framePeriod);
}

void PlaybackLoop::start() {
    // A stage record may claim a size the saver would not make a bitmap of; such a stage stays
    // empty and the presenter shows black, as the saver's window does.
    if (stageSizeUsable(player_.stageWidth, player_.stageHeight))
        stage_ = SoftCanvas(player_.stageWidth, player_.stageHeight);
    tracker_.reset();
    compose();
    due_ = clock_() + period();
    started_ = true;
}

std::int64_t PlaybackLoop::millisecondsUntilTick() const {
    if (paused_ || !started_) return -1;
    std::uint64_t now = clock_();
    return now >= due_ ? 0 : std::int64_t(due_ - now);
}

bool PlaybackLoop::runDueTick() {
    if (paused_ || !started_) return false;
    std::uint64_t now = clock_();
    if (now < due_) return false;
    due_ += period();
    if (due_ <= now) due_ = now + period();
    return advance(now);
}

bool PlaybackLoop::tick() {
    return advance(clock_());
}

void PlaybackLoop::setPaused(bool paused) {
    if (paused_ && !paused) due_ = clock_() + period();
    paused_ = paused;
}

bool PlaybackLoop::stepForward() {
    return advance(clock_());
}

bool PlaybackLoop::stepBack() {
    if (history_.empty()) return false;
    player_.currentFrame = history_.back();
    history_.pop_back();
    return composeIfChanged();
}

bool PlaybackLoop::advance(std::uint64_t now) {
    if (history_.size() == historyLength) history_.pop_front();
    history_.push_back(player_.currentFrame);
    player_.advanceFrame(std::uint32_t(now));
    return composeIfChanged();
}

bool PlaybackLoop::composeIfChanged() {
    if (player_.currentFrame == composedFrame_) return false;
    compose();
    return true;
}

void PlaybackLoop::compose() {
    // The stage holds the frame the tracker saw last: only what differs from it is drawn again.
    const StageDamage changed = tracker_.next(player_);
    composeFrame(player_, stage_, changed);
    ++compositions_;
    composedFrame_ = player_.currentFrame;
    for (const Rect& rect : changed.rects)
        addDamage(damage_, rect, DamageTracker::maxRects);
}

} // namespace cinefold
