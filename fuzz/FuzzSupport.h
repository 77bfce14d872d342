#pragma once

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <cstdint>
#include <cstdlib>

#include "imaging/Error.h"
#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// Fontconfig keeps its caches for the life of the process once text is first drawn, and
// dav1d loses a few bytes on some damaged AVIF files: not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libdav1d.so\n";
}

// What every fuzz target shares: small decode limits, so a fuzzed header cannot make the
// target run out of memory, and a crash when a written image does not read back the same.
namespace fuzzing {

inline imaging::codecs::DecodeLimits limits() {
    imaging::codecs::DecodeLimits small;
    small.maxPixels = 1 << 22;
    small.maxBytes = std::int64_t(1) << 24;
    return small;
}

inline imaging::codecs::Bytes bytesOf(const std::uint8_t* data, std::size_t size) {
    return imaging::codecs::Bytes(data, size);
}

// A reader with no writer of ours: its facts, then its image within the limits. Anything but
// an imaging::Error leaving either is a failure.
template <typename Inspect, typename Decode>
void readOnly(imaging::codecs::Bytes bytes, Inspect inspect, Decode decode) {
    try {
        inspect(bytes);
    } catch (const imaging::Error&) {
    }
    try {
        decode(bytes, imaging::codecs::DecodeOptions{1, true, limits()});
    } catch (const imaging::Error&) {
    }
}

// Fonts and painting need a GUI application; the offscreen platform needs no display.
inline void startApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(argc, argv);
}

// Decodes, and if the input was an image the writer can store, writes it and decodes that
// again: the second image must equal the first as the writer stores it (without alpha
// unless it keeps it).
template <typename Decode, typename Write>
void roundTrip(imaging::codecs::Bytes input, Decode decode, Write write, bool keepsAlpha) {
    QImage image;
    try {
        image = decode(input);
    } catch (const imaging::Error&) {
        return;
    }
    QByteArray written;
    QBuffer buffer(&written);
    buffer.open(QIODevice::WriteOnly);
    try {
        write(image, buffer);
    } catch (const imaging::Error&) {
        return;  // a size the format cannot hold
    }
    const QImage again = decode(bytesOf(reinterpret_cast<const std::uint8_t*>(written.constData()),
                                        std::size_t(written.size())));
    if (again != (keepsAlpha ? image : image.convertToFormat(QImage::Format_RGB32))) std::abort();
}

}  // namespace fuzzing
