#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>

#include "imaging/Error.h"
#include "imaging/codecs/Codecs.h"
#include "support/QtPrinting.h"

namespace codec_tests {

// A smooth picture with fine noise, like a photo: gradients for the lossy codecs, noise so
// that run-length and palette shortcuts are not enough.
QImage photoLike(int width, int height, bool withAlpha = false);

// Blocks of a few flat colours, so palettes hold them exactly and runs form.
QImage flatColors(int width, int height, bool withAlpha = false);

// The number of the imaging::Error that `work` throws, 0 when it throws none.
std::int32_t errorNumberOf(const std::function<void()>& work);

// The sum of the differences of the three colour channels.
int colorDistance(QRgb a, QRgb b);

// The largest difference of any channel of any pixel; -1 when the sizes or formats differ.
int maxChannelDifference(const QImage& a, const QImage& b);

// Little-endian bytes for hand-made headers.
class Bytes {
public:
    Bytes& u8(unsigned v);
    Bytes& u16(unsigned v);
    Bytes& u32(std::uint32_t v);
    Bytes& u8s(std::initializer_list<unsigned> values);
    Bytes& u16s(std::initializer_list<unsigned> values);
    Bytes& u32s(std::initializer_list<std::uint32_t> values);
    Bytes& raw(const QByteArray& v);
    Bytes& fill(int count, unsigned v);
    QByteArray data;
};

QImage decodeFile(const QString& path, int imageNumber = 1, bool autoOrient = true);

QByteArray fileBytes(const QString& path);

// An image from its pixels, top row first.
QImage imageOf(int width, std::initializer_list<QRgb> pixels,
               QImage::Format format = QImage::Format_RGB32);

constexpr QRgb R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF, K = 0xFF000000;

// A hand-made file and the picture it holds.
struct FileCase {
    const char* name;
    QByteArray file;
    QImage expected;
};

// A hand-made file and the error that refuses it.
struct BadFileCase {
    const char* name;
    QByteArray file;
    std::int32_t error;
};

inline void PrintTo(const FileCase& c, std::ostream* out) { *out << c.name; }
inline void PrintTo(const BadFileCase& c, std::ostream* out) { *out << c.name; }

}  // namespace codec_tests
