// The main window's show-list commands: New Image, Delete, the two moves, Save Image, and the
// browser's drive and folder changes.
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>

#include "app/frmTray.h"
#include "platform/Desktop.h"
#include "platform/Prompter.h"
#include "platform/SkipOnError.h"
#include "showlist/BitmapBackup.h"
#include "showlist/ImageBrowser.h"
#include "showlist/Preview.h"
#include "showlist/PreviewFit.h"
#include "showlist/PreviewPrefetcher.h"
#include "showlist/ShowLists.h"
#include "showlist/WallpaperFiles.h"

namespace app {

using platform::skipOnError;

namespace {

// Where New Image looks first in a run: the user's pictures, or home when there are none.
QString picturesFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

}  // namespace

void frmTray::cmdNew_Click() {
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Select Image");
    request.initialFolder =
        lastChosenImage_.isEmpty() ? picturesFolder() : QFileInfo(lastChosenImage_).absolutePath();
    request.filter = QStringLiteral("Images|*.bmp");
    request.filterIndex = 1;
    const std::optional<platform::FileDialogResult> chosen =
        services_.prompter.openFile(request, this);
    if (!chosen || chosen->path.isEmpty()) return;

    const QString path = chosen->path;
    previews_->forget();
    selected_.FileName = path;
    selected_.FileTitle = QFileInfo(path).fileName();
    selected_.TimeText = ComboTime->currentText();
    lastChosenImage_ = path;
    try {
        showPreview(showlist::makePreview(path, showlist::kNewImageWideRatio).picture);
    } catch (const std::exception&) {
        return;
    }
    browser_->openFolder(QFileInfo(path).absolutePath(),
                         showlist::ImageBrowser::DriveChoice::Closest);
    picPreview->setFocus();
}

void frmTray::cmdDelete_Click() {
    const QString folder = services_.desktop.programFolder();
    // The entry about to go is not to turn up in the preview afterwards.
    previews_->forget();
    // Nothing selected, or a file that cannot be deleted, ends the deleting quietly.
    skipOnError([&] {
        const int index = lists_->selectedIndex();
        const QString path = lists_->entry(index).path;
        lists_->removeAt(index);
        showlist::deleteWallpaperFile(folder, path);
        picPreview->clear();
        if (lists_->count() == 0) showlist::deleteAllBitmaps(folder);
    });
    // The list that remains must be savable, or the deletion (whose file is already gone)
    // could never reach the store; an empty list has nothing to save.
    cmdSaveSetup->setEnabled(lists_->count() > 0);
    picPreview->setFocus();
}

void frmTray::cmdMoveUp_Click() { moveSelected(-1); }

void frmTray::cmdMoveDn_Click() { moveSelected(+1); }

void frmTray::moveSelected(int step) {
    const int from = lists_->selectedIndex();
    const int to = from + step;
    if (from < 0 || lists_->count() < 2 || to < 0 || to >= lists_->count()) return;
    skipOnError([&] {
        lists_->swap(from, to);
        lists_->select(to);
    });
}

void frmTray::cmdSaveImg_Click() {
    if (selected_.FileTitle.isEmpty()) return;
    cmdSaveSetup->setEnabled(true);
    // Any failure adds nothing and says nothing; the selection is used up either way.
    skipOnError([&] {
        const showlist::BackupTarget target =
            showlist::backupTarget(services_.desktop.programFolder(), selected_.FileTitle);
        if (target.isBitmap) {
            showlist::copyBitmap(selected_.FileName, target.path);
        } else {
            const platform::Answer answer = services_.prompter.message(
                QStringLiteral("Size to fit Display?"), platform::Buttons::YesNo,
                platform::Icon::Question, QStringLiteral("Image Backup"), this);
            const QSize screen = services_.desktop.screenSizePixels();
            // Without a known screen size there is nothing to fit to; the image keeps its own.
            const bool fit = answer != platform::Answer::No && !screen.isEmpty();
            showlist::convertToBitmap(selected_.FileName, target.path,
                                      fit ? std::optional(screen) : std::nullopt);
        }
        lists_->append({target.name, target.path, ComboTime->currentText()});
    });
    picPreview->setFocus();
    previews_->forget();
    selected_.clear();
}

void frmTray::Drive1_Change() { browser_->changeDrive(); }

void frmTray::Dir1_Change() { browser_->openMarkedFolder(); }

}  // namespace app
