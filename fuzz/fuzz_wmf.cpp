// WMF reader: our record walk and bitmap path, libwmf and QtSvg for drawings; then our
// writer on whatever it read.
#include "FuzzSupport.h"
#include "imaging/codecs/WmfCodec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace imaging::codecs;
    const bool placeable = size > 0 && (data[size - 1] & 1);
    const auto decode = [](Bytes bytes) { return decodeWmf(bytes, fuzzing::limits()); };
    const auto write = [placeable](const QImage& image, QIODevice& out) {
        encodeWmf(image, placeable, out);
    };
    fuzzing::roundTrip(fuzzing::bytesOf(data, size), decode, write, false);
    return 0;
}
