#include "project/ProjectReader.h"

#include "project/BmpFile.h"
#include "project/ImageFile.h"

#include "container/ContainerFile.h"
#include "timeline/TrackSet.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <map>
#include <set>
#include <tuple>
#include <utility>

namespace cinefold {

namespace {

using Json = nlohmann::json;

constexpr std::int64_t int32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t uint32Max = std::numeric_limits<std::uint32_t>::max();
constexpr int lastLayer = TrackSet::layerCount - 1;

// Values may nest this deep in a project. The deepest value a project needs is a key's size or
// centre, four levels down; the JSON library's printer and comparisons recurse once per level,
// so a limit keeps a hostile file from exhausting the stack.
constexpr int maxDepth = 64;
// A bad value is quoted in a message up to this many characters.
constexpr std::size_t shownLength = 40;

// The text, cut to its first shownLength characters when it is longer.
std::string shortened(std::string_view text) {
    if (text.size() <= shownLength) return std::string(text);
    return std::string(text.substr(0, shownLength)) + "...";
}

std::string child(const std::string& path, std::string_view name) {
    std::string token;
    for (char c : shortened(name)) {
        if (c == '~')
            token += "~0";
        else if (c == '/')
            token += "~1";
        else
            token += c;
    }
    return path + "/" + token;
}
std::string child(const std::string& path, std::size_t index) {
    return path + "/" + std::to_string(index);
}

// A value as it stands in the project, for a message: its start, when it is long.
std::string shown(const Json& value) {
    return shortened(value.dump(-1, ' ', false, Json::error_handler_t::replace));
}

// The byte offset at which the text's arrays and objects first nest deeper than maxDepth, or
// npos. Brackets inside strings do not count; the parser reports any other fault itself.
std::size_t tooDeepAt(std::string_view text) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxDepth) return i;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return std::string_view::npos;
}

std::string inQuotes(std::string_view text) {
    // Built by appending: GCC 12 warns falsely of overlapping copies in "\"" + std::string(...).
    std::string quoted;
    quoted.reserve(shownLength + 5);
    quoted += '"';
    quoted += shortened(text);
    quoted += '"';
    return quoted;
}

// Reads one project document into a Project, collecting every problem with its JSON pointer.
// Sections are read in the order in which later ones refer to earlier ones: the stage (the jump
// tables' length), the images (the cels' and keys' sizes), the groups, the tracks, the jumps.
class Reader {
  public:
    Reader(ProjectReadResult& result, const std::string& folder, const ProjectFileSource& files)
        : result_(result), folder_(folder), files_(files) {}

    void read(const Json& root) {
        if (!object(root, "",
                    {"$schema", "stage", "images", "groups", "background", "layers", "jumps"}))
            return;
        if (const Json* stage = required(root, "", "stage")) readStage(*stage, "/stage");
        forEach(root, "", "images", [&](const Json& v, const std::string& p) { readImage(v, p); });
        forEach(root, "", "groups", [&](const Json& v, const std::string& p) { readGroup(v, p); });
        readKeys(root, "", "background", project_.background, true);
        forEach(root, "", "layers", [&](const Json& v, const std::string& p) { readLayer(v, p); });
        forEach(root, "", "jumps", [&](const Json& v, const std::string& p) { readJump(v, p); });
        if (!result_.errors.empty()) return;
        auto byNumber = [](const auto& a, const auto& b) { return a.number < b.number; };
        std::sort(project_.images.begin(), project_.images.end(), byNumber);
        std::sort(project_.groups.begin(), project_.groups.end(), byNumber);
        std::sort(project_.layers.begin(), project_.layers.end(), byNumber);
        std::sort(project_.jumps.begin(), project_.jumps.end(),
                  [](const ProjectJump& a, const ProjectJump& b) { return a.frame < b.frame; });
        result_.project = std::move(project_);
    }

  private:
    void error(const std::string& path, std::string message) {
        result_.errors.push_back({path, std::move(message)});
    }
    void warning(const std::string& path, std::string message) {
        result_.warnings.push_back({path, std::move(message)});
    }

    // An object whose fields are among `known`; others are warned about and ignored.
    bool object(const Json& value, const std::string& path,
                std::initializer_list<std::string_view> known) {
        if (!value.is_object()) {
            error(path, "must be an object");
            return false;
        }
        for (const auto& [name, field] : value.items())
            if (std::find(known.begin(), known.end(), name) == known.end())
                warning(child(path, name), "unknown field, ignored");
        return true;
    }

