#include "GifFile.h"

#include <gif_lib.h>
#include <libimagequant.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace cinefold {

namespace {

// A canvas pixel (blue, green, red bytes) as one number, 0x00RRGGBB.
std::uint32_t colourAt(const std::uint8_t* p) {
    return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

// The distinct colours of one GIF frame, in order of first use, up to the 256 that a palette
// holds. An open-addressed table: a frame has hundreds of thousands of pixels, and this runs for
// each of them.
class FramePalette {
  public:
    static constexpr int capacity = 256;

    void clear() {
        std::fill(std::begin(slots_), std::end(slots_), empty);
        count_ = 0;
    }
    int count() const { return count_; }
    std::uint32_t colour(int index) const { return colours_[index]; }
    // The colour's palette index, added if new; -1 when the palette is already full.
    int indexOf(std::uint32_t colour) {
        std::uint32_t slot = (colour * 2654435761u) >> (32 - slotBits);
        while (slots_[slot] != empty) {
            if (slots_[slot] >> 8 == colour) return int(slots_[slot] & 0xFF);
            slot = (slot + 1) & (slotCount - 1);
        }
        if (count_ == capacity) return -1;
        colours_[count_] = colour;
        slots_[slot] = colour << 8 | std::uint32_t(count_);
        return count_++;
    }

  private:
    static constexpr int slotBits = 10;
    static constexpr std::uint32_t slotCount = 1u << slotBits;
    static constexpr std::uint32_t empty = 0xFFFFFFFF; // no 24-bit colour shifted by 8 gives it
    std::uint32_t slots_[slotCount];                   // colour << 8 | index
    std::uint32_t colours_[capacity];
    int count_ = 0;
};

} // namespace

namespace {

// giflib writes through this into the output's stream; a short count is its write error.
int writeGifBytes(GifFileType* file, const GifByteType* bytes, int count) {
    return int(std::fwrite(bytes, 1, std::size_t(count), static_cast<std::FILE*>(file->UserData)));
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

struct Box {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0; // half-open
    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
};

// The smallest rectangle holding every pixel in which frame and shown differ; one unchanged
// pixel for a frame that changes nothing, since a GIF frame cannot be empty.
Box changedBox(const SoftCanvas& frame, const std::vector<std::uint8_t>& shown) {
    const std::size_t rowBytes = std::size_t(frame.width()) * 3;
    Box box{frame.width(), frame.height(), 0, 0};
    for (std::int32_t y = 0; y < frame.height(); ++y) {
        const std::uint8_t* now = frame.row(y);
        const std::uint8_t* before = shown.data() + y * rowBytes;
        if (!std::memcmp(now, before, rowBytes)) continue;
        std::int32_t first = 0, last = frame.width() - 1;
        while (!std::memcmp(now + first * 3, before + first * 3, 3))
            ++first;
        while (!std::memcmp(now + last * 3, before + last * 3, 3))
            --last;
        box = {std::min(box.left, first), std::min(box.top, y), std::max(box.right, last + 1),
               y + 1};
    }
    return box.right > box.left ? box : Box{0, 0, 1, 1};
}

// libimagequant's handles, freed in reverse order of creation.
struct Quantiser {
    liq_attr* attr = liq_attr_create();
    liq_image* image = nullptr;
    liq_result* result = nullptr;
    ~Quantiser() {
        if (result) liq_result_destroy(result);
        if (image) liq_image_destroy(image);
        if (attr) liq_attr_destroy(attr);
    }
};

} // namespace

struct GifFile::State {
    GifFileType* file = nullptr;
    std::vector<std::uint8_t> shown; // 3 bytes a pixel, rows top first; empty before frame 1
    std::uint64_t elapsedMs = 0;
    FramePalette palette;
    std::vector<std::uint8_t> indexes;
    std::vector<std::uint8_t> rgba;

    ~State() {
        if (file) EGifCloseFile(file, nullptr);
    }

