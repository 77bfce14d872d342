#include <gtest/gtest.h>
#include <QStringList>

#include "imaging/Error.h"
#include "showlist/BitmapBackup.h"
#include "support/QtPrinting.h"
#include "support/SmallDisk.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

// Save Image's copy of a bitmap into a program folder whose disk fills up part of the way:
// the copy saved before stays whole, and nothing half-written is left beside it.
TEST(BitmapCopy, OnAFullDiskSaysWhyAndKeepsTheEarlierCopy) {
    testing_support::SmallDisk disk;
    if (!disk.mounted()) GTEST_SKIP() << disk.whyNot().toStdString();
    testing_support::TempFolder source;
    const QString bitmap = source.write("sunset.bmp", QByteArray(200 * 1024, 's'));
    const QString copy = disk.filePath("sunset.bmp");
    QFile earlier(copy);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write(QByteArray(1000, 'e'));
    earlier.close();
    for (const qint64 room : {qint64(0), qint64(16 * 1024)}) {
        SCOPED_TRACE(room);
        disk.fill(room);
        try {
            showlist::copyBitmap(bitmap, copy);
            ADD_FAILURE() << "a copy that did not fit was reported as made";
        } catch (const imaging::Error& error) {
            EXPECT_EQ(error.description, "No space left on device");
        }
        EXPECT_EQ(testing_support::fileBytes(copy), QByteArray(1000, 'e'));
        EXPECT_EQ(disk.entries(), QStringList{"sunset.bmp"}) << "a half-written copy was left";
    }
    disk.empty();
    showlist::copyBitmap(bitmap, copy);
    EXPECT_EQ(testing_support::fileBytes(copy), testing_support::fileBytes(bitmap));
}

}  // namespace
