#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>

#include "imaging/FormatCode.h"
#include "imaging/codecs/Codecs.h"
#include "support/QtPrinting.h"
#include "support/SmallDisk.h"
#include "support/TempFolder.h"

// quorvane-img as a user runs it: its exit status and every byte it puts on stderr.
namespace {

struct Finished {
    int code = -1;
    QString err;
};

Finished runProgram(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(QUORVANE_IMG), arguments);
    if (!process.waitForFinished(60000)) {
        ADD_FAILURE() << "quorvane-img did not finish";
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Noise, so that no format packs it small: every file of it is over 40 KiB.
QImage noise(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    std::uint32_t seed = 7;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            image.setPixel(x, y, 0xFF000000u | (seed >> 8));
        }
    return image;
}

class ImgProgram : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        return folder.write(name, bytes);
    }
    testing_support::TempFolder folder;
};

struct DamagedPng {
    const char* name;
    qsizetype keep;      // bytes of the file kept; 0: all
    qsizetype flipAt;    // offset from the start of the first IDAT chunk's data; -1: none
    const char* reason;  // libpng's words, or ours
};

void PrintTo(const DamagedPng& c, std::ostream* out) { *out << c.name; }

class DamagedPngOnStderr : public ImgProgram, public ::testing::WithParamInterface<DamagedPng> {};

// Only the program's own line reaches stderr: libpng's "libpng error: ..." stays out.
TEST_P(DamagedPngOnStderr, IsTheProgramsOwnLineOnly) {
    const QString good = folder.filePath(QStringLiteral("good.png"));
    imaging::codecs::encode(noise(64, 48), good, imaging::kFormatPng, {});
    QByteArray png = bytesOf(good);
    const DamagedPng& c = GetParam();
    if (c.flipAt >= 0) {
        const qsizetype data = png.indexOf("IDAT") + 4;
        png[data + c.flipAt] = char(~png[data + c.flipAt]);
    }
    if (c.keep > 0) png.truncate(c.keep);
    const QString damaged = write(QStringLiteral("damaged.png"), png);

    const Finished finished = runProgram({damaged, "-", "info"});
    EXPECT_EQ(finished.code, 1);
    EXPECT_EQ(finished.err, QStringLiteral("quorvane-img: The image file \"%1\" is damaged or "
                                           "incomplete: %2. (error -2147220824)\n")
                                .arg(QDir::toNativeSeparators(damaged), QLatin1String(c.reason)));
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedPngOnStderr,
                         ::testing::Values(DamagedPng{"Cut", 200, -1, "the file ends early"},
                                           DamagedPng{"CompressionHeaderBroken", 0, 0,
                                                      "IDAT: incorrect header check"},
                                           DamagedPng{"ChecksumWrong", 0, 20, "IDAT: CRC error"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Save {
    const char* name;
    const char* extension;
    QStringList options;
};

void PrintTo(const Save& c, std::ostream* out) { *out << c.name; }

class FullDiskSave : public ImgProgram, public ::testing::WithParamInterface<Save> {};

// With the disk full, or with 16 KiB left so the file breaks off part of the way, the program
// fails with the system's reason and the old file keeps every byte.
TEST_P(FullDiskSave, FailsWithTheSystemsReasonAndKeepsTheOldFile) {
    testing_support::SmallDisk disk(1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.whyNot().toStdString();
    const Save& c = GetParam();
    const QString in = folder.filePath(QStringLiteral("in.png"));
    imaging::codecs::encode(noise(320, 240), in, imaging::kFormatPng, {});
    const QString name = QStringLiteral("old.") + c.extension;
    const QString old = disk.filePath(name);
    ASSERT_EQ(
        runProgram(QStringList{"-", old} + c.options + QStringList{"blank", "4", "4", "#123456"})
            .code,
        0);
    const QByteArray before = bytesOf(old);
    const QStringList save = QStringList{in, old} + c.options + QStringList{"flip", "h"};
    for (const qint64 room : {0, 16 * 1024}) {
        SCOPED_TRACE(room);
        disk.fill(room);
        const Finished finished = runProgram(save);
        EXPECT_EQ(finished.code, 1);
        EXPECT_EQ(finished.err, QStringLiteral("quorvane-img: The file \"%1\" could not be "
                                               "written: No space left on device. (error "
                                               "-2147220821)\n")
                                    .arg(QDir::toNativeSeparators(old)));
        EXPECT_EQ(bytesOf(old), before);
        EXPECT_EQ(disk.entries(), QStringList{name});
    }
    QFile::remove(disk.filePath(QStringLiteral("filler")));
    EXPECT_EQ(runProgram(save).code, 0);
    EXPECT_EQ(imaging::codecs::inspect(old).width, 320);
}

INSTANTIATE_TEST_SUITE_P(Formats, FullDiskSave,
                         ::testing::Values(Save{"Bmp24", "bmp", {}},
                                           Save{"Bmp8", "bmp", {"--bits", "8"}},
                                           Save{"Jpeg", "jpg", {}}, Save{"Png", "png", {}},
                                           Save{"Tiff", "tif", {}}, Save{"Pcx", "pcx", {}},
                                           Save{"Tga", "tga", {}}, Save{"Wmf", "wmf", {}},
                                           Save{"Emf", "emf", {}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
