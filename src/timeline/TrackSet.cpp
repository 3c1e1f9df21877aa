#include "timeline/TrackSet.h"

namespace cinefold {

int TrackSet::loadSchedule(std::int32_t decodedSize, Bytes decoded) {
    std::size_t size = decodedSize > 0 ? std::size_t(decodedSize) : 0;
    if (size > decoded.size()) size = decoded.size();
    schedule_.assign(decoded.begin(), decoded.begin() + std::ptrdiff_t(size));
    return 1;
}

int TrackSet::loadGroups(Bytes decoded) {
    groups_.assign(decoded.begin(), decoded.end());
    return 1;
}

void TrackSet::clear() {
    schedule_.clear();
    groups_.clear();
}

} // namespace cinefold
