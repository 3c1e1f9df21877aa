#pragma once
// The writers of the timeline's byte layouts, each the mirror of its reader: a key record
// (readKeyRecord, KeyRecord.h), a schedule section (TrackSet::loadSchedule, TrackSet.h) and a
// cel group section (TrackSet::loadGroups, CelGroups.h). The packer, the tests and the
// benchmarks build schedules and groups with these and nothing else.

#include "timeline/CelGroups.h"
#include "timeline/KeyRecord.h"

#include <cstdint>
#include <span>
#include <vector>

namespace cinefold {

// The 48 bytes of `key`: its twelve fields in order, links and all.
void appendKeyRecord(std::vector<std::uint8_t>& out, const KeyRecord& key);

// A schedule section: the layer number (16 bits), the byte length of the records (32 bits) and
// the records.
void appendScheduleSection(std::vector<std::uint8_t>& out, std::int32_t layer,
                           std::span<const KeyRecord> keys);

// A cel group section: the slot (16 bits), the byte length of the entries (32 bits) and the
// entries, image, start, width and height each.
void appendCelSection(std::vector<std::uint8_t>& out, std::int32_t slot,
                      std::span<const CelEntry> cels);

} // namespace cinefold
