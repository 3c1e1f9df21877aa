#include "container/DecodeBuffer.h"

namespace cinefold {

std::int32_t DecodeBuffer::decodedSize(Bytes block) {
    ByteReader reader(block, 4);
    std::int32_t size = reader.i32le();
    return reader.ok() ? size : 0;
}

const std::uint8_t* DecodeBuffer::refuse(const char* why) {
    failure_ = why;
    return nullptr;
}

const std::uint8_t* DecodeBuffer::decodeDataBlock(Bytes) {
    output_.reset();
    size_ = 0;
    return refuse("not implemented");
}
const std::uint8_t* DecodeBuffer::decodeRunLengthImage(Bytes) {
    output_.reset();
    size_ = 0;
    return refuse("not implemented");
}

} // namespace cinefold
