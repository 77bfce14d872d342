#include <tiffio.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <vector>

#include "CodecTestSupport.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"

// Saving a page of a multi-page TIFF back into its file: the other pages stay as they were,
// or nothing is written at all.
namespace {

using namespace codec_tests;
using imaging::kFormatPng;
using imaging::kFormatTiff;

// How a page stores its samples, as libtiff reports it.
struct Layout {
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    std::uint16_t bits = 8;
    std::uint16_t samples = 1;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    bool tiled = false;
    std::uint16_t predictor = PREDICTOR_NONE;
    bool alpha = false;  // the last sample is unassociated alpha
    std::uint16_t orientation = ORIENTATION_TOPLEFT;

    bool operator==(const Layout&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Layout& l) {
    return out << "photometric " << l.photometric << ", " << l.bits << " bits x " << l.samples
               << ", compression " << l.compression << ", planar " << l.planar
               << (l.tiled ? ", tiled" : ", strips") << ", predictor " << l.predictor
               << (l.alpha ? ", alpha" : "") << ", orientation " << l.orientation;
}

struct PageSpec {
    QSize size;
    Layout layout;
};

constexpr std::uint32_t kRowsPerStrip = 16;  // JPEG needs whole blocks of 16 rows
constexpr std::uint32_t kTileSide = 16;

// Writes the pages with libtiff itself, their samples a pattern that differs from page to
// page and from chunk to chunk; every page names itself and its place in the document.
void writePages(const QString& path, const std::vector<PageSpec>& pages) {
    TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "w");
    ASSERT_NE(t, nullptr);
    for (std::size_t n = 0; n < pages.size(); ++n) {
        const Layout& l = pages[n].layout;
        const auto width = std::uint32_t(pages[n].size.width());
        const auto height = std::uint32_t(pages[n].size.height());
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, l.bits);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, l.samples);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, l.photometric);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, l.planar);
        TIFFSetField(t, TIFFTAG_COMPRESSION, l.compression);
        TIFFSetField(t, TIFFTAG_ORIENTATION, l.orientation);
        if (l.predictor != PREDICTOR_NONE) TIFFSetField(t, TIFFTAG_PREDICTOR, l.predictor);
        if (l.alpha) {
            const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        std::vector<std::uint16_t> red(1u << l.bits), green(red.size()), blue(red.size());
        for (std::size_t i = 0; i < red.size(); ++i) {
            red[i] = std::uint16_t(i * 4099);
            green[i] = std::uint16_t(65535 - i * 2063);
            blue[i] = std::uint16_t(i * i * 977);
        }
        if (l.photometric == PHOTOMETRIC_PALETTE)
            TIFFSetField(t, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
        if (l.photometric == PHOTOMETRIC_YCBCR && l.compression == COMPRESSION_JPEG)
            TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        else if (l.photometric == PHOTOMETRIC_YCBCR)
            TIFFSetField(t, TIFFTAG_YCBCRSUBSAMPLING, 1, 1);
        if (l.tiled) {
            TIFFSetField(t, TIFFTAG_TILEWIDTH, kTileSide);
            TIFFSetField(t, TIFFTAG_TILELENGTH, kTileSide);
        } else {
            TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, kRowsPerStrip);
        }
        TIFFSetField(t, TIFFTAG_PAGENAME, QByteArray::number(n + 1).prepend("page ").data());
        TIFFSetField(t, TIFFTAG_PAGENUMBER, std::uint16_t(n), std::uint16_t(pages.size()));
        TIFFSetField(t, TIFFTAG_IMAGEDESCRIPTION, "scanned");
        TIFFSetField(t, TIFFTAG_XRESOLUTION, 150.0 + double(n));
        const std::uint32_t chunks = l.tiled ? TIFFNumberOfTiles(t) : TIFFNumberOfStrips(t);
        const std::uint32_t stripsPerPlane = (height + kRowsPerStrip - 1) / kRowsPerStrip;
        for (std::uint32_t i = 0; i < chunks; ++i) {
            const std::uint32_t firstRow = i % stripsPerPlane * kRowsPerStrip;
            const tmsize_t size =
                l.tiled ? TIFFTileSize(t)
                        : TIFFVStripSize(t, std::min(kRowsPerStrip, height - firstRow));
            std::vector<std::uint8_t> chunk(static_cast<std::size_t>(size));
            for (std::size_t j = 0; j < chunk.size(); ++j)
                chunk[j] = std::uint8_t(n * 53 + i * 29 + j * 7 + j / 11);
            ASSERT_GE(l.tiled ? TIFFWriteEncodedTile(t, i, chunk.data(), size)
                              : TIFFWriteEncodedStrip(t, i, chunk.data(), size),
                      0);
        }
        ASSERT_TRUE(TIFFWriteDirectory(t));
    }
    TIFFClose(t);
}

