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
    // Reading the whole buffer lets AddressSanitizer check that it is as large as promised.
    volatile std::uint8_t sink = 0;
    for (std::size_t i = 0; i < buffer.size() + 256; ++i)
        sink = sink ^ out[i];
    return 0;
}
