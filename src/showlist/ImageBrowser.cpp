#include "ImageBrowser.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStyle>

#include "FolderLineDelegate.h"
#include "FolderListing.h"

namespace showlist {

namespace {

constexpr int kPathRole = Qt::UserRole;

}  // namespace

ImageBrowser::ImageBrowser(QComboBox* drives, QListWidget* folders, QListWidget* files)
    : drives_(drives), folders_(folders), files_(files) {
    folders_->setItemDelegate(new FolderLineDelegate(folders_));
}

void ImageBrowser::start(const std::vector<Drive>& drives, const QString& folder) {
    {
        const QSignalBlocker quiet(drives_);
        drives_->clear();
        for (const Drive& drive : drives) drives_->addItem(drive.label, drive.path);
    }
    openFolder(folder, DriveChoice::Closest);
}

QString ImageBrowser::driveTop(int index) const {
    return drives_->itemData(index, kPathRole).toString();
}

int ImageBrowser::driveHolding(const QString& folder) const {
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < drives_->count(); ++i) {
        const QString top = driveTop(i);
        if (isWithin(folder, top) && top.size() > bestLength) {
            best = i;
            bestLength = top.size();
        }
    }
    return best;
}

void ImageBrowser::changeDrive() {
    QString top = driveTop(drives_->currentIndex());
    if (!driveReady(top) && drives_->count() > 0) {
        const QSignalBlocker quiet(drives_);
        drives_->setCurrentIndex(0);
        top = driveTop(0);
    }
    openFolder(top);
}

void ImageBrowser::openFolder(const QString& folder, DriveChoice choice) {
    folder_ = folder;
    int drive = drives_->currentIndex();
    if (choice == DriveChoice::Closest || drive < 0 || !isWithin(folder, driveTop(drive)))
        drive = driveHolding(folder);
    {
        const QSignalBlocker quiet(drives_);
        drives_->setCurrentIndex(drive);
    }

    const QString top = drive >= 0 ? driveTop(drive) : folder;
    const QIcon openIcon = QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = QApplication::style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QSignalBlocker quiet(folders_);
    folders_->clear();
    for (const FolderLine& line : folderLines(top, folder)) {
        auto* item = new QListWidgetItem(line.open ? openIcon : closedIcon, line.label);
        item->setData(kPathRole, line.path);
        item->setData(FolderLineDelegate::kDepthRole, line.depth);
        folders_->addItem(item);
        if (line.open) folders_->setCurrentItem(item);
    }
    refreshFiles();
}

void ImageBrowser::openMarkedFolder() {
    if (const QListWidgetItem* line = folders_->currentItem())
        openFolder(line->data(kPathRole).toString());
}

void ImageBrowser::refreshFiles() {
    const QSignalBlocker quiet(files_);
    files_->clear();
    files_->addItems(fileNames(folder_));
}

QString ImageBrowser::selectedFileName() const {
    const QList<QListWidgetItem*> selected = files_->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

}  // namespace showlist
