#include <QDir>

#include "HandMadeFiles.h"
#include "imaging/ImgX.h"

// Saving a page of a TIFF back into its file keeps the other pages as they were, or writes
// nothing at all and says why.
namespace {

using namespace imaging_testing;
using namespace imaging;  // the format codes and error numbers

QByteArray threePages() {
    return tiffFile({{10, 10, QByteArray(100, char(30))},
                     {20, 12, QByteArray(240, char(90))},
                     {30, 14, QByteArray(420, char(200)), 1, 6}});
}

TEST(TiffPageSave, PutsTheEditBackInItsPlaceAndKeepsTheOtherPages) {
    TempFolder folder;
    for (int edited = 1; edited <= 3; ++edited) {
        const QString path = folder.write(QStringLiteral("scan.tif"), threePages());
        std::vector<QImage> before;
        for (int n = 1; n <= 3; ++n) before.push_back(decodeFile(path, n));
        ImgX engine;
        engine.canvas().LoadFile(path, edited, 0);
        engine.effects().Flip(0, 0);
        engine.files().SaveFile(path, kFormatTiff, 0);
        EXPECT_FALSE(engine.Modified());
        ASSERT_EQ(codecs::inspect(path).imageCount, 3);
        for (int n = 1; n <= 3; ++n)
            EXPECT_EQ(decodeFile(path, n), n == edited ? engine.image() : before[n - 1]) << n;
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"scan.tif"});
    }
}

// The file changes behind the engine's back after page 2 was opened.
TEST(TiffPageSave, WritesNothingWhenTheOtherPagesCannotBeKept) {
    TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("scan.tif"));
    const std::pair<QByteArray, QString> spoilt[] = {
        {tiffFile({{10, 10, QByteArray(100, '\0')}, {4, 4, QByteArray(16, '\0')}}),
         QStringLiteral("it now holds 2 image(s), not the 3 it held when image 2 was opened")},
        {tiffFile({{10, 10, QByteArray(100, '\0')},
                   {4, 4, QByteArray(16, '\0')},
                   {16384, 16384, QByteArray(16, '\0'), 8}}),
         QStringLiteral("16 bytes of compressed data cannot hold 16384 x 16384 pixels")}};
    for (const auto& [file, reason] : spoilt) {
        folder.write(QStringLiteral("scan.tif"), threePages());
        ImgX engine;
        engine.canvas().LoadFile(path, 2, 0);
        engine.effects().Flip(0, 0);
        folder.write(QStringLiteral("scan.tif"), file);
        const Error error = errorOf([&] { engine.files().SaveFile(path, kFormatTiff, 0); });
        EXPECT_EQ(error.number, kWriteFailed);
        EXPECT_EQ(error.description,
                  QStringLiteral("The file \"%1\" could not be written: its other pages could "
                                 "not be read back, so nothing was written (%2).")
                      .arg(QDir::toNativeSeparators(path), reason));
        EXPECT_EQ(fileBytes(path), file);
        EXPECT_TRUE(engine.Modified()) << "the edit is not lost";
    }
}

}  // namespace
