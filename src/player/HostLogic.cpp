#include "player/HostLogic.h"

namespace cinefold {

const char* stepOneByte(const char* position) {
    return *position ? position + 1 : position;
}

const char* skipProgramName(const char* line, CharStep step) {
    if (*line == '"') {
        line = step(line);
        while (*line && *line != '"')
            line = step(line);
        if (*line == '"') line = step(line);
    } else if (*line && !isBlank(*line)) {
        while (*line && !isBlank(*line))
            line = step(line);
    }
    while (*line && isBlank(*line))
        line = step(line);
    return line;
}

namespace {
const char* skipSpaces(const char* text) {
    while (*text == ' ')
        ++text;
    return text;
}
} // namespace

ModeRequest readMode(const char* arguments) {
    for (const char* position = arguments;; ++position) {
        switch (*position) {
        case '\0':
            return {SaverMode::configure, nullptr};
        case ' ':
        case '-':
        case '/':
            continue;
        case 'S':
        case 's':
            return {SaverMode::fullScreen, nullptr};
        case 'P':
        case 'p':
        case 'L':
        case 'l':
            return {SaverMode::preview, skipSpaces(position + 1)};
        case 'C':
        case 'c':
            return {SaverMode::configureOwned, nullptr};
        case 'A':
        case 'a':
            return {SaverMode::changePassword, skipSpaces(position + 1)};
        default:
            return {SaverMode::refused, nullptr};
        }
    }
}

std::uint32_t parseWindowHandle(const char* text) {
    std::uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10 + std::uint32_t(*text - '0');
    return value;
}

std::uint32_t mouseTravel(std::int32_t startX, std::int32_t startY, std::int32_t x,
                          std::int32_t y) {
    std::uint32_t dx = std::uint32_t(x) - std::uint32_t(startX);
    std::uint32_t dy = std::uint32_t(y) - std::uint32_t(startY);
    if (x < startX) dx = std::uint32_t(startX) - std::uint32_t(x);
    if (y < startY) dy = std::uint32_t(startY) - std::uint32_t(y);
    return dx + dy;
}

} // namespace cinefold
