#pragma once
// One track: its keys in strictly ascending frame order, no two on the same frame.
//
// The keys live in one sorted array rather than in nodes allocated one by one. The links of a
// key (`prev`, `next`) still name its neighbours, as their positions in the track counted from
// 1 (0 for none), so the record reads as a linked key; the array lets evaluation find the key
// in force by binary search instead of walking the list from its first key on every call.

#include "timeline/KeyRecord.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace cinefold {

class Track {
  public:
    // Sorted insert: a key on a frame that the track already has replaces that key's contents
    // (the later record wins); `interpolated` is stored as 0 and the record's own links are
    // ignored. Keys on negative frames are refused (returns 0): no frame the sequencer reaches
    // is negative, and keeping every key at or above 0 keeps the frame arithmetic in range.
    int insert(const KeyRecord& record);
    // The same as inserting the records one at a time in order, in O(n log n) for the lot, so
    // that a schedule in any order loads in bounded time.
    void insertAll(std::span<const KeyRecord> records);

    // The record the track shows at a frame: the key on it, a record interpolated from the key
    // before it, or the empty record.
    KeyRecord evaluate(std::int32_t frame) const;
    // The frame of the last key; 0 for an empty track.
    std::int32_t lastFrame() const { return keys_.empty() ? 0 : keys_.back().frame; }
    void clear() { keys_.clear(); }

    bool empty() const { return keys_.empty(); }
    std::span<const KeyRecord> keys() const { return keys_; }
    // The position of the last key whose frame is at or below `frame`, or -1 when there is none.
    std::ptrdiff_t keyAtOrBefore(std::int32_t frame) const;

  private:
    void relink(std::size_t from);

    std::vector<KeyRecord> keys_;
};

} // namespace cinefold
