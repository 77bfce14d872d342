// EMF reader: our record walk and bitmap path, libemf2svg and QtSvg for drawings; then
// our writer on whatever it read.
#include "FuzzSupport.h"
#include "imaging/codecs/EmfCodec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace imaging::codecs;
    const auto decode = [](Bytes bytes) { return decodeEmf(bytes, fuzzing::limits()); };
    const auto write = [](const QImage& image, QIODevice& out) { encodeEmf(image, out); };
    fuzzing::roundTrip(fuzzing::bytesOf(data, size), decode, write, false);
    return 0;
}
