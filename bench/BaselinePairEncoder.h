#pragma once
// The published byte pair encoder, written plainly, as the yardstick for the project's own
// encoder: blocks of at most 5000 bytes and at most 200 distinct byte values, pairs replaced
// while the most frequent one occurs at least three times, new codes taken from unused byte
// values. Every step counts all pairs afresh. It is slow by design; only its output size is of
// interest.

#include "base/ByteReader.h"

#include <cstdint>
#include <vector>

namespace cinefold::bench {

// A complete pair-expanded data block (header included) holding data.
std::vector<std::uint8_t> encodeDataBlockBaseline(Bytes data);

} // namespace cinefold::bench
