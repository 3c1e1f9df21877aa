#pragma once
// The template savers installed with the tool: the Windows saver without an animation, for pack
// and bundle to carry one when the user names no saver of their own. They live in a folder
// found from the tool's own executable (share/cinefold beside the bin/ folder that holds the
// tool), so an installed tool finds them under any prefix, and the tool in a build tree finds
// the ones that the build made.

#include <string>

namespace cinefold {

// True when OUT's name asks for a saver (it ends in .scr, in any case).
bool namesSaver(const std::string& out);

// The template for arch, "win32" or "win64" (win64 when arch is null): true with its path when it
// is installed; otherwise false after a one-line message, with status the exit code.
bool installedTemplate(const std::string* arch, std::string& path, int& status);

} // namespace cinefold
