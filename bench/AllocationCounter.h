#pragma once
// Counts the bytes held through the global operator new of the benchmark program, which
// AllocationCounter.cpp replaces. Only the benchmarks and the load budget's test link it;
// nothing of the saver or the tool depends on it.

#include <cstdint>

namespace cinefold::bench {

// Bytes allocated and not yet freed, as the allocator sized the blocks.
std::int64_t heldBytes();
// The highest value heldBytes() has had since the last resetPeak().
std::int64_t peakHeldBytes();
void resetPeak();
// Number of allocations since the program started.
std::int64_t allocationCount();
// Bytes allocated since the program started, freed or not.
std::int64_t allocatedBytes();

} // namespace cinefold::bench
