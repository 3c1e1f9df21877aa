#pragma once
// DecodeBuffer owns the output of one decoder run. Both container decoders deliver through it:
// decodeDataBlock (the "DATA" envelope, stored or pair-expanded) and decodeRunLengthImage (the
// run-length image codec). Each decode frees the previous output first; callers borrow the
// returned pointer until the next decode or the buffer's destruction.

#include "base/ByteReader.h"
#include "container/LoadBudget.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace cinefold {

class DecodeBuffer {
  public:
    // No header may make a decoder allocate more than this many meaningful bytes. 64 MiB holds
    // a 24-bit image of 4096 x 4096 pixels, far beyond any stage an animation uses (the largest
    // image of a screen-sized animation is under 1 MiB), and stays allocatable in the address
    // space of a 32-bit process.
    static constexpr std::int32_t maxDecodedSize = 64 << 20;

    // The data block's header (DataBlock.cpp describes it) is this long, and carries this
    // signature at offset 8.
    static constexpr std::size_t dataBlockHeaderSize = 16;
    static constexpr char dataBlockSignature[] = "DATA";
    // Pair expansion runs on a stack of this many codes. The decoder refuses a code that would
    // need a deeper one, so the encoder never forms such a pair.
    static constexpr int maxStackDepth = 32;
    // The run-length image's header (RunLengthImage.cpp describes it).
    static constexpr std::size_t runLengthHeaderSize = 10;

    DecodeBuffer() = default;
    // A buffer whose output allocations are charged to a load's budget; a decode whose output
    // does not fit is refused, with LoadBudget::exceeded as its failure.
    explicit DecodeBuffer(LoadBudget* budget) : budget_(budget) {}
    DecodeBuffer(const DecodeBuffer&) = delete;
    DecodeBuffer& operator=(const DecodeBuffer&) = delete;

    // The block's decodedSize word (bytes 4..7), or 0 when there is no such word.
    static std::int32_t decodedSize(Bytes block);
    // Whether bytes 8..11 are the data block signature.
    static bool hasDataBlockSignature(Bytes block);
    // Whether the block's packedFlag (byte 13) asks for pair expansion.
    static bool isPairExpanded(Bytes block);
    // A run-length image's codecType (byte 1), or -1 when there is no such byte.
    static int runLengthType(Bytes packed);

    // Returns the decoded bytes, or null when the block is refused.
    const std::uint8_t* decodeDataBlock(Bytes block);
    // Returns the decoded bytes, or null when the packed image fails to decode.
    const std::uint8_t* decodeRunLengthImage(Bytes packed);

    const std::uint8_t* output() const { return output_.get(); }
    // The meaningful bytes of the last successful decode: its decodedSize.
    std::size_t size() const { return size_; }
    Bytes bytes() const { return {output_.get(), size_}; }
    // Why the last decode returned null, as a short stable phrase; null after a success.
    const char* failure() const { return failure_; }

  private:
    // Frees the previous output and clears size and failure: the first step of every decode.
    void begin();
    // Replaces the output with a buffer of capacity bytes, not initialised: every decoder
    // writes its output from the start and clears what lies behind it. Returns null, and the
    // refusal, when the budget or the memory is not there.
    std::uint8_t* allocate(std::size_t capacity, const char*& why);
    // Ends a decode successfully with meaningful bytes at the start of the output.
    const std::uint8_t* succeed(std::size_t meaningful);
    // Ends a decode with a null result. A refused decode leaves no output behind, so that a
    // caller testing output() after a failure never sees a partly written buffer.
    const std::uint8_t* refuse(const char* why);
    // The pair-expansion path of decodeDataBlock, over the block's bytes up to blockLength.
    const std::uint8_t* expandPairs(Bytes block, std::int32_t decodedSize);

    std::unique_ptr<std::uint8_t[]> output_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    const char* failure_ = nullptr;
    LoadBudget* budget_ = nullptr;
};

} // namespace cinefold
