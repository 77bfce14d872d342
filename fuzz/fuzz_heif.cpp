// HEIF and AVIF reader: the facts, then the primary image within the fuzzing limits.
#include "FuzzSupport.h"
#include "imaging/codecs/HeifCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace imaging::codecs;
    const Bytes bytes = fuzzing::bytesOf(data, size);
    try {
        inspectHeif(bytes);
    } catch (const imaging::Error&) {
    }
    try {
        decodeHeif(bytes, {1, true, fuzzing::limits()});
    } catch (const imaging::Error&) {
    }
    return 0;
}
