#include "linux/SaverOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace cinefold {

bool parseWindowId(const char* text, Window& window) {
    if (text == nullptr || *text == '\0' || *text == '-' || *text == '+') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 0);
    // An X resource id has 29 bits.
    if (errno != 0 || *end != '\0' || value == 0 || value > 0x1FFFFFFF) return false;
    window = Window(value);
    return true;
}

bool parseSaverOptions(int argc, char** argv, SaverOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        // XScreenSaver's programs take -option; GNU style takes --option. Both mean the same.
        if (name.rfind("--", 0) == 0) name.erase(0, 1);
        const bool hasValue = i + 1 < argc;
        if (name == "-root") {
            options.root = true;
        } else if (name == "-help" || name == "-h") {
            options.help = true;
        } else if (name == "-version") {
            options.version = true;
        } else if (name == "-stretch") {
            options.stretch = true;
        } else if (name == "-file" && hasValue) {
            options.file = argv[++i];
        } else if (name == "-window-id" && hasValue) {
            if (!parseWindowId(argv[++i], options.windowId)) {
                error = std::string("not a window id: ") + argv[i];
                return false;
            }
        } else if (name == "-simulate-ticks" && hasValue) {
            char* end = nullptr;
            options.simulateTicks = std::strtoll(argv[++i], &end, 10);
            if (*end != '\0' || options.simulateTicks < 0) {
                error = std::string("not a tick count: ") + argv[i];
                return false;
            }
        } else {
            error = std::string("unknown option, or one without its value: ") + argv[i];
            return false;
        }
    }
    if (options.root && options.windowId != None) {
        error = "--root and --window-id exclude each other";
        return false;
    }
    return true;
}

} // namespace cinefold
