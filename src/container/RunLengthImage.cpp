// The run-length image codec: the other way a packed image can be stored. It works on the bytes
// of the whole BMP file image, headers included, not on pixels. Integers are little-endian and
// unaligned.
//
//   header  +0  (unused)      1 byte
//           +1  codecType     u8: 1 bit runs, 8 byte runs, 24 triple runs
//           +2  decodedSize   i32: meaningful decoded bytes
//           +6  inputLength   i32: length of the packed image, header included
//           +10 data          up to offset inputLength
//
//   type 8   groups (value, count): count + 1 copies of value
//   type 24  groups (b0, b1, b2, count): count + 1 copies of the three bytes
//   type 1   a bit stream coding the lengths of alternating runs of 0-bits and 1-bits, the
//            first run being of 0-bits. The first data byte must have bit 7 clear; bit 6 is
//            unused and bits 5..0 start the stream, bit 5 first; every further byte adds eight
//            bits, bit 7 first. A run code is n 1-bits, a 0-bit, then n - 1 bits b; its run is
//            the number 1b (binary, so 1 for n of 0 or 1, 2..3 for n = 2, 4..7 for n = 3...).
//            The decoded bits fill each output byte from bit 0 up.
//
// Any other codecType is refused before anything is allocated: it would decode to zeros only.
//
// The output holds decodedSize + 256 bytes; whatever the runs do not write is 0. The runs
// write the buffer from its start on, so only the part behind the last run needs clearing, and
// a large image is written once rather than cleared first and written again. A run may end a
// little past decodedSize, but the decode fails once a run has ended beyond it (beyond
// decodedSize + 3 for type 24, whose runs come in threes), so the slack behind decodedSize
// takes in the last run. A run that would pass the end of the whole buffer fails at once,
// before anything is written.

#include "container/DecodeBuffer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace cinefold {

namespace {

constexpr std::size_t headerSize = DecodeBuffer::runLengthHeaderSize;
constexpr std::size_t slack = 256;

// Output position shared by the three run decoders.
struct RunWriter {
    std::uint8_t* out;
    std::size_t capacity;
    std::size_t position = 0;

