// The deflate encoder on any bytes, cut into strips by the first byte and fed in pieces
// sized by the second; zlib must inflate the joined strips back to the input exactly.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/codecs/DeflateEncoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int strips = 1 + data[0] % 4;
    const std::size_t feed = 1 + std::size_t(data[1]) * 97;
    data += 2;
    size -= 2;
    QByteArray joined;
    for (int i = 0; i < strips; ++i) {
        const std::size_t from = size * std::size_t(i) / std::size_t(strips);
        const std::size_t to = size * std::size_t(i + 1) / std::size_t(strips);
        imaging::codecs::DeflateEncoder encoder;
        for (std::size_t at = from; at < to; at += feed)
            encoder.add(data + at, std::min(feed, to - at));
        encoder.finish(i == strips - 1);
        joined += encoder.output();
    }
    std::vector<std::uint8_t> back(size + 1);
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) std::abort();
    z.next_in = reinterpret_cast<Bytef*>(joined.data());
    z.avail_in = uInt(joined.size());
    z.next_out = back.data();
    z.avail_out = uInt(back.size());
    const int result = inflate(&z, Z_FINISH);
    const bool exact = result == Z_STREAM_END && z.avail_in == 0 && z.total_out == size &&
                       std::equal(data, data + size, back.begin());
    inflateEnd(&z);
    if (!exact) std::abort();
    return 0;
}