// A page of a file opened with libtiff, for reading what decoders do not show.
class OpenPage {
public:
    OpenPage(const QString& path, int number)
        : tiff_(TIFFOpen(QFile::encodeName(path).constData(), "r")) {
        if (!tiff_ || !TIFFSetDirectory(tiff_, tdir_t(number - 1)))
            ADD_FAILURE() << "no page " << number << " in " << path.toStdString();
    }
    ~OpenPage() {
        if (tiff_) TIFFClose(tiff_);
    }
    OpenPage(const OpenPage&) = delete;
    OpenPage& operator=(const OpenPage&) = delete;

    template <typename T>
    T field(ttag_t tag) const {
        T value{};
        TIFFGetFieldDefaulted(tiff_, tag, &value);
        return value;
    }
    // The page's number in its document, counted from 0.
    int pageNumber() const {
        std::uint16_t number = 0, count = 0;
        TIFFGetField(tiff_, TIFFTAG_PAGENUMBER, &number, &count);
        return number;
    }
    QByteArray text(ttag_t tag) const {
        const char* value = nullptr;
        return TIFFGetField(tiff_, tag, &value) ? QByteArray(value) : QByteArray();
    }
    Layout layout() const {
        std::uint16_t extraCount = 0;
        std::uint16_t* extra = nullptr;
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
        const auto compression = field<std::uint16_t>(TIFFTAG_COMPRESSION);
        // Only the compressions that take a predictor know the tag.
        const bool predicts =
            compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE;
        return {field<std::uint16_t>(TIFFTAG_PHOTOMETRIC),
                field<std::uint16_t>(TIFFTAG_BITSPERSAMPLE),
                field<std::uint16_t>(TIFFTAG_SAMPLESPERPIXEL),
                compression,
                field<std::uint16_t>(TIFFTAG_PLANARCONFIG),
                TIFFIsTiled(tiff_) != 0,
                predicts ? field<std::uint16_t>(TIFFTAG_PREDICTOR) : std::uint16_t(PREDICTOR_NONE),
                extraCount == 1 && extra[0] == EXTRASAMPLE_UNASSALPHA,
                field<std::uint16_t>(TIFFTAG_ORIENTATION)};
    }
    // Every sample as libtiff decodes it, chunk after chunk; JPEG in YCbCr as RGB.
    QByteArray samples() const {
        if (field<std::uint16_t>(TIFFTAG_COMPRESSION) == COMPRESSION_JPEG)
            TIFFSetField(tiff_, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        const bool tiled = TIFFIsTiled(tiff_);
        const tmsize_t size = tiled ? TIFFTileSize(tiff_) : TIFFStripSize(tiff_);
        const std::uint32_t chunks = tiled ? TIFFNumberOfTiles(tiff_) : TIFFNumberOfStrips(tiff_);
        QByteArray all;
        QByteArray chunk(size, '\0');
        for (std::uint32_t i = 0; i < chunks; ++i) {
            const tmsize_t n = tiled ? TIFFReadEncodedTile(tiff_, i, chunk.data(), size)
                                     : TIFFReadEncodedStrip(tiff_, i, chunk.data(), size);
            EXPECT_GE(n, 0) << "chunk " << i;
            all += chunk.left(std::max<tmsize_t>(n, 0));
        }
        return all;
    }

private:
    TIFF* tiff_;
};

int pageCount(const QString& path) { return codecs::inspect(path).imageCount; }

QImage mirrored(const QImage& image) { return image.mirrored(true, false); }

// --- Which page is saved ---

class SavingPage : public testing::TestWithParam<int> {};

// Three grey pages of different sizes; the one opened is flipped and saved twice.
TEST_P(SavingPage, PutsTheEditBackInItsPlaceAndKeepsTheOtherPages) {
    const int edited = GetParam();
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("scan.tif"));
    writePages(path, {{{10, 10}, {}}, {{20, 12}, {}}, {{30, 14}, {}}});
    std::vector<QImage> before;
    std::vector<QByteArray> samplesBefore;
    for (int n = 1; n <= 3; ++n) {
        before.push_back(decodeFile(path, n));
        samplesBefore.push_back(OpenPage(path, n).samples());
    }

