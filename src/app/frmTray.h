#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "TrayIcon.h"
#include "operations/PlacementSettings.h"
#include "showlist/RecordSet.h"
#include "showlist/SelectedImage.h"
#include "showlist/ShowLists.h"

class QComboBox;
class QImage;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPrinter;
class QPushButton;
class QToolButton;

namespace platform {
class Autostart;
class Desktop;
class Prompter;
}  // namespace platform

namespace showlist {
class ImageBrowser;
class PreviewPrefetcher;
struct PreviewOutcome;
}  // namespace showlist

namespace rotation {
class Scheduler;
class MonitorWallpaper;
class WallpaperSetter;
}  // namespace rotation

namespace editor {
class Zarn;
}  // namespace editor

namespace app {

class TrayMenu;

struct TrayWindowServices {
    platform::Prompter& prompter;
    platform::Desktop& desktop;
    rotation::WallpaperSetter& wallpaper;
    int tickMs;
    TrayMode trayMode;
    // Ends the program at once; the unload has already run.
    std::function<void()> endProgram;
    // The wallpaper backend's name, as failures of it are reported.
    QString wallpaperBackend;
    // The log-in start entry the tray menu offers; none when null.
    const platform::Autostart* autostart = nullptr;
    // What the monitors show, which the tray menu offers to change; not offered when null.
    rotation::MonitorWallpaper* monitors = nullptr;
};

// The main window: the show list and its browser while visible, the notification-area icon
// while the wallpaper rotates. Created once, shown and hidden, never destroyed before the
// program ends.
class frmTray final : public QWidget {
    Q_OBJECT
public:
    explicit frmTray(TrayWindowServices services, QWidget* parent = nullptr);
    ~frmTray() override;

    showlist::RecordSet Data1;
    rotation::Scheduler& rotation() { return *rotation_; }
    showlist::ShowLists& showLists() { return *lists_; }
    TrayIcon& trayIcon() { return *trayIcon_; }
    TrayMenu& trayMenu() { return *trayMenu_; }
    showlist::ImageBrowser& browser() { return *browser_; }
    // The previews of the files browsed and their neighbours, made on worker threads.
    showlist::PreviewPrefetcher& previews() { return *previews_; }
    // The image last selected here; the editor opens its dialog at its FileName.
    const showlist::SelectedImage& selectedImage() const { return selected_; }
    bool hookInstalled() const { return hookInstalled_; }

    // Whether the rotation should treat the window as in view.
    bool isShowing() const;

    void Form_Load();
    void Form_Activate();
    // Removes the icon and records the showing wallpaper (or empties the store when the list
    // is empty). Runs once; later calls do nothing.
    void Form_Unload();

    void AddTrayIcon();
    void RemoveTrayIcon();
    // Direction 0: from the notification area to the window; 1: the other way.
    void AnimateTray(int direction);
    void reStart();
    void mnuRestore_Click();
    void cmdSaveSetup_Click();
    void Label1_Click();
    // The About box, then the help.
    void Label2_Click();

    // Show-list editing.
    void cmdNew_Click();
    void cmdDelete_Click();
    void cmdMoveUp_Click();
    void cmdMoveDn_Click();
    void cmdSaveImg_Click();

    // The browser and the preview.
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void ShowList_Click();

    // Opens the image toolbox in place of this window.
    void picPreview_DblClick();
    // The toolbox while it is open, else null.
    editor::Zarn* toolbox() const;

    // Goes to the notification area: the icon, then the window out of sight.
    void hideToTray(bool animate);
    // Says why the store cannot be used, on standard error and in a message over the window.
    void tellStoreUnusable(const QString& reason);

    QListWidget* ShowList;
    QListWidget* HiddenList1;
    QListWidget* HiddenList2;
    QComboBox* ComboTime;
    QLabel* Label3;
    QComboBox* Drive1;
    QListWidget* Dir1;
    QListWidget* File1;
    QLabel* picPreview;
    QPushButton* cmdNew;
    QPushButton* cmdDelete;
    QPushButton* cmdMoveUp;
    QPushButton* cmdMoveDn;
    QPushButton* cmdSaveImg;
    QPushButton* cmdSaveSetup;
    QToolButton* Label1;
    QToolButton* Label2;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void connectShowListCommands();
    void onTrayDoubleClick();
    // Moves the selected entry one place up (-1) or down (+1).
    void moveSelected(int step);
    void showPreview(const QImage& picture);
    // Shows the preview of the file the window awaited, or says why the file list's file
    // cannot be shown.
    void applyPreview(const showlist::PreviewOutcome& outcome);
    // Ends a click on a list: its preview is shown, or refused, before the click is done.
    void settlePreview();
    // The files before and after the one selected in the file list, or the show list's entry
    // `index`, the next one first.
    QStringList fileNeighbours() const;
    QStringList showListNeighbours(int index) const;
    // Starts the preview of the entry under the pointer ahead of the neighbours, before any
    // press; what the window shows does not change.
    void prefetchPointedAt(QListWidget* list, QListWidgetItem* item);
    QString databasePath() const;

    TrayWindowServices services_;
    showlist::SelectedImage selected_;
    // The last file chosen with New Image in this run; its folder opens the next dialog.
    QString lastChosenImage_;
    std::unique_ptr<showlist::ShowLists> lists_;
    std::unique_ptr<showlist::ImageBrowser> browser_;
    std::unique_ptr<showlist::PreviewPrefetcher> previews_;
    // Which list the awaited preview was asked for: the file list's also sets the size.
    enum class PreviewFor { FileList, ShowList } awaitedFor_ = PreviewFor::FileList;
    std::unique_ptr<rotation::Scheduler> rotation_;
    TrayIcon* trayIcon_;
    TrayMenu* trayMenu_;
    QPointer<editor::Zarn> toolbox_;
    // The toolbox's printer: made when first needed, kept so a Printer Setup holds for the run.
    std::unique_ptr<QPrinter> printer_;
    // The toolbox's overlay placement choices, kept for the run like the printer.
    operations::PlacementSettings placement_;
    bool hookInstalled_ = false;
    bool unloaded_ = false;
    // Set while the window stands minimised in place of a tray icon.
    bool minimizedAsTray_ = false;
};

}  // namespace app
