#include "BitmapBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#include "FolderListing.h"
#include "imaging/FormatCode.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "imaging/codecs/AtomicFile.h"

namespace showlist {

namespace {

bool holdsSeparator(const QString& text) {
    return text.contains(QLatin1Char('/')) || text.contains(QDir::separator());
}

bool sameFile(const QString& first, const QString& second) {
    const QString a = QFileInfo(first).canonicalFilePath();
    return !a.isEmpty() && a == QFileInfo(second).canonicalFilePath();
}

}  // namespace

BackupTarget backupTarget(const QString& programFolder, const QString& fileTitle) {
    if (fileTitle.size() < 3)
        throw std::invalid_argument("a title of fewer than three characters has no type");
    if (holdsSeparator(fileTitle))
        throw std::invalid_argument("a title naming a folder would lead out of the program folder");
    const QString name = fileTitle.section(QLatin1Char('.'), 0, 0);
    const bool isBitmap = fileTitle.right(3).toUpper() == QStringLiteral("BMP");
    const QString file = isBitmap ? fileTitle : name + QStringLiteral(".BMP");
    return {name, joinFolderAndName(programFolder, file), isBitmap};
}

void copyBitmap(const QString& source, const QString& target) {
    if (sameFile(source, target))
        throw std::runtime_error("the bitmap already is the program folder's copy");
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) throw std::runtime_error("the bitmap cannot be read");
    // Replaces an earlier copy whole or not at all; a full disk leaves it as it was.
    imaging::codecs::AtomicFile out(target);
    constexpr qint64 kBlock = 1 << 20;
    for (QByteArray block = in.read(kBlock); !block.isEmpty(); block = in.read(kBlock))
        if (out.write(block) != block.size()) break;  // commit() says why
    if (in.error() != QFileDevice::NoError)
        throw std::runtime_error("the bitmap cannot be read to its end");
    out.commit();
}

void convertToBitmap(const QString& source, const QString& target, std::optional<QSize> screen) {
    imaging::ImgX engine;
    engine.setInfo(imaging::kInfoUndoEnabled, 0);
    engine.canvas().LoadFile(source, 1, 0);
    if (screen) engine.effects().Resize(screen->width(), screen->height(), -1, -1, 0);
    engine.files().SaveFile(target, imaging::kFormatBmp, 0);
}

}  // namespace showlist
