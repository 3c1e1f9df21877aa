#include "project/ProjectWriter.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <span>

namespace cinefold {

namespace {

using Json = nlohmann::ordered_json;

// Values that fit a line of this many characters are written on one line, so that a key or a
// cel reads as one line and the file stays short enough to edit by hand.
constexpr std::size_t lineWidth = 100;

std::string oneLine(const Json& value) {
    std::string out;
    if (value.is_object()) {
        for (const auto& [name, field] : value.items())
            out += (out.empty() ? "" : ", ") + Json(name).dump() + ": " + oneLine(field);
        return "{" + out + "}";
    }
    if (value.is_array()) {
        for (const Json& element : value)
            out += (out.empty() ? "" : ", ") + oneLine(element);
        return "[" + out + "]";
    }
    return value.dump();
}

std::string format(const Json& value, std::size_t indent) {
    std::string flat = oneLine(value);
    if (indent + flat.size() <= lineWidth || value.empty() ||
        !(value.is_object() || value.is_array()))
        return flat;
    const std::string inner(indent + 2, ' ');
    std::string out;
    for (auto it = value.begin(); it != value.end(); ++it) {
        out += out.empty() ? "\n" : ",\n";
        out += inner;
        if (value.is_object()) out += Json(it.key()).dump() + ": ";
        out += format(*it, indent + 2);
    }
    return (value.is_object() ? "{" : "[") + out + "\n" + std::string(indent, ' ') +
           (value.is_object() ? "}" : "]");
}

// A name where the value has one, else the number itself.
Json named(std::int32_t value, std::span<const NamedValue> names) {
    const std::string text = nameOrNumber(value, names);
    return text == std::to_string(value) ? Json(value) : Json(text);
}

Json colorJson(std::uint32_t color) {
    return color >> 24 ? Json(color) : Json(colourText(color));
}

std::string imageFile(int number, bool mask) {
    char name[32];
    std::snprintf(name, sizeof name, "images/%03d%s.bmp", number, mask ? "-mask" : "");
    return name;
}

Json keyJson(const KeyRecord& k) {
    Json key = {{"frame", k.frame}};
    if (k.image) key["image"] = k.image;
    if (k.group) key["group"] = k.group;
    if (k.centerX || k.centerY) key["centre"] = {k.centerX, k.centerY};
    key["size"] = {k.width, k.height};
    if (k.flip) key["flip"] = named(k.flip, flipNames);
    if (k.interpolation) key["interpolation"] = named(k.interpolation, interpolationNames);
    return key;
}

Json keysJson(const std::vector<KeyRecord>& keys) {
    Json out = Json::array();
    for (const KeyRecord& k : keys)
        out.push_back(keyJson(k));
    return out;
}

} // namespace

std::string projectText(const Project& project) {
    const ProjectStage& s = project.stage;
    Json root;
    root["stage"] = {{"width", s.width},
                     {"height", s.height},
                     {"backColor", colorJson(s.backColor)},
                     {"backMode", named(s.backMode, backModeNames)},
                     {"framePeriod", s.framePeriod},
                     {"jumpLength", s.jumpLength}};
    Json& images = root["images"] = Json::array();
    for (const ProjectImage& image : project.images) {
        Json entry = {{"image", image.number}, {"file", imageFile(image.number, false)}};
        if (!image.mask.empty()) entry["mask"] = imageFile(image.number, true);
        entry["codec"] = codecChoiceName(image.codec);
        if (!image.mask.empty()) entry["maskCodec"] = codecChoiceName(image.maskCodec);
        images.push_back(entry);
    }
    Json& groups = root["groups"] = Json::array();
    for (const ProjectGroup& group : project.groups) {
        Json cels = Json::array();
        for (const CelEntry& c : group.cels)
            cels.push_back({{"image", c.image}, {"start", c.start}, {"size", {c.width, c.height}}});
        groups.push_back({{"group", group.number}, {"cels", cels}});
    }
    root["background"] = keysJson(project.background);
    Json& layers = root["layers"] = Json::array();
    for (const ProjectLayer& layer : project.layers)
        if (!layer.keys.empty())
            layers.push_back({{"layer", layer.number}, {"keys", keysJson(layer.keys)}});
    Json& jumps = root["jumps"] = Json::array();
    for (const ProjectJump& jump : project.jumps) {
        Json entry = {{"frame", jump.frame}};
        if (jump.to != -1) entry["to"] = jump.to;
        std::size_t count = jump.branches.size();
        while (count > 0 && jump.branches[count - 1] == -1)
            --count;
        if (count)
            entry["branches"] =
                std::vector<std::int32_t>(jump.branches.begin(), jump.branches.begin() + count);
        jumps.push_back(entry);
    }
    return format(root, 0) + "\n";
}

bool writeProjectFiles(const Project& project, const ProjectFileSink& sink) {
    for (const ProjectImage& image : project.images) {
        if (!sink(imageFile(image.number, false), image.bmp)) return false;
        if (!image.mask.empty() && !sink(imageFile(image.number, true), image.mask)) return false;
    }
    const std::string text = projectText(project);
    return sink(projectFileName,
                Bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

} // namespace cinefold
