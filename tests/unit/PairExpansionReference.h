#pragma once
// A plain data block decoder for comparison: the byte-at-a-time expansion with a 32-entry stack,
// written for clarity, not speed, with the same refusals as DecodeBuffer::decodeDataBlock. The
// unit tests and the data block fuzz target check that the fast decoder matches it byte for
// byte, including the overshoot bytes written behind decodedSize.

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace cinefold::test {

struct ReferenceDecode {
    std::int32_t decodedSize = 0;
    std::vector<std::uint8_t> written; // every byte the decode wrote, overshoot included
};

// Expands the pair blocks in data (a block's bytes from offset 16 up to blockLength), writing at
// most capacity bytes. Returns every byte written, or nothing when the expansion is refused.
inline std::optional<std::vector<std::uint8_t>>
referenceExpandPairs(std::span<const std::uint8_t> in, std::size_t capacity) {
    std::vector<std::uint8_t> written;
    const std::size_t end = in.size();
    std::uint8_t left[256];
    std::uint8_t right[256] = {};
    std::size_t p = 0;
    while (p != end) {
        for (int c = 0; c < 256; ++c)
            left[c] = std::uint8_t(c);
        unsigned k = 0;
        for (;;) {
            if (p >= end) return std::nullopt;
            unsigned count = in[p++];
            if (count > 127) {
                k += count - 127;
                count = 0;
            }
            if (k > 256) return std::nullopt;
            if (k == 256) break;
            for (unsigned i = 0; i <= count; ++i) {
                if (k > 255 || p >= end) return std::nullopt;
                left[k] = in[p++];
                if (left[k] != k) {
                    if (p >= end) return std::nullopt;
                    right[k] = in[p++];
                }
                ++k;
            }
            if (k == 256) break;
        }
        if (end - p < 2) return std::nullopt;
        std::size_t packed = std::size_t(in[p]) << 8 | in[p + 1];
        p += 2;
        if (end - p < packed) return std::nullopt;
        std::uint8_t stack[32];
        int top = 0;
        for (;;) {
            std::uint8_t code;
            if (top > 0) {
                code = stack[--top];
            } else if (packed == 0) {
                break;
            } else {
                code = in[p++];
                --packed;
            }
            if (left[code] == code) {
                if (written.size() == capacity) return std::nullopt;
                written.push_back(code);
            } else {
                if (top + 2 > 32) return std::nullopt;
                stack[top++] = right[code];
                stack[top++] = left[code];
            }
        }
    }
    return written;
}

inline std::optional<ReferenceDecode> referenceDecodeDataBlock(std::span<const std::uint8_t> in) {
    constexpr std::int32_t limit = 64 << 20;
    if (in.size() < 16) return std::nullopt;
    auto word = [&](std::size_t at) {
        return std::int32_t(std::uint32_t(in[at]) | std::uint32_t(in[at + 1]) << 8 |
                            std::uint32_t(in[at + 2]) << 16 | std::uint32_t(in[at + 3]) << 24);
    };
    const std::int32_t blockLength = word(0);
    const std::int32_t decodedSize = word(4);
    if (std::memcmp(in.data() + 8, "DATA", 4) != 0) return std::nullopt;
    if (in[12] > 1 || in[13] > 1) return std::nullopt;
    if (blockLength < 16 || std::size_t(blockLength) > in.size()) return std::nullopt;
    if (decodedSize < 0 || decodedSize > limit) return std::nullopt;

    ReferenceDecode result;
    result.decodedSize = decodedSize;
    const std::size_t end = std::size_t(blockLength);
    if (in[13] == 0 && decodedSize > 0) {
        if (std::size_t(decodedSize) > end - 16) return std::nullopt;
        result.written.assign(in.begin() + 16, in.begin() + 16 + decodedSize);
        return result;
    }

    auto written = referenceExpandPairs(in.subspan(16, end - 16), std::size_t(decodedSize) + 12);
    if (!written) return std::nullopt;
    result.written = std::move(*written);
    if (result.written.size() < std::size_t(decodedSize)) return std::nullopt;
    return result;
}

} // namespace cinefold::test
