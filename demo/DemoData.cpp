#include "demo/DemoData.h"

// The container's bytes, taken in by the assembler from the file the build packed, so that no
// generated source of several hundred kilobytes has to be compiled.
__asm__(".section .rodata\n"
        ".balign 16\n"
        "cinefoldDemoStart:\n"
        ".incbin \"" CINEFOLD_DEMO_CONTAINER_PATH "\"\n"
        "cinefoldDemoEnd:\n"
        ".previous\n");

extern "C" const std::uint8_t cinefoldDemoStart[];
extern "C" const std::uint8_t cinefoldDemoEnd[];

namespace cinefold {

std::span<const std::uint8_t> demoContainer() {
    return {cinefoldDemoStart, cinefoldDemoEnd};
}

} // namespace cinefold
