#pragma once

#include <gtest/gtest.h>
#include <memory>

#include "app/frmTray.h"
#include "support/FixedDesktop.h"
#include "support/RecordingWallpaperSetter.h"
#include "support/ScriptedPrompter.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace testing_support {

StoredRecord entry(const QString& path, const QString& viewTime,
                   showlist::FieldValue setup = std::nullopt);

// The main window on the offscreen platform with a scripted prompter, a recording wallpaper
// setter and its store in a fresh program folder.
class TrayWindowTest : public ::testing::Test {
protected:
    QString storePath() const { return folder.filePath(QStringLiteral("ZARN.DAT")); }
    void store(const std::vector<StoredRecord>& records) { writeStore(storePath(), records); }
    std::vector<StoredRecord> stored() const { return readStore(storePath()); }

    // Creates the window (its load runs) and, unless told otherwise, runs start-up.
    app::frmTray& start(app::TrayMode mode = app::TrayMode::SystemTray, bool runMain = true);
    // The window's list texts, names only.
    QStringList showListNames() const;
    QStringList pathsList() const;
    QStringList timesList() const;

    TempFolder folder;
    ScriptedPrompter prompter;
    RecordingWallpaperSetter setter;
    FixedDesktop desktop{folder.path()};
    int programEnded = 0;
    std::unique_ptr<app::frmTray> tray;
};

}  // namespace testing_support
