// Feeds arbitrary bytes to decodeDataBlock. Besides the sanitizers' checks, every block of a
// moderate decodedSize is also decoded by the plain stack machine of the unit tests, and the
// two must agree: the same refusals, the same bytes, overshoot included, and a zeroed rest.

#include "container/DecodeBuffer.h"

#include "PairExpansionReference.h"

#include <cstdlib>

// The stack machine writes a byte at a time; beyond this decodedSize it would slow the fuzzer
// down more than the comparison is worth.
constexpr std::int32_t compareLimit = 1 << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cinefold::Bytes input(data, size);
    cinefold::DecodeBuffer buffer;
    const std::uint8_t* out = buffer.decodeDataBlock(input);
    const bool compare = cinefold::DecodeBuffer::decodedSize(input) <= compareLimit;
    if (!out) {
        if (!buffer.failure() || buffer.output()) std::abort();
        if (compare && cinefold::test::referenceDecodeDataBlock(input)) std::abort();
        return 0;
    }
    if (buffer.failure() || buffer.size() > std::size_t(cinefold::DecodeBuffer::maxDecodedSize))
        std::abort();
    // Reading the first and the last byte lets AddressSanitizer check that the buffer is as
    // large as promised.
    const std::size_t capacity = buffer.size() + 12;
    if (!compare) {
        volatile std::uint8_t sink = out[0];
        sink = sink ^ out[capacity - 1];
        return 0;
    }
    auto expected = cinefold::test::referenceDecodeDataBlock(input);
    if (!expected) std::abort(); // decoded what the stack machine refuses
    const auto& written = expected->written;
    if (written.size() > capacity) std::abort();
    for (std::size_t i = 0; i < capacity; ++i)
        if (out[i] != (i < written.size() ? written[i] : 0)) std::abort();
    return 0;
}
