#include "TemplateSaver.h"

#include "Report.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace cinefold {

bool namesSaver(const std::string& out) {
    std::string extension = std::filesystem::path(out).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension == ".scr";
}

bool installedTemplate(const std::string* arch, std::string& path, int& status) {
    const std::string name = arch ? *arch : "win64";
    if (name != "win32" && name != "win64") {
        status = usageError("--arch takes win32 or win64, not '" + name + "'");
        return false;
    }
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path file =
        (self.parent_path() / CINEFOLD_TEMPLATE_DIR / ("cinefold-template-" + name + ".scr"))
            .lexically_normal();
    path = file.string();
    if (!error && std::filesystem::is_regular_file(file, error)) return true;
    status = fileError(path, "no " + name +
                                 " template saver is installed here; name a saver to carry the "
                                 "animation (pack --saver SAVER, bundle SAVER CONTAINER)");
    return false;
}

} // namespace cinefold
