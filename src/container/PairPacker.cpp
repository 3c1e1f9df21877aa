#include "container/PairPacker.h"

#include "container/DecodeBuffer.h"
#include "container/PairTableWriter.h"

#include <algorithm>

namespace cinefold {

namespace {

// The packed count is 16 bits, stored high byte first.
constexpr std::size_t maxPackedCount = 65535;
constexpr int maxStackDepth = DecodeBuffer::maxStackDepth;

void appendPackedCount(std::vector<std::uint8_t>& out, std::size_t count) {
    out.push_back(std::uint8_t(count >> 8));
    out.push_back(std::uint8_t(count));
}

} // namespace

// Takes the most frequent pair out of the buckets, or returns -1 when no pair occurs
// minPairCount_ times. Every pair that occurs that often has an entry under its count or
// above (under filedAt, its newest). An older entry is dropped; the newest entry of a pair that
// has since lost occurrences is filed again under its count, or dropped below minPairCount_;
// an entry of a replaced or refused pair is dropped.
int PairPacker::mostFrequentPair() {
    while (topBucket_ >= minPairCount_) {
        std::int32_t& first = bucket_[std::size_t(topBucket_)];
        if (first < 0) {
            --topBucket_;
            continue;
        }
        std::int32_t entry = first;
        int p = bucketEntries_[std::size_t(entry)].pair;
        first = bucketEntries_[std::size_t(entry)].next;
        PairState& pair = pairs_[std::size_t(p)];
        if (pair.filedAt != topBucket_) continue;
        if (pair.count == topBucket_) return p;
        if (pair.count >= minPairCount_)
            fileEntry(entry, p, pair.count);
        else
            pair.filedAt = 0;
    }
    return -1;
}

// Counts one new occurrence of pair p, which begins at position. A pair is filed in a bucket
// when its count first reaches minPairCount_ and whenever it rises above the count it was last
// filed under; a falling count leaves the entry where it is.
void PairPacker::increment(int p, std::int32_t position) {
    fresh_[std::size_t(freshCount_++)] = {p, position};
    PairState& pair = pairs_[std::size_t(p)];
    std::int32_t count = ++pair.count;
    if (count == 1) touched_.push_back(std::uint16_t(p));
    if (count >= minPairCount_ && count > pair.filedAt) file(p, count);
}

// Replaces the occurrence of (a, b) at position i by code, if it is still there.
inline void PairPacker::replaceAt(std::int32_t i, std::uint8_t a, std::uint8_t b,
                                  std::uint8_t code) {
    Node* node = nodes_.data();
    std::int32_t j = node[i].next;
    if (j < 0 || node[i].symbol != a || node[j].symbol != b) return; // stale
    std::int32_t x = node[i].prev;
    std::int32_t y = node[j].next;
    if (x >= 0) decrement(pairIndex(node[x].symbol, a));
    if (y >= 0) decrement(pairIndex(b, node[y].symbol));
    node[i].symbol = code;
    node[i].next = y;
    if (y >= 0) node[y].prev = i;
    node[j].next = removed;
    --alive_;
    if (x >= 0) increment(pairIndex(node[x].symbol, code), x);
    if (y >= 0) increment(pairIndex(code, node[y].symbol), i);
}

// Replaces every occurrence of pair p by code, in ascending position order.
void PairPacker::replace(int p, std::uint8_t code) {
    const std::uint8_t a = std::uint8_t(p >> 8), b = std::uint8_t(p);
    if (codes_[a].made || codes_[b].made) {
        bool aNewer = codes_[a].made && (!codes_[b].made || codes_[a].order > codes_[b].order);
        CodeState& newer = codes_[aNewer ? a : b];
        if (!newer.filed && newer.lookups++ == 0) {
            // The first pair looked up in this record: search it. The replacement records its
            // own occurrences beyond freshEnd, in room reserved when the piece was loaded.
            for (std::int32_t e = newer.freshBegin; e < newer.freshEnd; ++e)
                if (fresh_[std::size_t(e)].pair == p)
                    replaceAt(fresh_[std::size_t(e)].position, a, b, code);
            return;
        }
        if (!newer.filed) fileFresh(newer);
    }
    const std::int32_t* entry = occurrences_.data() + pairs_[std::size_t(p)].listStart;
    const std::int32_t* end = entry + pairs_[std::size_t(p)].listLength;
    for (; entry != end; ++entry)
        replaceAt(*entry, a, b, code);
}

// Files the fresh occurrences of one code under their pairs, each pair's in one slice, in the
// order recorded.
void PairPacker::fileFresh(CodeState& state) {
    for (std::int32_t e = state.freshBegin; e < state.freshEnd; ++e) {
        std::size_t p = std::size_t(fresh_[std::size_t(e)].pair);
        if (pairs_[p].listLength++ == 0) listed_.push_back(std::uint16_t(p));
    }
    for (std::uint16_t p : listed_) {
        pairs_[p].listStart = std::int32_t(occurrenceCount_);
        occurrenceCount_ += std::size_t(pairs_[p].listLength);
        pairs_[p].listLength = 0;
    }
    for (std::int32_t e = state.freshBegin; e < state.freshEnd; ++e) {
        const Fresh& f = fresh_[std::size_t(e)];
        std::size_t p = std::size_t(f.pair);
        occurrences_[std::size_t(pairs_[p].listStart + pairs_[p].listLength++)] = f.position;
    }
    listed_.clear();
    state.filed = true;
}

// Sets up the piece: its positions, the counts of its pairs, their occurrence lists in
// position order, and the buckets.
void PairPacker::load(const std::uint8_t* data, std::size_t n) {
    // Each replacement removes one position and records at most two fresh occurrences, each of
    // which may be filed once in a list and once in a bucket.
    if (nodes_.size() < n) nodes_.resize(n);
    if (occurrences_.size() < 3 * n) occurrences_.resize(3 * n);
    if (fresh_.size() < 2 * n) fresh_.resize(2 * n);
    if (bucketEntries_.size() < 3 * n) bucketEntries_.resize(3 * n);
    if (bucket_.size() < n + 1) bucket_.resize(n + 1, -1);

    for (std::size_t i = 0; i < n; ++i)
        nodes_[i] = {std::int32_t(i) + 1, std::int32_t(i) - 1, data[i]};
    nodes_[n - 1].next = -1;
    alive_ = n;

    for (std::size_t i = 0; i + 1 < n; ++i) {
        std::size_t p = std::size_t(pairIndex(data[i], data[i + 1]));
        if (pairs_[p].count++ == 0) touched_.push_back(std::uint16_t(p));
    }
    for (std::uint16_t p : touched_) {
        pairs_[p].listStart = std::int32_t(occurrenceCount_);
        occurrenceCount_ += std::size_t(pairs_[p].count);
        if (pairs_[p].count >= minPairCount_) file(p, pairs_[p].count);
    }
    for (std::size_t i = 0; i + 1 < n; ++i) {
        std::size_t p = std::size_t(pairIndex(data[i], data[i + 1]));
        occurrences_[std::size_t(pairs_[p].listStart + pairs_[p].listLength++)] = std::int32_t(i);
    }
}

void PairPacker::clear() {
    for (std::uint16_t p : touched_)
        pairs_[p] = PairState();
    touched_.clear();
    occurrenceCount_ = 0;
    freshCount_ = 0;
    codes_.fill(CodeState());
    // Buckets above topBucket_ are empty already.
    std::size_t used = std::min(bucket_.size(), std::size_t(topBucket_) + 1);
    std::fill(bucket_.begin(), bucket_.begin() + std::ptrdiff_t(used), -1);
    topBucket_ = 0;
    bucketEntryCount_ = 0;
}

bool PairPacker::pack(const std::uint8_t* data, std::size_t n, int minPairCount,
                      std::vector<std::uint8_t>& out) {
    std::array<bool, 256> used{};
    for (std::size_t i = 0; i < n; ++i)
        used[data[i]] = true;
    std::array<std::uint8_t, 256> freeCodes;
    int freeCount = orderFreeCodes(used, freeCodes);

    PairTable table;
    int made = 0;
    if (freeCount > 0 && n >= 3) {
        minPairCount_ = minPairCount;
        load(data, n);
        std::array<int, 256> need{}; // stack entries the expansion of each code takes
        while (made < freeCount) {
            int p = mostFrequentPair();
            if (p < 0) break;
            pairs_[std::size_t(p)].count -= retiredOffset;
            std::uint8_t a = std::uint8_t(p >> 8), b = std::uint8_t(p);
            int depth = std::max({2, 1 + need[a], need[b]});
            if (depth > maxStackDepth) continue;
            std::uint8_t code = freeCodes[std::size_t(made)];
            CodeState& state = codes_[code];
            state.freshBegin = freshCount_;
            replace(p, code);
            state.freshEnd = freshCount_;
            state.made = true;
            state.order = made++;
            table.left[code] = a;
            table.right[code] = b;
            need[code] = depth;
        }
    } else {
        alive_ = n;
    }

    std::array<std::uint8_t, 256> mapping;
    bool moved = made > 0 && placeCodes(freeCodes, freeCount, made, mapping);
    if (moved) {
        PairTable placed;
        for (int i = 0; i < made; ++i) {
            std::uint8_t code = freeCodes[std::size_t(i)];
            placed.left[mapping[code]] = mapping[table.left[code]];
            placed.right[mapping[code]] = mapping[table.right[code]];
        }
        table = placed;
    }

    std::size_t start = out.size();
    if (made > 0) writePairTable(table, out);
    // Overlapping runs count more occurrences than a replacement finds, so a few pairs can
    // cost more table than they save; a piece that packs no shorter is written literally.
    if (made == 0 || out.size() - start + alive_ >= sizeof literalTable + n) {
        out.resize(start);
        made = 0;
        alive_ = n;
    }
    bool fits = alive_ <= maxPackedCount;
    if (!fits) {
        out.resize(start);
    } else if (made == 0) {
        out.insert(out.end(), std::begin(literalTable), std::end(literalTable));
        appendPackedCount(out, n);
        out.insert(out.end(), data, data + n);
    } else {
        appendPackedCount(out, alive_);
        std::size_t codesAt = out.size();
        out.resize(codesAt + alive_);
        std::uint8_t* codes = out.data() + codesAt;
        for (std::int32_t i = 0; i >= 0; i = nodes_[std::size_t(i)].next)
            *codes++ = nodes_[std::size_t(i)].symbol;
        if (moved)
            for (std::uint8_t* c = out.data() + codesAt; c != codes; ++c)
                *c = mapping[*c];
    }
    clear();
    return fits;
}

} // namespace cinefold
