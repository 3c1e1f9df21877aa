// cinefold extract FILE -o DIR [--raw]: the images and masks that the saver would hold, as PNG;
// with --raw, the decoded bytes of every data-block payload and every packed image, in walk
// order, exactly as the decoders delivered them.

#include "Commands.h"
#include "files/OutputFile.h"
#include "Inspection.h"
#include "PngFile.h"
#include "Report.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace cinefold {

int runExtract(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {"--raw", "--force"}, {"-o"}, parsed, error))
        return usageError(error);
    if (parsed.positional.size() != 1) return usageError("extract takes one FILE");
    const std::string* directory = parsed.option("-o");
    if (!directory) return usageError("extract needs -o DIR");
    const bool raw = parsed.has("--raw");

    // The files appear in DIR when all are written, or not at all.
    OutputFolder folder(*directory, parsed.has("--force"));
    std::string writeFailure;
    if (!folder.open(writeFailure)) return fileError(*directory, writeFailure);

    Inspection inspection;
    inspection.path = parsed.positional[0];
    int written = 0;
    auto save = [&](const std::string& name, Bytes bytes) {
        if (!writeFailure.empty()) return;
        std::string problem;
        if (!writeFileSafely(folder.stagedPath(name), bytes, problem))
            writeFailure = (std::filesystem::path(*directory) / name).string() + ": " + problem;
        else
            ++written;
    };
    if (raw)
        inspection.onChunk = [&](const ChunkEvent& event) {
            if (!event.hasDecodedSize) return;
            char name[32];
            std::snprintf(name, sizeof name, "c%03d-%.4s.bin", event.index, event.tag);
            save(name, event.decoded);
        };
    if (raw)
        inspection.onImage = [&](const ImageEvent& event) {
            if (event.codec == ImageCodec::none) return;
            char name[48];
            std::snprintf(name, sizeof name, "c%03d-e%03d-n%03u.bmp", event.chunkIndex,
                          event.entryIndex, unsigned(event.imageNumber));
            save(name, event.decoded);
        };
    if (!inspectForCommand(inspection)) return exitBadInput;
    if (!raw) {
        for (int slot = 0; slot < ImageStore::slotCount && writeFailure.empty(); ++slot) {
            const Section* image = inspection.player.imageStore.getBitmap(slot);
            if (!image) continue;
            const ImageRecord* record = inspection.imageForSlot(slot);
            std::uint64_t offset = inspection.source.offset + (record ? record->offset : 0);
            char name[32];
            for (const Section* section : {image, inspection.player.imageStore.getMask(slot)}) {
                if (!section) continue;
                const bool mask = section != image;
                RgbPicture picture;
                std::string problem;
                std::snprintf(name, sizeof name, "%s-%03d.png", mask ? "mask" : "image", slot + 1);
                if (!sectionToPicture(*section, picture, problem)) {
                    warning(inspection.path, offset,
                            std::string(name) + " not written: " + problem);
                    continue;
                }
                if (!writePng(folder.stagedPath(name), picture, problem))
                    writeFailure =
                        (std::filesystem::path(*directory) / name).string() + ": " + problem;
                else
                    ++written;
            }
        }
    }
    if (writeFailure.empty()) folder.commit(writeFailure);
    if (!writeFailure.empty()) {
        std::fprintf(stderr, "cinefold: %s\n", writeFailure.c_str());
        return exitBadInput;
    }
    std::printf("%d file%s written to %s\n", written, written == 1 ? "" : "s",
                directory->c_str());
    return exitDone;
}

} // namespace cinefold
