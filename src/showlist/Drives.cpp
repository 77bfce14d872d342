#include "Drives.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <algorithm>

namespace showlist {

namespace {

const QSet<QByteArray> kPseudoFileSystems = {
    "autofs",     "binfmt_misc", "bpf",      "cgroup",   "cgroup2", "configfs",
    "debugfs",    "devpts",      "devtmpfs", "efivarfs", "fusectl", "hugetlbfs",
    "mqueue",     "nsfs",        "proc",     "pstore",   "ramfs",   "rpc_pipefs",
    "securityfs", "sysfs",       "tmpfs",    "tracefs"};

bool isRemovableMount(const QString& path) {
    for (const QString& top :
         {QStringLiteral("/media"), QStringLiteral("/run/media"), QStringLiteral("/mnt")})
        if (path == top || path.startsWith(top + QLatin1Char('/'))) return true;
    return false;
}

QString mountLabel(const MountedVolume& volume) {
    if (volume.name.isEmpty()) return volume.rootPath;
    return volume.rootPath + QStringLiteral("  [") + volume.name + QLatin1Char(']');
}

}  // namespace

std::vector<Drive> chooseDrives(const QString& homePath,
                                const std::vector<MountedVolume>& volumes) {
    const QString root = QDir::rootPath();
    std::vector<Drive> drives = {{root, root}};
    const QString home = QDir::cleanPath(homePath);
    if (!home.isEmpty() && home != root) drives.push_back({home, home});

    std::vector<MountedVolume> removable;
    for (const MountedVolume& volume : volumes) {
        const QString path = QDir::cleanPath(volume.rootPath);
        if (!isRemovableMount(path) || kPseudoFileSystems.contains(volume.fileSystemType)) continue;
        const bool listed = std::any_of(drives.begin(), drives.end(),
                                        [&](const Drive& d) { return d.path == path; }) ||
                            std::any_of(removable.begin(), removable.end(),
                                        [&](const MountedVolume& v) { return v.rootPath == path; });
        if (!listed) removable.push_back({path, volume.fileSystemType, volume.name});
    }
    std::sort(
        removable.begin(), removable.end(),
        [](const MountedVolume& a, const MountedVolume& b) { return a.rootPath < b.rootPath; });
    for (const MountedVolume& volume : removable)
        drives.push_back({mountLabel(volume), volume.rootPath});
    return drives;
}

std::vector<Drive> availableDrives() {
    std::vector<MountedVolume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes())
        volumes.push_back({storage.rootPath(), storage.fileSystemType(), storage.name()});
    return chooseDrives(QDir::homePath(), volumes);
}

bool driveReady(const QString& path) {
    const QFileInfo folder(path);
    return !path.isEmpty() && folder.isDir() && folder.isReadable() && folder.isExecutable();
}

}  // namespace showlist
