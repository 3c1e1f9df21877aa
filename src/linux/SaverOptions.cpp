#include "linux/SaverOptions.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace cinefold {

bool parseWindowId(const char* text, Window& window) {
    if (text == nullptr) return false;
    const bool hexadecimal = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = hexadecimal ? text + 2 : text;
    // strtoull would take a sign or blanks before the digits.
    if (!std::isxdigit(static_cast<unsigned char>(*digits))) return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(digits, &end, hexadecimal ? 16 : 10);
    // An X resource id has 29 bits.
    if (errno != 0 || *end != '\0' || value == 0 || value > 0x1FFFFFFF) return false;
    window = Window(value);
    return true;
}

bool windowFromEnvironment(const char* value, Window& window) {
    window = None;
    return value == nullptr || *value == '\0' || parseWindowId(value, window);
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
            const char* count = argv[++i];
            char* end = nullptr;
            errno = 0;
            options.simulateTicks = std::strtoll(count, &end, 10);
            if (!std::isdigit(static_cast<unsigned char>(*count)) || *end != '\0' ||
                errno == ERANGE) {
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
