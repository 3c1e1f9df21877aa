#include "container/DecodeBuffer.h"

#include <cstring>
#include <new>

namespace cinefold {

std::int32_t DecodeBuffer::decodedSize(Bytes block) {
    ByteReader reader(block, 4);
    std::int32_t size = reader.i32le();
    return reader.ok() ? size : 0;
}

bool DecodeBuffer::hasDataBlockSignature(Bytes block) {
    return block.size() >= 12 && std::memcmp(block.data() + 8, dataBlockSignature, 4) == 0;
}

bool DecodeBuffer::isPairExpanded(Bytes block) {
    return block.size() > 13 && block[13] != 0;
}

int DecodeBuffer::runLengthType(Bytes packed) {
    return packed.size() > 1 ? packed[1] : -1;
}

void DecodeBuffer::begin() {
    output_.reset();
    size_ = 0;
    capacity_ = 0;
    failure_ = nullptr;
}

std::uint8_t* DecodeBuffer::allocate(std::size_t capacity, const char*& why) {
    if (budget_ && !budget_->spend(capacity)) {
        why = LoadBudget::exceeded;
        return nullptr;
    }
    output_.reset(new (std::nothrow) std::uint8_t[capacity]);
    capacity_ = output_ ? capacity : 0;
    why = "out of memory";
    return output_.get();
}

const std::uint8_t* DecodeBuffer::succeed(std::size_t meaningful) {
    size_ = meaningful;
    failure_ = nullptr;
    return output_.get();
}

const std::uint8_t* DecodeBuffer::refuse(const char* why) {
    output_.reset();
    size_ = 0;
    capacity_ = 0;
    failure_ = why;
    return nullptr;
}

} // namespace cinefold
