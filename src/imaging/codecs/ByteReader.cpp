#include "imaging/codecs/ByteReader.h"

#include "imaging/codecs/CodecSupport.h"

namespace imaging::codecs {

void ByteReader::seek(std::size_t position) {
    if (position > data_.size()) failCorrupt(QStringLiteral("a header points past its end"));
    pos_ = position;
}

const std::uint8_t* ByteReader::take(std::size_t count) {
    if (count > remaining()) failCorrupt(QStringLiteral("the data ends early"));
    const std::uint8_t* at = data_.data() + pos_;
    pos_ += count;
    return at;
}

std::uint16_t ByteReader::u16() { return readU16(take(2)); }

std::uint32_t ByteReader::u32() { return readU32(take(4)); }

}  // namespace imaging::codecs
