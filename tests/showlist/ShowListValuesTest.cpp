#include <gtest/gtest.h>

#include "imaging/Error.h"
#include "showlist/BitmapBackup.h"
#include "showlist/Drives.h"
#include "showlist/FolderListing.h"
#include "showlist/ViewTime.h"
#include "support/QtPrinting.h"
#include "support/SmallDisk.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

using testing_support::fileBytes;

TEST(ShowListValues, ViewTimesFoldersAndDrivesReadAsTheFileListShowsThem) {
    const std::pair<showlist::FieldValue, std::optional<int>> cases[] = {
        {" 240 ", 240}, {"-5", -5},       {"2.5", 2},         {"3.5", 4},        {"-2.5", -2},
        {"1e2", 100},   {"32767", 32767}, {"-32768", -32768}, {"32768", {}},     {"-32769", {}},
        {"12abc", {}},  {"nan", {}},      {"   ", {}},        {std::nullopt, {}}};
    for (const auto& [stored, ticks] : cases)
        EXPECT_EQ(showlist::toInt16(stored), ticks) << stored.value_or("null").toStdString();
    QStringList joined;
    for (const char* folder : {"/", "/home/ann", "/media/usb/", ""})
        joined << showlist::joinFolderAndName(folder, "a.png");
    EXPECT_EQ(joined, QStringList({"/a.png", "/home/ann/a.png", "/media/usb/a.png", "a.png"}));
    // Drives: the root, home, then removable media; no kernel file systems, no repeats.
    const auto listed = [](const QString& home, const std::vector<showlist::MountedVolume>& v) {
        QStringList result;
        for (const auto& d : showlist::chooseDrives(home, v)) result << d.label + " -> " + d.path;
        return result;
    };
    EXPECT_EQ(listed("/home/ann", {{"/", "ext4", ""},
                                   {"/proc", "proc", ""},
                                   {"/run/media/ann/CAM", "vfat", "CAM"},
                                   {"/media/usb", "exfat", "STICK"},
                                   {"/mnt/backup/", "ext4", ""},
                                   {"/media/ram", "tmpfs", ""},
                                   {"/boot", "ext4", ""},
                                   {"/media/usb", "exfat", "STICK"},
                                   {"/mediaX", "ext4", ""}}),
              (QStringList{"/ -> /", "/home/ann -> /home/ann", "/media/usb  [STICK] -> /media/usb",
                           "/mnt/backup -> /mnt/backup",
                           "/run/media/ann/CAM  [CAM] -> /run/media/ann/CAM"}));
    EXPECT_EQ(listed("/", {}), QStringList{"/ -> /"});
}

// Save Image's copy of a bitmap into a program folder whose disk fills up part of the way:
// the copy saved before stays whole, and nothing half-written is left beside it.
TEST(BitmapCopy, OnAFullDiskSaysWhyAndKeepsTheEarlierCopy) {
    testing_support::SmallDisk disk;
    if (!disk.mounted()) GTEST_SKIP() << disk.whyNot().toStdString();
    testing_support::TempFolder source;
    const QString bitmap = source.write("sunset.bmp", QByteArray(200 * 1024, 's'));
    const QString copy = disk.filePath("sunset.bmp");
    showlist::copyBitmap(source.write("earlier.bmp", QByteArray(1000, 'e')), copy);
    for (const qint64 room : {qint64(0), qint64(16 * 1024)}) {
        disk.fill(room);
        try {
            showlist::copyBitmap(bitmap, copy);
            ADD_FAILURE() << "a copy that did not fit was reported as made";
        } catch (const imaging::Error& error) {
            EXPECT_EQ(error.description, "No space left on device");
        }
        EXPECT_EQ(fileBytes(copy), QByteArray(1000, 'e')) << room;
        EXPECT_EQ(disk.entries(), QStringList{"sunset.bmp"}) << "a half-written copy was left";
    }
    disk.empty();
    showlist::copyBitmap(bitmap, copy);
    EXPECT_EQ(fileBytes(copy), fileBytes(bitmap));
}

}  // namespace
