// cinefold pack PROJECT.json -o OUT [--saver SAVER]: the project packed into a container, or
// into SAVER carrying it. cinefold unpack FILE -o DIR: the animation FILE loads to, written back
// as a project folder that packs to a container loading the same.

#include "Commands.h"
#include "Inspection.h"
#include "Report.h"

#include "ProjectPacker.h"
#include "ProjectReader.h"
#include "ProjectWriter.h"

#include "container/Bundle.h"
#include "container/ContainerWriter.h"

#include <cstdio>

namespace cinefold {

int runPack(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {}, {"-o", "--saver"}, parsed, error)) return usageError(error);
    if (parsed.positional.size() != 1) return usageError("pack takes one PROJECT file");
    const std::string* out = parsed.option("-o");
    if (!out) return usageError("pack needs -o OUT");
    const std::string* saverPath = parsed.option("--saver");
    const std::string& projectPath = parsed.positional[0];

    // Every problem is printed, warnings too, before deciding: an author fixes them in one go.
    const ProjectReadResult result = readProject(projectPath);
    for (const ProjectIssue& issue : result.errors)
        std::fprintf(stderr, "%s\n", issueLine(projectPath, issue).c_str());
    for (const ProjectIssue& issue : result.warnings)
        std::fprintf(stderr, "%s\n",
                     issueLine(projectPath, {issue.path, "warning: " + issue.message}).c_str());
    if (!result.project) return exitBadInput;

    std::string tooLarge;
    const std::vector<std::uint8_t> container =
        writeContainer(packProject(*result.project), &tooLarge);
    if (!tooLarge.empty()) return fileError(projectPath, tooLarge);
    FileProblem problem;
    if (!saverPath) {
        if (!writeWholeFile(*out, container, problem)) return fileError(*out, problem.what);
        std::printf("%s: %zu-byte container\n", out->c_str(), container.size());
        return exitDone;
    }
    std::vector<std::uint8_t> saver, output;
    if (!readWholeFile(*saverPath, saver, problem)) return reportProblem(*saverPath, problem);
    BundleResult bundled;
    if (!bundleContainer(saver, container, output, bundled, problem))
        return reportProblem(*saverPath, problem);
    if (!writeWholeFile(*out, output, problem)) return fileError(*out, problem.what);
    std::printf("%s: %s saver carrying a %zu-byte container at offset %u\n", out->c_str(),
                bundled.pe32Plus ? "64-bit" : "32-bit", container.size(), bundled.containerOffset);
    return exitDone;
}

namespace {

// What a load leaves in each image store slot, as the bytes that put it there: the last image
// stored into the slot, and the last mask stored onto that image. An image replacing an earlier
// one also drops the earlier one's mask, as the store does.
struct SlotBytes {
    std::array<ProjectImage, ImageStore::slotCount> slots;

    void take(const ImageEvent& event) {
        if (event.stored != 1 || event.decoded.empty() || event.imageNumber == 0) return;
        int number = event.imageNumber;
        if (number <= ImageStore::slotCount) {
            ProjectImage& slot = slots[std::size_t(number - 1)];
            slot = ProjectImage{number,
                                {event.decoded.begin(), event.decoded.end()},
                                {},
                                event.codec,
                                ImageCodec::none};
        } else if (number <= ImageStore::slotCount + ImageStore::maskNumberOffset) {
            ProjectImage& slot = slots[std::size_t(number - ImageStore::maskNumberOffset - 1)];
            slot.mask.assign(event.decoded.begin(), event.decoded.end());
            slot.maskCodec = event.codec;
        }
    }
};

std::vector<KeyRecord> storedKeys(const Track& track) {
    std::vector<KeyRecord> keys(track.keys().begin(), track.keys().end());
    for (KeyRecord& key : keys)
        key.prev = key.next = 0; // the loader's own links; the packer writes fresh ones
    return keys;
}

Project projectFromPlayer(const Player& player, SlotBytes& slotBytes) {
    Project project;
    project.stage = {player.stageWidth, player.stageHeight, player.backColor,
                     player.backMode,   player.framePeriod, player.jumpLength};
    for (int slot = 0; slot < ImageStore::slotCount; ++slot)
        if (player.imageStore.getBitmap(slot) && !slotBytes.slots[std::size_t(slot)].bmp.empty()) {
            ProjectImage& image = slotBytes.slots[std::size_t(slot)];
            if (!player.imageStore.getMask(slot)) image.mask.clear();
            project.images.push_back(std::move(image));
        }
    for (int group = 1; group <= groupSlotCount; ++group) {
        std::span<const CelEntry> cels = player.trackSet.group(group);
        if (!cels.empty()) project.groups.push_back({group, {cels.begin(), cels.end()}});
    }
    project.background = storedKeys(player.trackSet.background());
    for (int layer = 1; layer < TrackSet::layerCount; ++layer)
        if (!player.trackSet.layer(layer).empty())
            project.layers.push_back({layer, storedKeys(player.trackSet.layer(layer))});
    project.jumps = jumpsFromTables(player.jumpTable, player.branchTables, player.jumpLength);
    return project;
}

} // namespace

int runUnpack(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {}, {"-o"}, parsed, error)) return usageError(error);
    if (parsed.positional.size() != 1) return usageError("unpack takes one FILE");
    const std::string* out = parsed.option("-o");
    if (!out) return usageError("unpack needs -o DIR");

    Inspection inspection;
    inspection.path = parsed.positional[0];
    SlotBytes slotBytes;
    inspection.onImage = [&](const ImageEvent& event) { slotBytes.take(event); };
    if (!inspectForCommand(inspection)) return exitBadInput;

    const Project project = projectFromPlayer(inspection.player, slotBytes);
    FileProblem problem;
    if (!writeProject(project, *out, problem)) return reportProblem(*out, problem);
    std::printf("%s: %zu images, %zu groups, %zu layers\n", out->c_str(), project.images.size(),
                project.groups.size(), project.layers.size());
    return exitDone;
}

} // namespace cinefold
