// Feeds arbitrary bytes to decodeRunLengthImage and checks the decoder's contract: a result
// comes with a decodedSize + 256 byte buffer and no failure phrase, a failure with a phrase
// and no output.

#include "container/DecodeBuffer.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cinefold::DecodeBuffer buffer;
    const std::uint8_t* out = buffer.decodeRunLengthImage({data, size});
    if (!out) {
        if (!buffer.failure() || buffer.output()) std::abort();
        return 0;
    }
    if (buffer.failure() || buffer.size() == 0 ||
        buffer.size() > std::size_t(cinefold::DecodeBuffer::maxDecodedSize))
        std::abort();
    // Reading the first and the last byte lets AddressSanitizer check that the buffer is as
    // large as promised; reading all of a 64 MiB buffer would slow the fuzzer to a crawl.
    volatile std::uint8_t sink = out[0];
    sink = sink ^ out[buffer.size() + 255];
    return 0;
}
