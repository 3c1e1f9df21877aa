#pragma once
// The writing side of data blocks: byte pair encoding into the "DATA" envelope that
// DecodeBuffer::decodeDataBlock expands.

#include "base/ByteReader.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace cinefold {

class PairPacker;

// How the encoder cuts its input into pair blocks. The defaults suit BMP file images and the
// table payloads; the benchmarks and tests use other values to compare.
struct PairEncoderOptions {
    // A pair block takes input until one more byte would bring its distinct byte values above
    // this count (the values left over become its pair codes),
    int maxDistinct = 232;
    // or until it holds this many input bytes for each byte value it leaves free,
    std::size_t inputPerFreeCode = 60;
    // or until it holds this many input bytes. A block whose packed codes would not fit the
    // 16-bit packed count is split in two; with at most 65535 bytes that never happens.
    std::size_t maxBlockInput = 65535;
    // A pair is replaced while it occurs at least this often (overlapping runs counted).
    int minPairCount = 3;
};

// Encodes data blocks. It keeps its working tables from one encode to the next (1 MB of
// per-pair state and about 70 bytes per byte of the longest piece so far, under 6 MB in all),
// so a writer that packs many payloads sets them up once.
class PairEncoder {
  public:
    explicit PairEncoder(const PairEncoderOptions& options = PairEncoderOptions());
    ~PairEncoder();
    PairEncoder(const PairEncoder&) = delete;
    PairEncoder& operator=(const PairEncoder&) = delete;

    // One complete data block (header included) holding data: pair-expanded where that is
    // smaller, stored otherwise. Any length from 0 (a stored block with decodedSize 0) up to
    // DecodeBuffer::maxDecodedSize; longer data, which no decoder accepts, gives an empty
    // vector.
    std::vector<std::uint8_t> encode(Bytes data);

  private:
    PairEncoderOptions options_;
    std::unique_ptr<PairPacker> packer_;
};

// What PairEncoder::encode gives. The one-argument form keeps an encoder with the default
// options per thread, so that a writer packing many payloads sets it up once.
std::vector<std::uint8_t> encodeDataBlock(Bytes data);
std::vector<std::uint8_t> encodeDataBlock(Bytes data, const PairEncoderOptions& options);
// One data block holding data as stored bytes (packedFlag 0), with the same length limit.
std::vector<std::uint8_t> encodeStoredBlock(Bytes data);

} // namespace cinefold
