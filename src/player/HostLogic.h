#pragma once
// The host's decisions that are plain arithmetic or text: reading the command line, mouse travel,
// tick differences and the stretch option's text. No operating-system header, so the native unit
// tests call them directly.

#include <cstdint>

namespace cinefold {

// Steps over one character of the command line. The saver passes the system's multi-byte-aware
// step; the default steps one byte.
using CharStep = const char* (*)(const char* position);
const char* stepOneByte(const char* position);

// A character counts as a blank when its code is 1 to 32; codes 128 to 255 are ordinary.
inline bool isBlank(char c) {
    unsigned char code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

// The argument text: what follows the program name (quoted or not) and the blanks after it.
const char* skipProgramName(const char* line, CharStep step = stepOneByte);

enum class SaverMode { configure, fullScreen, preview, configureOwned, changePassword, refused };

struct ModeRequest {
    SaverMode mode = SaverMode::refused;
    // For preview and change password: where the window number starts (after the letter and
    // any spaces that follow it).
    const char* handleText = nullptr;
};

// Reads the mode from the argument text: spaces, "-" and "/" are skipped, the first other
// character decides, and the end of the text means configuration without an owner.
ModeRequest readMode(const char* arguments);

// Decimal digits from `text` on, in wrapping unsigned 32-bit arithmetic; 0 when there are none.
std::uint32_t parseWindowHandle(const char* text);

// Mouse travel from the recorded position, |dx| + |dy| in unsigned 32-bit arithmetic.
std::uint32_t mouseTravel(std::int32_t startX, std::int32_t startY, std::int32_t x, std::int32_t y);
constexpr std::uint32_t moveThreshold = 4;

// Later minus earlier, right across the wrap of the 32-bit tick counter.
inline std::uint32_t elapsedTicks(std::uint32_t earlier, std::uint32_t later) {
    return later - earlier;
}

// The stretch option's text: "0" first means off, any other first character on.
inline bool settingMeansStretch(const char* text) {
    return text[0] != '0';
}

} // namespace cinefold
