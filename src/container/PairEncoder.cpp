// Byte pair encoding into data blocks.
//
// A pair-expanded data block is the 16-byte header followed by pair blocks back to back. Each
// pair block is its own little dictionary: a table that gives some of the 256 byte codes a pair
// of codes to stand for, the 16-bit packed count, and the packed codes. The encoder cuts the
// input into pieces whose bytes leave enough byte values unused to serve as pair codes, and
// packs each piece by repeatedly replacing its most frequent adjacent pair with one unused code.
//
// Packing a piece is the classic pair replacement, made incremental so that it runs in time
// proportional to the piece rather than to the piece times the number of codes:
//   - the piece is a doubly linked list of positions, so a replaced pair closes up in place;
//   - every adjacent pair has an exact count and a list of the positions where it began at some
//     point (entries go stale when a neighbour changes and are checked when they are used);
//   - pairs that occur often enough sit in buckets by count, so the most frequent one is found
//     by stepping down from the highest bucket.
// Replacing one occurrence of (a, b) by z in x a b y moves one count each from (x, a), (a, b)
// and (b, y) to (x, z) and (z, y), which keeps every count exact.
//
// The decoder expands a code with a stack of 32 codes. A pair needs max(2, 1 + need(left),
// need(right)) entries of it (a literal needs none), so a pair that would need more is never
// formed.

#include "container/PairEncoder.h"

#include "container/DecodeBuffer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace cinefold {

namespace {

constexpr std::size_t headerSize = DecodeBuffer::dataBlockHeaderSize;
constexpr std::size_t maxPackedCount = 65535;
constexpr int maxStackDepth = DecodeBuffer::maxStackDepth;
// Payloads up to this size that the piece rule cuts are also tried as one piece.
constexpr std::size_t smallPayload = 16384;

// The pair table of one pair block: a code whose left byte is itself is a literal.
struct PairTable {
    std::array<std::uint8_t, 256> left;
    std::array<std::uint8_t, 256> right;

    PairTable() {
        for (int c = 0; c < 256; ++c)
            left[std::size_t(c)] = std::uint8_t(c);
        right.fill(0);
    }
    bool isLiteral(int c) const { return left[std::size_t(c)] == c; }
    int entryBytes(int c) const { return isLiteral(c) ? 1 : 2; }
};

// The table with every code literal, in its shortest form: skip codes 0..127, the entry of
// code 128 (itself), skip codes 129..255.
constexpr std::uint8_t literalTable[] = {255, 128, 254};

// Writes the pair table in as few bytes as the format allows. The reader takes a count byte
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

void writeTable(const PairTable& table, std::vector<std::uint8_t>& out) {
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

// Which byte values become the pair codes of a block matters only to the length of its table,
// and only once the number of codes is known. The codes are made in one order and then moved
// to whichever of a few choices of free values gives the shortest table: the highest free
// values, the lowest, or those first in the making order. mapping receives the new value of
// every code (literals map to themselves); returns false when the codes stay where they are.
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

void appendPackedCount(std::vector<std::uint8_t>& out, std::size_t count) {
    out.push_back(std::uint8_t(count >> 8));
    out.push_back(std::uint8_t(count));
}

// The order in which unused byte values become pair codes: the longest runs of consecutive
// unused values first, so that the pair codes of a block lie together and its table needs few
// count bytes.
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

// Where the piece that starts at begin ends. A piece leaves the byte values it does not use
// free to become its pair codes, and pays for a pair table; the longer it is, the more each
// code can replace, but the fewer values it leaves free. So it ends before the byte that would
// bring its distinct values above maxDistinct, when it holds inputPerFreeCode bytes for each
// value still free, or at maxBlockInput bytes, whichever comes first. Long runs of few values
// (black margins, tables of -1) thus make long pieces, and varied pixels short ones.
std::size_t pieceEnd(Bytes data, std::size_t begin, const PairEncoderOptions& options) {
    std::array<bool, 256> seen{};
    int distinct = 0;
    std::size_t limit = begin + std::min(options.maxBlockInput, data.size() - begin);
    std::size_t budget = options.inputPerFreeCode * 256;
    std::size_t i = begin;
    for (; i < limit && i - begin < budget; ++i) {
        std::uint8_t c = data[i];
        if (!seen[c]) {
            if (distinct == options.maxDistinct) break;
            seen[c] = true;
            ++distinct;
            budget = options.inputPerFreeCode * std::size_t(256 - distinct);
        }
    }
    return i;
}

void writeHeader(std::vector<std::uint8_t>& block, std::size_t decodedSize, bool packed) {
    storeU32le(block.data(), std::uint32_t(block.size()));
    storeU32le(block.data() + 4, std::uint32_t(decodedSize));
    std::memcpy(block.data() + 8, DecodeBuffer::dataBlockSignature, 4);
    block[12] = 1; // spareFlag, as every writer has set it
    block[13] = packed ? 1 : 0;
    block[14] = 0;
    block[15] = 0;
}

bool fitsDataBlock(Bytes data) {
    return data.size() <= std::size_t(DecodeBuffer::maxDecodedSize);
}

} // namespace

// Packs one piece of input into one pair block, by the incremental pair replacement described
// at the top of this file. It keeps its working arrays from piece to piece.
class PairEncoder::Packer {
  public:
    Packer() : pairs_(65536) {}

