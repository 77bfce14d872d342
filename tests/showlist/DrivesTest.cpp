#include <gtest/gtest.h>

#include "showlist/Drives.h"
#include "support/QtPrinting.h"

namespace {

QStringList listed(const QString& home, const std::vector<showlist::MountedVolume>& volumes) {
    QStringList result;
    for (const auto& d : showlist::chooseDrives(home, volumes)) result << d.label + " -> " + d.path;
    return result;
}

TEST(Drives, RootThenHomeThenRemovableMediaWithoutKernelFileSystemsOrRepeats) {
    const std::vector<showlist::MountedVolume> volumes = {{"/", "ext4", ""},
                                                          {"/proc", "proc", ""},
                                                          {"/run/media/ann/CAM", "vfat", "CAM"},
                                                          {"/media/usb", "exfat", "STICK"},
                                                          {"/mnt/backup/", "ext4", ""},
                                                          {"/media/ram", "tmpfs", ""},
                                                          {"/boot", "ext4", ""},
                                                          {"/media/usb", "exfat", "STICK"},
                                                          {"/mediaX", "ext4", ""}};
    EXPECT_EQ(listed("/home/ann", volumes),
              (QStringList{"/ -> /", "/home/ann -> /home/ann", "/media/usb  [STICK] -> /media/usb",
                           "/mnt/backup -> /mnt/backup",
                           "/run/media/ann/CAM  [CAM] -> /run/media/ann/CAM"}));
    EXPECT_EQ(listed("/", {}), QStringList{"/ -> /"});
}

}  // namespace
