#include "project/Project.h"

#include <algorithm>
#include <cstdio>

namespace cinefold {

namespace {

template <typename Item> const Item* findNumber(const std::vector<Item>& items, int number) {
    auto it = std::find_if(items.begin(), items.end(),
                           [number](const Item& item) { return item.number == number; });
    return it == items.end() ? nullptr : &*it;
}

constexpr ImageCodec choosableCodecs[] = {ImageCodec::none, ImageCodec::stored, ImageCodec::pairs,
                                          ImageCodec::rle1, ImageCodec::rle8,   ImageCodec::rle24};

} // namespace

const ProjectImage* Project::image(int number) const {
    return findNumber(images, number);
}
const ProjectGroup* Project::group(int number) const {
    return findNumber(groups, number);
}

JumpTables tablesFromJumps(std::span<const ProjectJump> jumps, std::int32_t jumpLength) {
    const std::size_t length = jumpLength > 0 ? std::size_t(jumpLength) : 0;
    JumpTables tables;
    tables.jumpTable.assign(length, -1);
    for (JumpTable& table : tables.branchTables)
        table.assign(length, -1);
    for (const ProjectJump& jump : jumps) {
        if (jump.frame < 0 || std::size_t(jump.frame) >= length) continue;
        tables.jumpTable[std::size_t(jump.frame)] = jump.to;
        for (int n = 0; n < branchTableCount; ++n)
            tables.branchTables[std::size_t(n)][std::size_t(jump.frame)] =
                jump.branches[std::size_t(n)];
    }
    return tables;
}

std::vector<ProjectJump> jumpsFromTables(const JumpTable& jumpTable,
                                         const std::array<JumpTable, branchTableCount>& branches,
                                         std::int32_t jumpLength) {
    auto entry = [](const JumpTable& table, std::size_t i) {
        return i < table.size() ? table[i] : -1;
    };
    std::vector<ProjectJump> jumps;
    for (std::int32_t frame = 0; frame < jumpLength; ++frame) {
        ProjectJump jump;
        jump.frame = frame;
        jump.to = entry(jumpTable, std::size_t(frame));
        for (int n = 0; n < branchTableCount; ++n)
            jump.branches[std::size_t(n)] = entry(branches[std::size_t(n)], std::size_t(frame));
        if (jump != ProjectJump{frame}) jumps.push_back(jump);
    }
    return jumps;
}

std::string nameOrNumber(std::int32_t value, std::span<const NamedValue> names) {
    for (const NamedValue& n : names)
        if (n.value == value) return std::string(n.name);
    return std::to_string(value);
}

std::string colourText(std::uint32_t colour) {
    char text[16];
    if (colour >> 24)
        std::snprintf(text, sizeof text, "0x%08X", colour);
    else
        std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF,
                      (colour >> 16) & 0xFF);
    return text;
}

const char* codecChoiceName(ImageCodec codec) {
    return codec == ImageCodec::none ? "auto" : imageCodecName(codec);
}

std::optional<ImageCodec> codecChoiceFromName(std::string_view name) {
    for (ImageCodec codec : choosableCodecs)
        if (name == codecChoiceName(codec)) return codec;
    return std::nullopt;
}

} // namespace cinefold