    // The steps of adding one frame: where it changed, its colours and indexes (exact, or
    // chosen by libimagequant), what the viewer shows afterwards, and the frame in the file.
    // transparent is the colour table's transparent entry, or -1 for none.
    bool exactColours(const SoftCanvas& frame, const Box& box, bool first, int& transparent,
                      std::vector<GifColorType>& colours);
    bool quantisedColours(const SoftCanvas& frame, const Box& box, bool first, int& transparent,
                          std::vector<GifColorType>& colours);
    void updateShown(const Box& box, std::size_t rowBytes, int transparent,
                     const std::vector<GifColorType>& colours);
    bool writeFrame(const Box& box, int transparent, std::vector<GifColorType>& colours,
                    std::uint32_t durationMs, std::string& problem);
};

GifFile::GifFile(std::int32_t width, std::int32_t height) : width_(width), height_(height) {}

GifFile::~GifFile() = default;

bool GifFile::open(std::FILE* stream, std::string& problem) {
    int error = 0;
    state_ = std::make_unique<State>();
    state_->file = EGifOpen(stream, writeGifBytes, &error);
    if (!state_->file) {
        problem = "cannot create: " + gifError(error);
        return false;
    }
    EGifSetGifVersion(state_->file, true);
    if (EGifPutScreenDesc(state_->file, width_, height_, 8, 0, nullptr) != GIF_OK ||
        !putLoopForever(state_->file)) {
        problem = "write error: " + gifError(state_->file->Error);
        return false;
    }
    return true;
}

bool GifFile::add(const SoftCanvas& frame, std::uint32_t durationMs, std::string& problem) {
    State& gif = *state_;
    const bool first = gif.shown.empty();
    if (first) gif.shown.assign(std::size_t(width_) * 3 * std::size_t(height_), 0);
    const Box box = first ? Box{0, 0, width_, height_} : changedBox(frame, gif.shown);
    gif.indexes.resize(std::size_t(box.width()) * std::size_t(box.height()));
    int transparent = -1;
    std::vector<GifColorType> colours;
    if (!gif.exactColours(frame, box, first, transparent, colours) &&
        !gif.quantisedColours(frame, box, first, transparent, colours)) {
        problem = "cannot reduce a frame to 256 colours";
        return false;
    }
    gif.updateShown(box, std::size_t(width_) * 3, transparent, colours);
    return gif.writeFrame(box, transparent, colours, durationMs, problem);
}

// Exact colours if they fit: first with the unchanged pixels left transparent, which packs best,
// then, when that one spare entry is all that is missing, with every pixel written. Writing every
// pixel uses a superset of the colours, so it is tried only in that case. False when the colours
// do not fit a palette.
bool GifFile::State::exactColours(const SoftCanvas& frame, const Box& box, bool first,
                                  int& transparent, std::vector<GifColorType>& colours) {
    const std::size_t rowBytes = std::size_t(frame.width()) * 3;
    for (const bool leaveUnchanged : {!first, false}) {
        palette.clear();
        bool anyUnchanged = false, fits = true;
        std::uint8_t* index = indexes.data();
        for (std::int32_t y = box.top; y < box.bottom && fits; ++y) {
            const std::uint8_t* now = frame.row(y) + box.left * 3;
            const std::uint8_t* before = shown.data() + y * rowBytes + box.left * 3;
            for (std::int32_t x = 0; x < box.width(); ++x, now += 3, before += 3, ++index) {
                if (leaveUnchanged && !std::memcmp(now, before, 3)) {
                    anyUnchanged = true;
                    *index = 0; // the transparent entry, numbered once the colours are known
                    continue;
                }
                const int entry = palette.indexOf(colourAt(now));
                if (entry < 0) {
                    fits = false;
                    break;
                }
                *index = std::uint8_t(entry);
            }
        }
        if (!fits) return false;
        if (palette.count() + anyUnchanged > FramePalette::capacity) continue;
        if (anyUnchanged) {
            transparent = palette.count(); // the entry after the colours
            index = indexes.data();
            for (std::int32_t y = box.top; y < box.bottom; ++y) {
                const std::uint8_t* now = frame.row(y) + box.left * 3;
                const std::uint8_t* before = shown.data() + y * rowBytes + box.left * 3;
                for (std::int32_t x = 0; x < box.width(); ++x, now += 3, before += 3, ++index)
                    if (!std::memcmp(now, before, 3)) *index = std::uint8_t(transparent);
            }
        }
        for (int i = 0; i < palette.count(); ++i) {
            const std::uint32_t c = palette.colour(i);
            colours.push_back({GifByteType(c >> 16), GifByteType(c >> 8), GifByteType(c)});
        }
        if (transparent >= 0) colours.push_back({0, 0, 0});
        return true;
    }
    return false;
}

// More colours than a palette holds: libimagequant picks 256 (one of them transparent for the
// pixels that stay as they are) and maps the pixels to them. False when it cannot.
bool GifFile::State::quantisedColours(const SoftCanvas& frame, const Box& box, bool first,
                                      int& transparent, std::vector<GifColorType>& colours) {
    const std::size_t rowBytes = std::size_t(frame.width()) * 3;
    rgba.resize(indexes.size() * 4);
    std::uint8_t* out = rgba.data();
    for (std::int32_t y = box.top; y < box.bottom; ++y) {
        const std::uint8_t* now = frame.row(y) + box.left * 3;
        const std::uint8_t* before = shown.data() + y * rowBytes + box.left * 3;
        for (std::int32_t x = 0; x < box.width(); ++x, now += 3, before += 3, out += 4) {
            out[0] = now[2];
            out[1] = now[1];
            out[2] = now[0];
            out[3] = !first && !std::memcmp(now, before, 3) ? 0 : 255;
        }
    }
    Quantiser q;
    if (!q.attr ||
        !(q.image = liq_image_create_rgba(q.attr, rgba.data(), box.width(), box.height(), 0)) ||
        liq_image_quantize(q.image, q.attr, &q.result) != LIQ_OK ||
        liq_write_remapped_image(q.result, q.image, indexes.data(), indexes.size()) != LIQ_OK)
        return false;
    const liq_palette* chosen = liq_get_palette(q.result);
    for (unsigned i = 0; i < chosen->count; ++i) {
        const liq_color& c = chosen->entries[i];
        if (c.a == 0 && transparent < 0) transparent = int(i);
        colours.push_back({c.r, c.g, c.b});
    }
    return true;
}

// What the viewer shows now: every pixel that is not transparent takes its entry's colour.
void GifFile::State::updateShown(const Box& box, std::size_t rowBytes, int transparent,
                                 const std::vector<GifColorType>& colours) {
    const std::uint8_t* index = indexes.data();
    for (std::int32_t y = box.top; y < box.bottom; ++y) {
        std::uint8_t* pixel = shown.data() + y * rowBytes + box.left * 3;
        for (std::int32_t x = 0; x < box.width(); ++x, pixel += 3, ++index)
            if (*index != transparent) {
                pixel[0] = colours[*index].Blue;
                pixel[1] = colours[*index].Green;
                pixel[2] = colours[*index].Red;
            }
    }
}

// The frame's control block, image descriptor with its colour table, and rows.
bool GifFile::State::writeFrame(const Box& box, int transparent, std::vector<GifColorType>& colours,
                                std::uint32_t durationMs, std::string& problem) {
    // Delays are whole hundredths. Each frame's delay is taken from when it starts and ends on
    // the animation's own clock, both rounded down to hundredths, so that a period that is not a
    // multiple of 10 ms carries its remainder to later frames and the total never drifts by more
    // than 10 ms: at 15 ms the delays run 1, 2, 1, 2, ... hundredths.
    const std::uint64_t start = elapsedMs;
    elapsedMs += durationMs;
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = int(elapsedMs / 10 - start / 10);
    control.TransparentColor = transparent;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);

    // A colour table has a power-of-two size of at least 2; entries past the colours are black.
    colours.resize(std::size_t(1) << GifBitSize(std::max<int>(int(colours.size()), 2)));
    ColorMapObject* map = GifMakeMapObject(int(colours.size()), colours.data());
    if (!map) {
        problem = "out of memory";
        return false;
    }
    bool written =
        EGifPutExtension(file, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
        EGifPutImageDesc(file, box.left, box.top, box.width(), box.height(), false, map) == GIF_OK;
    GifFreeMapObject(map);
    for (std::int32_t y = 0; written && y < box.height(); ++y)
        written =
            EGifPutLine(file, indexes.data() + std::size_t(y) * box.width(), box.width()) == GIF_OK;
    if (!written) problem = "write error: " + gifError(file->Error);
    return written;
}

bool GifFile::finish(std::string& problem) {
    int error = 0;
    GifFileType* file = state_->file;
    state_->file = nullptr; // closed here, whatever the outcome
    if (EGifCloseFile(file, &error) != GIF_OK) {
        problem = "write error: " + gifError(error);
        return false;
    }
    return true;
}

} // namespace cinefold
