#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "CodecTestSupport.h"
#include "imaging/ImgX.h"

// Files of a few bytes whose headers promise 16384 x 16384 pixels: 1 GiB decoded, just within
// the decode limits. Each is refused as damaged before its pixels are allocated, when opened
// and when the show-list browser previews it, which a child process's peak memory shows.
namespace {

using namespace codec_tests;
using namespace imaging;  // the error numbers

constexpr int kSide = 16384;

// --- Run-length bitmaps: the header and colour table, then the runs.

QByteArray rleBitmap(int bits, const QByteArray& runs) {
    Bytes info = Bytes()
                     .u32(40, kSide, kSide)
                     .u16(1, bits)
                     .u32(bits == 8 ? 1 : 2, runs.size(), 2835, 2835, 0, 0)
                     .fill(4 << bits);
    const auto offset = 14 + info.data.size();
    return Bytes().raw("BM").u32(offset + runs.size(), 0, offset).raw(info.data).raw(runs).data;
}

const QByteArray kEndOfBitmap("\0\1", 2);

// --- JPEG: a quantisation table, the frame, one scan header and a few bytes of scan data.

QByteArray segment(int marker, const QByteArray& body) {
    const int length = int(body.size()) + 2;
    return QByteArray("\xFF", 1) + char(marker) + char(length >> 8) + char(length) + body;
}

// Three components, luma at 2 x 2 (4:2:0), the way cameras write them. Huffman files take
// the standard tables that libjpeg supplies when a file has none.
QByteArray jpegBomb(int frameMarker, const QByteArray& spectralSelection) {
    const QByteArray frame = Bytes()
                                 .u8(8, kSide >> 8, kSide & 0xFF, kSide >> 8, kSide & 0xFF, 3)
                                 .u8(1, 0x22, 0, 2, 0x11, 0, 3, 0x11, 0)
                                 .data;
    const QByteArray scan = Bytes().u8(3, 1, 0, 2, 0x11, 3, 0x11).raw(spectralSelection).data;
    return QByteArray("\xFF\xD8", 2) + segment(0xDB, QByteArray(1, '\0') + QByteArray(64, 1)) +
           segment(frameMarker, frame) + segment(0xDA, scan) + QByteArray(16, '\0') +
           QByteArray("\xFF\xD9", 2);
}

const QByteArray kWholeSpectrum("\0\x3F\0", 3), kDcOnly("\0\0\0", 3);

// --- TIFF: pages of 8-bit grey (1 bit for the fax codings), each in one strip or one tile.

struct TiffPage {
    int compression;
    QByteArray data;
    bool tiled = false;
    std::int64_t declaredBytes = -1;  // the strip's byte count when it lies
    int side = kSide;
};

// A page's directory, its data after it.
void appendPage(Bytes& file, const TiffPage& page, bool last) {
    const bool fax = page.compression >= 2 && page.compression <= 4;
    const int offsetTag = page.tiled ? 324 : 273, countTag = page.tiled ? 325 : 279;
    const std::int64_t count = page.declaredBytes >= 0 ? page.declaredBytes : page.data.size();
    // Tag, type (3 SHORT, 4 LONG), value; sorted by tag as the format asks.
    std::vector<std::array<std::int64_t, 3>> entries = {{256, 4, page.side},
                                                        {257, 4, page.side},
                                                        {258, 3, fax ? 1 : 8},
                                                        {259, 3, page.compression},
                                                        {262, 3, fax ? 0 : 1},
                                                        {offsetTag, 4, 0},
                                                        {277, 3, 1}};
    if (page.tiled)
        entries.insert(entries.end(),
                       {{322, 4, page.side}, {323, 4, page.side}, {countTag, 4, count}});
    else
        entries.insert(entries.end(), {{278, 4, page.side}, {countTag, 4, count}});
    std::sort(entries.begin(), entries.end());
    const std::int64_t dataOffset = file.data.size() + 2 + 12 * std::int64_t(entries.size()) + 4;
    file.u16(entries.size());
    for (const auto& [tag, type, value] : entries) {
        file.u16(tag, type).u32(1);
        const std::int64_t v = tag == offsetTag ? dataOffset : value;
        type == 3 ? file.u16(v, 0) : file.u32(v);
    }
    // Directories start on a word boundary.
    const std::int64_t next = dataOffset + page.data.size() + (page.data.size() & 1);
    file.u32(last ? 0 : next).raw(page.data);
    if (page.data.size() & 1) file.u8(0);
}

QByteArray tiffFile(const std::vector<TiffPage>& pages) {
    Bytes file = Bytes().raw("II").u16(42).u32(8);
    for (const TiffPage& page : pages) appendPage(file, page, &page == &pages.back());
    return file.data;
}

QByteArray tiffBomb(const TiffPage& page) { return tiffFile({page}); }

// --- PCX and Targa, whose readers held the line already.

QByteArray pcxBomb() {
    return Bytes()
        .u8(0x0A, 5, 1, 8)
        .u16(0, 0, kSide - 1, kSide - 1, 96, 96)
        .fill(48)
        .u8(0, 1)
        .u16(kSide, 1)
        .fill(58)
        .u8(0xFF, 0, 0xFF, 0)
        .data;
}

QByteArray tgaBomb() {
    return Bytes()
        .u8(0, 0, 10)
        .fill(9)
        .u16(kSide, kSide)
        .u8(24, 0)
        .u8(0xFF)
        .fill(3)
        .u32(0, 0)
        .raw(QByteArray("TRUEVISION-XFILE.", 18))
        .data;
}

// A bomb and the reason it is refused for, after "The image file "..." is damaged or
// incomplete: ".
struct Bomb {
    const char* name;
    QByteArray file;
    QString reason;
};

void PrintTo(const Bomb& b, std::ostream* out) { *out << b.name; }

QString cannotHold(int bytes) {
    return QStringLiteral("%1 bytes of compressed data cannot hold 16384 x 16384 pixels")
        .arg(bytes);
}

const QString kPastTheEnd = QStringLiteral("strip 1 reaches past the end of the file");
const QString kEndsEarly = QStringLiteral("the pixel data ends early");

std::vector<Bomb> bombs() {
    const QByteArray delta("\0\x02\xFF\xFF", 4);
    const QByteArray zeros(16, '\0');
    return {
        {"BmpRle8EndOfBitmap", rleBitmap(8, kEndOfBitmap), cannotHold(2)},
        {"BmpRle4EndOfBitmap", rleBitmap(4, kEndOfBitmap), cannotHold(2)},
        // Each delta moves 255 lines down: 64 of them cross the whole image.
        {"BmpRle8Deltas", rleBitmap(8, delta.repeated(64) + kEndOfBitmap), cannotHold(258)},
        {"BmpRle8EndOfLines", rleBitmap(8, QByteArray(2, '\0').repeated(kSide)), cannotHold(32768)},
        // The scan data and the end-of-image marker: 18 bytes.
        {"JpegBaseline", jpegBomb(0xC0, kWholeSpectrum), cannotHold(18)},
        {"JpegProgressive", jpegBomb(0xC2, kDcOnly), cannotHold(18)},
        {"JpegArithmetic", jpegBomb(0xC9, kWholeSpectrum), cannotHold(18)},
        // libtiff puts the byte count of a single uncompressed strip that is too short for
        // the page at the page's size.
        {"TiffUncompressed", tiffBomb({1, zeros}), kPastTheEnd},
        {"TiffStripPastTheEnd", tiffBomb({8, zeros, false, 1 << 30}), kPastTheEnd},
        {"TiffPackBits", tiffBomb({32773, QByteArray(16, '\x81')}), cannotHold(16)},
        {"TiffLzw", tiffBomb({5, zeros}), cannotHold(16)},
        {"TiffDeflate", tiffBomb({8, zeros}), cannotHold(16)},
        {"TiffDeflateTile", tiffBomb({8, zeros, true}), cannotHold(16)},
        {"TiffJpeg", tiffBomb({7, zeros}), cannotHold(16)},
        {"TiffFaxGroup4", tiffBomb({4, zeros}), cannotHold(16)},
        {"PcxRle", pcxBomb(), kEndsEarly},
        {"TgaRle", tgaBomb(), kEndsEarly},
    };
}

// --- Peak memory of a child process.

constexpr long kMiB = 1024;  // ru_maxrss counts KiB

long peakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct ChildRun {
    bool finished = false;
    std::int32_t error = 0;  // the number of the imaging::Error the work threw
    char description[512] = {};
    long growthKiB = 0;  // of the peak resident memory while the work ran
};

// Runs `work` in a child process, whose peak starts from its own memory: kernels that let a
// child inherit its parent's peak reset it through clear_refs.
ChildRun runInChild(const std::function<void()>& work) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (std::FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", refs);
            std::fclose(refs);
        }
        ChildRun run;
        const long before = peakKiB();
        try {
            work();
        } catch (const Error& error) {
            run.error = error.number;
            const QByteArray text = error.description.toUtf8();
            std::snprintf(run.description, sizeof run.description, "%s", text.constData());
        }
        run.growthKiB = peakKiB() - before;
        run.finished = true;
        const bool sent = write(fds[1], &run, sizeof run) == sizeof run;
        _exit(sent ? 0 : 1);
    }
    close(fds[1]);
    ChildRun run;
    if (read(fds[0], &run, sizeof run) != sizeof run) run = {};
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) run.finished = false;
    return run;
}

