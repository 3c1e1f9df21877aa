#include "BaselinePairEncoder.h"

#include <algorithm>
#include <array>

namespace cinefold::bench {

namespace {

constexpr std::size_t blockSize = 5000;
constexpr int maxDistinct = 200;
constexpr int minPairCount = 3;
// The decoder's expansion stack holds 32 codes. The published algorithm knows no such limit;
// this is the one change made to it, so that its output always decodes: a pair whose
// expansion would need a deeper stack is never formed.
constexpr int maxStackDepth = 32;

struct Block {
    std::vector<std::uint8_t> bytes;
    std::array<std::uint8_t, 256> left{};
    std::array<std::uint8_t, 256> right{};
    std::array<bool, 256> used{};
    std::array<int, 256> need{};
};

void compressBlock(Block& block) {
    std::vector<std::uint16_t> count(65536, 0);
    std::vector<std::uint8_t>& buffer = block.bytes;
    int code = 256;
    for (;;) {
        do
            --code;
        while (code >= 0 && block.used[std::size_t(code)]);
        if (code < 0) return;

        // Count every adjacent pair afresh.
        for (std::size_t i = 0; i + 1 < buffer.size(); ++i)
            ++count[buffer[i] << 8 | buffer[i + 1]];
        int best = minPairCount - 1;
        std::uint8_t bestLeft = 0, bestRight = 0;
        for (std::size_t i = 0; i + 1 < buffer.size(); ++i) {
            std::uint8_t a = buffer[i], b = buffer[i + 1];
            int need = std::max({2, 1 + block.need[a], block.need[b]});
            if (count[a << 8 | b] > best && need <= maxStackDepth) {
                best = count[a << 8 | b];
                bestLeft = a;
                bestRight = b;
            }
        }
        for (std::size_t i = 0; i + 1 < buffer.size(); ++i)
            count[buffer[i] << 8 | buffer[i + 1]] = 0;
        if (best < minPairCount) return;

        // Replace the pair, left to right.
        std::size_t w = 0;
        for (std::size_t r = 0; r < buffer.size(); ++r) {
            if (r + 1 < buffer.size() && buffer[r] == bestLeft && buffer[r + 1] == bestRight) {
                buffer[w++] = std::uint8_t(code);
                ++r;
            } else {
                buffer[w++] = buffer[r];
            }
        }
        buffer.resize(w);
        std::size_t c = std::size_t(code);
        block.left[c] = bestLeft;
        block.right[c] = bestRight;
        block.used[c] = true;
        block.need[c] = std::max({2, 1 + block.need[bestLeft], block.need[bestRight]});
    }
}

void writeEntry(const Block& block, int c, std::vector<std::uint8_t>& out) {
    out.push_back(block.left[std::size_t(c)]);
    if (block.left[std::size_t(c)] != c) out.push_back(block.right[std::size_t(c)]);
}

// The pair table as the published writer lays it out: a run of literal codes becomes one skip
// byte followed by the entry after it; a run of pair codes, which may take in a lone literal
// between two pairs, becomes a count byte and its entries.
void writeBlock(const Block& block, std::vector<std::uint8_t>& out) {
    auto isLiteral = [&](int c) { return block.left[std::size_t(c)] == c; };
    int c = 0;
    while (c < 256) {
        if (isLiteral(c)) {
            int run = 1;
            ++c;
            while (run < 127 && c < 256 && isLiteral(c))
                ++run, ++c;
            out.push_back(std::uint8_t(run + 127));
            if (c == 256) break;
            writeEntry(block, c++, out);
        } else {
            int run = 1;
            while (run < 128 && c + run < 256 &&
                   (!isLiteral(c + run) || (c + run + 1 < 256 && !isLiteral(c + run + 1))))
                ++run;
            out.push_back(std::uint8_t(run - 1));
            for (int i = 0; i < run; ++i)
                writeEntry(block, c++, out);
        }
    }
    out.push_back(std::uint8_t(block.bytes.size() >> 8));
    out.push_back(std::uint8_t(block.bytes.size()));
    out.insert(out.end(), block.bytes.begin(), block.bytes.end());
}

} // namespace

std::vector<std::uint8_t> encodeDataBlockBaseline(Bytes data) {
    std::vector<std::uint8_t> out(16, 0);
    std::size_t position = 0;
    while (position < data.size()) {
        Block block;
        for (int c = 0; c < 256; ++c)
            block.left[std::size_t(c)] = std::uint8_t(c);
        int distinct = 0;
        while (position < data.size() && block.bytes.size() < blockSize) {
            std::uint8_t c = data[position];
            if (!block.used[c]) {
                if (distinct == maxDistinct) break;
                block.used[c] = true;
                ++distinct;
            }
            block.bytes.push_back(c);
            ++position;
        }
        compressBlock(block);
        writeBlock(block, out);
    }
    storeU32le(out.data(), std::uint32_t(out.size()));
    storeU32le(out.data() + 4, std::uint32_t(data.size()));
    out[8] = 'D', out[9] = 'A', out[10] = 'T', out[11] = 'A';
    out[12] = 1; // spareFlag
    out[13] = 1; // packedFlag: pair-expanded
    return out;
}

} // namespace cinefold::bench
