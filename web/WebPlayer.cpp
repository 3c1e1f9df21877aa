// The module's entry points for the page and the <cinefold-player> element. Each element owns one
// WebPlayer: the playback loop that the Linux player runs (the same loading, ticks and
// composition), with the page's clock handed in on every call, and the picture of the canvas that
// stands for the screen, presented exactly as the saver presents its stage and converted to the
// RGBA bytes that a canvas takes. JavaScript only fetches bytes, says when, and puts the picture on
// the canvas.
//
// The info panel and the page's messages come from the cinefold tool's own info command, run on
// the file's bytes, so that the page says what the tool says, in its words.

#include "Commands.h"

#include "player/PlaybackLoop.h"
#include "player/PresentStage.h"
#include "render/SoftCanvas.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

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
        layout_ = Layout{}; // another stage may cover less of the window
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
    // saver paints it: the RGBA bytes, row by row from the top, without padding.
    const std::uint8_t* present(std::int32_t clientWidth, std::int32_t clientHeight,
                                std::int32_t screenWidth, std::int32_t screenHeight) {
        const Player& player = loop_->player();
        const Layout layout{clientWidth, clientHeight, screenWidth, screenHeight,
                            player.stretchToDesktop};
        // A new layout starts from black, as the saver's window is erased when it changes; with
        // the same layout the stage lands where it did and covers what it covered.
        if (!(layout == layout_)) {
            window_ = SoftCanvas(clientWidth, clientHeight);
            layout_ = layout;
        }
        presentStage(player, loop_->stage(), window_, clientWidth, clientHeight, screenWidth,
                     screenHeight);
        rgba_.resize(std::size_t(window_.width()) * std::size_t(window_.height()) * 4);
        std::uint8_t* out = rgba_.data();
        for (std::int32_t y = 0; y < window_.height(); ++y) {
            const std::uint8_t* in = window_.row(y);
            for (std::int32_t x = 0; x < window_.width(); ++x, in += 3, out += 4) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                out[3] = 0xFF;
            }
        }
        shownFrame_ = player.currentFrame;
        return rgba_.data();
    }

    std::int32_t shownFrame() const { return shownFrame_; }

  private:
    struct Layout {
        std::int32_t clientWidth = 0, clientHeight = 0, screenWidth = 0, screenHeight = 0;
        int stretch = -1;
        bool operator==(const Layout&) const = default;
    };

    std::unique_ptr<PlaybackLoop> makeLoop() {
        return std::make_unique<PlaybackLoop>([this] { return now_; });
    }

    std::uint64_t now_ = 0;
    std::unique_ptr<PlaybackLoop> loop_;
    SoftCanvas window_{0, 0};
    Layout layout_;
    std::vector<std::uint8_t> rgba_;
    std::int32_t shownFrame_ = -1;
};

} // namespace

} // namespace cinefold

using cinefold::WebPlayer;

// Every entry point takes plain numbers and pointers into the module's memory, so that the
// script needs no binding layer. Times are milliseconds on the page's clock (performance.now()).
extern "C" {

WebPlayer* cf_player_new() {
    return new WebPlayer;
}

void cf_player_delete(WebPlayer* web) {
    delete web;
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

std::int32_t cf_player_stage_width(WebPlayer* web) {
    return web->loop().player().stageWidth;
}

std::int32_t cf_player_stage_height(WebPlayer* web) {
    return web->loop().player().stageHeight;
}

std::uint32_t cf_player_period(WebPlayer* web) {
    return web->loop().period();
}

const std::uint8_t* cf_player_present(WebPlayer* web, std::int32_t clientWidth,
                                      std::int32_t clientHeight, std::int32_t screenWidth,
                                      std::int32_t screenHeight) {
    return web->present(clientWidth, clientHeight, screenWidth, screenHeight);
}

// `cinefold info NAME` on the file's bytes: its lines go to the module's standard output and
// error, which the script collects. Returns the tool's exit status.
int cf_info(const char* name, const std::uint8_t* bytes, std::uint32_t size) {
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
