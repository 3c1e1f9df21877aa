#pragma once
// The timeline as the tool writes it: key records without their links, in the field order of
// the record.

#include "timeline/KeyRecord.h"

#include <nlohmann/json.hpp>

#include <string>

namespace cinefold {

using Json = nlohmann::ordered_json;

Json keyRecordJson(const KeyRecord& record);
// One line of text in the project's words: "frame F, group G, centre (X, Y), size W x H,
// flip x, interpolation curve", leaving out an image, group, flip or interpolation of 0.
std::string keyRecordText(const KeyRecord& record);

} // namespace cinefold
