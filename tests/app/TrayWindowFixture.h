#pragma once

#include <gtest/gtest.h>
#include <QComboBox>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/basMain.h"
#include "app/frmTray.h"
#include "rotation/Scheduler.h"
#include "showlist/ImageBrowser.h"
#include "support/FixedDesktop.h"
#include "support/ImageFiles.h"
#include "support/RecordingWallpaperSetter.h"
#include "support/ScriptedPrompter.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace testing_support {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

// "A:2:/w/C B:15": /w/A shown for 2 with /w/C as saved wallpaper, /w/B for 15 with none.
inline std::vector<StoredRecord> records(const QString& text) {
    std::vector<StoredRecord> list;
    for (const QString& item : text.split(' ', Qt::SkipEmptyParts)) {
        const QString setup = item.section(':', 2);
        const QString name = item.section(':', 0, 0);
        list.push_back({"/w/" + name, name, item.section(':', 1, 1),
                        setup.isEmpty() ? std::nullopt : showlist::FieldValue(setup)});
    }
    return list;
}

inline QStringList texts(const QListWidget* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i) result << list->item(i)->text();
    return result;
}

// The main window on the offscreen platform with a scripted prompter, a recording wallpaper
// setter and its store in a fresh program folder.
class TrayWindowTest : public ::testing::Test {
protected:
    QString storePath() const { return folder.filePath("ZARN.DAT"); }
    void store(const std::vector<StoredRecord>& records) { writeStore(storePath(), records); }
    std::vector<StoredRecord> stored() const { return readStore(storePath()); }

    // Creates the window (its load runs) and runs start-up.
    void start(app::TrayMode mode = app::TrayMode::SystemTray) {
        tray = std::make_unique<app::frmTray>(
            app::TrayWindowServices{prompter, desktop, setter, rotation::kDefaultTickMs, mode,
                                    [this] { ++programEnded; }, "recording"});
        app::Main(*tray);
    }
    // A tick that finds the current image's time used up.
    void tickOver() {
        tray->rotation().Longest = 0;
        tray->rotation().Timer1_Timer();
    }
    // Opens the window on the stored list, as a user would to edit it, and lists the given
    // entries in its place.
    void edit(const char* listed) {
        start();
        tray->RemoveTrayIcon();
        tray->show();
        tray->showLists().clear();
        for (const StoredRecord& e : records(listed))
            tray->showLists().append({*e.image, *e.path, *e.viewTime});
    }
    void expectTrayed(bool inTray) {
        EXPECT_EQ(tray->isVisible(), !inTray);
        EXPECT_EQ(tray->trayIcon().isPresent(), inTray);
        EXPECT_EQ(tray->hookInstalled(), inTray);
    }

    TempFolder folder;
    ScriptedPrompter prompter;
    RecordingWallpaperSetter setter;
    FixedDesktop desktop{folder.path()};
    int programEnded = 0;
    std::unique_ptr<app::frmTray> tray;
};

// The main window open on an empty show list, with a folder of test images to browse.
class ShowListWindowTest : public TrayWindowTest {
protected:
    void SetUp() override {
        start();
        ASSERT_TRUE(tray->isVisible());
    }

    // Opens a folder in the browser, as double clicks down the folder list would, and clicks
    // a file of it with the mouse.
    void clickFile(const QString& name, const QString& in = {}) {
        if (!in.isEmpty()) tray->browser().openFolder(in);
        const QList<QListWidgetItem*> found = tray->File1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        click(tray->File1, found.first());
    }
    void clickEntry(int row) { click(tray->ShowList, tray->ShowList->item(row)); }
    void deleteRow(int row) {
        if (row >= 0) tray->ShowList->setCurrentRow(row);
        tray->cmdSaveSetup->setEnabled(false);
        markPreview();
        tray->cmdDelete->click();
    }
    // Clicks New Image and gives the file dialog that answer.
    void choose(const std::optional<QString>& path) {
        prompter.expectOpenFile(
            "Select Image",
            path ? std::optional(platform::FileDialogResult{*path, 1}) : std::nullopt);
        tray->cmdNew->click();
    }

    // The three lists side by side, one "name|path|time" line per entry; a list longer
    // than the others shows up as lines with missing parts.
    QStringList entries() const {
        const QStringList names = texts(tray->ShowList), paths = texts(tray->HiddenList1),
                          times = texts(tray->HiddenList2);
        QStringList lines;
        for (qsizetype i = 0; i < qMax(names.size(), qMax(paths.size(), times.size())); ++i)
            lines << names.value(i, "?") + '|' + paths.value(i, "?") + '|' + times.value(i, "?");
        return lines;
    }
    void addEntry(const QString& name, const QString& path, const QString& time) {
        tray->showLists().append({name, path, time});
    }

    QImage preview() const { return tray->picPreview->pixmap().toImage(); }
    QSize previewSize() const { return preview().size(); }
    // Puts a marker picture into the preview, so a command that must leave it alone can be
    // caught replacing it.
    void markPreview() {
        QPixmap marker(7, 3);
        marker.fill(Qt::green);
        tray->picPreview->setPixmap(marker);
    }
    bool previewIsMarker() const { return previewSize() == QSize(7, 3); }
    void expectSelected(const QStringList& fileNameTitleTimeWidthHeight) {
        const showlist::SelectedImage& s = tray->selectedImage();
        const QStringList all = {s.FileName, s.FileTitle, s.TimeText, s.WidthText, s.HeightText};
        EXPECT_EQ(all.mid(0, fileNameTitleTimeWidthHeight.size()), fileNameTitleTimeWidthHeight);
    }
    void save(std::optional<Answer> fit = std::nullopt) {
        if (fit)
            prompter.expectMessage("Size to fit Display?", Buttons::YesNo, Icon::Question,
                                   "Image Backup", *fit);
        tray->cmdSaveImg->click();
    }
    // Saves a selection that cannot be saved: the list stays as it was, the selection is used
    // up and the list counts as changed all the same.
    void saveNothing(std::optional<Answer> fit = std::nullopt) {
        const QStringList before = entries();
        tray->cmdSaveSetup->setEnabled(false);
        save(fit);
        EXPECT_EQ(entries(), before);
        EXPECT_TRUE(tray->selectedImage().FileName.isEmpty());
        EXPECT_TRUE(tray->cmdSaveSetup->isEnabled());
    }
    static QSize bitmapSize(const QString& path) {
        QImageReader reader(path);
        return reader.format() == "bmp" ? reader.size() : QSize();
    }
    void expectUnknownFormat() {
        prompter.expectMessage("Unknown file format", Buttons::Ok, Icon::Information,
                               "Image Selection", Answer::Ok);
    }

    TempFolder images;

private:
    static void click(QListWidget* list, QListWidgetItem* item) {
        ASSERT_NE(item, nullptr);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
    }
};

}  // namespace testing_support
