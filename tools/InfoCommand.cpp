// cinefold info FILE [--json]: what loading FILE yields.

#include "Commands.h"
#include "Inspection.h"
#include "project/Project.h"
#include "Report.h"
#include "TimelineJson.h"

#include "render/BmpHeader.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace cinefold {

namespace {

struct ImageSummary {
    int number;
    BmpHeader header;
    bool mask;
    const ImageRecord* record;
};

std::vector<ImageSummary> filledSlots(const Inspection& inspection) {
    std::vector<ImageSummary> slots;
    for (int slot = 0; slot < ImageStore::slotCount; ++slot) {
        const Section* bitmap = inspection.player.imageStore.getBitmap(slot);
        ImageSummary summary{slot + 1, {}, false, nullptr};
        if (!bitmap) continue;
        summary.header.width = bitmap->width;
        summary.header.height = bitmap->height;
        summary.header.bitCount = bitmap->bitCount;
        summary.header.colors = std::uint32_t(bitmap->colours.size());
        summary.mask = inspection.player.imageStore.getMask(slot) != nullptr;
        summary.record = inspection.imageForSlot(slot);
        slots.push_back(summary);
    }
    return slots;
}

// Table entries other than -1, keyed by their index as text.
Json tableEntries(const std::vector<std::int32_t>& table) {
    Json entries = Json::object();
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i] != -1) entries[std::to_string(i)] = table[i];
    return entries;
}

Json keysJson(const Track& track) {
    Json keys = Json::array();
    for (const KeyRecord& key : track.keys())
        keys.push_back(keyRecordJson(key));
    return keys;
}

// The background track and the layer tracks that hold keys, by layer number as text.
Json tracksJson(const TrackSet& set) {
    Json layers = Json::object();
    for (int layer = 0; layer < TrackSet::layerCount; ++layer)
        if (!set.layer(layer).empty()) layers[std::to_string(layer)] = keysJson(set.layer(layer));
    return {{"background", keysJson(set.background())}, {"layers", layers}};
}

// The groups that hold entries, by group number as text.
Json groupsJson(const TrackSet& set) {
    Json groups = Json::object();
    for (int group = 1; group <= groupSlotCount; ++group) {
        if (set.group(group).empty()) continue;
        Json cels = Json::array();
        for (const CelEntry& cel : set.group(group))
            cels.push_back({{"image", cel.image},
                            {"start", cel.start},
                            {"width", cel.width},
                            {"height", cel.height}});
        groups[std::to_string(group)] = cels;
    }
    return groups;
}

void printChunks(const Inspection& inspection) {
    std::printf("\nwalk limit %d\nchunks:\n", inspection.walkLimit);
    for (const ChunkRecord& c : inspection.chunks) {
        std::printf("  %3d  %-6s offset %-9u length %-9d %s", c.index, c.tag.c_str(), c.offset,
                    c.length, chunkResultName(c.result));
        if (c.hasDecodedSize) std::printf(", %d bytes decoded", c.decodedSize);
        if (!c.problem.empty()) std::printf(" (%s)", c.problem.c_str());
        std::printf("\n");
    }
}

void printTrack(const char* name, const Track& track) {
    const std::size_t keys = track.keys().size();
    std::printf("  %s: %zu key%s\n", name, keys, keys == 1 ? "" : "s");
    for (const KeyRecord& key : track.keys())
        std::printf("    %s\n", keyRecordText(key).c_str());
}

void printTimeline(const Player& player) {
    const TrackSet& set = player.trackSet;
    std::printf("\ntracks:\n");
    printTrack("background", set.background());
    for (int layer = 0; layer < TrackSet::layerCount; ++layer) {
        if (set.layer(layer).empty()) continue;
        std::string name = "layer " + std::to_string(layer);
        printTrack(name.c_str(), set.layer(layer));
    }
    std::printf("\ngroups:\n");
    for (int group = 1; group <= groupSlotCount; ++group) {
        if (set.group(group).empty()) continue;
        std::printf("  %3d:", group);
        for (const CelEntry& cel : set.group(group))
            std::printf("  image %d from %d (%d x %d)", cel.image, cel.start, cel.width,
                        cel.height);
        std::printf("\n");
    }
    auto printTable = [](const char* name, const std::vector<std::int32_t>& table) {
        std::printf("  %s:", name);
        int shown = 0;
        for (std::size_t i = 0; i < table.size(); ++i)
            if (table[i] != -1) {
                std::printf(" %zu->%d", i, table[i]);
                ++shown;
            }
        std::printf("%s\n", shown ? "" : " no entries other than -1");
    };
    std::printf("\njump tables (%zu entries each):\n", player.jumpTable.size());
    printTable("jump", player.jumpTable);
    for (std::size_t i = 0; i < player.branchTables.size(); ++i) {
        std::string name = "branch " + std::to_string(i + 1);
        printTable(name.c_str(), player.branchTables[i]);
    }
    std::printf("\nlast frame %d\n", set.lastFrame());
}

