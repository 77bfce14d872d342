#include "imaging/codecs/FileBytes.h"

#include <QFileInfo>

#include "imaging/Error.h"

namespace imaging::codecs {

FileBytes::FileBytes(const QString& path) : file_(path) {
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        throw Error(kFileNotFound, QStringLiteral("the file does not exist"));
    if (!file_.open(QIODevice::ReadOnly))
        throw Error(kFileNotFound,
                    QStringLiteral("the file cannot be opened (%1)").arg(file_.errorString()));
    const qint64 size = file_.size();
    if (size == 0) return;
    if (const uchar* mapped = file_.map(0, size)) {
        bytes_ = Bytes(mapped, std::size_t(size));
        return;
    }
    // Pipes and some network file systems cannot be mapped.
    copy_ = file_.readAll();
    bytes_ =
        Bytes(reinterpret_cast<const std::uint8_t*>(copy_.constData()), std::size_t(copy_.size()));
}

}  // namespace imaging::codecs
