// BMP reader, then the 24-bit writer on whatever it read.
#include "FuzzSupport.h"
#include "imaging/codecs/BmpCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace imaging::codecs;
    try {
        inspectBmp(fuzzing::bytesOf(data, size));
    } catch (const imaging::Error&) {
    }
    const auto decode = [](Bytes bytes) { return decodeBmp(bytes, fuzzing::limits()); };
    const auto write = [](const QImage& image, QIODevice& out) { encodeBmp(image, 24, out); };
    fuzzing::roundTrip(fuzzing::bytesOf(data, size), decode, write, false);
    return 0;
}