    // Appends the pair block for data[0, n) to out and returns true, unless its packed codes
    // would not fit the 16-bit packed count; then out is left as it was.
    bool pack(const std::uint8_t* data, std::size_t n, int minPairCount,
              std::vector<std::uint8_t>& out);

  private:
    // One position of the piece, in a doubly linked list of the positions still in use.
    struct Node {
        std::int32_t next;
        std::int32_t prev;
        std::uint8_t symbol;
    };
    // An occurrence of a pair with a new code in it, as the replacement that made the code
    // recorded it.
    struct Fresh {
        std::int32_t pair;
        std::int32_t position;
    };
    // What became of a code in the piece under way.
    struct CodeState {
        bool made = false;  // a pair code of this piece
        bool filed = false; // its fresh occurrences are filed in per-pair lists
        int order = 0;      // when it was made
        int lookups = 0;    // pairs looked up in its fresh occurrences so far
        std::int32_t freshBegin = 0, freshEnd = 0;
    };
    // One entry of a bucket: a pair that had the bucket's count when it was filed there.
    struct BucketEntry {
        std::int32_t pair;
        std::int32_t next;
    };
    // Taken off the count of a pair that has been replaced, or refused for its depth, so that
    // it never again reaches a bucket.
    static constexpr std::int32_t retiredOffset = 1 << 30;
    static constexpr std::int32_t removed = -2; // Node::next of a position that left the list

    static int pairIndex(std::uint8_t a, std::uint8_t b) { return a << 8 | b; }
    void load(const std::uint8_t* data, std::size_t n);
    void file(int p, std::int32_t count) { fileEntry(bucketEntryCount_++, p, count); }
    void fileEntry(std::int32_t entry, int p, std::int32_t count) {
        bucketEntries_[std::size_t(entry)] = {p, bucket_[std::size_t(count)]};
        bucket_[std::size_t(count)] = entry;
        pairs_[std::size_t(p)].filedAt = count;
        if (count > topBucket_) topBucket_ = count;
    }
    int mostFrequentPair();
    void increment(int p, std::int32_t position);
    void decrement(int p) { --pairs_[std::size_t(p)].count; }
    void replace(int p, std::uint8_t code);
    void replaceAt(std::int32_t i, std::uint8_t a, std::uint8_t b, std::uint8_t code);
    void fileFresh(CodeState& state);
    void clear();

    // Per pair: its exact number of adjacent occurrences, the count under which it was last
    // filed in a bucket, and its filed occurrence list, a slice of occurrences_ in ascending
    // position order.
    struct PairState {
        std::int32_t count = 0;
        std::int32_t filedAt = 0;
        std::int32_t listStart = 0;
        std::int32_t listLength = 0;
    };
    std::vector<PairState> pairs_;
    std::vector<std::uint16_t> touched_; // pairs whose count or list is not in its initial state
    std::vector<std::uint16_t> listed_;  // pairs whose lists fileFresh() is laying out

    std::vector<Node> nodes_;
    std::size_t alive_ = 0;
    // Positions at which a pair began at some time. Entries go stale when a neighbour changes;
    // replaceAt() checks each one before it uses it. The pairs of the input are filed when the
    // piece is loaded. A pair with a new code in it gets all its occurrences from the
    // replacement that made the newer of its codes, which records them in fresh_ in ascending
    // order; they are searched there, and filed when a second pair needs that record.
    std::vector<std::int32_t> occurrences_;
    std::size_t occurrenceCount_ = 0;
    std::vector<Fresh> fresh_;
    std::int32_t freshCount_ = 0;
    std::array<CodeState, 256> codes_;

