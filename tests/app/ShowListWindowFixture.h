#pragma once

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSize>

#include "TrayWindowFixture.h"
#include "showlist/ImageBrowser.h"

namespace testing_support {

// The main window open on an empty show list, with a folder of test images to browse.
class ShowListWindowTest : public TrayWindowTest {
protected:
    void SetUp() override;

    // Opens a folder in the browser, as double clicks down the folder list would.
    void browseTo(const QString& folder);
    // Clicks a file of the file list, or an entry of the show list, with the mouse.
    void clickFile(const QString& name);
    void clickEntry(int row);

    // The three lists side by side, one "name|path|time" line per entry; a list longer
    // than the others shows up as lines with missing parts.
    QStringList entries() const;
    void addEntry(const QString& name, const QString& path, const QString& time);

    QImage preview() const;
    QSize previewSize() const { return preview().size(); }
    // Puts a marker picture into the preview, so a command that must leave it alone can be
    // caught replacing it.
    void markPreview();
    bool previewIsMarker() const;

    QString inProgramFolder(const QString& name) const { return folder.filePath(name); }

    TempFolder images;
};

}  // namespace testing_support
