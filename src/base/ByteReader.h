#pragma once
// The one way binary input is read. Every read checks what is left; a read that does not fit
// returns zero and sets a sticky failure flag, so a decoder can read a whole header and test
// ok() once before trusting any of it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace cinefold {

using Bytes = std::span<const std::uint8_t>;

class ByteReader {
  public:
    explicit ByteReader(Bytes data, std::size_t position = 0)
        : data_(data), position_(position), failed_(position > data.size()) {
        if (failed_) position_ = data.size();
    }

    bool ok() const { return !failed_; }
    std::size_t position() const { return position_; }
    std::size_t remaining() const { return data_.size() - position_; }
    bool atEnd() const { return position_ == data_.size(); }
    Bytes data() const { return data_; }

    std::uint8_t u8() {
        if (!require(1)) return 0;
        return data_[position_++];
    }
    std::uint16_t u16le() {
        if (!require(2)) return 0;
        std::uint16_t v = std::uint16_t(data_[position_] | data_[position_ + 1] << 8);
        position_ += 2;
        return v;
    }
    // The one big-endian field of the container: the packed count of a pair-expansion block.
    std::uint16_t u16be() {
        if (!require(2)) return 0;
        std::uint16_t v = std::uint16_t(data_[position_] << 8 | data_[position_ + 1]);
        position_ += 2;
        return v;
    }
    std::uint32_t u32le() {
        if (!require(4)) return 0;
        const std::uint8_t* p = data_.data() + position_;
        position_ += 4;
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    }
    std::int32_t i32le() { return std::int32_t(u32le()); }

    // The next n bytes as a view into the input; empty (and failed) when fewer are left.
    Bytes take(std::size_t n) {
        if (!require(n)) return {};
        Bytes view = data_.subspan(position_, n);
        position_ += n;
        return view;
    }
    void skip(std::size_t n) {
        if (require(n)) position_ += n;
    }
    void fail() { failed_ = true; }

  private:
    bool require(std::size_t n) {
        if (failed_ || n > data_.size() - position_) {
            failed_ = true;
            return false;
        }
        return true;
    }

    Bytes data_;
    std::size_t position_;
    bool failed_;
};

// Little-endian stores, for the writers and for patching a value in place.
inline void storeU32le(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

// Little-endian appends, for the writers that build a payload field by field.
inline void appendU16le(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
inline void appendU32le(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t bytes[4];
    storeU32le(bytes, v);
    out.insert(out.end(), bytes, bytes + 4);
}

} // namespace cinefold
