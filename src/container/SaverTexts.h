#pragma once
// The author's texts that a saver carries: its title, which the system lists the saver by and
// which the settings dialog shows as its caption and the first line of its About text, and a
// credit that stands in the About text instead of the maker's notice.
//
// Both live in the saver's string table, in block 1 (strings 0 to 15), which the template
// reserves at a fixed size so that the tools fill it in place, as they set "RC_DATA" 107. A
// block is 16 strings one after another, each a u16 count of UTF-16 units and those units; the
// reserved block holds 16 empty strings followed by zeros. A string of count 0 is no string:
// the system then lists the saver by its file name, and the dialog shows its own texts.

#include "container/ContainerFile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cinefold {

inline constexpr std::uint32_t saverTitleString = 1; // the system's description of a saver
inline constexpr std::uint32_t saverCreditString = 2;
inline constexpr std::uint32_t saverTextBlock = 1; // the string table block holding both
inline constexpr std::size_t saverTitleLimit = 40; // UTF-16 units
inline constexpr std::size_t saverCreditLimit = 80;
// The reserved block: 16 counts and room for both texts at their limits.
inline constexpr std::size_t saverTextBlockSize = 2 * (16 + saverTitleLimit + saverCreditLimit);

// The texts to write; a text not given is kept as the saver has it, and an empty one clears it.
struct SaverTexts {
    std::optional<std::u16string> title, credit;
};

// text, UTF-8, as UTF-16 for a slot of limit units. False, with why, when it is not UTF-8,
// holds a control character (which no title or line of text can show), or is too long.
bool encodeSaverText(const std::string& text, std::size_t limit, std::u16string& encoded,
                     std::string& why);

// Writes texts into the saver's reserved block, in place, and brings a non-zero PE checksum up
// to date (a zero checksum means none, as the linker leaves it). Fails, with the problem, when
// the saver has no such block or its block holds other strings.
bool writeSaverTexts(std::vector<std::uint8_t>& saver, const SaverTexts& texts,
                     FileProblem& problem);

} // namespace cinefold
