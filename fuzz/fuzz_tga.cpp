// Targa reader, then the writer (plain and run-length) on whatever it read.
#include "FuzzSupport.h"
#include "imaging/codecs/TgaCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace imaging::codecs;
    const auto decode = [](Bytes bytes) { return decodeTga(bytes, fuzzing::limits()); };
    const bool rle = size > 0 && (data[size - 1] & 1);
    const auto write = [rle](const QImage& image, QIODevice& out) { encodeTga(image, rle, out); };
    fuzzing::roundTrip(fuzzing::bytesOf(data, size), decode, write, true);
    return 0;
}
