// The module's entry points for the page and the <cinefold-player> element. Each element owns one
// WebPlayer: the playback loop that the Linux player runs (the same loading, ticks and
// composition), with the page's clock handed in on every call, and the picture of the canvas that
// stands for the screen, presented exactly as the saver presents its stage, as the Linux players
// present it (only the rectangles that show what changed), and converted to the RGBA bytes that a
// canvas takes. JavaScript only fetches bytes, says when, and puts the picture on the canvas.
//
// The info panel and the page's messages come from the cinefold tool's own info command, run on
// the file's bytes, so that the page says what the tool says, in its words.

#include "Commands.h"

#include "linux/IncrementalPresent.h"
#include "player/PlaybackLoop.h"
#include "render/SoftCanvas.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace cinefold {

namespace {

class WebPlayer {
  public:
    WebPlayer() : loop_(makeLoop()) {}

    // Takes a new animation. A file that holds no container leaves the one playing as it was.
    bool load(Bytes file, std::int32_t firstFrame, bool paused, double now) {
        now_ = std::uint64_t(now);
        std::unique_ptr<PlaybackLoop> loop = makeLoop();
        FileProblem problem;
        if (!loop->loadBytes(file, problem)) return false;
        loop->player().currentFrame = firstFrame;
        loop->player().stretchToDesktop = loop_->player().stretchToDesktop;
        loop->start();
        loop->setPaused(paused);
        loop_ = std::move(loop);
        incremental_.forget(); // another stage may cover less of the window
        shownFrame_ = -1;
        return true;
    }

    // Runs the tick if it is due at `now`; true when the picture has changed.
    bool advance(double now) {
        now_ = std::uint64_t(now);
        return loop_->runDueTick();
    }

    // Milliseconds from `now` until the next tick is due; -1 while paused.
    double untilTick(double now) {
        now_ = std::uint64_t(now);
        return double(loop_->millisecondsUntilTick());
    }

    void setPaused(bool paused, double now) {
        now_ = std::uint64_t(now);
        loop_->setPaused(paused);
    }

    bool step(int direction, double now) {
        now_ = std::uint64_t(now);
        if (!loop_->paused()) return false;
        return direction < 0 ? loop_->stepBack() : loop_->stepForward();
    }

    PlaybackLoop& loop() { return *loop_; }

    // The window of clientWidth x clientHeight on a screen of screenWidth x screenHeight, as the
    // saver paints it: RGBA bytes, row by row from the top, without padding. Only the rectangles
    // of drawn() have changed since the last present; the canvas takes just those.
    const std::uint8_t* present(std::int32_t clientWidth, std::int32_t clientHeight,
                                std::int32_t screenWidth, std::int32_t screenHeight) {
        const std::size_t bytes = std::size_t(clientWidth) * std::size_t(clientHeight) * 4;
        // A window larger than any canvas the core draws on gets no picture, rather than an
        // allocation that the module's memory cannot hold.
        if (clientWidth <= 0 || clientHeight <= 0 || bytes > SoftCanvas::maxCanvasBytes)
            return nullptr;
        if (clientWidth != width_ || clientHeight != height_) {
            picture_.assign(bytes, 0);
            rgba_.assign(bytes, 0xFF);
            width_ = clientWidth;
            height_ = clientHeight;
        }
        const std::vector<Rect>& drawn = incremental_.present(
            loop_->player(), loop_->stage(), loop_->damage(), picture_.data(), width_, height_,
            std::uint32_t(width_) * 4, screenWidth, screenHeight);
        loop_->clearDamage();
        drawn_.clear();
        for (const Rect& area : drawn) {
            drawn_.insert(drawn_.end(), {area.left, area.top, area.right, area.bottom});
            // The picture's words are 0x00RRGGBB: blue, green, red and a spare byte in memory.
            for (std::int32_t y = area.top; y < area.bottom; ++y) {
                const std::size_t row = std::size_t(y) * std::size_t(width_);
                const std::size_t end = (row + std::size_t(area.right)) * 4;
                for (std::size_t i = (row + std::size_t(area.left)) * 4; i < end; i += 4) {
                    rgba_[i] = picture_[i + 2];
                    rgba_[i + 1] = picture_[i + 1];
                    rgba_[i + 2] = picture_[i];
                }
            }
        }
        shownFrame_ = loop_->player().currentFrame;
        return rgba_.data();
    }