    imaging::ImgX engine;
    engine.canvas().LoadFile(path, edited, 0);
    ASSERT_EQ(engine.image(), before[edited - 1]);
    engine.effects().Flip(0, 0);
    engine.files().SaveFile(path, kFormatTiff, 0);
    EXPECT_FALSE(engine.Modified());
    EXPECT_EQ(engine.Info(imaging::kInfoFilePath).toString(), path);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"scan.tif"});
    engine.effects().Flip(1, 0);
    engine.files().SaveFile(path, kFormatTiff, 0);

    ASSERT_EQ(pageCount(path), 3);
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        const OpenPage page(path, n);
        EXPECT_EQ(page.text(TIFFTAG_PAGENAME), "page " + QByteArray::number(n));
        EXPECT_EQ(page.pageNumber(), n - 1);
        if (n == edited) {
            EXPECT_EQ(decodeFile(path, n), before[n - 1].mirrored(true, true));
            continue;
        }
        EXPECT_EQ(decodeFile(path, n), before[n - 1]);
        EXPECT_EQ(page.samples(), samplesBefore[n - 1]);
        EXPECT_EQ(page.layout(), Layout{}) << "grey stays grey";
        EXPECT_EQ(page.text(TIFFTAG_IMAGEDESCRIPTION), "scanned");
        EXPECT_EQ(page.field<float>(TIFFTAG_XRESOLUTION), 149.0f + float(n));
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, SavingPage, testing::Values(1, 2, 3),
                         [](const auto& info) { return "Page" + std::to_string(info.param); });

// --- How the kept pages store their samples ---

struct KeptLayoutCase {
    const char* name;
    Layout stored;
    Layout rewritten;      // as stored, where libtiff can write that back
    bool samplesAsStored;  // else kept as the picture they decode to
};

void PrintTo(const KeptLayoutCase& c, std::ostream* out) { *out << c.name; }

Layout as(Layout l, std::uint16_t photometric, std::uint16_t compression,
          std::uint16_t predictor = PREDICTOR_NONE) {
    l.photometric = photometric;
    l.compression = compression;
    l.predictor = predictor;
    return l;
}

class KeptLayout : public testing::TestWithParam<KeptLayoutCase> {};

// Pages 1 and 3 in the layout of the case, page 2 grey: page 2 is opened, flipped and saved.
TEST_P(KeptLayout, KeepsTheSamplesAndThePicture) {
    const KeptLayoutCase& c = GetParam();
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("pages.tif"));
    writePages(path, {{{37, 21}, c.stored}, {{10, 6}, {}}, {{18, 33}, c.stored}});
    const QImage first = decodeFile(path, 1), last = decodeFile(path, 3);
    const QByteArray firstSamples = OpenPage(path, 1).samples();
    const QByteArray lastSamples = OpenPage(path, 3).samples();

    imaging::ImgX engine;
    engine.canvas().LoadFile(path, 2, 0);
    engine.effects().Flip(0, 0);
    engine.files().SaveFile(path, kFormatTiff, 0);

    ASSERT_EQ(pageCount(path), 3);
    EXPECT_EQ(decodeFile(path, 1), first);
    EXPECT_EQ(decodeFile(path, 3), last);
    EXPECT_EQ(decodeFile(path, 2), engine.image());
    EXPECT_EQ(OpenPage(path, 1).layout(), c.rewritten);
    EXPECT_EQ(OpenPage(path, 3).layout(), c.rewritten);
    if (c.samplesAsStored) {
        EXPECT_EQ(OpenPage(path, 1).samples(), firstSamples);
        EXPECT_EQ(OpenPage(path, 3).samples(), lastSamples);
    }
}

const Layout kBits{PHOTOMETRIC_MINISWHITE, 1, 1, COMPRESSION_PACKBITS};
const Layout kPalette{PHOTOMETRIC_PALETTE, 4, 1, COMPRESSION_LZW};
const Layout kDeepRgb{
    PHOTOMETRIC_RGB,     16, 3, COMPRESSION_ADOBE_DEFLATE, PLANARCONFIG_CONTIG, false,
    PREDICTOR_HORIZONTAL};
const Layout kPlanes{
    PHOTOMETRIC_RGB,     8, 3, COMPRESSION_ADOBE_DEFLATE, PLANARCONFIG_SEPARATE, false,
    PREDICTOR_HORIZONTAL};
const Layout kDeepGreyAlphaPlanes{
    PHOTOMETRIC_MINISBLACK, 16,  2, COMPRESSION_LZW, PLANARCONFIG_SEPARATE, false,
    PREDICTOR_HORIZONTAL,   true};
