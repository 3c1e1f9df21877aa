#pragma once
// The demo animation's container, built into the programs that play it when given no file.

#include <cstdint>
#include <span>

namespace cinefold {

std::span<const std::uint8_t> demoContainer();

} // namespace cinefold
