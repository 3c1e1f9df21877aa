#pragma once
// The playback loop of the players that run without the saver's Win32 host (the Linux saver and
// player): it loads an animation, ticks it at the saver's timer period with the saver's
// sequencer, and composes each new frame on a software canvas for a presenter to show. It knows
// nothing of windows; the program around it waits for its next tick and for window events, and
// hands the composed stage to the presenter.
//
// The loop composes only when the frame has changed: a tick that leaves currentFrame where it
// was, a repaint, a resize or a change of the stretch option re-presents the stage composed
// last. It keeps one stage from frame to frame and composes a new frame only inside its damage
// (Damage.h), which it gathers for the presenter until it has been shown.

#include "base/Rect.h"
#include "container/ContainerFile.h"
#include "player/Damage.h"
#include "player/Player.h"
#include "render/SoftCanvas.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace cinefold {

class PlaybackLoop {
  public:
    // Milliseconds on a monotonic clock. The tick count that seeds the sequencer's random
    // branches is its value wrapped to 32 bits, as the system's tick count wraps.
    using Clock = std::function<std::uint64_t()>;
    static std::uint64_t steadyMilliseconds();

    explicit PlaybackLoop(Clock clock = steadyMilliseconds);

    // Loads the animation once, before start. A failed load leaves the Player as it was, so
    // that the caller can load something else (the built-in demo) instead.
    bool loadFile(const std::string& path, FileProblem& problem);
    bool loadBytes(Bytes file, FileProblem& problem);

    // Makes the stage, composes the current frame and schedules the first tick one timer period
    // from now, as the saver's window shows frame 0 before its first timer message.
    void start();

    // How long the caller may wait for events before the next tick is due: 0 when it is due, -1
    // when paused (only events can change anything then).
    std::int64_t millisecondsUntilTick() const;
    // Runs the tick if it is due. True when it composed a new stage, which is to be presented.
    // A late tick runs once and the next is due a period later: ticks are never made up, as
    // timer messages are not.
    bool runDueTick();
    // One tick now, whatever the clock says (the simulation runs its ticks this way). True when
    // the frame changed and the stage was composed anew.
    bool tick();

    // Pausing stops the ticks; resuming schedules the next tick a full period on.
    void setPaused(bool paused);
    bool paused() const { return paused_; }
    // One frame on by the sequencer, or back to the frame shown before the last step or tick
    // (the sequencer cannot run backwards: jumps and random branches are remembered instead).
    // True when the stage was composed anew.
    bool stepForward();
    bool stepBack();

    // The timer period in milliseconds, the saver's for the loaded frame period.
    std::uint32_t period() const;

    Player& player() { return player_; }
    const Player& player() const { return player_; }
    // The stage composed last: the Player's stage size, or empty when that size is unusable.
    const SoftCanvas& stage() const { return stage_; }
    // How many times the stage has been composed, for tests and the simulation's report.
    std::uint64_t compositions() const { return compositions_; }
    // The stage rectangles that changed since the last clearDamage(): what a presenter has to
    // show again. The presenter clears them once it has shown them.
    std::span<const Rect> damage() const { return damage_; }
    void clearDamage() { damage_.clear(); }

  private:
    bool advance(std::uint64_t now);
    bool composeIfChanged();
    void compose();

    Clock clock_;
    Player player_;
    SoftCanvas stage_{0, 0};
    DamageTracker tracker_;
    std::uint64_t due_ = 0;
    bool paused_ = false;
    bool started_ = false;
    std::int32_t composedFrame_ = 0;
    std::uint64_t compositions_ = 0;
    // The frames shown before recent ticks, for stepping back; bounded, the oldest go first.
    std::deque<std::int32_t> history_;
    // The damage of the compositions since the presenter last cleared it.
    std::vector<Rect> damage_;
};

} // namespace cinefold
