#pragma once
// The keyframe record: twelve little-endian signed 32-bit fields, 48 bytes, the same layout in
// the schedule payload and in memory.
//
//   offset  0 image          image number 1..100, 0 = none (ignored when group is set)
//          4 group          cel group 1..101, 0 = none
//          8 centerX        centre of the drawn picture, stage pixels
//         12 centerY
//         16 width          pixels; thousandths of the cel's size when group is set
//         20 height
//         24 flip           0..3, never interpolated
//         28 interpolation  towards the next key: 0 none, 1 linear, 2 curve, others as 0
//         32 interpolated   0 in stored keys, 1 in records made by interpolation
//         36 frame          frame number of the key
//         40 prev           links to the neighbouring keys of the track; arbitrary in the file
//         44 next
//
// The all-zero record, the empty record, is what a track shows where it shows nothing.

#include "base/ByteReader.h"

#include <cstddef>
#include <cstdint>

namespace cinefold {

struct KeyRecord {
    std::int32_t image = 0;
    std::int32_t group = 0;
    std::int32_t centerX = 0;
    std::int32_t centerY = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t flip = 0;
    std::int32_t interpolation = 0;
    std::int32_t interpolated = 0;
    std::int32_t frame = 0;
    std::int32_t prev = 0;
    std::int32_t next = 0;

    bool isEmpty() const { return *this == KeyRecord{}; }
    friend bool operator==(const KeyRecord&, const KeyRecord&) = default;
};

constexpr std::size_t keyRecordSize = 48;
static_assert(sizeof(KeyRecord) == keyRecordSize);

enum Interpolation : std::int32_t {
    interpolationNone = 0,
    interpolationLinear = 1,
    interpolationCurve = 2
};

// Reads the twelve fields in order; the reader fails when fewer than 48 bytes are left.
inline KeyRecord readKeyRecord(ByteReader& reader) {
    KeyRecord r;
    std::int32_t* fields[] = {&r.image,        &r.group,  &r.centerX, &r.centerY,
                              &r.width,        &r.height, &r.flip,    &r.interpolation,
                              &r.interpolated, &r.frame,  &r.prev,    &r.next};
    for (std::int32_t* field : fields)
        *field = reader.i32le();
    return r;
}

} // namespace cinefold
