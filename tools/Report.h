#pragma once
// How the tool speaks: one line per problem on stderr, naming the file and the byte offset.

#include "container/ContainerFile.h"

#include <cstdint>
#include <string>

namespace cinefold {

enum ExitCode { exitDone = 0, exitBadInput = 1, exitUsage = 2 };

// "cinefold: FILE: offset N: what" and exit code 1.
int badInput(const std::string& file, std::uint64_t offset, const std::string& what);
// badInput for a problem found in a file, or fileError for one that has no offset.
int reportProblem(const std::string& file, const FileProblem& problem);
// "cinefold: FILE: what", for problems that have no offset (a file that cannot be written).
int fileError(const std::string& file, const std::string& what);
// "cinefold: FILE: offset N: warning: what"; the command goes on.
void warning(const std::string& file, std::uint64_t offset, const std::string& what);
// "cinefold: FILE: warning: what", for a warning about the request rather than a place in FILE.
void warning(const std::string& file, const std::string& what);
// "cinefold: what" and the short usage, exit code 2.
int usageError(const std::string& what);

} // namespace cinefold
