// Hands out a fuzz input's bytes as values, front to back: each value is the
// next sizeof(T) bytes (little-endian on the machines fuzzed), zero-filled
// where the input has run out.
#ifndef VANTOR_FUZZ_BYTE_READER_H
#define VANTOR_FUZZ_BYTE_READER_H

#include <cstddef>
#include <cstdint>
#include <cstring>

class ByteReader {
public:
    ByteReader(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    template <typename T>
    T take() {
        unsigned char bytes[sizeof(T)] = {};
        const std::size_t count = size_ < sizeof(T) ? size_ : sizeof(T);
        if (count > 0) {
            std::memcpy(bytes, data_, count);
        }
        data_ += count;
        size_ -= count;
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

private:
    const std::uint8_t *data_;
    std::size_t size_;
};

#endif