    std::size_t room() const { return capacity - position; }
};

// Every byte value repeated over 16 bytes, for the wide stores of the byte runs.
constexpr auto bytePatterns = [] {
    std::array<std::array<std::uint8_t, 16>, 256> patterns{};
    for (unsigned value = 0; value < 256; ++value)
        for (auto& byte : patterns[value])
            byte = std::uint8_t(value);
    return patterns;
}();

// Writes one byte run as whole 16-byte stores; the bytes past its end are overwritten by the
// next run, or cleared with the rest of the buffer behind the last run. Needs room for the run
// rounded up to 16. Nearly all runs of a painted image are shorter than 16 bytes, so the one
// store is usually all, and the decode is bound by the number of stores.
inline void writeByteRun(std::uint8_t* to, std::uint8_t value, std::size_t run) {
    const std::uint8_t* pattern = bytePatterns[value].data();
    std::memcpy(to, pattern, 16);
    if (run > 16) [[unlikely]] {
        for (std::size_t i = 16; i < run; i += 16)
            std::memcpy(to + i, pattern, 16);
    }
}

const char* decodeByteRuns(Bytes data, RunWriter& writer, std::size_t decodedSize) {
    // Runs start at or before decodedSize (a run that ends beyond it fails the decode) and are
    // at most 256 bytes long, so the 256 bytes of slack always hold a run rounded up to whole
    // 16-byte stores. Most runs are short, and a wide store costs far less than a memset.
    static_assert(slack >= 256, "a rounded-up run must fit behind decodedSize");
    std::uint8_t* const out = writer.out;
    std::size_t position = writer.position;
    // A final group cut off by inputLength is not read.
    const std::uint8_t* p = data.data();
    const std::uint8_t* const end = p + (data.size() & ~std::size_t(1));
    while (p != end) {
        // Runs that cannot reach past decodedSize together need no bound test one by one.
        const std::size_t batch =
            std::min(std::size_t(end - p) / 2, (decodedSize - position) / 256);
        const std::uint8_t* const stop = p + 2 * batch;
        // Four runs at a time: their positions come from one another, not from the loop.
        for (; stop - p >= 8; p += 8) {
            const std::size_t run0 = std::size_t(p[1]) + 1, run1 = std::size_t(p[3]) + 1;
            const std::size_t run2 = std::size_t(p[5]) + 1, run3 = std::size_t(p[7]) + 1;
            writeByteRun(out + position, p[0], run0);
            writeByteRun(out + position + run0, p[2], run1);
            writeByteRun(out + position + run0 + run1, p[4], run2);
            writeByteRun(out + position + run0 + run1 + run2, p[6], run3);
            position += run0 + run1 + run2 + run3;
        }
        for (; p != stop; p += 2) {
            const std::size_t run = std::size_t(p[1]) + 1;
            writeByteRun(out + position, p[0], run);
            position += run;
        }
        if (p == end) break;
        const std::size_t run = std::size_t(p[1]) + 1;
        writeByteRun(out + position, p[0], run);
        position += run;
        p += 2;
        if (position > decodedSize) {
            writer.position = position;
            return "run past the decoded size";
        }
    }
    writer.position = position;
    return nullptr;
}

const char* decodeTripleRuns(Bytes data, RunWriter& writer, std::size_t decodedSize) {
    for (std::size_t p = 0; p + 4 <= data.size(); p += 4) {
        const std::size_t run = (std::size_t(data[p + 3]) + 1) * 3;
        if (run > writer.room()) return "run past the buffer";
        std::uint8_t* out = writer.out + writer.position;
        std::memcpy(out, data.data() + p, 3);
        // Double the written copies until the run is full.
        for (std::size_t done = 3; done < run;) {
            const std::size_t chunk = std::min(done, run - done);
            std::memcpy(out + done, out, chunk);
            done += chunk;
        }
        writer.position += run;
        if (writer.position > decodedSize + 3) return "run past the decoded size";
    }
    return nullptr;
}

// The code stream of a type-1 image: bits 5..0 of the first data byte, then every further byte
// from bit 7 down. Positions count bits from bit 7 of the first data byte, so the stream starts
// at position 2. The last bit of the input is never handed out: a code that reaches it is cut
// short there, and the input has ended.
class BitSource {
  public:
    explicit BitSource(Bytes data)
        : data_(data), position_(2), end_(8 * std::uint64_t(data.size()) - 1) {}

    bool ended() const { return position_ >= end_; }
    unsigned take() {
        const unsigned bit = data_[position_ >> 3] >> (7 - (position_ & 7)) & 1u;
        ++position_;
        return bit;
    }

  private:
    Bytes data_;
    std::uint64_t position_;
    std::uint64_t end_;
};

// Bits wait here until eight of them make an output byte, the first bit at bit 0.
class BitSink {
  public:
    explicit BitSink(RunWriter& writer) : writer_(writer) {}

    // Appends count bits of colour. When the bytes the run completes do not fit in the buffer,
    // a run that is not the last fails without writing, and the last run keeps what fits.
    bool append(std::uint64_t count, unsigned colour, bool last) {
        const std::uint64_t bits = queued_ + count;
        const std::uint8_t fill = colour ? 0xFF : 0x00;
        if (bits < 8) {
            if (colour) queue_ |= ((1u << count) - 1) << queued_;
            queued_ = unsigned(bits);
            return true;
        }
        std::uint64_t bytes = bits / 8;
        if (bytes > writer_.room()) {
            if (!last) return false;
            bytes = writer_.room();
            if (bytes == 0) return true;
        }
        std::uint8_t* out = writer_.out + writer_.position;
        out[0] = std::uint8_t(queue_ | unsigned(fill) << queued_);
        std::memset(out + 1, fill, std::size_t(bytes - 1));
        writer_.position += std::size_t(bytes);
        queued_ = unsigned(bits % 8);
        queue_ = colour ? (1u << queued_) - 1 : 0;
        return true;
    }