    const Json* optional(const Json& object, std::string_view name) {
        auto it = object.find(name);
        return it == object.end() ? nullptr : &*it;
    }
    const Json* required(const Json& object, const std::string& path, std::string_view name) {
        const Json* value = optional(object, name);
        if (!value) error(child(path, name), "missing");
        return value;
    }

    // Calls `read` for each element of an optional array field.
    template <typename Read>
    void forEach(const Json& object, const std::string& path, std::string_view name, Read read) {
        const Json* array = optional(object, name);
        if (!array) return;
        const std::string at = child(path, name);
        if (!array->is_array()) {
            error(at, "must be an array");
            return;
        }
        for (std::size_t i = 0; i < array->size(); ++i)
            read((*array)[i], child(at, i));
    }

    bool integer(const Json& value, const std::string& path, std::int64_t min, std::int64_t max,
                 std::int64_t& out) {
        if (!value.is_number_integer()) {
            error(path, "must be an integer");
            return false;
        }
        const bool huge =
            value.is_number_unsigned() && value.get<std::uint64_t>() > std::uint64_t(uint32Max);
        out = huge ? uint32Max + 1 : value.get<std::int64_t>();
        if (out >= min && out <= max) return true;
        if (max == int32Max && out >= min)
            error(path, shown(value) + " is above " + std::to_string(max));
        else if (max == int32Max || max == uint32Max)
            error(path, shown(value) + " is below " + std::to_string(min));
        else
            error(path, shown(value) + " is outside " + std::to_string(min) + " to " +
                            std::to_string(max));
        return false;
    }

    // Reads field `name` of `object` into `out` when it is present and in range.
    template <typename T>
    bool field(const Json& object, const std::string& path, std::string_view name, std::int64_t min,
               std::int64_t max, T& out) {
        const Json* value = optional(object, name);
        std::int64_t n = 0;
        if (!value || !integer(*value, child(path, name), min, max, n)) return false;
        out = T(n);
        return true;
    }
    template <typename T>
    bool requiredField(const Json& object, const std::string& path, std::string_view name,
                       std::int64_t min, std::int64_t max, T& out) {
        if (!required(object, path, name)) return false;
        return field(object, path, name, min, max, out);
    }

    // [a, b], both 32-bit integers.
    bool pair(const Json& object, const std::string& path, std::string_view name, std::int32_t& a,
              std::int32_t& b) {
        const Json* value = optional(object, name);
        if (!value) return false;
        const std::string at = child(path, name);
        if (!value->is_array() || value->size() != 2) {
            error(at, "must be an array of two integers");
            return false;
        }
        std::int64_t x = 0, y = 0;
        bool ok = integer((*value)[0], child(at, 0), int32Min, int32Max, x);
        ok = integer((*value)[1], child(at, 1), int32Min, int32Max, y) && ok;
        if (ok) a = std::int32_t(x), b = std::int32_t(y);
        return ok;
    }

    // One of the readable names, or any 32-bit integer for values that have none.
    void named(const Json& object, const std::string& path, std::string_view name,
               std::span<const NamedValue> names, std::int32_t& out) {
        const Json* value = optional(object, name);
        if (!value) return;
        if (value->is_string()) {
            const std::string text = value->get<std::string>();
            for (const NamedValue& n : names)
                if (text == n.name) {
                    out = n.value;
                    return;
                }
        } else if (value->is_number_integer()) {
            field(object, path, name, int32Min, int32Max, out);
            return;
        }
        std::string list;
        for (const NamedValue& n : names)
            list += inQuotes(n.name) + ", ";
        error(child(path, name), shown(*value) + " is not one of " + list + "or an integer");
    }

    bool text(const Json& object, const std::string& path, std::string_view name,
              std::string& out) {
        const Json* value = optional(object, name);
        if (!value) return false;
        if (!value->is_string() || value->get<std::string>().empty()) {
            error(child(path, name), "must be a file name");
            return false;
        }
        out = value->get<std::string>();
        return true;
    }

