#include "SaverTextOptions.h"

#include "Report.h"

namespace cinefold {

bool readSaverTextOptions(const ParsedArguments& parsed, SaverTexts& texts, int& status) {
    const struct {
        const char* option;
        std::size_t limit;
        std::optional<std::u16string>& slot;
    } slots[] = {{"--title", saverTitleLimit, texts.title},
                 {"--credit", saverCreditLimit, texts.credit}};
    for (const auto& [option, limit, slot] : slots) {
        const std::string* text = parsed.option(option);
        if (!text) continue;
        std::u16string encoded;
        std::string why;
        if (!encodeSaverText(*text, limit, encoded, why)) {
            status = usageError(std::string(option) + " " + why);
            return false;
        }
        slot = std::move(encoded);
    }
    return true;
}

bool applySaverTexts(const std::string& saverPath, const SaverTexts& texts,
                     std::vector<std::uint8_t>& output, int& status) {
    if (!texts.title && !texts.credit) return true;
    FileProblem problem;
    if (writeSaverTexts(output, texts, problem)) return true;
    status = reportProblem(saverPath, problem);
    return false;
}

std::string describeSaverTexts(const ParsedArguments& parsed) {
    std::string line;
    if (const std::string* title = parsed.option("--title")) line += ", titled \"" + *title + "\"";
    if (const std::string* credit = parsed.option("--credit"))
        line += ", credited \"" + *credit + "\"";
    return line;
}

} // namespace cinefold
