#include "TimelineJson.h"

#include "project/Project.h"

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
    // As a project writes a key: what is 0 is left out, codes by their names.
    std::string text = "frame " + std::to_string(r.frame);
    if (r.image) text += ", image " + std::to_string(r.image);
    if (r.group) text += ", group " + std::to_string(r.group);
    text += ", centre (" + std::to_string(r.centerX) + ", " + std::to_string(r.centerY) + ")";
    text += ", size " + std::to_string(r.width) + " x " + std::to_string(r.height);
    if (r.flip) text += ", flip " + nameOrNumber(r.flip, flipNames);
    if (r.interpolation)
        text += ", interpolation " + nameOrNumber(r.interpolation, interpolationNames);
    if (r.interpolated) text += " (interpolated)";
    return text;
}

} // namespace cinefold
