#include "TimelineJson.h"

#include <cstdio>

namespace cinefold {

Json keyRecordJson(const KeyRecord& r) {
    return {{"image", r.image},
            {"group", r.group},
            {"centerX", r.centerX},
            {"centerY", r.centerY},
            {"width", r.width},
            {"height", r.height},
            {"flip", r.flip},
            {"interpolation", r.interpolation},
            {"interpolated", r.interpolated},
            {"frame", r.frame}};
}

std::string keyRecordText(const KeyRecord& r) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "frame %d image %d group %d centre (%d, %d) size %d x %d flip %d "
                  "interpolation %d%s",
                  r.frame, r.image, r.group, r.centerX, r.centerY, r.width, r.height, r.flip,
                  r.interpolation, r.interpolated ? " (interpolated)" : "");
    return text;
}

} // namespace cinefold