Json toJson(const Inspection& inspection) {
    const Player& player = inspection.player;
    Json root;
    root["source"] = {{"kind", inspection.source.executable ? "executable" : "container"},
                      {"offset", inspection.source.offset},
                      {"size", inspection.source.size}};
    root["walkLimit"] = inspection.walkLimit;
    Json chunks = Json::array();
    for (const ChunkRecord& c : inspection.chunks) {
        Json chunk = {{"index", c.index},
                      {"tag", c.tag},
                      {"offset", c.offset},
                      {"length", c.length},
                      {"result", chunkResultName(c.result)}};
        if (c.hasDecodedSize) chunk["decodedSize"] = c.decodedSize;
        chunks.push_back(chunk);
    }
    root["chunks"] = chunks;
    root["stage"] = {{"stageWidth", player.stageWidth},   {"stageHeight", player.stageHeight},
                     {"backColor", player.backColor},     {"backMode", player.backMode},
                     {"framePeriod", player.framePeriod}, {"jumpLength", player.jumpLength}};
    Json images = Json::array();
    for (const ImageSummary& s : filledSlots(inspection)) {
        images.push_back({{"number", s.number},
                          {"width", s.header.width},
                          {"height", s.header.height},
                          {"bitCount", s.header.bitCount},
                          {"colors", s.header.colors},
                          {"mask", s.mask},
                          {"codec", s.record ? imageCodecName(s.record->codec) : "none"},
                          {"packedSize", s.record ? s.record->packedSize : 0}});
    }
    root["images"] = images;
    root["tracks"] = tracksJson(player.trackSet);
    root["groups"] = groupsJson(player.trackSet);
    root["jumpTable"] = tableEntries(player.jumpTable);
    Json branches = Json::array();
    for (const auto& table : player.branchTables)
        branches.push_back(tableEntries(table));
    root["branchTables"] = branches;
    root["lastFrame"] = player.trackSet.lastFrame();
    return root;
}

// In the words of the project format; the container's own structure only when `verbose`.
void printText(const Inspection& inspection, bool verbose) {
    const Player& player = inspection.player;
    const ContainerSource& source = inspection.source;
    if (source.executable)
        std::printf("%s: a saver carrying an animation of %u bytes%s\n", inspection.path.c_str(),
                    source.size,
                    verbose ? (" at offset " + std::to_string(source.offset)).c_str() : "");
    else
        std::printf("%s: an animation of %u bytes\n", inspection.path.c_str(), source.size);
    std::printf("\nstage: %d x %d, backColor %s, backMode %s, framePeriod %d (a %d ms timer), "
                "jumpLength %d\n",
                player.stageWidth, player.stageHeight, colourText(player.backColor).c_str(),
                nameOrNumber(player.backMode, backModeNames).c_str(), player.framePeriod,
                player.framePeriod ? player.framePeriod * 100 : 1, player.jumpLength);
    if (verbose) printChunks(inspection);
    std::vector<ImageSummary> slots = filledSlots(inspection);
    int masks = 0;
    for (const ImageSummary& s : slots)
        masks += s.mask;
    std::printf("\nimages: %zu, %d with masks\n", slots.size(), masks);
    for (const ImageSummary& s : slots) {
        std::printf("  %3d  %5d x %-5d %2u-bit", s.number, s.header.width, s.header.height,
                    s.header.bitCount);
        if (s.header.colors)
            std::printf(" %3u colours", s.header.colors);
        else
            std::printf("            ");
        if (s.record && verbose)
            std::printf("  %-6s %8u bytes packed", imageCodecName(s.record->codec),
                        s.record->packedSize);
        std::printf("%s\n", s.mask ? "  with mask" : "");
    }
    printTimeline(player);
}

} // namespace

int runInfo(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {"--json", "--verbose"}, {}, parsed, error))
        return usageError(error);
    if (parsed.positional.size() != 1) return usageError("info takes one FILE");
    Inspection inspection;
    inspection.path = parsed.positional[0];
    if (!inspectForCommand(inspection)) return exitBadInput;
    if (parsed.has("--json"))
        std::printf("%s\n", toJson(inspection).dump(2).c_str());
    else
        printText(inspection, parsed.has("--verbose"));
    return exitDone;
}

} // namespace cinefold