    // The rectangles that the last present changed, four numbers each: left, top, right, bottom.
    const std::vector<std::int32_t>& drawn() const { return drawn_; }
    std::int32_t shownFrame() const { return shownFrame_; }

  private:
    std::unique_ptr<PlaybackLoop> makeLoop() {
        return std::make_unique<PlaybackLoop>([this] { return now_; });
    }

    std::uint64_t now_ = 0;
    std::unique_ptr<PlaybackLoop> loop_;
    IncrementalPresent incremental_;
    std::int32_t width_ = 0, height_ = 0;
    std::vector<std::uint8_t> picture_; // 32-bit words, as IncrementalPresent draws
    std::vector<std::uint8_t> rgba_;    // the same picture as a canvas takes it
    std::vector<std::int32_t> drawn_;
    std::int32_t shownFrame_ = -1;
};

} // namespace

} // namespace cinefold

using cinefold::WebPlayer;

// Every entry point takes plain numbers and pointers into the module's memory, so that the
// script needs no binding layer. Times are milliseconds on the page's clock (performance.now()).
extern "C" {

// A player for each element; an element keeps its player for as long as the page lives.
WebPlayer* cf_player_new() {
    return new WebPlayer;
}

int cf_player_load(WebPlayer* web, const std::uint8_t* bytes, std::uint32_t size,
                   std::int32_t firstFrame, int paused, double now) {
    return web->load({bytes, size}, firstFrame, paused != 0, now);
}

int cf_player_advance(WebPlayer* web, double now) {
    return web->advance(now);
}

double cf_player_until_tick(WebPlayer* web, double now) {
    return web->untilTick(now);
}

void cf_player_set_paused(WebPlayer* web, int paused, double now) {
    web->setPaused(paused != 0, now);
}

int cf_player_step(WebPlayer* web, int direction, double now) {
    return web->step(direction, now);
}

void cf_player_set_stretch(WebPlayer* web, int stretch) {
    web->loop().player().stretchToDesktop = stretch != 0;
}

// The frame that present() showed last (the frame counter and the saved picture's name).
std::int32_t cf_player_frame(WebPlayer* web) {
    return web->shownFrame();
}

const std::uint8_t* cf_player_present(WebPlayer* web, std::int32_t clientWidth,
                                      std::int32_t clientHeight, std::int32_t screenWidth,
                                      std::int32_t screenHeight) {
    return web->present(clientWidth, clientHeight, screenWidth, screenHeight);
}

// The rectangles that the last present changed: how many, and where their left, top, right and
// bottom edges are, four 32-bit numbers each.
std::int32_t cf_player_drawn_count(WebPlayer* web) {
    return std::int32_t(web->drawn().size() / 4);
}

const std::int32_t* cf_player_drawn(WebPlayer* web) {
    return web->drawn().data();
}

// `cinefold info NAME` on the file's bytes: its lines go to the module's standard output and
// error, which the script collects. Returns the tool's exit status.
int cf_info(const char* name, const std::uint8_t* bytes, std::uint32_t size) {
    // The files are named as the user's are, in a folder of their own, so that no name meets one
    // of the module's own folders (/dev, /tmp, ...).
    static const bool inFolder = (mkdir("/files", 0700), chdir("/files") == 0);
    (void)inFolder;
    if (std::FILE* file = std::fopen(name, "wb")) {
        std::fwrite(bytes, 1, size, file);
        std::fclose(file);
    }
    const int status = cinefold::runInfo({name});
    std::remove(name);
    std::fflush(stdout);
    std::fflush(stderr);
    return status;
}

} // extern "C"
