// The cel group half of the TrackSet: loading the groups and looking up the cel in force.

#include "timeline/CelGroups.h"
#include "timeline/TrackSet.h"

namespace cinefold {

int TrackSet::loadGroups(Bytes decoded) {
    for (int slot = 0; slot < groupSlotCount; ++slot)
        clearGroup(slot);
    // The payload's own size is not consulted beyond its end: a payload with fewer than 101
    // sections, or whose last section reaches past it, fills the slots it holds and leaves the
    // rest empty. A length that is not a multiple of 16 covers its whole entries; the next
    // section still follows after the L bytes.
    ByteReader reader(decoded);
    for (int slot = 0; slot < groupSlotCount; ++slot) {
        reader.u16le();
        std::uint32_t length = reader.u32le();
        if (!reader.ok()) break;
        std::size_t count = length / celEntrySize;
        if (count > reader.remaining() / celEntrySize) break;
        std::vector<CelEntry>& group = groups_[std::size_t(slot)];
        group.resize(count);
        for (CelEntry& entry : group) {
            entry.image = reader.i32le();
            entry.start = reader.i32le();
            entry.width = reader.i32le();
            entry.height = reader.i32le();
        }
        reader.skip(length % celEntrySize);
        if (!reader.ok()) break;
    }
    return 1;
}

int TrackSet::clearGroup(int slot) {
    if (slot < 0 || slot >= groupSlotCount) return 0;
    std::vector<CelEntry>().swap(groups_[std::size_t(slot)]);
    return 1;
}

std::span<const CelEntry> TrackSet::group(int group) const {
    if (group < 1 || group > groupSlotCount) return {};
    return groups_[std::size_t(group - 1)];
}

std::int32_t TrackSet::runStart(int layer, std::int32_t frame) const {
    if (layer < 0 || layer >= layerCount) return frame;
    const Track& track = layers_[std::size_t(layer)];
    std::int32_t group = track.evaluate(frame).group;
    std::span<const KeyRecord> keys = track.keys();

    // The run goes back one frame at a time while the frame before shows the same group with an
    // interpolation other than 0. Between two keys every frame shows the earlier key's group
    // and interpolation (or the empty record), so the walk can pass a whole gap between keys
    // at once: it visits each key at most once, however long the run.
    std::int32_t begin = frame;
    while (!keys.empty() && begin > keys.front().frame) {
        std::int32_t before = begin - 1;
        std::size_t k = std::size_t(track.keyAtOrBefore(before));
        const KeyRecord& key = keys[k];
        if (key.frame == before) {
            if (key.interpolation == interpolationNone || key.group != group) break;
            begin = before;
            continue;
        }
        // `before` lies after key k: nothing shows after the last key or after a key that does
        // not interpolate.
        bool interpolates =
            key.interpolation == interpolationLinear || key.interpolation == interpolationCurve;
        if (k + 1 == keys.size() || !interpolates || key.group != group) break;
        begin = key.frame + 1;
    }
    return begin;
}

const CelEntry* TrackSet::celAt(int group, int layer, std::int32_t frame,
                                std::int32_t* runStartOut) const {
    std::int32_t start = runStart(layer, frame);
    if (runStartOut) *runStartOut = start;
    std::span<const CelEntry> cels = this->group(group);
    if (cels.empty()) return nullptr;
    // A cycle ends one frame after the last entry's start. A last start below 0 leaves no cycle
    // and the group shows nothing.
    std::int64_t cycle = std::int64_t(cels.back().start) + 1;
    if (cycle <= 0) return nullptr;
    std::int64_t elapsed = std::int64_t(frame) - start;
    std::int64_t r = elapsed % cycle;
    const CelEntry* shown = nullptr;
    for (const CelEntry& cel : cels)
        if (cel.start <= r) shown = &cel;
    return shown;
}

std::int32_t TrackSet::celImage(int group, int layer, std::int32_t frame) const {
    const CelEntry* cel = celAt(group, layer, frame);
    return cel ? cel->image : 0;
}

CelSize TrackSet::celSize(int group, int layer, std::int32_t frame) const {
    const CelEntry* cel = celAt(group, layer, frame);
    return cel ? CelSize{cel->width, cel->height} : CelSize{};
}

} // namespace cinefold
