#pragma once
// BMP file images for the image store's tests, with headers that say exactly what a test needs,
// also what a well-formed file would not say.

#include "TestBytes.h"

namespace cinefold::test {

// A BMP file image whose headers say what is given, followed by `body` as it is.
inline ByteVector bmpFile(std::int32_t width, std::int32_t height, std::uint16_t bits,
                          std::uint32_t colorsUsed, std::uint32_t pixelOffset,
                          const ByteVector& body) {
    ByteVector bmp = {'B', 'M'};
    for (std::uint32_t field :
         {0u, 0u, pixelOffset, 40u, std::uint32_t(width), std::uint32_t(height)})
        put32(bmp, field);
    put16(bmp, 1);
    put16(bmp, bits);
    for (std::uint32_t field : {0u, 0u, 0u, 0u, colorsUsed, 0u})
        put32(bmp, field);
    bmp.insert(bmp.end(), body.begin(), body.end());
    return bmp;
}

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
