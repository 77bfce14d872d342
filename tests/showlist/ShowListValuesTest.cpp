#include <gtest/gtest.h>

#include "showlist/Drives.h"
#include "showlist/FolderListing.h"
#include "showlist/ViewTime.h"
#include "support/QtPrinting.h"

namespace {

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

}  // namespace