    void readStage(const Json& value, const std::string& path) {
        if (!object(value, path,
                    {"width", "height", "backColor", "backMode", "framePeriod", "jumpLength"}))
            return;
        ProjectStage& stage = project_.stage;
        requiredField(value, path, "width", 1, int32Max, stage.width);
        requiredField(value, path, "height", 1, int32Max, stage.height);
        readColor(value, path);
        named(value, path, "backMode", backModeNames, stage.backMode);
        field(value, path, "framePeriod", 0, int32Max, stage.framePeriod);
        field(value, path, "jumpLength", 1, maxJumpLength, stage.jumpLength);
    }

    // "#RRGGBB", or the colour reference itself.
    void readColor(const Json& stage, const std::string& stagePath) {
        const Json* value = optional(stage, "backColor");
        if (!value) return;
        if (value->is_number_integer()) {
            field(stage, stagePath, "backColor", 0, uint32Max, project_.stage.backColor);
            return;
        }
        unsigned red = 0, green = 0, blue = 0;
        int length = 0;
        const std::string text = value->is_string() ? value->get<std::string>() : "";
        if (text.size() == 7 &&
            std::sscanf(text.c_str(), "#%2x%2x%2x%n", &red, &green, &blue, &length) == 3 &&
            length == 7) {
            project_.stage.backColor = blue << 16 | green << 8 | red;
            return;
        }
        error(child(stagePath, "backColor"),
              "must be \"#RRGGBB\" or an integer colour reference 0x00BBGGRR");
    }

    std::optional<std::vector<std::uint8_t>> readFile(const std::string& path,
                                                      const std::string& name) {
        std::vector<std::uint8_t> bytes;
        std::string problem;
        const std::string full = (std::filesystem::path(folder_) / name).string();
        if (!files_(full, bytes, problem)) {
            error(path, "cannot read " + inQuotes(name) + ": " + problem);
            return std::nullopt;
        }
        return bytes;
    }

    void readImage(const Json& value, const std::string& path) {
        if (!object(value, path, {"image", "file", "mask", "codec", "maskCodec"})) return;
        ProjectImage image;
        bool ok = requiredField(value, path, "image", 1, 100, image.number);
        if (ok) ok = unique(imagePaths_, image.number, child(path, "image"), "image");
        // Keys that name an image refused here are not warned about as well.
        if (ok) refusedImages_.insert(image.number);
        ok = codec(value, path, "codec", image.codec) && ok;
        ok = codec(value, path, "maskCodec", image.maskCodec) && ok;
        std::string file, maskFile;
        if (!required(value, path, "file") || !text(value, path, "file", file)) return;
        const bool hasMask = optional(value, "mask") && text(value, path, "mask", maskFile);
        LoadedImage loaded;
        if (!loadFile(path, "file", file, loaded, loadImageBytes)) return;
        if (hasMask) {
            LoadedImage mask;
            if (!loadFile(path, "mask", maskFile, mask, loadMaskBytes)) return;
            if (mask.width != loaded.width || mask.height != loaded.height) {
                error(child(path, "mask"), "the mask is " + std::to_string(mask.width) + " x " +
                                               std::to_string(mask.height) + " pixels, its image " +
                                               std::to_string(loaded.width) + " x " +
                                               std::to_string(loaded.height));
                return;
            }
            loaded.mask = std::move(mask.mask);
            if (!loaded.verbatim) blackenBeneathMask(loaded.bmp, loaded.mask);
        }
        if (!ok) return;
        image.bmp = std::move(loaded.bmp);
        image.mask = std::move(loaded.mask);
        sizes_[image.number] = {loaded.width, loaded.height};
        refusedImages_.erase(image.number);
        project_.images.push_back(std::move(image));
    }

    using Loader = bool (*)(Bytes, LoadedImage&, std::string&);
    bool loadFile(const std::string& imagePath, std::string_view field, const std::string& name,
                  LoadedImage& loaded, Loader load) {
        const std::string path = child(imagePath, field);
        std::optional<std::vector<std::uint8_t>> bytes = readFile(path, name);
        if (!bytes) return false;
        std::string problem;
        if (!load(*bytes, loaded, problem)) {
            error(path, inQuotes(name) + ": " + problem);
            return false;
        }
        for (const std::string& w : loaded.warnings)
            warning(path, inQuotes(name) + ": " + w);
        return true;
    }

    bool codec(const Json& object, const std::string& path, std::string_view name,
               ImageCodec& out) {
        const Json* value = optional(object, name);
        if (!value) return true;
        std::optional<ImageCodec> codec;
        if (value->is_string()) codec = codecChoiceFromName(value->get<std::string>());
        if (codec) {
            out = *codec;
            return true;
        }
        error(child(path, name), shown(*value) +
                                     " is not one of \"auto\", \"stored\", \"pairs\", \"rle1\", "
                                     "\"rle8\", \"rle24\"");
        return false;
    }

