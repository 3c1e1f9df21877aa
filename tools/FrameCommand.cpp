// cinefold frame FILE --frame N [--json]: every layer's record at frame N and how it is drawn.

#include "Commands.h"
#include "Inspection.h"
#include "Report.h"
#include "TimelineJson.h"

#include "timeline/LayerPlacement.h"

#include <cstdio>

namespace cinefold {

namespace {

bool slotHoldsImage(const Player& player, std::int32_t image) {
    return image >= 1 && image <= ImageStore::slotCount && player.imageStore.getBitmap(image - 1);
}

struct FrameReport {
    std::int32_t frame = 0;
    KeyRecord background;
    bool backgroundDrawn = false;
    std::vector<std::pair<int, LayerPlacement>> layers; // in drawing order
};

FrameReport frameReport(const Player& player, std::int32_t frame) {
    FrameReport report;
    report.frame = frame;
    report.background = player.trackSet.evaluateBackground(frame);
    report.backgroundDrawn = slotHoldsImage(player, report.background.image) &&
                             player.backMode >= 1 && player.backMode <= 3;
    for (int layer = 1; layer < TrackSet::layerCount; ++layer) {
        LayerPlacement placement = placeLayer(player.trackSet, layer, frame);
        if (!placement.record.isEmpty()) report.layers.emplace_back(layer, placement);
    }
    return report;
}

Json toJson(const Player& player, const FrameReport& report) {
    Json layers = Json::array();
    for (const auto& [layer, p] : report.layers) {
        Json entry = {{"layer", layer}, {"record", keyRecordJson(p.record)}, {"image", p.image}};
        entry["runStart"] = p.usesGroup ? Json(p.runStart) : Json(nullptr);
        entry["celSize"] =
            p.usesGroup ? Json::array({p.celSize.width, p.celSize.height}) : Json(nullptr);
        entry["size"] = Json::array({p.width, p.height});
        entry["rect"] = slotHoldsImage(player, p.image)
                            ? Json::array({p.rect.left, p.rect.top, p.rect.right, p.rect.bottom})
                            : Json(nullptr);
        layers.push_back(entry);
    }
    Json root;
    root["frame"] = report.frame;
    root["background"] = {{"record", keyRecordJson(report.background)},
                          {"drawn", report.backgroundDrawn}};
    root["layers"] = layers;
    return root;
}

void printText(const Player& player, const FrameReport& report) {
    std::printf("frame %d\n", report.frame);
    if (report.background.isEmpty())
        std::printf("background: nothing\n");
    else
        std::printf("background: %s, %s\n", keyRecordText(report.background).c_str(),
                    report.backgroundDrawn ? "drawn" : "not drawn");
    for (const auto& [layer, p] : report.layers) {
        std::printf("layer %d: %s\n  image %d", layer, keyRecordText(p.record).c_str(), p.image);
        if (p.usesGroup)
            std::printf(", run start %d, cel %d x %d", p.runStart, p.celSize.width,
                        p.celSize.height);
        std::printf(", drawn %d x %d", p.width, p.height);
        if (slotHoldsImage(player, p.image))
            std::printf(" at (%d, %d, %d, %d)\n", p.rect.left, p.rect.top, p.rect.right,
                        p.rect.bottom);
        else
            std::printf(", not drawn (no image %d in the store)\n", p.image);
    }
}

} // namespace

int runFrame(const Arguments& arguments) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(arguments, {"--json"}, {"--frame"}, parsed, error))
        return usageError(error);
    if (parsed.positional.size() != 1) return usageError("frame takes one FILE");
    const std::string* frameText = parsed.option("--frame");
    long long frame = 0;
    if (!frameText) return usageError("frame needs --frame N");
    if (!parseInteger(*frameText, INT32_MIN, INT32_MAX, frame))
        return usageError("--frame takes a 32-bit signed integer, not '" + *frameText + "'");
    Inspection inspection;
    inspection.path = parsed.positional[0];
    if (!inspectForCommand(inspection)) return exitBadInput;
    FrameReport report = frameReport(inspection.player, std::int32_t(frame));
    if (parsed.has("--json"))
        std::printf("%s\n", toJson(inspection.player, report).dump(2).c_str());
    else
        printText(inspection.player, report);
    return exitDone;
}

} // namespace cinefold