const Layout kTurnedTiles{PHOTOMETRIC_RGB,
                          8,
                          4,
                          COMPRESSION_LZW,
                          PLANARCONFIG_CONTIG,
                          true,
                          PREDICTOR_HORIZONTAL,
                          true,
                          ORIENTATION_RIGHTTOP};
const Layout kCmyk{PHOTOMETRIC_SEPARATED, 8, 4, COMPRESSION_NONE};
const Layout kJpeg{PHOTOMETRIC_YCBCR, 8, 3, COMPRESSION_JPEG};
const Layout kYCbCr{PHOTOMETRIC_YCBCR, 8, 3, COMPRESSION_NONE};

INSTANTIATE_TEST_SUITE_P(
    Layouts, KeptLayout,
    testing::Values(KeptLayoutCase{"OneBitBlackOnWhite", kBits, kBits, true},
                    KeptLayoutCase{"FourBitPalette", kPalette, kPalette, true},
                    KeptLayoutCase{"SixteenBitRgb", kDeepRgb, kDeepRgb, true},
                    KeptLayoutCase{"RgbPlanes", kPlanes, kPlanes, true},
                    KeptLayoutCase{"SixteenBitGreyAlphaPlanes", kDeepGreyAlphaPlanes,
                                   kDeepGreyAlphaPlanes, true},
                    KeptLayoutCase{"TurnedTilesWithAlpha", kTurnedTiles, kTurnedTiles, true},
                    KeptLayoutCase{"Cmyk", kCmyk, kCmyk, true},
                    // Decoded samples are kept; JPEG would lose them again, LZW does not.
                    KeptLayoutCase{"JpegAsLosslessRgb", kJpeg,
                                   as(kJpeg, PHOTOMETRIC_RGB, COMPRESSION_LZW), true},
                    KeptLayoutCase{
                        "YCbCrAsItsPicture", kYCbCr,
                        as(kYCbCr, PHOTOMETRIC_RGB, COMPRESSION_LZW, PREDICTOR_HORIZONTAL), false}),
    caseName);

// --- When the other pages cannot be kept ---

struct RefusedCase {
    const char* name;
    // Changes the file behind the engine's back, after page 2 of three was opened.
    void (*spoil)(const QString& path);
    const char* reason;  // the end of the message; the start of libtiff's for damage
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

// Three pages whose third holds LZW codes that are not LZW.
void damageThirdPage(const QString& path) {
    writePages(path, {{{10, 10}, {}}, {{20, 12}, {}}});
    TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "a");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 8);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 8);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 8);
    char garbage[] = "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF";
    TIFFWriteRawStrip(t, 0, garbage, 8);
    TIFFWriteDirectory(t);
    TIFFClose(t);
}

class RefusedSave : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedSave, WritesNothingAndSaysWhyNamingTheFile) {
    const RefusedCase& c = GetParam();
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("scan.tif"));
    writePages(path, {{{10, 10}, {}}, {{20, 12}, {}}, {{30, 14}, {}}});
    imaging::ImgX engine;
    engine.canvas().LoadFile(path, 2, 0);
    engine.effects().Flip(0, 0);
    c.spoil(path);
    const bool existed = QFile::exists(path);
    const QByteArray spoilt = existed ? fileBytes(path) : QByteArray();

    QString message;
    try {
        engine.files().SaveFile(path, kFormatTiff, 0);
        ADD_FAILURE() << "saved";
    } catch (const imaging::Error& error) {
        EXPECT_EQ(error.number, imaging::kWriteFailed);
        message = error.description;
    }
    const QString lead = "The file \"" + QDir::toNativeSeparators(path) +
                         "\" could not be written: its other pages could not be read back, "
                         "so nothing was written (";
    EXPECT_TRUE(message.startsWith(lead + c.reason)) << message.toStdString();
    ASSERT_EQ(QFile::exists(path), existed);
    if (existed) {
        EXPECT_EQ(fileBytes(path), spoilt);
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), existed ? 1 : 0)
        << "no temporary file left";
    EXPECT_TRUE(engine.Modified());

    // The edit is not lost: it can still go to a file of its own.
    const QString other = folder.filePath(QStringLiteral("other.tif"));
    engine.files().SaveFile(other, kFormatTiff, 0);
    EXPECT_EQ(decodeFile(other), engine.image());
}

