#include <gtest/gtest.h>

#include "showlist/Drives.h"
#include "showlist/FolderListing.h"
#include "showlist/ViewTime.h"
#include "support/QtPrinting.h"

namespace {

TEST(ViewTime, ReadsTheStoredTextAsA16BitCount) {
    const std::pair<showlist::FieldValue, std::optional<int>> cases[] = {
        {" 240 ", 240}, {"-5", -5},       {"2.5", 2},         {"3.5", 4},        {"-2.5", -2},
        {"1e2", 100},   {"32767", 32767}, {"-32768", -32768}, {"32768", {}},     {"-32769", {}},
        {"12abc", {}},  {"nan", {}},      {"   ", {}},        {std::nullopt, {}}};
    for (const auto& [stored, ticks] : cases)
        EXPECT_EQ(showlist::toInt16(stored), ticks) << stored.value_or("null").toStdString();
}

TEST(Drives, RootThenHomeThenRemovableMediaWithoutKernelFileSystemsOrRepeats) {
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

TEST(JoinFolderAndName, PutsExactlyOneSeparatorBetween) {
    EXPECT_EQ(showlist::joinFolderAndName("/", "a.png"), "/a.png");
    EXPECT_EQ(showlist::joinFolderAndName("/home/ann", "a.png"), "/home/ann/a.png");
    EXPECT_EQ(showlist::joinFolderAndName("/media/usb/", "a.png"), "/media/usb/a.png");
    EXPECT_EQ(showlist::joinFolderAndName("", "a.png"), "a.png");
}

}  // namespace
