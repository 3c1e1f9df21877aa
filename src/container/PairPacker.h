#pragma once
// Packs one piece of input into one pair block: its pair table, its packed count and its packed
// codes. The packing is the classic pair replacement, repeatedly replacing the most frequent
// adjacent pair with one unused code, made incremental so that it runs in time proportional to
// the piece rather than to the piece times the number of codes:
//   - the piece is a doubly linked list of positions, so a replaced pair closes up in place;
//   - every adjacent pair has an exact count and a list of the positions where it began at some
//     point (entries go stale when a neighbour changes and are checked when they are used);
//   - pairs that occur often enough sit in buckets by count, so the most frequent one is found
//     by stepping down from the highest bucket.
// Replacing one occurrence of (a, b) by z in x a b y moves one count each from (x, a), (a, b)
// and (b, y) to (x, z) and (z, y), which keeps every count exact.
//
// The decoder expands a code with a stack of DecodeBuffer::maxStackDepth codes. A pair needs
// max(2, 1 + need(left), need(right)) entries of it (a literal needs none), so a pair that would
// need more is never formed.
//
// The packer keeps its working arrays from piece to piece.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace cinefold {

class PairPacker {
  public:
    PairPacker() : pairs_(65536) {}

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

} // namespace cinefold
