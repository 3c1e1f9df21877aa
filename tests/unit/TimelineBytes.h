#pragma once
// Builders of timeline payloads for the tests: key records, schedule sections and cel groups,
// written field by field.

#include "TestBytes.h"

#include "timeline/CelGroups.h"
#include "timeline/KeyRecord.h"

#include <vector>

namespace cinefold::test {

inline void putKey(ByteVector& v, const KeyRecord& k) {
    for (std::int32_t field : {k.image, k.group, k.centerX, k.centerY, k.width, k.height, k.flip,
                               k.interpolation, k.interpolated, k.frame, k.prev, k.next})
        put32(v, std::uint32_t(field));
}

// A schedule section: layer number, byte length (that of the keys unless given), the keys.
inline void putSection(ByteVector& v, std::int16_t layer, const std::vector<KeyRecord>& keys,
                       std::int64_t length = -1) {
    put16(v, std::uint16_t(layer));
    put32(v, std::uint32_t(length >= 0 ? length : std::int64_t(keys.size() * keyRecordSize)));
    for (const KeyRecord& k : keys)
        putKey(v, k);
}

inline void putCelSection(ByteVector& v, int slot, const std::vector<CelEntry>& cels) {
    put16(v, std::uint32_t(slot));
    put32(v, std::uint32_t(cels.size() * celEntrySize));
    for (const CelEntry& c : cels)
        for (std::int32_t field : {c.image, c.start, c.width, c.height})
            put32(v, std::uint32_t(field));
}

// A complete "GRP_" payload: groups[k] fills slot k, the other slots of the 101 are empty.
inline ByteVector groupsPayload(const std::vector<std::vector<CelEntry>>& groups) {
    ByteVector v;
    for (int slot = 0; slot < groupSlotCount; ++slot)
        putCelSection(v, slot,
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
