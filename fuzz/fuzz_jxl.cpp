// JPEG XL reader: the facts, then the image within the fuzzing limits.
#include "FuzzSupport.h"
#include "imaging/codecs/JxlCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace imaging::codecs;
    const Bytes bytes = fuzzing::bytesOf(data, size);
    try {
        inspectJpegXl(bytes);
    } catch (const imaging::Error&) {
    }
    try {
        decodeJpegXl(bytes, {1, true, fuzzing::limits()});
    } catch (const imaging::Error&) {
    }
    return 0;
}
