// PCX reader, then the writer on whatever it read.
#include "FuzzSupport.h"
#include "imaging/codecs/PcxCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace imaging::codecs;
    const auto decode = [](Bytes bytes) { return decodePcx(bytes, fuzzing::limits()); };
    const auto write = [](const QImage& image, QIODevice& out) { encodePcx(image, out); };
    fuzzing::roundTrip(fuzzing::bytesOf(data, size), decode, write, false);
    return 0;
}
