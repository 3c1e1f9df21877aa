#pragma once
// Pictures for the image store's and the compositor's tests, given top row first.

#include "TestBytes.h"

namespace cinefold::test {

// A picture with a stored colour table (0xRRGGBB entries) and its rows given top row first.
inline ByteVector picture(std::int32_t width, std::int32_t height, std::uint16_t bits,
                          const std::vector<std::uint32_t>& colours, const ByteVector& topRows) {
    ByteVector body;
    for (std::uint32_t c : colours)
        put32(body, c);
    const std::size_t row = topRows.size() / std::size_t(height);
    for (std::size_t r = std::size_t(height); r-- > 0;)
        body.insert(body.end(), topRows.begin() + std::ptrdiff_t(r * row),
                    topRows.begin() + std::ptrdiff_t(r * row + row));
    return bmpFile(width, height, bits, std::uint32_t(colours.size()),
                   54 + 4 * std::uint32_t(colours.size()), body);
}

} // namespace cinefold::test
