#include "DroppedImages.h"

#include <QFileInfo>
#include <QSize>
#include <exception>
#include <optional>
#include <stdexcept>
#include <vector>

#include "imaging/codecs/Codecs.h"
#include "platform/Desktop.h"
#include "platform/Prompter.h"
#include "showlist/BitmapBackup.h"
#include "showlist/FolderListing.h"
#include "showlist/ShowLists.h"

namespace app {

namespace {

const QString kTitle = QStringLiteral("Image Backup");

// An image the engine reads, judged from its content (a photo named .txt is still a photo)
// by its header alone, so a folder of large files is sorted out without decoding any.
bool isReadableImage(const QString& path) {
    try {
        const imaging::codecs::FileFacts facts = imaging::codecs::inspect(path);
        return facts.width > 0 && facts.height > 0;
    } catch (const std::exception&) {
        return false;
    }
}

bool sameFile(const QString& first, const QString& second) {
    const QString a = QFileInfo(first).canonicalFilePath();
    return !a.isEmpty() && a == QFileInfo(second).canonicalFilePath();
}

// One file of the drop, in the order its entry is to take in the list.
struct DroppedFile {
    QString path;
    // Unset for a file that cannot be added whatever the answers: not an image, or a name
    // that gives no bitmap name.
    std::optional<showlist::BackupTarget> target;
};

std::vector<DroppedFile> filesOfDrop(const QStringList& paths, const QString& programFolder) {
    std::vector<DroppedFile> files;
    const auto take = [&](const QString& path) {
        DroppedFile file{path, std::nullopt};
        if (QFileInfo(path).isFile() && isReadableImage(path)) {
            try {
                file.target = showlist::backupTarget(programFolder, QFileInfo(path).fileName());
            } catch (const std::exception&) {
            }
        }
        files.push_back(file);
    };
    for (const QString& path : paths) {
        if (!QFileInfo(path).isDir()) {
            take(path);
            continue;
        }
        // Only what the folder holds as images: its notes and thumbnails databases were not
        // meant to be added, so they are not worth a word.
        for (const QString& name : showlist::fileNames(path)) {
            const QString inside = showlist::joinFolderAndName(path, name);
            if (isReadableImage(inside)) take(inside);
        }
    }
    return files;
}

bool anyConversion(const std::vector<DroppedFile>& files) {
    for (const DroppedFile& file : files)
        if (file.target && !file.target->isBitmap) return true;
    return false;
}

// The size conversions are scaled to, asked once for the whole drop; none keeps each
// image's own size.
std::optional<QSize> fitForConversions(const DropServices& services) {
    const platform::Answer answer =
        services.prompter.message(QStringLiteral("Size to fit Display?"), platform::Buttons::YesNo,
                                  platform::Icon::Question, kTitle, services.parent);
    const QSize screen = services.desktop.screenSizePixels();
    // Without a known screen size there is nothing to fit to.
    if (answer == platform::Answer::No || screen.isEmpty()) return std::nullopt;
    return screen;
}

// Puts the file's bitmap into the program folder. Throws when it cannot.
void backUp(const DroppedFile& file, std::optional<QSize> fit) {
    if (!file.target->isBitmap) {
        showlist::convertToBitmap(file.path, file.target->path, fit);
        return;
    }
    // The program folder's own copy dropped back: it is already where an entry's bitmap
    // belongs, and copying it onto itself could only destroy it.
    if (!sameFile(file.path, file.target->path)) showlist::copyBitmap(file.path, file.target->path);
}

}  // namespace

QString notAddedMessage(const QStringList& names) {
    QString text = QStringLiteral("These files could not be added:");
    for (const QString& name : names.mid(0, kMostNamed)) text += QStringLiteral("\r\n") + name;
    if (names.size() > kMostNamed)
        text += QStringLiteral("\r\n... and %1 more").arg(names.size() - kMostNamed);
    return text;
}

int addDroppedImages(const QStringList& paths, const QString& viewTime,
                     const DropServices& services) {
    const std::vector<DroppedFile> files = filesOfDrop(paths, services.desktop.programFolder());
    const std::optional<QSize> fit =
        anyConversion(files) ? fitForConversions(services) : std::nullopt;
    int added = 0;
    QStringList notAdded;
    for (const DroppedFile& file : files) {
        // One file that fails (unreadable after all, a full disk) leaves the others to go on.
        try {
            if (!file.target) throw std::invalid_argument("not an image to add");
            backUp(file, fit);
            services.lists.append({file.target->name, file.target->path, viewTime});
            ++added;
        } catch (const std::exception&) {
            notAdded << QFileInfo(file.path).fileName();
        }
    }
    if (!notAdded.isEmpty())
        services.prompter.message(notAddedMessage(notAdded), platform::Buttons::Ok,
                                  platform::Icon::Information, kTitle, services.parent);
    return added;
}

}  // namespace app
