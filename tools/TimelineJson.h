#pragma once
// The timeline as the tool writes it: key records without their links, in the field order of
// the record.

#include "timeline/KeyRecord.h"

#include <nlohmann/json.hpp>

#include <string>

namespace cinefold {

using Json = nlohmann::ordered_json;

Json keyRecordJson(const KeyRecord& record);
// One line of text: "frame F image I group G centre (X, Y) size W x H flip F interpolation I".
std::string keyRecordText(const KeyRecord& record);

} // namespace cinefold
