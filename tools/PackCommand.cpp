// cinefold pack PROJECT.json -o OUT [--saver SAVER] [--title TEXT] [--credit TEXT]: the project
// packed into a container, or into SAVER carrying it with the author's texts.
// cinefold unpack FILE -o DIR: the animation FILE loads to, written back as a project folder
// that packs to a container loading the same.

#include "Commands.h"
#include "Inspection.h"
#include "Report.h"
#include "SaverTextOptions.h"
#include "TemplateSaver.h"
#include "files/OutputFile.h"

#include "project/ProjectPacker.h"
#include "project/ProjectReader.h"
#include "project/ProjectWriter.h"

#include "container/Bundle.h"
#include "container/ContainerWriter.h"

#include <cstdio>

namespace cinefold {

int runPack(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {}, {"-o", "--saver", "--arch", "--title", "--credit"}, parsed,
                        error))
        return usageError(error);
    if (parsed.positional.size() != 1) return usageError("pack takes one PROJECT file");
    const std::string* out = parsed.option("-o");
    if (!out) return usageError("pack needs -o OUT");
    const std::string* saverPath = parsed.option("--saver");
    const std::string* arch = parsed.option("--arch");
    if (saverPath && arch) return usageError("--arch is for the installed templates, not --saver");
    // A saver is asked for by its extension or by --arch; without --saver, it is the template.
    std::string templatePath;
    int status = exitDone;
    if (!saverPath && (arch || namesSaver(*out))) {
        if (!installedTemplate(arch, templatePath, status)) return status;
        saverPath = &templatePath;
    }
    SaverTexts texts;
    if (!readSaverTextOptions(parsed, texts, status)) return status;
    if (!saverPath && (texts.title || texts.credit))
        return usageError("--title and --credit are for a saver (OUT.scr, --saver or --arch)");
    const std::string& projectPath = parsed.positional[0];

    // The output may be none of the inputs; the project's images are checked once they are known.
    rememberInput(projectPath);
    if (saverPath) rememberInput(*saverPath);
    std::string why;
    if (!checkOutputTarget(*out, why)) return fileError(*out, why);
    const std::optional<std::vector<std::uint8_t>> packed = packProjectFile(projectPath);
    if (!packed) return exitBadInput;
    const std::vector<std::uint8_t>& container = *packed;
    FileProblem problem;
    if (!saverPath) {
        if (!writeFileSafely(*out, container, why)) return fileError(*out, why);
        std::printf("%s: %zu-byte container\n", out->c_str(), container.size());
        return exitDone;
    }
    std::vector<std::uint8_t> saver, output;
    if (!readWholeFile(*saverPath, saver, problem)) return reportProblem(*saverPath, problem);
    BundleResult bundled;
    if (!bundleContainer(saver, container, output, bundled, problem))
        return reportProblem(*saverPath, problem);
    if (!applySaverTexts(*saverPath, texts, output, status)) return status;
    if (!writeFileSafely(*out, output, why, programFileMode)) return fileError(*out, why);
    std::printf("%s: %s saver carrying a %zu-byte container at offset %u%s\n", out->c_str(),
                bundled.pe32Plus ? "64-bit" : "32-bit", container.size(), bundled.containerOffset,
                describeSaverTexts(parsed).c_str());
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
    if (!parseArguments(arguments, {"--force"}, {"-o"}, parsed, error)) return usageError(error);
    if (parsed.positional.size() != 1) return usageError("unpack takes one FILE");
    const std::string* out = parsed.option("-o");
    if (!out) return usageError("unpack needs -o DIR");

    Inspection inspection;
    inspection.path = parsed.positional[0];
    SlotBytes slotBytes;
    inspection.onImage = [&](const ImageEvent& event) { slotBytes.take(event); };
    if (!inspectForCommand(inspection)) return exitBadInput;

    const Project project = projectFromPlayer(inspection.player, slotBytes);
    std::string why;
    if (!writeProjectFolder(project, *out, parsed.has("--force"), why)) return fileError(*out, why);
    const auto count = [](std::size_t n, const char* what) {
        return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
    };
    std::printf("%s: %s, %s, %s\n", out->c_str(), count(project.images.size(), "image").c_str(),
                count(project.groups.size(), "group").c_str(),
                count(project.layers.size(), "layer").c_str());
    return exitDone;
}

} // namespace cinefold
