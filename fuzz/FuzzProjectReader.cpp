// Reads arbitrary bytes as an authoring project and the files it names, then packs what it
// accepts. The input is a 16-bit little-endian length, that many bytes of project text, and the
// bytes that every file the project names reads as; so one input can carry a PNG or a BMP that
// its images and masks both use.

#include "TwoParts.h"
#include "project/ProjectPacker.h"

#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TwoParts parts;
    if (!splitInput(data, size, parts)) return 0;
    const std::string_view text(reinterpret_cast<const char*>(parts.first.data()),
                                parts.first.size());
    const std::vector<std::uint8_t> file(parts.second.begin(), parts.second.end());
    const cinefold::ProjectReadResult result = cinefold::readProjectText(
        text, "project",
        [&file](const std::string&, std::vector<std::uint8_t>& bytes, std::string&) {
            bytes = file;
            return true;
        });
    if (result.project) cinefold::writeContainer(cinefold::packProject(*result.project));
    return 0;
}