// What makes the limits below mean something: memory a child touches shows in its peak.
TEST(ChildPeakMemory, ShowsWhatTheChildTouched) {
    constexpr std::size_t kBytes = std::size_t(64) << 20;
    const ChildRun run = runInChild([] {
        const auto block = std::make_unique<char[]>(kBytes);
        volatile char* touched = block.get();
        for (std::size_t i = 0; i < kBytes; i += 4096) touched[i] = 1;
    });
    ASSERT_TRUE(run.finished);
    EXPECT_GE(run.growthKiB, 60 * kMiB);
}

class BombFile : public testing::TestWithParam<Bomb> {
protected:
    void expectRefusedCheaply(const char* how, const std::function<void()>& work) {
        SCOPED_TRACE(how);
        const ChildRun run = runInChild(work);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.error, kCorruptFile);
        EXPECT_EQ(QString::fromUtf8(run.description),
                  QStringLiteral("The image file \"%1\" is damaged or incomplete: %2.")
                      .arg(QDir::toNativeSeparators(path_), GetParam().reason));
        EXPECT_LT(run.growthKiB, 32 * kMiB);
    }

    testing_support::TempFolder folder_;
    QString path_ = folder_.write(QStringLiteral("bomb"), GetParam().file);
};

TEST_P(BombFile, IsRefusedBeforeItsPixelsAreAllocated) {
    ASSERT_LT(GetParam().file.size(), 40000);
    EXPECT_EQ(codecs::inspect(path_).width, kSide);
    expectRefusedCheaply("opened", [&] { decodeFile(path_); });
    // The browser's preview: the engine's thumbnail of the box showlist::makePreview asks
    // for, which decodes a JPEG at 1/8 of its size.
    expectRefusedCheaply("previewed", [&] {
        ImgX engine;
        engine.viewer().Thumbnail(path_, QSize(204, 204));
    });
}

