#pragma once

#include <QString>
#include <vector>

#include "Drives.h"

class QComboBox;
class QListWidget;

namespace showlist {

// The drive, folder and file lists of the main window working together: the drive list
// picks a drive, the folder list shows where the browser stands on it and opens folders,
// the file list shows the open folder's files. Changes made here emit no selection signals,
// so only the user's own choices reach the window's handlers.
class ImageBrowser {
public:
    ImageBrowser(QComboBox* drives, QListWidget* folders, QListWidget* files);

    // Lists the drives and opens `folder`.
    void start(const std::vector<Drive>& drives, const QString& folder);
    // Opens the chosen drive's top folder. A drive that is not ready brings back the first
    // one, without a word: the user sees the list return to it.
    void changeDrive();
    enum class DriveChoice { KeepWhenHolding, Closest };
    // Opens a folder: the folder list shows the way down to it from the drive's top and the
    // folders inside it, the file list its files. Browsing keeps the drive in use while it
    // holds the folder, so the home drive does not give way to the root drive that holds it
    // too; a folder reached from elsewhere takes the drive that holds it most closely.
    void openFolder(const QString& folder, DriveChoice choice = DriveChoice::KeepWhenHolding);
    // Opens the folder marked in the folder list.
    void openMarkedFolder();

    QString folder() const { return folder_; }
    // The name of the file selected in the file list; empty when none is.
    QString selectedFileName() const;

private:
    void refreshFiles();
    QString driveTop(int index) const;
    // The drive whose top holds `folder` most closely.
    int driveHolding(const QString& folder) const;

    QComboBox* drives_;
    QListWidget* folders_;
    QListWidget* files_;
    QString folder_;
};

}  // namespace showlist
