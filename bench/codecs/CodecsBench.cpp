#include <benchmark/benchmark.h>

#include <cmath>

#include <jpeglib.h>
#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include "imaging/codecs/Codecs.h"

// The codecs on a 6000 x 4000 photo: our JPEG decode beside libjpeg-turbo's plain loop and
// Qt's reader, a 276 x 204 preview by DCT scaling beside a full decode and scale, and the
// PNG and BMP writers (Qt's PNG writer beside ours).
namespace {

namespace codecs = imaging::codecs;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// Smooth gradients with fine noise, which JPEG and PNG find about as hard as a photo.
QImage photo() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    quint32 state = 7;
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            state = state * 1664525u + 1013904223u;
            const quint32 noise = state >> 29;
            const quint32 r = (x * 255 / kWidth + noise) & 255;
            const quint32 g = (y * 255 / kHeight + noise) & 255;
            const quint32 b = ((x + y) / 40 + noise) & 255;
            row[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
    return image;
}

struct Files {
    QTemporaryDir folder;
    QImage image = photo();
    QString jpeg = folder.filePath(QStringLiteral("photo.jpg"));
    QByteArray jpegBytes;
    Files() {
        codecs::encode(image, jpeg, imaging::kFormatJpeg, codecs::EncodeOptions{});
        QFile file(jpeg);
        file.open(QIODevice::ReadOnly);
        jpegBytes = file.readAll();
    }
};

Files& files() {
    static Files instance;
    return instance;
}

void jpegDecode(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(codecs::decode(files().jpeg, {}).constBits());
    state.counters["MB"] = double(files().jpegBytes.size()) / 1e6;
}
BENCHMARK(jpegDecode)->Unit(benchmark::kMillisecond);

// libjpeg-turbo decoding the same bytes into one reused buffer: the floor for any wrapper.
void libjpegDecodeLoop(benchmark::State& state) {
    const QByteArray& bytes = files().jpegBytes;
    std::vector<JSAMPLE> pixels(std::size_t(kWidth) * kHeight * 4);
    for (auto _ : state) {
        jpeg_decompress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                     bytes.size());
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_EXT_BGRA;
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels.data() + std::size_t(info.output_scanline) * kWidth * 4;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(libjpegDecodeLoop)->Unit(benchmark::kMillisecond);

void qtJpegDecode(benchmark::State& state) {
    for (auto _ : state) {
        QImageReader reader(files().jpeg);
        benchmark::DoNotOptimize(reader.read().constBits());
    }
}
BENCHMARK(qtJpegDecode)->Unit(benchmark::kMillisecond);

void jpegThumbnail(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(
            codecs::decodeThumbnail(files().jpeg, QSize(276, 204)).constBits());
}
BENCHMARK(jpegThumbnail)->Unit(benchmark::kMillisecond);

void jpegFullDecodeThenScale(benchmark::State& state) {
    for (auto _ : state) {
        const QImage full = codecs::decode(files().jpeg, {});
        benchmark::DoNotOptimize(
            full.scaled(276, 204, Qt::KeepAspectRatio, Qt::SmoothTransformation).constBits());
    }
}
BENCHMARK(jpegFullDecodeThenScale)->Unit(benchmark::kMillisecond);

void encodeTo(benchmark::State& state, int formatCode, int bits) {
    const QString path = files().folder.filePath(QStringLiteral("written"));
    codecs::EncodeOptions options;
    options.bits = bits;
    for (auto _ : state) codecs::encode(files().image, path, formatCode, options);
    state.counters["MB"] = double(QFile(path).size()) / 1e6;
}

void pngEncode(benchmark::State& state) { encodeTo(state, imaging::kFormatPng, 24); }
BENCHMARK(pngEncode)->Unit(benchmark::kMillisecond);

void qtPngEncode(benchmark::State& state) {
    const QString path = files().folder.filePath(QStringLiteral("qt.png"));
    for (auto _ : state) files().image.save(path, "PNG");
    state.counters["MB"] = double(QFile(path).size()) / 1e6;
}
BENCHMARK(qtPngEncode)->Unit(benchmark::kMillisecond)->Iterations(1);

void bmpWrite24(benchmark::State& state) { encodeTo(state, imaging::kFormatBmp, 24); }
BENCHMARK(bmpWrite24)->Unit(benchmark::kMillisecond);

// Peak signal-to-noise ratio of `reduced` against `original` over R, G and B, in dB.
double psnr(const QImage& original, const QImage& reduced) {
    double squares = 0;
    for (int y = 0; y < original.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(original.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(reduced.constScanLine(y));
        for (int x = 0; x < original.width(); ++x) {
            const int dr = qRed(a[x]) - qRed(b[x]), dg = qGreen(a[x]) - qGreen(b[x]),
                      db = qBlue(a[x]) - qBlue(b[x]);
            squares += dr * dr + dg * dg + db * db;
        }
    }
    const double mean = squares / (3.0 * original.width() * original.height());
    return 10 * std::log10(255.0 * 255.0 / mean);
}

void bmpWrite8(benchmark::State& state) {
    encodeTo(state, imaging::kFormatBmp, 8);
    const QImage written = QImage(files().folder.filePath(QStringLiteral("written")))
                               .convertToFormat(QImage::Format_RGB32);
    state.counters["PSNR_dB"] = psnr(files().image, written);
}
BENCHMARK(bmpWrite8)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
