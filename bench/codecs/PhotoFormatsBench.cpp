// Today's photo formats as a user meets them: the browser's 276 x 204 preview of a
// 12-megapixel HEIC (a phone's, with the thumbnail phones store) and of 24-megapixel AVIF and
// JPEG XL files, and each file decoded in full. The files are made by the reference encoders
// from a camera-like photo; bench/compare/photo-formats.sh times the reference decoders on the
// same files.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QImage>
#include <QProcess>

#include "CameraPhotos.h"
#include "imaging/codecs/Codecs.h"

namespace {

namespace codecs = imaging::codecs;

// The photo cut to `size`, coded by the encoder into the folder the benchmarks share, once.
QString photoFile(const QString& name, QSize size, const QStringList& encoder) {
    const QString folder = QDir::tempPath() + QStringLiteral("/quorvane-photo-formats");
    const QString path = folder + '/' + name;
    if (QFile::exists(path)) return path;
    QDir().mkpath(folder);
    const QString png = folder + QStringLiteral("/%1.png").arg(name);
    QImage(bench::cameraPhoto(16)).copy(QRect(QPoint(), size)).save(png);
    QStringList arguments = encoder;
    arguments.replaceInStrings(QStringLiteral("%i"), png)
        .replaceInStrings(QStringLiteral("%o"), path);
    QProcess::execute(arguments.takeFirst(), arguments);
    return path;
}

struct Photo {
    const char* name;
    QSize size;
    QStringList encoder;
};

const Photo kPhotos[] = {
    {"phone.heic", {4032, 3024}, {"heif-enc", "-q", "80", "-t", "320", "%i", "-o", "%o"}},
    {"photo.avif", {6000, 4000}, {"avifenc", "-s", "8", "%i", "%o"}},
    {"photo.jxl", {6000, 4000}, {"cjxl", "-d", "1", "%i", "%o"}},
};

void preview(benchmark::State& state, const Photo& photo) {
    const QString path = photoFile(photo.name, photo.size, photo.encoder);
    for (auto _ : state)
        benchmark::DoNotOptimize(codecs::decodeThumbnail(path, QSize(276, 204)).constBits());
}

void fullDecode(benchmark::State& state, const Photo& photo) {
    const QString path = photoFile(photo.name, photo.size, photo.encoder);
    for (auto _ : state) benchmark::DoNotOptimize(codecs::decode(path, {}).constBits());
}

BENCHMARK_CAPTURE(preview, heic, kPhotos[0])->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fullDecode, heic, kPhotos[0])->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(preview, avif, kPhotos[1])->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fullDecode, avif, kPhotos[1])->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(preview, jxl, kPhotos[2])->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fullDecode, jxl, kPhotos[2])->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
