#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace showlist {

// One entry of the drive list: what it shows and the folder it opens.
struct Drive {
    QString label;
    QString path;
};

// A mounted file system as the system reports it.
struct MountedVolume {
    QString rootPath;
    QByteArray fileSystemType;
    QString name;
};

// The drive list of this desktop: the root first, then the user's home folder, then the
// removable media and manual mounts (under /media, /run/media and /mnt), by path. Kernel
// and memory file systems are left out; they hold no pictures.
std::vector<Drive> chooseDrives(const QString& homePath, const std::vector<MountedVolume>& volumes);

// chooseDrives over the mounted volumes of this machine and the user's home folder.
std::vector<Drive> availableDrives();

// Whether a drive's folder can be opened now: it exists and may be read. A medium taken out
// since the list was made, or a mount that went away, is not ready.
bool driveReady(const QString& path);

}  // namespace showlist
