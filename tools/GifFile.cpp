#include "GifFile.h"

#include "files/OutputFile.h"

#include <gif_lib.h>
#include <libimagequant.h>
#include <omp.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace cinefold {

namespace {

// A canvas pixel (blue, green, red bytes) as one number, 0x00RRGGBB.
std::uint32_t colourAt(const std::uint8_t* p) {
    return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

// The distinct colours of a frame's written pixels, numbered in order of first use. An
// open-addressed table that grows with them: a frame has hundreds of thousands of pixels, and
// this runs for each of them.
class ColourTable {
  public:
    void clear() {
        // Last in first out, so that every colour is still found along its probe.
        for (; !colours_.empty(); colours_.pop_back())
            slots_[find(colours_.back())] = empty;
    }
    std::size_t size() const { return colours_.size(); }
    std::uint32_t colour(std::size_t entry) const { return colours_[entry]; }
    // The colour's entry, added if new.
    std::uint32_t add(std::uint32_t colour) {
        if (2 * (colours_.size() + 1) > slots_.size()) grow();
        std::uint32_t& slot = slots_[find(colour)];
        if (slot == empty) {
            slot = std::uint32_t(colours_.size());
            colours_.push_back(colour);
        }
        return slot;
    }

  private:
    static constexpr std::uint32_t empty = 0xFFFFFFFF;
    // The slot that holds the colour, or the empty one where it would go.
    std::size_t find(std::uint32_t colour) const {
        const std::size_t mask = slots_.size() - 1;
        // The product's high bits, which depend on every bit of the colour.
        std::size_t slot = std::size_t((std::uint64_t(colour) * 0x9E3779B97F4A7C15u) >> 32) & mask;
        while (slots_[slot] != empty && colours_[slots_[slot]] != colour)
            slot = (slot + 1) & mask;
        return slot;
    }
    void grow() {
        slots_.assign(std::max<std::size_t>(1024, 2 * slots_.size()), empty);
        for (std::uint32_t entry = 0; entry < colours_.size(); ++entry)
            slots_[find(colours_[entry])] = entry;
    }
    std::vector<std::uint32_t> slots_; // entry numbers; a power of two of them, at most half used
    std::vector<std::uint32_t> colours_;
};

// giflib writes through this into a stream, or into a byte vector (Encoded below); a short
// count is its write error.
int writeToStream(GifFileType* file, const GifByteType* bytes, int count) {
    return int(std::fwrite(bytes, 1, std::size_t(count), static_cast<std::FILE*>(file->UserData)));
}
int writeToMemory(GifFileType* file, const GifByteType* bytes, int count) {
    auto& out = *static_cast<std::vector<std::uint8_t>*>(file->UserData);
    out.insert(out.end(), bytes, bytes + count);
    return count;
}

std::string gifError(int code) {
    const char* text = GifErrorString(code);
    return std::string("GIF: ") + (text ? text : "error " + std::to_string(code));
}

// The application extension that makes viewers play the animation again and again: a loop
// count of 0 means forever.
bool putLoopForever(GifFileType* file) {
    static const std::uint8_t loop[3] = {1, 0, 0};
    return EGifPutExtensionLeader(file, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(file, 11, "NETSCAPE2.0") == GIF_OK &&
           EGifPutExtensionBlock(file, 3, loop) == GIF_OK &&
           EGifPutExtensionTrailer(file) == GIF_OK;
}

std::int32_t widthOf(const Rect& r) {
    return r.right - r.left;
}
std::int32_t heightOf(const Rect& r) {
    return r.bottom - r.top;
}
bool isEmpty(const Rect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}
// The smallest rectangle that holds both; either may be empty.
Rect bounds(const Rect& a, const Rect& b) {
    if (isEmpty(a)) return b;
    if (isEmpty(b)) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

// One frame on its way through the pipeline.
struct Frame {
    enum class Stage { added, coloured, claimed, encoded } stage = Stage::added;
    std::vector<std::uint8_t> pixels; // 3 bytes a pixel (blue, green, red), rows top first
    Rect changed;                     // where it can differ from the frame before
    int delay = 0;                    // hundredths
    // The image that the colour stage makes: where, its colour table and transparent entry (-1
    // for none), and a colour table index for each of its pixels.
    Rect box;
    std::vector<GifColorType> colours;
    int transparent = -1;
    std::vector<std::uint8_t> indexes;
    // What the encoding stage makes: the frame's blocks as they go into the file.
    std::vector<std::uint8_t> bytes;
    std::string problem; // why the frame cannot be written, if it cannot
};

// libimagequant's handles, freed in reverse order of creation.
struct Quantiser {
    liq_attr* attr = liq_attr_create();
    liq_histogram* histogram = nullptr;
    liq_result* result = nullptr;
    ~Quantiser() {
        if (result) liq_result_destroy(result);
        if (histogram) liq_histogram_destroy(histogram);
        if (attr) liq_attr_destroy(attr);
    }
};

// The colours nearest to any colour among a palette's, by the sum of the squared differences
// of the channels: the entries in order of green, searched outwards from the colour's green until
// the green difference alone is more than the best found.
class NearestColour {
  public:
    explicit NearestColour(const std::vector<GifColorType>& palette) {
        for (std::size_t i = 0; i < palette.size(); ++i)
            byGreen_.push_back({palette[i].Red, palette[i].Green, palette[i].Blue, int(i)});
        std::sort(byGreen_.begin(), byGreen_.end(), [](const Entry& a, const Entry& b) {
            return a.g < b.g || (a.g == b.g && a.index < b.index);
        });
    }
    int operator()(std::uint32_t colour) const {
        const int r = int(colour >> 16), g = int(colour >> 8 & 0xFF), b = int(colour & 0xFF);
        const auto start = std::lower_bound(byGreen_.begin(), byGreen_.end(), g,
                                            [](const Entry& e, int green) { return e.g < green; });
        int best = -1, bestDistance = 1 << 30;
        const auto consider = [&](const Entry& e) {
            const int d = (e.r - r) * (e.r - r) + (e.g - g) * (e.g - g) + (e.b - b) * (e.b - b);
            if (d < bestDistance || (d == bestDistance && e.index < best))
                best = e.index, bestDistance = d;
        };
        for (auto up = start; up != byGreen_.end() && (up->g - g) * (up->g - g) <= bestDistance;
             ++up)
            consider(*up);
        for (auto down = start;
             down != byGreen_.begin() && (g - (down - 1)->g) * (g - (down - 1)->g) <= bestDistance;)
            consider(*--down);
        return best;
    }

  private:
    struct Entry {
        int r, g, b, index;
    };
    std::vector<Entry> byGreen_;
};

// What a viewer shows after each frame written, and the work of choosing the next frame's
// pixels and colours from it. Frames go through it one at a time, in order.
class Viewer {
  public:
    Viewer(std::int32_t width, std::int32_t height) : width_(width), height_(height) {}

    // frame's box, colour table and indexes; false when libimagequant fails.
    bool colour(Frame& frame) {
        const bool first = shown_.empty();
        if (first) shown_.assign(frame.pixels.size(), 0);
        frame.box = first ? Rect{0, 0, width_, height_} : changedBox(frame);
        gather(frame, !first);
        const bool fits = table_.size() + anyUnchanged_ <= 256;
        if (fits) {
            for (std::size_t i = 0; i < table_.size(); ++i)
                frame.colours.push_back(rgb(table_.colour(i)));
            entryIndex_.resize(table_.size());
            for (std::size_t i = 0; i < table_.size(); ++i)
                entryIndex_[i] = std::uint8_t(i);
        } else if (!quantise(frame)) {
            return false;
        }
        if (anyUnchanged_) {
            frame.transparent = int(frame.colours.size());
            frame.colours.push_back({0, 0, 0});
        }
        show(frame);
        return true;
    }

  private:
    static constexpr std::uint32_t unchanged = 0xFFFFFFFF;
    // The sum of the squared differences of two pixels' channels.
    static int distance(const std::uint8_t* a, const std::uint8_t* b) {
        int sum = 0;
        for (int i = 0; i < 3; ++i)
            sum += (int(a[i]) - int(b[i])) * (int(a[i]) - int(b[i]));
        return sum;
    }
    static GifColorType rgb(std::uint32_t c) {
        return {GifByteType(c >> 16), GifByteType(c >> 8), GifByteType(c)};
    }

    // The smallest rectangle holding every pixel in which the frame and what is shown differ,
    // looked for where the frame changed and where the viewer does not yet show the last frame
    // exactly; one unchanged pixel for a frame that changes nothing, since a GIF frame cannot be
    // empty.
    Rect changedBox(const Frame& frame) const {
        const Rect look = bounds(intersection(frame.changed, {0, 0, width_, height_}), inexact_);
        const std::size_t rowBytes = std::size_t(width_) * 3;
        Rect box{width_, height_, 0, 0};
        for (std::int32_t y = look.top; y < look.bottom; ++y) {
            const std::size_t at = y * rowBytes + std::size_t(look.left) * 3;
            const std::uint8_t* now = frame.pixels.data() + at;
            const std::uint8_t* before = shown_.data() + at;
            const std::size_t lookBytes = std::size_t(widthOf(look)) * 3;
            if (!std::memcmp(now, before, lookBytes)) continue;
            std::int32_t first = 0, last = widthOf(look) - 1;
            while (!std::memcmp(now + first * 3, before + first * 3, 3))
                ++first;
            while (!std::memcmp(now + last * 3, before + last * 3, 3))
                --last;
            box = {std::min(box.left, look.left + first), std::min(box.top, y),
                   std::max(box.right, look.left + last + 1), y + 1};
        }
        return box.right > box.left ? box : Rect{0, 0, 1, 1};
    }

    // The distinct colours of the pixels to write, with how often each occurs, and the entry of
    // each pixel of the box (unchanged for one left as the viewer shows it, when leaveUnchanged).
    void gather(const Frame& frame, bool leaveUnchanged) {
        table_.clear();
        counts_.clear();
        anyUnchanged_ = false;
        entries_.resize(std::size_t(widthOf(frame.box)) * std::size_t(heightOf(frame.box)));
        std::uint32_t* entry = entries_.data();
        const std::size_t rowBytes = std::size_t(width_) * 3;
        for (std::int32_t y = frame.box.top; y < frame.box.bottom; ++y) {
            const std::size_t at = y * rowBytes + std::size_t(frame.box.left) * 3;
            const std::uint8_t* now = frame.pixels.data() + at;
            const std::uint8_t* before = shown_.data() + at;
            for (std::int32_t x = frame.box.left; x < frame.box.right;
                 ++x, now += 3, before += 3, ++entry) {
                if (leaveUnchanged && !std::memcmp(now, before, 3)) {
                    anyUnchanged_ = true;
                    *entry = unchanged;
                    continue;
                }
                *entry = table_.add(colourAt(now));
                if (*entry == counts_.size()) counts_.push_back(0);
                ++counts_[*entry];
            }
        }
    }

    // More colours than a table holds: libimagequant picks them from the histogram (one fewer
    // when an entry is kept for transparency), and each colour takes its nearest.
    bool quantise(Frame& frame) {
        std::vector<liq_histogram_entry> histogram(table_.size());
        for (std::size_t i = 0; i < table_.size(); ++i) {
            const GifColorType c = rgb(table_.colour(i));
            histogram[i] = {{c.Red, c.Green, c.Blue, 255}, counts_[i]};
        }
        Quantiser q;
        if (!q.attr || liq_set_max_colors(q.attr, 256 - anyUnchanged_) != LIQ_OK ||
            !(q.histogram = liq_histogram_create(q.attr)) ||
            liq_histogram_add_colors(q.histogram, q.attr, histogram.data(), int(histogram.size()),
                                     0) != LIQ_OK ||
            liq_histogram_quantize(q.histogram, q.attr, &q.result) != LIQ_OK)
            return false;
        const liq_palette* chosen = liq_get_palette(q.result);
        for (unsigned i = 0; i < chosen->count; ++i)
            frame.colours.push_back(
                {chosen->entries[i].r, chosen->entries[i].g, chosen->entries[i].b});
        const NearestColour nearest(frame.colours);
        entryIndex_.resize(table_.size());
        for (std::size_t i = 0; i < table_.size(); ++i)
            entryIndex_[i] = std::uint8_t(nearest(table_.colour(i)));
        return true;
    }

    // The frame's indexes, and what the viewer shows once it is drawn: every pixel that is not
    // transparent takes its entry's colour. Where that is not the frame's own colour is where
    // the next frame looks again.
    void show(Frame& frame) {
        frame.indexes.resize(entries_.size());
        const std::uint32_t* entry = entries_.data();
        std::uint8_t* index = frame.indexes.data();
        const std::size_t rowBytes = std::size_t(width_) * 3;
        inexact_ = {};
        for (std::int32_t y = frame.box.top; y < frame.box.bottom; ++y) {
            const std::size_t at = y * rowBytes + std::size_t(frame.box.left) * 3;
            const std::uint8_t* now = frame.pixels.data() + at;
            std::uint8_t* pixel = shown_.data() + at;
            for (std::int32_t x = frame.box.left; x < frame.box.right;
                 ++x, now += 3, pixel += 3, ++entry, ++index) {
                if (*entry == unchanged) {
                    *index = std::uint8_t(frame.transparent);
                    continue;
                }
                *index = entryIndex_[*entry];
                const GifColorType& c = frame.colours[*index];
                const std::uint8_t entryColour[3] = {c.Blue, c.Green, c.Red};
                // A pixel that shows a colour at least as near its own as its entry's stays as
                // it is: no pixel gets further from the frame, and runs of the transparent entry
                // pack better.
                if (frame.transparent >= 0 && distance(pixel, now) <= distance(entryColour, now))
                    *index = std::uint8_t(frame.transparent);
                else
                    std::memcpy(pixel, entryColour, 3);
                if (std::memcmp(now, pixel, 3)) inexact_ = bounds(inexact_, {x, y, x + 1, y + 1});
            }
        }
    }

    std::int32_t width_, height_;
    std::vector<std::uint8_t> shown_; // as Frame::pixels; empty before the first frame
    Rect inexact_;                    // holds every pixel that shows another than the last frame's
    ColourTable table_;
    std::vector<std::uint32_t> counts_;    // pixels of each colour of table_
    std::vector<std::uint32_t> entries_;   // table_'s entry for each pixel of the box
    std::vector<std::uint8_t> entryIndex_; // the colour table index for each entry of table_
    bool anyUnchanged_ = false;
};

// The frame's graphic control block, image descriptor with its colour table, and rows, as they
// go into the file: made with giflib in a file of its own in memory, whose header and trailer are
// left out.
void encode(Frame& frame, std::int32_t width, std::int32_t height) {
    std::vector<std::uint8_t>& out = frame.bytes;
    int error = 0;
    GifFileType* file = EGifOpen(&out, writeToMemory, &error);
    if (!file) {
        frame.problem = gifError(error);
        return;
    }
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = frame.delay;
    control.TransparentColor = frame.transparent;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    // A colour table has a power-of-two size of at least 2; entries past the colours are black.
    std::vector<GifColorType>& colours = frame.colours;
    colours.resize(std::size_t(1) << GifBitSize(std::max<int>(int(colours.size()), 2)));
    ColorMapObject* map = GifMakeMapObject(int(colours.size()), colours.data());
    bool written = map && EGifPutScreenDesc(file, width, height, 8, 0, nullptr) == GIF_OK;
    const std::size_t header = out.size();
    written = written && EGifPutExtension(file, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
              EGifPutImageDesc(file, frame.box.left, frame.box.top, widthOf(frame.box),
                               heightOf(frame.box), false, map) == GIF_OK;
    for (std::int32_t y = 0; written && y < heightOf(frame.box); ++y)
        written = EGifPutLine(file, frame.indexes.data() + std::size_t(y) * widthOf(frame.box),
                              widthOf(frame.box)) == GIF_OK;
    if (map) GifFreeMapObject(map);
    if (!written) frame.problem = map ? gifError(file->Error) : "out of memory";
    const std::size_t end = out.size();
    EGifCloseFile(file, &error);
    out.resize(end);
    out.erase(out.begin(), out.begin() + std::ptrdiff_t(header));
    // What is no longer needed goes now: a frame may wait a while to be written.
    std::vector<std::uint8_t>().swap(frame.pixels);
    std::vector<std::uint8_t>().swap(frame.indexes);
}

} // namespace

// The frames between add and being written, the Viewer that colours them in order, and the
// threads that do the work. Every thread takes the next frame to colour if no other thread is
// colouring one, else a coloured frame to encode.
struct GifFile::Pipeline {
    GifFileType* file; // writes the header and, at the end, the trailer
    std::int32_t width, height;
    Viewer viewer;
    std::deque<std::unique_ptr<Frame>> frames; // in order, from the next to write
    std::size_t depth;                         // how many frames may be in it
    bool colouring = false, stopping = false;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::thread> workers;

    Pipeline(std::int32_t w, std::int32_t h, unsigned threads, GifFileType* gif)
        : file(gif), width(w), height(h), viewer(w, h), depth(framesInFlight(w, h, threads)) {
        // libimagequant's own threads would only wait on ours.
        omp_set_num_threads(1);
        const EndingSignalsBlocked blocked; // an interruption is the writing thread's to handle
        for (unsigned i = 1; i < threads; ++i)
            workers.emplace_back([this] { work(); });
    }
    ~Pipeline() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        for (std::thread& t : workers)
            t.join();
        if (file) EGifCloseFile(file, nullptr);
    }

    // Two frames a thread, to keep them all busy, within 256 MB of copied pictures (but never
    // fewer than two frames).
    static std::size_t framesInFlight(std::int32_t w, std::int32_t h, unsigned threads) {
        const std::size_t frameBytes = std::size_t(w) * std::size_t(h) * 3 + 1;
        return std::clamp<std::size_t>((std::size_t(256) << 20) / frameBytes, 2,
                                       2 * std::size_t(threads) + 2);
    }

    // One piece of work, under the lock (which it lets go of while it works); false when there
    // is none.
    bool step(std::unique_lock<std::mutex>& lock) {
        Frame* next = nullptr;
        for (auto& f : frames)
            if (f->stage == Frame::Stage::added) {
                next = f.get();
                break;
            }
        if (next && !colouring) {
            colouring = true;
            lock.unlock();
            if (!viewer.colour(*next)) next->problem = "cannot reduce a frame to 256 colours";
            lock.lock();
            colouring = false;
            next->stage = Frame::Stage::coloured;
            changed.notify_all();
            return true;
        }
        for (auto& f : frames)
            if (f->stage == Frame::Stage::coloured) {
                Frame& frame = *f;
                frame.stage = Frame::Stage::claimed;
                lock.unlock();
                if (frame.problem.empty()) encode(frame, width, height);
                lock.lock();
                frame.stage = Frame::Stage::encoded;
                changed.notify_all();
                return true;
            }
        return false;
    }

    void work() {
        omp_set_num_threads(1);
        std::unique_lock lock(mutex);
        while (!stopping)
            if (!step(lock)) changed.wait(lock);
    }
};

GifFile::GifFile(std::int32_t width, std::int32_t height, unsigned threads)
    : width_(width), height_(height),
      threads_(std::clamp(threads ? threads : std::thread::hardware_concurrency(), 1u, 16u)) {}

GifFile::~GifFile() = default;

bool GifFile::open(std::FILE* stream, std::string& problem) {
    int error = 0;
    GifFileType* file = EGifOpen(stream, writeToStream, &error);
    if (!file) {
        problem = "cannot create: " + gifError(error);
        return false;
    }
    pipeline_ = std::make_unique<Pipeline>(width_, height_, threads_, file);
    EGifSetGifVersion(file, true);
    if (EGifPutScreenDesc(file, width_, height_, 8, 0, nullptr) != GIF_OK ||
        !putLoopForever(file)) {
        problem = "write error: " + gifError(file->Error);
        return false;
    }
    stream_ = stream;
    return true;
}

bool GifFile::add(const SoftCanvas& picture, std::uint32_t durationMs, const Rect& changed,
                  std::string& problem) {
    auto frame = std::make_unique<Frame>();
    const std::size_t rowBytes = std::size_t(width_) * 3;
    frame->pixels.resize(rowBytes * std::size_t(height_));
    for (std::int32_t y = 0; y < height_; ++y)
        std::memcpy(frame->pixels.data() + y * rowBytes, picture.row(y), rowBytes);
    frame->changed = changed;
    // Delays are whole hundredths. Each frame's delay is taken from when it starts and ends on
    // the animation's own clock, both rounded down to hundredths, so that a period that is not a
    // multiple of 10 ms carries its remainder to later frames and the total never drifts by more
    // than 10 ms: at 15 ms the delays run 1, 2, 1, 2, ... hundredths.
    const std::uint64_t start = elapsedMs_;
    elapsedMs_ += durationMs;
    frame->delay = int(elapsedMs_ / 10 - start / 10);

    Pipeline& p = *pipeline_;
    std::unique_lock lock(p.mutex);
    while (p.frames.size() >= p.depth) {
        if (!writeOut(lock, problem)) return false;
        if (p.frames.size() >= p.depth && !p.step(lock)) p.changed.wait(lock);
    }
    p.frames.push_back(std::move(frame));
    p.changed.notify_all();
    if (threads_ == 1)
        while (p.step(lock)) {
        }
    return writeOut(lock, problem);
}

bool GifFile::writeOut(std::unique_lock<std::mutex>& lock, std::string& problem) {
    Pipeline& p = *pipeline_;
    while (!p.frames.empty() && p.frames.front()->stage == Frame::Stage::encoded) {
        const std::unique_ptr<Frame> frame = std::move(p.frames.front());
        p.frames.pop_front();
        p.changed.notify_all();
        if (!frame->problem.empty()) {
            problem = frame->problem;
            return false;
        }
        lock.unlock();
        const bool written = std::fwrite(frame->bytes.data(), 1, frame->bytes.size(), stream_) ==
                             frame->bytes.size();
        lock.lock();
        if (!written) {
            problem = std::string("write error: ") + std::strerror(errno);
            return false;
        }
    }
    return true;
}

bool GifFile::finish(std::string& problem) {
    Pipeline& p = *pipeline_;
    {
        std::unique_lock lock(p.mutex);
        while (!p.frames.empty()) {
            if (!writeOut(lock, problem)) return false;
            if (!p.frames.empty() && !p.step(lock)) p.changed.wait(lock);
        }
    }
    int error = 0;
    GifFileType* file = p.file;
    p.file = nullptr; // closed here, whatever the outcome
    if (EGifCloseFile(file, &error) != GIF_OK) {
        problem = "write error: " + gifError(error);
        return false;
    }
    return true;
}

} // namespace cinefold
