#pragma once
// Builders of timeline payloads for the tests, over the timeline's own writers: schedule sections
// (also with a wrong length) and whole cel group payloads.

#include "TestBytes.h"

#include "timeline/TimelineWriter.h"

#include <vector>

namespace cinefold::test {

// A schedule section of `keys`, with a byte length other than the keys' when given.
inline void putSection(ByteVector& v, std::int16_t layer, const std::vector<KeyRecord>& keys,
                       std::int64_t length = -1) {
    const std::size_t at = v.size();
    appendScheduleSection(v, layer, keys);
    if (length >= 0) set32(v, at + 2, std::uint32_t(length));
}

// A complete "GRP_" payload: groups[k] fills slot k, the other slots of the 101 are empty.
inline ByteVector groupsPayload(const std::vector<std::vector<CelEntry>>& groups) {
    ByteVector v;
    for (int slot = 0; slot < groupSlotCount; ++slot)
        appendCelSection(v, slot,
                         std::size_t(slot) < groups.size() ? groups[std::size_t(slot)]
                                                           : std::vector<CelEntry>{});
    return v;
}

// A key with the fields a timeline test usually sets.
inline KeyRecord key(std::int32_t frame, std::int32_t interpolation, std::int32_t centerX = 0,
                     std::int32_t centerY = 0, std::int32_t width = 0, std::int32_t height = 0,
                     std::int32_t image = 1, std::int32_t group = 0, std::int32_t flip = 0) {
    return {image, group, centerX, centerY, width, height, flip, interpolation, 0, frame};
}

} // namespace cinefold::test