    // Pairs by count, for finding the most frequent one: see increment() and
    // mostFrequentPair(). bucket_ holds the first entry of each count, -1 when none.
    std::vector<std::int32_t> bucket_;
    std::vector<BucketEntry> bucketEntries_;
    std::int32_t bucketEntryCount_ = 0;
    std::int32_t topBucket_ = 0;
    std::int32_t minPairCount_ = 3;
};

// Takes the most frequent pair out of the buckets, or returns -1 when no pair occurs
// minPairCount_ times. Every pair that occurs that often has an entry under its count or
// above (under filedAt, its newest). An older entry is dropped; the newest entry of a pair that
// has since lost occurrences is filed again under its count, or dropped below minPairCount_;
// an entry of a replaced or refused pair is dropped.
int PairEncoder::Packer::mostFrequentPair() {
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
void PairEncoder::Packer::increment(int p, std::int32_t position) {
    fresh_[std::size_t(freshCount_++)] = {p, position};
    PairState& pair = pairs_[std::size_t(p)];
    std::int32_t count = ++pair.count;
    if (count == 1) touched_.push_back(std::uint16_t(p));
    if (count >= minPairCount_ && count > pair.filedAt) file(p, count);
}

// Replaces the occurrence of (a, b) at position i by code, if it is still there.
inline void PairEncoder::Packer::replaceAt(std::int32_t i, std::uint8_t a, std::uint8_t b,
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
void PairEncoder::Packer::replace(int p, std::uint8_t code) {
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
void PairEncoder::Packer::fileFresh(CodeState& state) {
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
void PairEncoder::Packer::load(const std::uint8_t* data, std::size_t n) {
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

void PairEncoder::Packer::clear() {
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

bool PairEncoder::Packer::pack(const std::uint8_t* data, std::size_t n, int minPairCount,
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
    if (made > 0) writeTable(table, out);
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

PairEncoder::PairEncoder(const PairEncoderOptions& options)
    : options_(options), packer_(std::make_unique<Packer>()) {
    options_.maxDistinct = std::clamp(options_.maxDistinct, 1, 255);
    options_.maxBlockInput = std::max<std::size_t>(options_.maxBlockInput, 1);
    options_.inputPerFreeCode = std::max<std::size_t>(options_.inputPerFreeCode, 1);
    options_.minPairCount = std::max(options_.minPairCount, 2);
}

PairEncoder::~PairEncoder() = default;

std::vector<std::uint8_t> PairEncoder::encode(Bytes data) {
    if (!fitsDataBlock(data)) return {};
    if (data.empty()) return encodeStoredBlock(data);
    std::vector<std::uint8_t> block(headerSize);
    block.reserve(headerSize + data.size() / 2);
    std::size_t pieces = 0;
    for (std::size_t begin = 0; begin < data.size(); ++pieces) {
        std::size_t end = pieceEnd(data, begin, options_);
        // A piece whose packed codes do not fit the 16-bit count is cut in half until they do;
        // a piece of at most 65535 bytes always fits.
        while (!packer_->pack(data.data() + begin, end - begin, options_.minPairCount, block))
            end = begin + (end - begin) / 2;
        begin = end;
        // Once the pair blocks are as long as the data, storing it is no worse.
        if (block.size() - headerSize >= data.size()) return encodeStoredBlock(data);
    }
    // Where a small payload was cut, one piece may still do better, its table paid once; at
    // this size trying costs little.
    if (pieces > 1 && data.size() <= smallPayload) {
        std::vector<std::uint8_t> whole(headerSize);
        if (packer_->pack(data.data(), data.size(), options_.minPairCount, whole) &&
            whole.size() < block.size())
            block.swap(whole);
    }
    writeHeader(block, data.size(), true);
    return block;
}

std::vector<std::uint8_t> encodeStoredBlock(Bytes data) {
    if (!fitsDataBlock(data)) return {};
    std::vector<std::uint8_t> block(headerSize + data.size());
    if (!data.empty()) std::memcpy(block.data() + headerSize, data.data(), data.size());
    writeHeader(block, data.size(), false);
    return block;
}

std::vector<std::uint8_t> encodeDataBlock(Bytes data) {
    // The working tables are kept per thread: setting them up again costs more than encoding
    // a small payload. They hold no state from one encode to the next.
    thread_local PairEncoder encoder;
    return encoder.encode(data);
}

std::vector<std::uint8_t> encodeDataBlock(Bytes data, const PairEncoderOptions& options) {
    return PairEncoder(options).encode(data);
}

} // namespace cinefold
