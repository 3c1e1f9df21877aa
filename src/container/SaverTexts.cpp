#include "container/SaverTexts.h"

#include "base/ByteReader.h"
#include "container/PeResources.h"

#include <array>

namespace cinefold {

namespace {

// Decodes one UTF-8 sequence at text[i], advancing i; false for a malformed, overlong or
// surrogate sequence and for a code point beyond U+10FFFF.
bool nextCodePoint(const std::string& text, std::size_t& i, char32_t& point) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned lead = byte(i);
    std::size_t length = lead < 0x80                   ? 1
                         : lead >= 0xC2 && lead < 0xE0 ? 2
                         : lead >= 0xE0 && lead < 0xF0 ? 3
                         : lead >= 0xF0 && lead < 0xF5 ? 4
                                                       : 0;
    if (length == 0 || text.size() - i < length) return false;
    point = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return false;
        point = point << 6 | (byte(i + k) & 0x3F);
    }
    static constexpr std::array<char32_t, 5> shortest = {0, 0, 0x80, 0x800, 0x10000};
    if (point < shortest[length] || point > 0x10FFFF || (point >= 0xD800 && point < 0xE000))
        return false;
    i += length;
    return true;
}

// The 16 strings of a string table block, as (offset of the count, count) pairs.
bool readBlock(Bytes block, std::array<std::pair<std::size_t, std::uint16_t>, 16>& strings) {
    ByteReader reader(block);
    for (auto& [at, count] : strings) {
        at = reader.position();
        count = reader.u16le();
        reader.skip(std::size_t(count) * 2);
    }
    return reader.ok();
}

std::u16string unitsAt(Bytes block, std::size_t at, std::uint16_t count) {
    std::u16string units(count, u'\0');
    for (std::size_t k = 0; k < count; ++k)
        units[k] = char16_t(block[at + 2 + 2 * k] | block[at + 3 + 2 * k] << 8);
    return units;
}

} // namespace

bool encodeSaverText(const std::string& text, std::size_t limit, std::u16string& encoded,
                     std::string& why) {
    encoded.clear();
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t at = i;
        char32_t point = 0;
        if (!nextCodePoint(text, i, point)) {
            why = "is not UTF-8 text (byte " + std::to_string(at) + ")";
            return false;
        }
        if (point < 0x20 || (point >= 0x7F && point < 0xA0)) {
            why = "holds a control character (byte " + std::to_string(at) + ")";
            return false;
        }
        if (point < 0x10000) {
            encoded.push_back(char16_t(point));
        } else {
            encoded.push_back(char16_t(0xD800 + ((point - 0x10000) >> 10)));
            encoded.push_back(char16_t(0xDC00 + ((point - 0x10000) & 0x3FF)));
        }
    }
    if (encoded.size() > limit) {
        why = "is " + std::to_string(encoded.size()) +
              " UTF-16 units long; a saver holds at most " + std::to_string(limit);
        return false;
    }
    return true;
}

bool writeSaverTexts(std::vector<std::uint8_t>& saver, const SaverTexts& texts,
                     FileProblem& problem) {
    const ResourceData resource = findResource(saver, {nullptr, 6}, saverTextBlock);
    if (!resource.found || resource.fileOffset + resource.dataSize > saver.size()) {
        problem = {resource.found ? resource.fileOffset : resource.problemOffset,
                   "no string table block 1 to hold a title and credit (" +
                       (resource.found ? "it lies past the end of the file" : resource.problem) +
                       "); savers made before they carried their author's name have none"};
        return false;
    }
    std::uint8_t* data = saver.data() + resource.fileOffset;
    const Bytes block(data, resource.dataSize);
    std::array<std::pair<std::size_t, std::uint16_t>, 16> strings;
    bool others = !readBlock(block, strings);
    for (std::uint32_t n = 0; n < 16; ++n)
        others = others || (strings[n].second && n != saverTitleString && n != saverCreditString);
    if (others || resource.dataSize < saverTextBlockSize) {
        problem = {resource.fileOffset, "string table block 1 is not room for a title and credit "
                                        "(it holds other strings or is too small)"};
        return false;
    }
    const auto& [titleAt, titleCount] = strings[saverTitleString];
    const auto& [creditAt, creditCount] = strings[saverCreditString];
    const std::u16string title = texts.title.value_or(unitsAt(block, titleAt, titleCount));
    const std::u16string credit = texts.credit.value_or(unitsAt(block, creditAt, creditCount));
    if (2 * (16 + title.size() + credit.size()) > resource.dataSize) {
        problem = {resource.fileOffset, "string table block 1 has no room for both texts"};
        return false;
    }

    // The title and the credit are strings 1 and 2, one after the other behind the empty 0.
    static_assert(saverTitleString == 1 && saverCreditString == 2);
    std::fill(data, data + resource.dataSize, 0);
    std::size_t at = 2;
    for (const std::u16string* text : {&title, &credit}) {
        data[at++] = std::uint8_t(text->size());
        data[at++] = std::uint8_t(text->size() >> 8);
        for (char16_t unit : *text) {
            data[at++] = std::uint8_t(unit);
            data[at++] = std::uint8_t(unit >> 8);
        }
    }
    ByteReader checksum(saver, std::size_t(resource.checksumOffset));
    if (checksum.u32le() != 0 && checksum.ok())
        storeU32le(saver.data() + resource.checksumOffset,
                   peChecksum(saver, resource.checksumOffset));
    return true;
}

} // namespace cinefold
