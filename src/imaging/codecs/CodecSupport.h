#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

#include "imaging/Error.h"
#include "imaging/codecs/Codecs.h"

// What every codec shares: its failures, the decompression-bomb guard and the two pixel
// formats the engine hands out. Codecs throw with a short detail; Codecs.cpp puts the file's
// name around it.
namespace imaging::codecs {

[[noreturn]] void failCorrupt(const QString& detail);
[[noreturn]] void failUnsupported(const QString& detail);

// Refuses an image whose header announces more pixels or bytes than the limits allow, and
// one with no pixels at all.
void checkLimits(std::int64_t width, std::int64_t height, const DecodeLimits& limits);

// A fresh image; kOutOfMemory instead of a null image when the memory is not there.
QImage newImage(int width, int height, QImage::Format format);

// ARGB32 when the image carries transparency, RGB32 otherwise.
QImage normalized(QImage image);

// Makes an ARGB32 image whose alpha is zero everywhere opaque RGB32. Files that declare
// alpha but store zero in every pixel were written by programs that left the byte unused;
// the readers show them opaque rather than invisible.
void dropUnusedAlpha(QImage& image);

// Little-endian header fields for the writers.
class LittleEndian {
public:
    explicit LittleEndian(QByteArray& out) : out_(out) {}
    LittleEndian& u8(std::uint32_t v);
    LittleEndian& u16(std::uint32_t v);
    LittleEndian& u32(std::uint32_t v);
    LittleEndian& bytes(const QByteArray& v);

private:
    QByteArray& out_;
};

}  // namespace imaging::codecs