    // Records that `number` is defined at `path`; false, with an error, when it already was.
    bool unique(std::map<std::int64_t, std::string>& seen, std::int64_t number,
                const std::string& path, const char* what) {
        auto [it, fresh] = seen.emplace(number, path);
        if (!fresh)
            error(path, std::string(what) + " " + std::to_string(number) +
                            " is defined twice (also at " + it->second + ")");
        return fresh;
    }

    // The size of an image read so far; (0, 0) for one that is not defined.
    std::pair<std::int32_t, std::int32_t> imageSize(std::int32_t number) const {
        auto it = sizes_.find(number);
        return it == sizes_.end() ? std::pair<std::int32_t, std::int32_t>{0, 0} : it->second;
    }

    void readGroup(const Json& value, const std::string& path) {
        if (!object(value, path, {"group", "cels"})) return;
        ProjectGroup group;
        bool ok = requiredField(value, path, "group", 1, groupSlotCount, group.number);
        if (ok) ok = unique(groupPaths_, group.number, child(path, "group"), "group");
        const Json* cels = required(value, path, "cels");
        if (!cels) return;
        const std::string celsPath = child(path, "cels");
        if (!cels->is_array() || cels->empty()) {
            error(celsPath, "a group needs an array of at least one cel");
            return;
        }
        for (std::size_t i = 0; i < cels->size(); ++i) {
            const std::string celPath = child(celsPath, i);
            const Json& c = (*cels)[i];
            if (!object(c, celPath, {"image", "start", "size"})) {
                ok = false;
                continue;
            }
            CelEntry cel;
            ok = requiredField(c, celPath, "image", int32Min, int32Max, cel.image) && ok;
            ok = requiredField(c, celPath, "start", 0, int32Max, cel.start) && ok;
            if (!optional(c, "size")) {
                std::tie(cel.width, cel.height) = imageSize(cel.image);
            } else if (!pair(c, celPath, "size", cel.width, cel.height)) {
                ok = false;
            }
            checkImage(cel.image, child(celPath, "image"));
            if (!group.cels.empty() && cel.start < group.cels.back().start)
                warning(child(celPath, "start"),
                        "starts before the cel above it, which the saver then skips over");
            group.cels.push_back(cel);
        }
        if (ok) project_.groups.push_back(std::move(group));
    }

    void checkImage(std::int32_t number, const std::string& path) {
        if (number != 0 && !sizes_.count(number) && !refusedImages_.count(number))
            warning(path,
                    "image " + std::to_string(number) + " is not defined: nothing is drawn there");
    }

    void readLayer(const Json& value, const std::string& path) {
        if (!object(value, path, {"layer", "keys"})) return;
        ProjectLayer layer;
        bool ok = requiredField(value, path, "layer", 1, lastLayer, layer.number);
        if (ok) ok = unique(layerPaths_, layer.number, child(path, "layer"), "layer");
        if (!required(value, path, "keys")) return;
        readKeys(value, path, "keys", layer.keys, false);
        if (ok) project_.layers.push_back(std::move(layer));
    }

    // A track: keys in any order, sorted by frame, no frame twice.
    void readKeys(const Json& object, const std::string& path, std::string_view name,
                  std::vector<KeyRecord>& keys, bool background) {
        std::map<std::int64_t, std::string> frames;
        forEach(object, path, name, [&](const Json& value, const std::string& keyPath) {
            KeyRecord key;
            if (readKey(value, keyPath, background, key) &&
                unique(frames, key.frame, child(keyPath, "frame"), "a key at frame"))
                keys.push_back(key);
        });
        std::stable_sort(keys.begin(), keys.end(),
                         [](const KeyRecord& a, const KeyRecord& b) { return a.frame < b.frame; });
    }

