#pragma once
// The background track, the layer tracks and the cel groups. For now the set keeps the decoded
// schedule and cel group bytes that the chunk walk hands it; evaluating them comes with the
// timeline.

#include "container/ByteReader.h"

#include <cstdint>
#include <vector>

namespace cinefold {

class TrackSet {
  public:
    // The walk's hand-offs. Each copies what it keeps: the bytes die when the call returns.
    int loadSchedule(std::int32_t decodedSize, Bytes decoded);
    int loadGroups(Bytes decoded);
    void clear();

    const std::vector<std::uint8_t>& schedule() const { return schedule_; }
    const std::vector<std::uint8_t>& groups() const { return groups_; }

  private:
    std::vector<std::uint8_t> schedule_;
    std::vector<std::uint8_t> groups_;
};

} // namespace cinefold
