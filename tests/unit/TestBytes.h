#pragma once
// Small builders of binary inputs for the tests: data blocks, BMP file images, containers and
// minimal PE executables, written out field by field so each test shows what it feeds in.

#include "render/StageSurface.h"

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace cinefold::test {

using ByteVector = std::vector<std::uint8_t>;

inline void put16(ByteVector& v, std::uint32_t x) {
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}
inline void put32(ByteVector& v, std::uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}
inline ByteVector operator+(ByteVector a, const ByteVector& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
// Writes the bytes as the file at path, plainly: the test programs' own files need no more.
inline bool writeBytes(const std::string& path, const ByteVector& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
inline void putText(ByteVector& v, const std::string& s) {
    v.insert(v.end(), s.begin(), s.end());
}
inline void set32(ByteVector& v, std::size_t at, std::uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v[at + std::size_t(i)] = std::uint8_t(x >> (8 * i));
}

// A data block around data; blockLength counts the header and data unless given.
inline ByteVector dataBlock(std::int32_t decodedSize, std::uint8_t packedFlag,
                            const ByteVector& data, std::uint8_t spareFlag = 1,
                            std::int64_t blockLength = -1) {
    ByteVector block;
    put32(block, std::uint32_t(blockLength < 0 ? std::int64_t(16 + data.size()) : blockLength));
    put32(block, std::uint32_t(decodedSize));
    block.insert(block.end(), {'D', 'A', 'T', 'A', spareFlag, packedFlag, 0, 0});
    return block + data;
}

// A data block holding data as stored bytes.
inline ByteVector storedBlock(const ByteVector& data) {
    return dataBlock(std::int32_t(data.size()), 0, data);
}

// A run-length image: header, then data; inputLength counts header and data unless given.
inline ByteVector packedImage(std::uint8_t codecType, std::int32_t decodedSize,
                              const ByteVector& data, std::int64_t inputLength = -1) {
    ByteVector v = {0x40, codecType};
    put32(v, std::uint32_t(decodedSize));
    put32(v, std::uint32_t(inputLength < 0 ? std::int64_t(10 + data.size()) : inputLength));
    return v + data;
}

// A BMP file image whose headers say what is given, followed by `body` as it is.
inline ByteVector bmpFile(std::int32_t width, std::int32_t height, std::uint16_t bits,
                          std::uint32_t colorsUsed, std::uint32_t pixelOffset,
                          const ByteVector& body) {
    ByteVector bmp = {'B', 'M'};
    for (std::uint32_t field : {54 + std::uint32_t(body.size()), 0u, pixelOffset, 40u,
                                std::uint32_t(width), std::uint32_t(height)})
        put32(bmp, field);
    put16(bmp, 1);
    put16(bmp, bits);
    for (std::uint32_t field : {0u, 0u, 0u, 0u, colorsUsed, 0u})
        put32(bmp, field);
    return bmp + body;
}

// A BMP file image of the given size and bit count, rows filled with `fill`; palette images get
// a grey colour table of `colors` entries (0: none stored, pixel data at 54).
inline ByteVector bmpImage(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                           std::uint32_t colors = 0, std::uint8_t fill = 0) {
    const std::uint32_t row = std::uint32_t(dibRowLength(std::uint64_t(width), bitCount));
    ByteVector body;
    for (std::uint32_t i = 0; i < colors; ++i)
        put32(body, i * 0x010101u);
    body.resize(body.size() + row * std::uint32_t(height), fill);
    return bmpFile(width, height, bitCount, colors, 54 + colors * 4, body);
}

// A chunk: tag, length, payload. The length may be given to differ from the payload's.
inline void putChunk(ByteVector& v, const std::string& tag, const ByteVector& payload) {
    putText(v, tag);
    put32(v, std::uint32_t(payload.size()));
    v.insert(v.end(), payload.begin(), payload.end());
}

inline ByteVector containerHeader(std::int32_t walkLimit) {
    ByteVector v;
    putText(v, "VEKO_S10");
    put32(v, std::uint32_t(walkLimit));
    return v;
}

inline ByteVector stageRecord(std::uint32_t width, std::uint32_t height, std::uint32_t color,
                              std::uint32_t mode, std::uint32_t period, std::uint32_t jumps) {
    ByteVector v;
    for (std::uint32_t w : {width, height, color, mode, period, jumps})
        put32(v, w);
    return v;
}

inline void putImageEntry(ByteVector& list, std::uint16_t number, const ByteVector& packed) {
    put16(list, number);
    put32(list, std::uint32_t(packed.size()));
    list.insert(list.end(), packed.begin(), packed.end());
}

// A minimal PE executable (PE32, or PE32+ when `wide`) with one ".rsrc" section whose resource
// tree holds one resource of type `typeName` and id `id` with the given data.
inline ByteVector peWithResource(bool wide, const std::string& typeName, std::uint16_t id,
                                 const ByteVector& data) {
    const std::uint32_t sectionRva = 0x1000, sectionFile = 0x200;
    // The root directory with one named entry, the type's directory and the language's with
    // one id entry each (a directory is 16 bytes, an entry 8), the data entry, the type's name.
    const std::size_t rootEntry = 16, nameDir = 24, nameEntry = 40, languageDir = 48,
                      languageEntry = 64, dataEntry = 72, nameString = 88;
    ByteVector tree(nameString);
    tree[12] = tree[nameDir + 14] = tree[languageDir + 14] = 1;
    put16(tree, std::uint32_t(typeName.size()));
    for (char c : typeName)
        put16(tree, std::uint8_t(c));
    while (tree.size() % 4)
        tree.push_back(0);
    std::size_t dataAt = tree.size();
    tree.insert(tree.end(), data.begin(), data.end());

    set32(tree, rootEntry, 0x80000000u | std::uint32_t(nameString));
    set32(tree, rootEntry + 4, 0x80000000u | std::uint32_t(nameDir));
    set32(tree, nameEntry, id);
    set32(tree, nameEntry + 4, 0x80000000u | std::uint32_t(languageDir));
    set32(tree, languageEntry, 0x409);
    set32(tree, languageEntry + 4, std::uint32_t(dataEntry));
    set32(tree, dataEntry, sectionRva + std::uint32_t(dataAt));
    set32(tree, dataEntry + 4, std::uint32_t(data.size()));
    std::uint32_t rawSize = (std::uint32_t(tree.size()) + 0x1FF) & ~0x1FFu;
    tree.resize(rawSize);

    ByteVector pe(0x40);
    pe[0] = 'M';
    pe[1] = 'Z';
    set32(pe, 0x3C, 0x40);
    putText(pe, std::string("PE\0\0", 4));
    const std::uint16_t optionalSize = wide ? 240 : 224;
    put16(pe, wide ? 0x8664 : 0x14C);
    put16(pe, 1);
    put32(pe, 0);
    put32(pe, 0);
    put32(pe, 0);
    put16(pe, optionalSize);
    put16(pe, 0x0102);
    std::size_t optional = pe.size();
    pe.resize(optional + optionalSize);
    pe[optional] = 0x0B;
    pe[optional + 1] = wide ? 0x02 : 0x01;
    std::size_t directories = optional + (wide ? 112 : 96);
    set32(pe, directories - 4, 16);
    set32(pe, directories + 2 * 8, sectionRva);
    set32(pe, directories + 2 * 8 + 4, std::uint32_t(tree.size()));
    putText(pe, std::string(".rsrc\0\0\0", 8));
    put32(pe, std::uint32_t(tree.size()));
    put32(pe, sectionRva);
    put32(pe, rawSize);
    put32(pe, sectionFile);
    for (int i = 0; i < 4; ++i)
        put32(pe, 0);
    pe.resize(sectionFile);
    pe.insert(pe.end(), tree.begin(), tree.end());
    return pe;
}

} // namespace cinefold::test
