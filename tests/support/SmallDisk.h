#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif

namespace testing_support {

// A file system of a few hundred KiB (a tmpfs) on a fresh folder, so a test can fill it up
// and see what saving a file then does. Mounting needs root, as CI runs; elsewhere
// mounted() is false and whyNot() says why, for GTEST_SKIP.
class SmallDisk {
public:
    explicit SmallDisk(int kibibytes = 256) {
#ifdef Q_OS_LINUX
        const QByteArray options = "size=" + QByteArray::number(kibibytes) + "k,mode=0755";
        if (::mount("tmpfs", QFile::encodeName(folder_.path()).constData(), "tmpfs",
                    MS_NOSUID | MS_NODEV, options.constData()) == 0)
            mounted_ = true;
        else
            whyNot_ = QStringLiteral("needs root to mount a small tmpfs: ") +
                      QString::fromLocal8Bit(std::strerror(errno));
#else
        Q_UNUSED(kibibytes);
        whyNot_ = QStringLiteral("needs Linux to mount a small tmpfs");
#endif
    }
    ~SmallDisk() {
#ifdef Q_OS_LINUX
        if (mounted_) ::umount2(QFile::encodeName(folder_.path()).constData(), MNT_DETACH);
#endif
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    QString whyNot() const { return whyNot_; }
    QString path() const { return folder_.path(); }
    QString filePath(const QString& name) const { return folder_.filePath(name); }

    // Writes a filler file until the disk is full, then gives `room` bytes back (whole pages
    // of 4 KiB), so a write of more than that fails part of the way through.
    void fill(qint64 room = 0) {
        QFile filler(filePath(kFiller));
        filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        filler.resize(std::max<qint64>(0, filler.size() - room));
    }

    // Gives all the room back.
    void empty() { QFile::remove(filePath(kFiller)); }

    // Every name in the folder, hidden ones too, but the filler.
    QStringList entries() const {
        QStringList names =
            QDir(path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.removeAll(kFiller);
        return names;
    }

private:
    static inline const QString kFiller = QStringLiteral("filler");
    QTemporaryDir folder_;
    bool mounted_ = false;
    QString whyNot_;
};

}  // namespace testing_support
