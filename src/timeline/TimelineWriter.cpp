#include "timeline/TimelineWriter.h"

#include "base/ByteReader.h"

namespace cinefold {

void appendKeyRecord(std::vector<std::uint8_t>& out, const KeyRecord& k) {
    for (std::int32_t field : {k.image, k.group, k.centerX, k.centerY, k.width, k.height, k.flip,
                               k.interpolation, k.interpolated, k.frame, k.prev, k.next})
        appendU32le(out, std::uint32_t(field));
}

void appendScheduleSection(std::vector<std::uint8_t>& out, std::int32_t layer,
                           std::span<const KeyRecord> keys) {
    appendU16le(out, std::uint16_t(layer));
    appendU32le(out, std::uint32_t(keys.size() * keyRecordSize));
    for (const KeyRecord& key : keys)
        appendKeyRecord(out, key);
}

void appendCelSection(std::vector<std::uint8_t>& out, std::int32_t slot,
                      std::span<const CelEntry> cels) {
    appendU16le(out, std::uint16_t(slot));
    appendU32le(out, std::uint32_t(cels.size() * celEntrySize));
    for (const CelEntry& c : cels)
        for (std::int32_t field : {c.image, c.start, c.width, c.height})
            appendU32le(out, std::uint32_t(field));
}

} // namespace cinefold
