// Fuzz support: reads typed values off the front of a fuzzer's input.
//
// Every read is defined for every input: when the bytes run out, numbers read
// as 0 and byte strings come out short or empty, so a harness never needs to
// check the remaining length itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace fuzzsupport {

class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Remaining() const { return size_ - pos_; }
    bool Empty() const { return pos_ == size_; }

    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

    bool Bool() { return (Byte() & 1) != 0; }

    // An unsigned integer of sizeof(T) bytes, little-endian.
    template <typename T>
    T Integer() {
        static_assert(std::is_unsigned_v<T>);
        T value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(Byte()) << (8 * i);
        return value;
    }

    // A value in lo..hi (inclusive), from as few bytes as the range needs.
    std::uint32_t Range(std::uint32_t lo, std::uint32_t hi) {
        const std::uint64_t span = static_cast<std::uint64_t>(hi) - lo + 1;
        std::uint64_t value = 0;
        for (std::uint64_t reach = 1; reach < span; reach <<= 8) value = (value << 8) | Byte();
        return lo + static_cast<std::uint32_t>(value % span);
    }

    // Up to n bytes (fewer when the input runs out).
    std::vector<std::uint8_t> Bytes(std::size_t n) {
        if (n > Remaining()) n = Remaining();
        std::vector<std::uint8_t> out(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return out;
    }

    // A byte string of 0..maxLength bytes; its length is read first.
    std::vector<std::uint8_t> Sized(std::uint32_t maxLength) { return Bytes(Range(0, maxLength)); }

    std::string Text(std::uint32_t maxLength) {
        const std::vector<std::uint8_t> b = Sized(maxLength);
        return std::string(b.begin(), b.end());
    }

    // n bytes into out; those the input lacks are 0.
    void Fill(std::uint8_t* out, std::size_t n) {
        const std::size_t have = n < Remaining() ? n : Remaining();
        if (have != 0) std::memcpy(out, data_ + pos_, have);
        if (have != n) std::memset(out + have, 0, n - have);
        pos_ += have;
    }

    // Everything that is left.
    std::vector<std::uint8_t> Rest() { return Bytes(Remaining()); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace fuzzsupport
