// JPEG XL reader: the facts, then the image within the fuzzing limits.
#include "FuzzSupport.h"
#include "imaging/codecs/JxlCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace imaging::codecs;
    fuzzing::readOnly(fuzzing::bytesOf(data, size), inspectJpegXl, decodeJpegXl);
    return 0;
}
