// Reads arbitrary bytes as an authoring project and the files it names, then packs what it
// accepts. The input is a 16-bit little-endian length, that many bytes of project text, and the
// bytes that every file the project names reads as; so one input can carry a PNG or a BMP that
// its images and masks both use.

#include "project/ProjectPacker.h"

#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t textLength = std::min<std::size_t>(data[0] | data[1] << 8, size - 2);
    const std::string_view text(reinterpret_cast<const char*>(data + 2), textLength);
    const std::vector<std::uint8_t> file(data + 2 + textLength, data + size);
    const cinefold::ProjectReadResult result = cinefold::readProjectText(
        text, "project",
        [&file](const std::string&, std::vector<std::uint8_t>& bytes, std::string&) {
            bytes = file;
            return true;
        });
    if (result.project) cinefold::writeContainer(cinefold::packProject(*result.project));
    return 0;
}
