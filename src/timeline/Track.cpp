#include "timeline/Track.h"

#include "timeline/Interpolation.h"

#include <algorithm>

namespace cinefold {

namespace {
bool earlier(const KeyRecord& a, const KeyRecord& b) {
    return a.frame < b.frame;
}
} // namespace

void Track::relink(std::size_t from) {
    for (std::size_t i = from; i < keys_.size(); ++i) {
        keys_[i].prev = std::int32_t(i); // the position of the key before, counted from 1
        keys_[i].next = i + 1 < keys_.size() ? std::int32_t(i + 2) : 0;
    }
}

int Track::insert(const KeyRecord& record) {
    if (record.frame < 0) return 0;
    KeyRecord key = record;
    key.interpolated = 0;
    auto at = std::lower_bound(keys_.begin(), keys_.end(), key, earlier);
    if (at != keys_.end() && at->frame == key.frame) {
        key.prev = at->prev;
        key.next = at->next;
        *at = key;
        return 1;
    }
    std::size_t position = std::size_t(at - keys_.begin());
    keys_.insert(at, key);
    relink(position == 0 ? 0 : position - 1);
    return 1;
}

void Track::insertAll(std::span<const KeyRecord> records) {
    // Existing keys first, then the new records in order; a stable sort keeps that order among
    // records of one frame, and the last of each frame is the one that sequential inserts would
    // have left.
    std::vector<KeyRecord> all;
    all.reserve(keys_.size() + records.size());
    all.insert(all.end(), keys_.begin(), keys_.end());
    for (const KeyRecord& record : records)
        if (record.frame >= 0) {
            all.push_back(record);
            all.back().interpolated = 0;
        }
    std::stable_sort(all.begin(), all.end(), earlier);
    keys_.clear();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (i + 1 == all.size() || all[i + 1].frame != all[i].frame) keys_.push_back(all[i]);
    relink(0);
}

std::ptrdiff_t Track::keyAtOrBefore(std::int32_t frame) const {
    auto after = std::upper_bound(keys_.begin(), keys_.end(), frame,
                                  [](std::int32_t f, const KeyRecord& k) { return f < k.frame; });
    return std::ptrdiff_t(after - keys_.begin()) - 1;
}

KeyRecord Track::evaluate(std::int32_t frame) const {
    std::ptrdiff_t i = keyAtOrBefore(frame);
    if (i < 0) return {};
    std::size_t k = std::size_t(i);
    if (keys_[k].frame == frame) return keys_[k];
    if (k + 1 == keys_.size()) return {};
    switch (keys_[k].interpolation) {
    case interpolationLinear:
        return interpolateLinear(keys_[k], keys_[k + 1], frame);
    case interpolationCurve:
        return interpolateCurve(keys_, k, frame);
    default:
        return {};
    }
}

} // namespace cinefold
