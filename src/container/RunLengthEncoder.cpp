// Run-length images: the 10-byte header (0x40, codecType, decodedSize, inputLength) and the
// runs of one of three types. See RunLengthImage.cpp for the layout the decoder reads.
//
// Type 8 and type 24 runs are at most 256 long, one group per run. Type 24 works on triples, so
// the last one is completed with zero bytes; the decoder accepts up to three bytes beyond
// decodedSize for that reason.
//
// Type 1 codes the input's bit stream (bit 0 of each byte first) as alternating runs of 0-bits
// and 1-bits, 0-bits first. The decoder's end rules shape the tail of the stream:
//   - it never uses the last bit of the input: the code during which it would read that bit
//     is cut short there, still adds its run, and ends the decode without the bound test;
//   - every code before that one must leave at most decodedSize bytes written.
// So after the last real code come 1 to 8 padding 0-bits, the last of them being the final bit
// of the input. Each padding bit before the final one is a complete code for a run of one bit;
// at most seven of them fill no byte, so the bound test after each still passes. The final bit
// starts a code that is cut short at once: a run of one bit that lands beyond decodedSize.
// The data bytes hold 6 + 8 * (length - 1) code bits, so a length can always be chosen that
// leaves between 1 and 8 bits for padding. (A last run of one bit can itself be the final bit.)

#include "container/RunLengthEncoder.h"

#include "container/DecodeBuffer.h"

#include <bit>

namespace cinefold {

namespace {

constexpr std::size_t headerSize = DecodeBuffer::runLengthHeaderSize;
constexpr std::uint8_t headerMark = 0x40;

std::vector<std::uint8_t> startImage(std::size_t decodedSize, int codecType) {
    std::vector<std::uint8_t> image(headerSize, 0);
    image[0] = headerMark;
    image[1] = std::uint8_t(codecType);
    storeU32le(image.data() + 2, std::uint32_t(decodedSize));
    return image;
}

void finishImage(std::vector<std::uint8_t>& image) {
    storeU32le(image.data() + 6, std::uint32_t(image.size()));
}

void encodeByteRuns(Bytes data, std::vector<std::uint8_t>& image) {
    for (std::size_t i = 0; i < data.size();) {
        std::uint8_t value = data[i];
        std::size_t run = 1;
        while (run < 256 && i + run < data.size() && data[i + run] == value)
            ++run;
        image.push_back(value);
        image.push_back(std::uint8_t(run - 1));
        i += run;
    }
}

void encodeTripleRuns(Bytes data, std::vector<std::uint8_t>& image) {
    auto byteAt = [&](std::size_t i) -> std::uint8_t { return i < data.size() ? data[i] : 0; };
    for (std::size_t i = 0; i < data.size();) {
        std::uint8_t b0 = byteAt(i), b1 = byteAt(i + 1), b2 = byteAt(i + 2);
        std::size_t run = 1;
        for (std::size_t j = i + 3; run < 256 && j < data.size(); j += 3, ++run)
            if (byteAt(j) != b0 || byteAt(j + 1) != b1 || byteAt(j + 2) != b2) break;
        image.push_back(b0);
        image.push_back(b1);
        image.push_back(b2);
        image.push_back(std::uint8_t(run - 1));
        i += 3 * run;
    }
}

// Writes bits into bytes from bit 7 down.
class BitWriter {
  public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void put(unsigned bit) {
        unsigned used = unsigned(bits_ % 8);
        if (used == 0) out_.push_back(0);
        if (bit) out_.back() |= std::uint8_t(0x80 >> used);
        ++bits_;
    }
    void putOnes(unsigned count) {
        for (unsigned i = 0; i < count; ++i)
            put(1);
    }
    std::uint64_t written() const { return bits_; }

  private:
    std::vector<std::uint8_t>& out_;
    std::uint64_t bits_ = 0;
};

// The code of one run: n 1-bits, a 0-bit, then the n - 1 bits of run below its leading 1
// (n being the bit width of run). A run of one bit is the single bit 0.
void putRun(BitWriter& writer, std::uint64_t run) {
    unsigned width = unsigned(std::bit_width(run));
    if (width == 1) {
        writer.put(0);
        return;
    }
    writer.putOnes(width);
    writer.put(0);
    for (unsigned b = width - 1; b-- > 0;)
        writer.put(unsigned(run >> b) & 1);
}

unsigned bitAt(Bytes data, std::uint64_t position) {
    return unsigned(data[std::size_t(position / 8)] >> (position % 8)) & 1;
}

// The length of the run of bits equal to colour that starts at position.
std::uint64_t runFrom(Bytes data, std::uint64_t position, unsigned colour) {
    const std::uint64_t total = std::uint64_t(data.size()) * 8;
    const std::uint8_t whole = colour ? 0xFF : 0x00;
    std::uint64_t end = position;
    while (end < total) {
        if (end % 8 == 0 && data[std::size_t(end / 8)] == whole) {
            end += 8;
        } else if (bitAt(data, end) == colour) {
            ++end;
        } else {
            break;
        }
    }
    return end - position;
}

bool encodeBitRuns(Bytes data, std::vector<std::uint8_t>& image) {
    // The first run is of 0-bits and no run is empty, so a stream that starts with a 1-bit
    // has no coding.
    if (bitAt(data, 0) != 0) return false;
    BitWriter writer(image);
    // Bits 7 and 6 of the first data byte: 0 marks a coded stream, and a spare bit.
    writer.put(0);
    writer.put(0);
    const std::uint64_t total = std::uint64_t(data.size()) * 8;
    unsigned colour = 0;
    std::uint64_t run = 0;
    for (std::uint64_t position = 0; position < total; colour ^= 1) {
        run = runFrom(data, position, colour);
        putRun(writer, run);
        position += run;
    }
    // 1 to 8 padding bits end the data on a byte boundary. None are needed when the last run
    // is one bit long and its code, the single bit 0, falls on the final bit: cut short there,
    // it still stands for a run of one bit.
    unsigned padding = 8 - unsigned(writer.written() % 8);
    if (padding == 8 && run == 1) padding = 0;
    for (unsigned i = 0; i < padding; ++i)
        writer.put(0);
    return true;
}

} // namespace

std::vector<std::uint8_t> encodeRunLengthImage(Bytes data, int codecType) {
    if (data.empty() || data.size() > std::size_t(DecodeBuffer::maxDecodedSize)) return {};
    std::vector<std::uint8_t> image = startImage(data.size(), codecType);
    switch (codecType) {
    case 8:
        image.reserve(headerSize + data.size() / 2);
        encodeByteRuns(data, image);
        break;
    case 24:
        image.reserve(headerSize + data.size() / 2);
        encodeTripleRuns(data, image);
        break;
    case 1:
        if (!encodeBitRuns(data, image)) return {};
        break;
    default:
        return {};
    }
    finishImage(image);
    return image;
}

} // namespace cinefold