INSTANTIATE_TEST_SUITE_P(Files, BombFile, testing::ValuesIn(bombs()), caseName);

// Saving a page back into its file reads every other page of the file; a bomb among them stops
// the save before its strip is allocated, and the file stays as it was.
TEST(BombPage, StopsTheSaveOfAnotherPageBeforeItsStripIsAllocated) {
    testing_support::TempFolder folder;
    const QByteArray file =
        tiffFile({{1, QByteArray(16 * 16, char(90)), false, -1, 16}, {8, QByteArray(16, '\0')}});
    const QString path = folder.write(QStringLiteral("pages.tif"), file);
    ASSERT_EQ(decodeFile(path).pixel(15, 15), qRgb(90, 90, 90));
    const ChildRun run = runInChild([&] {
        QImage edited(16, 16, QImage::Format_RGB32);
        edited.fill(Qt::red);
        codecs::encodeTiffPage(edited, path, {1, 2});
    });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.error, kWriteFailed);
    EXPECT_EQ(QString::fromUtf8(run.description),
              QStringLiteral("The file \"%1\" could not be written: its other pages could not be "
                             "read back, so nothing was written (16 bytes of compressed data "
                             "cannot hold 16384 x 16384 pixels).")
                  .arg(QDir::toNativeSeparators(path)));
    EXPECT_LT(run.growthKiB, 32 * kMiB);
    EXPECT_EQ(fileBytes(path), file);
}

}  // namespace