  private:
    RunWriter& writer_;
    unsigned queue_ = 0;
    unsigned queued_ = 0;
};

// Run lengths saturate here: far more bits than any output buffer holds, so a saturated run
// fills the buffer exactly as the true one would, and no arithmetic on it can overflow.
constexpr std::uint64_t maxRun = std::uint64_t(1) << 40;

const char* decodeBitRuns(Bytes data, RunWriter& writer, std::size_t decodedSize) {
    // No data byte, or a first byte with bit 7 set: nothing is decoded and the zeroed buffer
    // is the result.
    if (data.empty() || (data[0] & 0x80) != 0) return nullptr;

    BitSource source(data);
    BitSink sink(writer);
    unsigned colour = 0;
    for (;;) {
        // The prefix: 1-bits counted up to the 0-bit that ends it. The suffix: ones - 1 further
        // bits behind a leading 1. A code that needs a bit when only the last bit of the input
        // is left is cut short there and keeps what it has taken: a prefix cut short has taken
        // no suffix bits, so its run is 1 however many 1-bits it counted, and a suffix cut
        // short keeps the bits before the end. That code is the last one.
        bool cut = false;
        std::uint64_t ones = 0;
        for (;;) {
            if (source.ended()) {
                cut = true;
                break;
            }
            if (source.take() == 0) break;
            ++ones;
        }
        std::uint64_t run = 1;
        for (std::uint64_t i = 1; i < ones; ++i) {
            if (source.ended()) {
                cut = true;
                break;
            }
            run = std::min(2 * run + source.take(), maxRun);
        }

        const bool last = cut;
        if (!sink.append(run, colour, last)) return "run past the buffer";
        colour ^= 1;
        // Only the code during which the input ends escapes the bound; its bits beyond the
        // buffer are dropped, as are the fewer than eight bits still queued.
        if (last) return nullptr;
        if (writer.position > decodedSize) return "run past the decoded size";
    }
}

} // namespace

const std::uint8_t* DecodeBuffer::decodeRunLengthImage(Bytes packed) {
    begin();
    ByteReader header(packed, 1);
    const std::uint8_t codecType = header.u8();
    const std::int32_t decoded = header.i32le();
    const std::int32_t inputLength = header.i32le();
    if (!header.ok()) return refuse("packed image shorter than its header");
    if (inputLength <= 0) return refuse("input length not positive");
    if (decoded <= 0) return refuse("decoded size not positive");
    if (decoded > maxDecodedSize) return refuse("decoded size over limit");
    if (std::size_t(inputLength) > packed.size())
        return refuse("input length beyond the packed bytes");
    // An unknown codec would decode to nothing but zeros, which no consumer keeps (an image
    // starts "BM"), so it is refused before anything is allocated for it.
    if (codecType != 1 && codecType != 8 && codecType != 24) return refuse("unknown codec type");

    const std::size_t size = std::size_t(decoded);
    const char* unallocated = nullptr;
    RunWriter writer{allocate(size + slack, unallocated), size + slack};
    if (!writer.out) return refuse(unallocated);
    Bytes data = std::size_t(inputLength) > headerSize
                     ? packed.subspan(headerSize, std::size_t(inputLength) - headerSize)
                     : Bytes();
    const char* why = nullptr;
    switch (codecType) {
    case 8:
        why = decodeByteRuns(data, writer, size);
        break;
    case 24:
        why = decodeTripleRuns(data, writer, size);
        break;
    case 1:
        why = decodeBitRuns(data, writer, size);
        break;
    }
    if (why) return refuse(why);
    // Every decoder writes from the start of the buffer on; what it did not write is 0.
    std::memset(writer.out + writer.position, 0, writer.room());
    return succeed(size);
}

} // namespace cinefold
