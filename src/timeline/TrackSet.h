#pragma once
// The background track, the 51 layer tracks (0..50; the compositor draws 1..50) and the 101 cel
// group slots, filled from the "SCHE" and "GRP_" payloads.
//
// "SCHE" payload, decoded: layer sections one after the other while the read position is below
// the decoded size, in any order, a layer possibly in several sections:
//
//   offset 0  i16  layer number: 0 the background track, 1..50 a layer track, others dropped
//          2  u32  byte length L of the key records that follow
//          6       L / 48 key records; the section occupies 6 + 48 x (L / 48) bytes

#include "base/ByteReader.h"
#include "timeline/CelGroups.h"
#include "timeline/KeyRecord.h"
#include "timeline/Track.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace cinefold {

class TrackSet {
  public:
    static constexpr int layerCount = 51;

    int insertBackgroundKey(const KeyRecord& record);
    // Layers 0..50; any other layer returns 0 and changes nothing.
    int insertLayerKey(int layer, const KeyRecord& record);

    KeyRecord evaluateBackground(std::int32_t frame) const;
    // The empty record for a layer outside 0..50.
    KeyRecord evaluateLayer(int layer, std::int32_t frame) const;

    // The largest last-key frame over the background and all layer tracks; 0 when all are empty.
    std::int32_t lastFrame() const;

    // Adds a schedule's keys to the tracks as they stand. Reads at most decodedSize bytes (and
    // never past the bytes given). Returns 1.
    int loadSchedule(std::int32_t decodedSize, Bytes decoded);

    // Empties all 101 group slots, then fills them from a "GRP_" payload. Returns 1.
    int loadGroups(Bytes decoded);
    // Empties slot 0..100. Returns 1, or 0 for another slot.
    int clearGroup(int slot);

    // The frame at which the layer's current showing of the group that its record at `frame`
    // names began. The frame itself for a layer outside 0..50.
    std::int32_t runStart(int layer, std::int32_t frame) const;
    // The image a layer shows at a frame through group `group` (1..101); 0 for none.
    std::int32_t celImage(int group, int layer, std::int32_t frame) const;
    // That cel's size in pixels; (0, 0) where celImage gives 0.
    CelSize celSize(int group, int layer, std::int32_t frame) const;
    // The cel in force, with the run start it was found from; nullptr where celImage gives 0.
    const CelEntry* celAt(int group, int layer, std::int32_t frame,
                          std::int32_t* runStartOut = nullptr) const;

    // Empties every track and every group slot.
    void clear();

    const Track& background() const { return background_; }
    // Layer 0..50.
    const Track& layer(int layer) const { return layers_[std::size_t(layer)]; }
    // Group 1..101; empty for other numbers.
    std::span<const CelEntry> group(int group) const;

  private:
    Track background_;
    std::array<Track, layerCount> layers_;
    std::array<std::vector<CelEntry>, groupSlotCount> groups_;
};

} // namespace cinefold
