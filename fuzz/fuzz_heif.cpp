// HEIF and AVIF reader: the facts, then the primary image within the fuzzing limits.
#include "FuzzSupport.h"
#include "imaging/codecs/HeifCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace imaging::codecs;
    fuzzing::readOnly(
        fuzzing::bytesOf(data, size), inspectHeif,
        [](Bytes bytes, const DecodeOptions& options) { return decodeHeif(bytes, options); });
    return 0;
}
