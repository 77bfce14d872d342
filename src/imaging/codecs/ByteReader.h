#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging::codecs {

using Bytes = std::span<const std::uint8_t>;

// Little-endian fields of a file held in memory. Every read is checked against the end, so
// a header that lies about its sizes ends in kCorruptFile instead of a read past the buffer.
class ByteReader {
public:
    explicit ByteReader(Bytes data) : data_(data) {}

    std::size_t size() const { return data_.size(); }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }

    void seek(std::size_t position);
    void skip(std::size_t count) { take(count); }
    // The next `count` bytes; the reader moves past them.
    const std::uint8_t* take(std::size_t count);

    std::uint8_t u8() { return *take(1); }
    std::uint16_t u16();
    std::uint32_t u32();
    std::int16_t i16() { return std::int16_t(u16()); }
    std::int32_t i32() { return std::int32_t(u32()); }

private:
    Bytes data_;
    std::size_t pos_ = 0;
};

inline std::uint16_t readU16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
inline std::uint32_t readU32BigEndian(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
           std::uint32_t(p[3]);
}
inline std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

}  // namespace imaging::codecs