INSTANTIATE_TEST_SUITE_P(
    Spoilt, RefusedSave,
    testing::Values(
        RefusedCase{"Removed", [](const QString& p) { QFile::remove(p); },
                    "the file does not exist)."},
        RefusedCase{"OnePageLess",
                    [](const QString& p) {
                        writePages(p, {{{10, 10}, {}}, {{20, 12}, {}}});
                    },
                    "it now holds 2 image(s), not the 3 it held when image 2 was opened)."},
        RefusedCase{"OnePageMore",
                    [](const QString& p) {
                        writePages(p, {{{10, 10}, {}}, {{20, 12}, {}}, {{5, 5}, {}}, {{6, 6}, {}}});
                    },
                    "it now holds 4 image(s), not the 3 it held when image 2 was opened)."},
        RefusedCase{"NoLongerATiff",
                    [](const QString& p) {
                        QImage picture(4, 4, QImage::Format_RGB32);
                        picture.fill(Qt::red);
                        picture.save(p, "PNG");
                    },
                    "it is no longer a TIFF file)."},
        RefusedCase{"ThirdPageDamaged", damageThirdPage, ""}),
    caseName);

// --- Everything else writes one page, as a save always did ---

struct OnePageCase {
    const char* name;
    // After page 2 of three was opened and flipped: returns the file written.
    QString (*save)(imaging::ImgX& engine, const QString& path);
    int formatCode;
};

void PrintTo(const OnePageCase& c, std::ostream* out) { *out << c.name; }

class OnePageSave : public testing::TestWithParam<OnePageCase> {};

TEST_P(OnePageSave, WritesOnlyTheImage) {
    const OnePageCase& c = GetParam();
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("scan.tif"));
    writePages(path, {{{10, 10}, {}}, {{20, 12}, {}}, {{30, 14}, {}}});
    const QByteArray original = fileBytes(path);
    imaging::ImgX engine;
    engine.canvas().LoadFile(path, 2, 0);
    engine.effects().Flip(0, 0);

    const QString written = c.save(engine, path);
    const codecs::FileFacts facts = codecs::inspect(written);
    EXPECT_EQ(facts.formatCode, c.formatCode);
    EXPECT_EQ(facts.imageCount, 1);
    EXPECT_EQ(decodeFile(written), engine.image());
    if (written != path) {
        EXPECT_EQ(fileBytes(path), original);
    }
}

QString besidePath(const QString& path, const char* name) {
    return QFileInfo(path).dir().filePath(QLatin1String(name));
}

INSTANTIATE_TEST_SUITE_P(
    Saves, OnePageSave,
    testing::Values(OnePageCase{"ToAnotherFile",
                                [](imaging::ImgX& e, const QString& p) {
                                    const QString other = besidePath(p, "other.tif");
                                    e.files().SaveFile(other, kFormatTiff, 0);
                                    return other;
                                },
                                kFormatTiff},
                    // The document is the other file now; its old name is just a name.
                    OnePageCase{"BackAfterSavingElsewhere",
                                [](imaging::ImgX& e, const QString& p) {
                                    e.files().SaveFile(besidePath(p, "other.tif"), kFormatTiff, 0);
                                    e.files().SaveFile(p, kFormatTiff, 0);
                                    return p;
                                },
                                kFormatTiff},
                    OnePageCase{"InAnotherFormat",
                                [](imaging::ImgX& e, const QString& p) {
                                    e.files().SaveFile(p, kFormatPng, 0);
                                    return p;
                                },
                                kFormatPng},
                    OnePageCase{"APictureTakenSince",
                                [](imaging::ImgX& e, const QString& p) {
                                    e.canvas().LoadFromPicture(mirrored(e.image()), 0);
                                    e.files().SaveFile(p, kFormatTiff, 0);
                                    return p;
                                },
                                kFormatTiff},
                    OnePageCase{"PastedOver",
                                [](imaging::ImgX& e, const QString& p) {
                                    QGuiApplication::clipboard()->setImage(mirrored(e.image()));
                                    e.canvas().Paste(0);
                                    e.files().SaveFile(p, kFormatTiff, 0);
                                    return p;
                                },
                                kFormatTiff},
                    OnePageCase{"AnotherFileOpenedSince",
                                [](imaging::ImgX& e, const QString& p) {
                                    const QString single = besidePath(p, "single.tif");
                                    writePages(single, {{{7, 5}, {}}});
                                    e.canvas().LoadFile(single, 1, 0);
                                    e.files().SaveFile(p, kFormatTiff, 0);
                                    return p;
                                },
                                kFormatTiff}),
    caseName);

}  // namespace
