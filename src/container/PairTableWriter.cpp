#include "container/PairTableWriter.h"

#include <algorithm>

namespace cinefold {

namespace {

// A table is written in as few bytes as the format allows. The reader takes a count byte
// at code k: above 127 it skips (count - 127) codes, which stay literal, and then reads one
// entry; otherwise it reads count + 1 entries. A literal entry costs one byte, a pair two.
//
// cost[k] is the least number of bytes that describe codes k..255 starting at a count byte,
// the smaller of
//   entries up to j:  1 + bytes(k..j-1) + cost[j]               j in k+1 .. min(k+128, 256)
//   skip up to j:     1 + bytes(j) + cost[j+1] (1 when j = 256)  j in k+1 .. k+min(run, 128)
// where run is the number of literal codes from k on. Both minima are over windows that move
// down with k, kept in monotonic queues, so the whole table costs a few hundred steps.
class WindowMinimum {
  public:
    // Adds j, smaller than every j added before, with its value.
    void add(int j, int value) {
        while (back_ > front_ && value_[std::size_t(back_) - 1] >= value)
            --back_;
        index_[std::size_t(back_)] = std::int16_t(j);
        value_[std::size_t(back_++)] = value;
    }
    // Drops the entries above last; returns the index of the smallest value left, -1 if none.
    int best(int last) {
        while (front_ < back_ && index_[std::size_t(front_)] > last)
            ++front_;
        return front_ < back_ ? index_[std::size_t(front_)] : -1;
    }
    int bestValue() const { return value_[std::size_t(front_)]; }
    void clear() { front_ = back_; }

  private:
    std::array<std::int16_t, 257> index_;
    std::array<int, 257> value_;
    int front_ = 0, back_ = 0;
};

// The shortest layout of a pair table whose pair codes are those marked.
struct TableLayout {
    std::array<std::int16_t, 256> target; // where the count byte at k takes the reader
    std::array<bool, 256> skips;          // whether that count byte is a skip
    int bytes = 0;
};

TableLayout layOutTable(const std::array<bool, 256>& isPair) {
    TableLayout layout;
    auto entryBytes = [&](int c) { return isPair[std::size_t(c)] ? 2 : 1; };
    std::array<int, 257> cost;
    WindowMinimum entries, skip;
    cost[256] = 0;
    int bytesFrom = 0; // entry bytes of codes k..255
    for (int k = 255; k >= 0; --k) {
        int bytesAfter = bytesFrom;
        bytesFrom += entryBytes(k);
        entries.add(k + 1, cost[std::size_t(k) + 1] - bytesAfter);
        int j = entries.best(k + 128);
        int best = 1 + bytesFrom + entries.bestValue();
        layout.target[std::size_t(k)] = std::int16_t(j);
        layout.skips[std::size_t(k)] = false;
        if (isPair[std::size_t(k)]) {
            skip.clear();
        } else {
            skip.add(k + 1, k + 1 == 256 ? 0 : entryBytes(k + 1) + cost[std::size_t(k) + 2]);
            int s = skip.best(k + 128);
            if (1 + skip.bestValue() < best) {
                best = 1 + skip.bestValue();
                layout.target[std::size_t(k)] = std::int16_t(s);
                layout.skips[std::size_t(k)] = true;
            }
        }
        cost[std::size_t(k)] = best;
    }
    layout.bytes = cost[0];
    return layout;
}

} // namespace

void writePairTable(const PairTable& table, std::vector<std::uint8_t>& out) {
    std::array<bool, 256> isPair;
    for (int c = 0; c < 256; ++c)
        isPair[std::size_t(c)] = !table.isLiteral(c);
    const TableLayout layout = layOutTable(isPair);
    auto writeEntry = [&](int c) {
        out.push_back(table.left[std::size_t(c)]);
        if (!table.isLiteral(c)) out.push_back(table.right[std::size_t(c)]);
    };
    for (int k = 0; k < 256;) {
        int j = layout.target[std::size_t(k)];
        if (layout.skips[std::size_t(k)]) {
            out.push_back(std::uint8_t(127 + j - k));
            k = j;
            if (k < 256) writeEntry(k++);
        } else {
            out.push_back(std::uint8_t(j - k - 1));
            while (k < j)
                writeEntry(k++);
        }
    }
}

int orderFreeCodes(const std::array<bool, 256>& used, std::array<std::uint8_t, 256>& order) {
    struct Run {
        int first, length;
    };
    std::array<Run, 128> runs;
    int runCount = 0;
    for (int c = 0; c < 256;) {
        if (used[std::size_t(c)]) {
            ++c;
            continue;
        }
        int first = c;
        while (c < 256 && !used[std::size_t(c)])
            ++c;
        runs[std::size_t(runCount++)] = {first, c - first};
    }
    std::stable_sort(runs.begin(), runs.begin() + runCount,
                     [](const Run& x, const Run& y) { return x.length > y.length; });
    int count = 0;
    for (int r = 0; r < runCount; ++r) {
        const Run& run = runs[std::size_t(r)];
        for (int c = run.first; c < run.first + run.length; ++c)
            order[std::size_t(count++)] = std::uint8_t(c);
    }
    return count;
}

bool placeCodes(const std::array<std::uint8_t, 256>& freeCodes, int freeCount, int made,
                std::array<std::uint8_t, 256>& mapping) {
    if (made == freeCount) return false; // every choice takes all the free values
    std::array<bool, 256> isFree{};
    for (int i = 0; i < freeCount; ++i)
        isFree[freeCodes[std::size_t(i)]] = true;
    std::array<std::uint8_t, 256> lowest, highest;
    int low = 0, high = 0;
    for (int c = 0; c < 256 && low < made; ++c)
        if (isFree[std::size_t(c)]) lowest[std::size_t(low++)] = std::uint8_t(c);
    for (int c = 255; c >= 0 && high < made; --c)
        if (isFree[std::size_t(c)]) highest[std::size_t(high++)] = std::uint8_t(c);

    auto tableBytes = [&](const std::array<std::uint8_t, 256>& codes) {
        std::array<bool, 256> isPair{};
        for (int i = 0; i < made; ++i)
            isPair[codes[std::size_t(i)]] = true;
        return layOutTable(isPair).bytes;
    };
    const std::array<std::uint8_t, 256>* best = &freeCodes;
    int bestBytes = tableBytes(freeCodes);
    for (const auto* choice : {&highest, &lowest}) {
        int bytes = tableBytes(*choice);
        if (bytes < bestBytes) best = choice, bestBytes = bytes;
    }
    if (best == &freeCodes) return false;
    for (int c = 0; c < 256; ++c)
        mapping[std::size_t(c)] = std::uint8_t(c);
    for (int i = 0; i < made; ++i)
        mapping[freeCodes[std::size_t(i)]] = (*best)[std::size_t(i)];
    return true;
}

} // namespace cinefold
