#pragma once
// --title TEXT and --credit TEXT of the commands that write a saver (bundle, and pack when it
// makes a saver): the author's name on the saver, in the slots its template reserves.

#include "Commands.h"

#include "container/SaverTexts.h"

#include <string>
#include <vector>

namespace cinefold {

// The two options, checked against their slots. False after a usage message naming the option
// and its limit, with status the exit code.
bool readSaverTextOptions(const ParsedArguments& parsed, SaverTexts& texts, int& status);

// Writes texts into output, the saver read from saverPath, when any was given; false after
// the one-line report, with status the exit code. A saver without them stays as it is.
bool applySaverTexts(const std::string& saverPath, const SaverTexts& texts,
                     std::vector<std::uint8_t>& output, int& status);

// What the command's line adds about them: "", or `, titled "T"` and `, credited "C"`.
std::string describeSaverTexts(const ParsedArguments& parsed);

} // namespace cinefold