    // Only the image of a background key is drawn, so its size is not defaulted to the image's.
    bool readKey(const Json& value, const std::string& path, bool background, KeyRecord& key) {
        if (!object(value, path,
                    {"frame", "image", "group", "centre", "size", "flip", "interpolation"}))
            return false;
        const std::size_t errors = result_.errors.size();
        requiredField(value, path, "frame", 0, int32Max, key.frame);
        field(value, path, "image", int32Min, int32Max, key.image);
        field(value, path, "group", int32Min, int32Max, key.group);
        pair(value, path, "centre", key.centerX, key.centerY);
        if (optional(value, "size")) {
            pair(value, path, "size", key.width, key.height);
        } else if (key.group != 0) {
            key.width = key.height = 1000; // the cel's own size
        } else if (!background) {
            std::tie(key.width, key.height) = imageSize(key.image);
        }
        named(value, path, "flip", flipNames, key.flip);
        named(value, path, "interpolation", interpolationNames, key.interpolation);
        if (key.group != 0) {
            if (!groupPaths_.count(key.group))
                warning(child(path, "group"), "group " + std::to_string(key.group) +
                                                  " is not defined: nothing is drawn there");
        } else {
            checkImage(key.image, child(path, "image"));
        }
        return result_.errors.size() == errors;
    }

    void readJump(const Json& value, const std::string& path) {
        if (!object(value, path, {"frame", "to", "branches"})) return;
        ProjectJump jump;
        const std::size_t errors = result_.errors.size();
        if (requiredField(value, path, "frame", 0, project_.stage.jumpLength - 1, jump.frame))
            unique(jumpPaths_, jump.frame, child(path, "frame"), "a jump at frame");
        field(value, path, "to", int32Min, int32Max, jump.to);
        if (const Json* branches = optional(value, "branches")) {
            const std::string at = child(path, "branches");
            if (!branches->is_array() || branches->size() > std::size_t(branchTableCount)) {
                error(at, "must be an array of at most 5 frames");
            } else {
                for (std::size_t i = 0; i < branches->size(); ++i) {
                    std::int64_t n = 0;
                    if (integer((*branches)[i], child(at, i), int32Min, int32Max, n))
                        jump.branches[i] = std::int32_t(n);
                }
            }
        }
        if (result_.errors.size() == errors) project_.jumps.push_back(jump);
    }

    ProjectReadResult& result_;
    const std::string& folder_;
    const ProjectFileSource& files_;
    Project project_;
    std::map<std::int32_t, std::pair<std::int32_t, std::int32_t>>
        sizes_; // of the images read so far
    std::map<std::int64_t, std::string> imagePaths_, groupPaths_, layerPaths_, jumpPaths_;
    std::set<std::int32_t> refusedImages_;
};

bool readFromDisk(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& problem) {
    FileProblem fileProblem;
    if (readWholeFile(path, bytes, fileProblem)) return true;
    problem = fileProblem.what;
    return false;
}

} // namespace

ProjectReadResult readProjectText(std::string_view text, const std::string& folder,
                                  const ProjectFileSource& files) {
    ProjectReadResult result;
    if (const std::size_t at = tooDeepAt(text); at != std::string_view::npos) {
        result.errors.push_back({"", "values nested deeper than " + std::to_string(maxDepth) +
                                         " levels at byte " + std::to_string(at)});
        return result;
    }
    Json root;
    try {
        root = Json::parse(text);
    } catch (const Json::exception& e) {
        // The parser's message starts with its own tag in brackets; the rest says where. Numbers
        // too large for any type are refused here as well.
        // The message quotes the token it last read, which may be long.
        std::string what = e.what();
        if (const std::size_t read = what.find("last read: '"); read != std::string::npos)
            what = what.substr(0, read + 12) + shortened(what.substr(read + 12));
        const std::size_t cut = what.find("] ");
        result.errors.push_back(
            {"", "not valid JSON: " + (cut == std::string::npos ? what : what.substr(cut + 2))});
        return result;
    }
    Reader(result, folder, files).read(root);
    return result;
}

ProjectReadResult readProject(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::string problem;
    if (!readFromDisk(path, bytes, problem)) {
        ProjectReadResult result;
        result.errors.push_back({"", "cannot read the project: " + problem});
        return result;
    }
    const std::string folder = std::filesystem::path(path).parent_path().string();
    std::vector<std::string> files{path};
    ProjectReadResult result = readProjectText(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), folder,
        [&](const std::string& file, std::vector<std::uint8_t>& content, std::string& why) {
            files.push_back(file);
            return readFromDisk(file, content, why);
        });
    result.files = std::move(files);
    return result;
}

std::string issueLine(const std::string& where, const ProjectIssue& issue) {
    return where + ": " + (issue.path.empty() ? "" : issue.path + ": ") + issue.message;
}

} // namespace cinefold
