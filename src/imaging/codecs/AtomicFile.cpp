#include "imaging/codecs/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

#include "imaging/Error.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>

#include <cstdio>
#endif

namespace imaging::codecs {
namespace {

// Saving over a link replaces the file it names and keeps the link.
QString targetOf(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() ? info.symLinkTarget() : path;
}

QString temporaryNameFor(const QString& target) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString name = target + QLatin1Char('.');
    for (int i = 0; i < 6; ++i)
        name +=
            QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))]);
    return name;
}

// The data must be on the disk before the rename makes it the target's: a crash right after
// the rename could otherwise leave an empty file where the old image was. Empty when done.
QString syncToDisk(QFile& file) {
#ifdef Q_OS_WIN
    // QFile has no descriptor to sync here; the rename below is written through.
    Q_UNUSED(file);
    return {};
#else
    // The data and the size are what must be there; the times can wait.
#ifdef Q_OS_LINUX
    const int synced = ::fdatasync(file.handle());
#else
    const int synced = ::fsync(file.handle());
#endif
    // EINVAL: a special file or a file system that has nothing to sync.
    if (synced == 0 || errno == EINVAL) return {};
    return qt_error_string(errno);
#endif
}

// Empty when done.
QString renameOver(const QString& from, const QString& to) {
#ifdef Q_OS_WIN
    if (MoveFileExW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(from).utf16()),
                    reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(to).utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    return qt_error_string(int(GetLastError()));
#else
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return {};
    return qt_error_string(errno);
#endif
}

}  // namespace

AtomicFile::AtomicFile(const QString& path, bool durable)
    : target_(targetOf(path)), durable_(durable) {
    // Another file of the same name is all but impossible; a few tries rule it out.
    constexpr OpenMode kMode = ReadWrite | Unbuffered | NewOnly;
    for (int attempt = 1;; ++attempt) {
        temporary_.setFileName(temporaryNameFor(target_));
        if (temporary_.open(kMode)) break;
        if (attempt == 20 || !QFileInfo::exists(temporary_.fileName()))
            throw Error(kWriteFailed, temporary_.errorString());
    }
    // The new file keeps who may read and write the old one.
    if (QFileInfo::exists(target_)) temporary_.setPermissions(QFile::permissions(target_));
    temporary_.unsetError();
    QIODevice::open(ReadWrite | Unbuffered);
}

AtomicFile::~AtomicFile() {
    if (!committed_) temporary_.remove();
}

void AtomicFile::commit() {
    if (failed()) discardAndThrow(failure_);
    if (const QString text = durable_ ? syncToDisk(temporary_) : QString(); !text.isEmpty())
        discardAndThrow(text);
    // Some file systems (NFS, quotas) report a full disk only when the file is closed.
    temporary_.close();
    if (temporary_.error() != QFileDevice::NoError) discardAndThrow(temporary_.errorString());
    if (const QString text = renameOver(temporary_.fileName(), target_); !text.isEmpty())
        discardAndThrow(text);
    committed_ = true;
    QIODevice::close();
}

qint64 AtomicFile::size() const { return temporary_.size(); }

bool AtomicFile::seek(qint64 position) {
    if (failed()) return false;
    if (!temporary_.seek(position)) {
        fail(temporary_.errorString());
        return false;
    }
    return QIODevice::seek(position);
}

qint64 AtomicFile::readData(char* data, qint64 maxSize) {
    if (failed()) return -1;
    const qint64 read = temporary_.read(data, maxSize);
    if (read < 0) fail(temporary_.errorString());
    return read;
}

qint64 AtomicFile::writeData(const char* data, qint64 size) {
    if (failed()) return -1;
    // When the disk fills up half-way through a block, QFile reports the bytes it wrote and
    // no error; the next write then fails with the system's reason.
    qint64 written = 0;
    while (written < size) {
        const qint64 n = temporary_.write(data + written, size - written);
        if (n <= 0) {
            fail(temporary_.errorString());
            return -1;
        }
        written += n;
    }
    return written;
}

void AtomicFile::fail(const QString& text) {
    if (!failed())
        failure_ = text.isEmpty() ? QStringLiteral("the disk did not take the data") : text;
    setErrorString(failure_);
}

void AtomicFile::discardAndThrow(const QString& text) {
    QIODevice::close();
    temporary_.remove();
    throw Error(kWriteFailed, text);
}

}  // namespace imaging::codecs
