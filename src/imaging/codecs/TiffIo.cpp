#include "imaging/codecs/TiffIo.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace imaging::codecs::tiff {
namespace {

tmsize_t readStream(thandle_t handle, void* buffer, tmsize_t size) {
    auto* s = static_cast<Stream*>(handle);
    if (s->device) return tmsize_t(s->device->read(static_cast<char*>(buffer), qint64(size)));
    if (s->position >= s->data.size() || size < 0) return 0;
    const tmsize_t n = tmsize_t(std::min<toff_t>(toff_t(size), s->data.size() - s->position));
    std::memcpy(buffer, s->data.data() + s->position, std::size_t(n));
    s->position += toff_t(n);
    return n;
}

tmsize_t writeStream(thandle_t handle, void* buffer, tmsize_t size) {
    auto* s = static_cast<Stream*>(handle);
    return s->device ? tmsize_t(s->device->write(static_cast<const char*>(buffer), qint64(size)))
                     : 0;
}

toff_t seekStream(thandle_t handle, toff_t offset, int whence) {
    auto* s = static_cast<Stream*>(handle);
    const toff_t size = s->device ? toff_t(s->device->size()) : s->data.size();
    const toff_t current = s->device ? toff_t(s->device->pos()) : s->position;
    const toff_t target = offset + (whence == SEEK_CUR ? current : whence == SEEK_END ? size : 0);
    if (s->device) return s->device->seek(qint64(target)) ? target : toff_t(-1);
    s->position = target;
    return target;
}

int closeStream(thandle_t) { return 0; }

toff_t sizeOfStream(thandle_t handle) {
    auto* s = static_cast<Stream*>(handle);
    return s->device ? toff_t(s->device->size()) : s->data.size();
}

int mapNothing(thandle_t, void**, toff_t*) { return 0; }

void unmapNothing(thandle_t, void*, toff_t) {}

int keepError(TIFF*, void* user, const char*, const char* format, va_list args) {
    auto* s = static_cast<Stream*>(user);
    std::vsnprintf(s->error, sizeof s->error, format, args);
    return 1;
}

int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

TiffHandle open(Stream& stream, const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, keepError, &stream);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreWarning, nullptr);
    TiffHandle tiff(TIFFClientOpenExt("image", mode, &stream, readStream, writeStream, seekStream,
                                      closeStream, sizeOfStream, mapNothing, unmapNothing,
                                      options));
    TIFFOpenOptionsFree(options);
    return tiff;
}

}  // namespace imaging::codecs::tiff
