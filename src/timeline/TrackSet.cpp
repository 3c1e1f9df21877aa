#include "timeline/TrackSet.h"

#include <algorithm>

namespace cinefold {

int TrackSet::insertBackgroundKey(const KeyRecord& record) {
    return background_.insert(record);
}

int TrackSet::insertLayerKey(int layer, const KeyRecord& record) {
    if (layer < 0 || layer >= layerCount) return 0;
    return layers_[std::size_t(layer)].insert(record);
}

KeyRecord TrackSet::evaluateBackground(std::int32_t frame) const {
    return background_.evaluate(frame);
}

KeyRecord TrackSet::evaluateLayer(int layer, std::int32_t frame) const {
    if (layer < 0 || layer >= layerCount) return {};
    return layers_[std::size_t(layer)].evaluate(frame);
}

std::int32_t TrackSet::lastFrame() const {
    std::int32_t last = background_.lastFrame();
    for (const Track& track : layers_)
        last = std::max(last, track.lastFrame());
    return last;
}

int TrackSet::loadSchedule(std::int32_t decodedSize, Bytes decoded) {
    std::size_t size = decodedSize > 0 ? std::size_t(decodedSize) : 0;
    ByteReader reader(decoded.first(std::min(size, decoded.size())));

    // Records are gathered per track and merged once per track: the result is that of
    // inserting them one at a time in payload order, without the quadratic cost that a
    // schedule in descending frame order would have with one insert per record.
    std::vector<KeyRecord> background;
    std::array<std::vector<KeyRecord>, layerCount> layers;
    while (!reader.atEnd()) {
        std::int16_t layer = std::int16_t(reader.u16le());
        std::uint32_t length = reader.u32le();
        if (!reader.ok()) break;
        // A length that is not a multiple of 48 covers its whole records only; the next section
        // follows them. Records cut off by the end of the payload are not loaded.
        std::size_t records = length / keyRecordSize;
        std::vector<KeyRecord>* target = layer == 0 ? &background
                                         : layer > 0 && layer < layerCount
                                             ? &layers[std::size_t(layer)]
                                             : nullptr;
        bool cut = false;
        for (std::size_t i = 0; i < records && !cut; ++i) {
            cut = reader.remaining() < keyRecordSize;
            KeyRecord record = readKeyRecord(reader);
            if (target && !cut) target->push_back(record);
        }
        if (cut) break;
    }
    background_.insertAll(background);
    for (std::size_t i = 0; i < layers_.size(); ++i)
        if (!layers[i].empty()) layers_[i].insertAll(layers[i]);
    return 1;
}

void TrackSet::clear() {
    background_.clear();
    for (Track& track : layers_)
        track.clear();
    for (int slot = 0; slot < groupSlotCount; ++slot)
        clearGroup(slot);
}

} // namespace cinefold
