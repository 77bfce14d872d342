#include "frmTray.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>
#include <cstdio>

#include "CaptionZoom.h"
#include "ListClicks.h"
#include "ShowListDrop.h"
#include "TrayMenu.h"
#include "WallpaperNotice.h"
#include "editor/AboutBox.h"
#include "imaging/effects/RowBands.h"
#include "platform/Desktop.h"
#include "platform/Prompter.h"
#include "platform/SkipOnError.h"
#include "rotation/Scheduler.h"
#include "showlist/BitmapBackup.h"
#include "showlist/Drives.h"
#include "showlist/FolderListing.h"
#include "showlist/ImageBrowser.h"
#include "showlist/Preview.h"
#include "showlist/PreviewFit.h"
#include "showlist/PreviewPrefetcher.h"
#include "showlist/StoreReader.h"
#include "showlist/StoreWriter.h"
#include "showlist/ViewTime.h"
#include "showlist/WallpaperFiles.h"

namespace app {

using platform::skipOnError;

namespace {

// Display-time choices in minutes, offered in this order; 15 is the default.
const QStringList kDisplayTimes = {
    QStringLiteral("2"),  QStringLiteral("5"),   QStringLiteral("10"),  QStringLiteral("15"),
    QStringLiteral("30"), QStringLiteral("45"),  QStringLiteral("60"),  QStringLiteral("75"),
    QStringLiteral("90"), QStringLiteral("120"), QStringLiteral("180"), QStringLiteral("240")};

template <typename Widget>
Widget* named(Widget* widget, const char* name, const QString& toolTip = {}) {
    widget->setObjectName(QLatin1String(name));
    if (!toolTip.isEmpty()) widget->setToolTip(toolTip);
    return widget;
}

QPushButton* button(const char* name, const QString& caption, const QString& toolTip) {
    return named(new QPushButton(caption), name, toolTip);
}

// Where New Image looks first in a run: the user's pictures, or home when there are none.
QString picturesFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

// Room for about 150 full-size previews: a folder's worth of walking back and forth.
constexpr qint64 kPreviewCacheBytes = 32 << 20;

QToolButton* linkLabel(const char* name, const QString& caption, const QString& toolTip) {
    auto* label = named(new QToolButton, name, toolTip);
    label->setText(caption);
    label->setAutoRaise(true);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

}  // namespace

frmTray::frmTray(TrayWindowServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("frmTray"));
    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowIcon(QIcon(QStringLiteral(":/quorvane/quorvane.png")));
    buildControls();
    lists_ = std::make_unique<showlist::ShowLists>(ShowList, HiddenList1, HiddenList2);
    browser_ = std::make_unique<showlist::ImageBrowser>(Drive1, Dir1, File1);
    // As many decoding threads as the engine uses for its own kernels.
    previews_ = std::make_unique<showlist::PreviewPrefetcher>(
        [](const QString& path) {
            return showlist::makePreview(path, showlist::kBrowserWideRatio);
        },
        kPreviewCacheBytes, imaging::effects::threadCount());
    connect(previews_.get(), &showlist::PreviewPrefetcher::awaitedReady, this,
            &frmTray::applyPreview);
    connectShowListCommands();
    new ShowListDrop(*this, services_.prompter, services_.desktop);
    trayIcon_ = new TrayIcon(services_.trayMode, this);
    connect(trayIcon_, &TrayIcon::doubleClicked, this, &frmTray::onTrayDoubleClick);
    rotation_ = std::make_unique<rotation::Scheduler>(
        Data1, services_.wallpaper, [this] { return isShowing(); }, services_.tickMs);
    trayMenu_ = new TrayMenu({Data1, *rotation_, *trayIcon_, services_.prompter,
                              services_.autostart, [this] { Label1_Click(); }, this},
                             this);
    auto* notice = new WallpaperNotice(services_.wallpaperBackend, *trayIcon_, this);
    connect(rotation_.get(), &rotation::Scheduler::wallpaperFailing, notice,
            &WallpaperNotice::failing);
    connect(rotation_.get(), &rotation::Scheduler::wallpaperWorksAgain, notice,
            &WallpaperNotice::worksAgain);
    Form_Load();
}

frmTray::~frmTray() = default;

void frmTray::buildControls() {
    ShowList = named(new QListWidget, "ShowList");
    HiddenList1 = named(new QListWidget(this), "HiddenList1");
    HiddenList2 = named(new QListWidget(this), "HiddenList2");
    HiddenList1->hide();
    HiddenList2->hide();

    ComboTime = named(new QComboBox, "ComboTime");
    ComboTime->setEditable(true);
    ComboTime->setEditText(QStringLiteral("Display Time"));
    Label3 = named(new QLabel(QStringLiteral("Minutes")), "Label3");

    Drive1 = named(new QComboBox, "Drive1");
    Dir1 = named(new QListWidget, "Dir1");
    File1 = named(new QListWidget, "File1");

    picPreview =
        named(new QLabel, "picPreview", QStringLiteral("Double-Click here to use Image ToolBox"));
    // No frame: it would take pixels from the box, and a preview fills the box's full width
    // or height. A darker ground marks the box instead.
    picPreview->setFixedSize(showlist::kPreviewWidth, showlist::kPreviewHeight);
    picPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picPreview->installEventFilter(this);
    picPreview->setBackgroundRole(QPalette::Mid);
    picPreview->setAutoFillBackground(true);

    cmdNew = button("cmdNew", QStringLiteral("&New Image"), QStringLiteral("Select New Image"));
    cmdDelete = button("cmdDelete", QStringLiteral("&Delete Image"),
                       QStringLiteral("Delete from ShowList"));
    cmdMoveUp =
        button("cmdMoveUp", QStringLiteral("Move"), QStringLiteral("Move Image UP in ShowList"));
    cmdMoveUp->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    cmdMoveDn =
        button("cmdMoveDn", QStringLiteral("Move"), QStringLiteral("Move Image DOWN in ShowList"));
    cmdMoveDn->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    cmdSaveImg = button("cmdSaveImg", QStringLiteral("Save &Image"),
                        QStringLiteral("Save Image to ShowList"));
    cmdSaveSetup = button("cmdSaveSetup", QStringLiteral("Save &Setup"),
                          QStringLiteral("Minimize to Tray & Enable"));
    cmdSaveSetup->setEnabled(false);
    connect(cmdSaveSetup, &QPushButton::clicked, this, &frmTray::cmdSaveSetup_Click);

    Label1 = linkLabel("Label1", QStringLiteral("&Exit"), QStringLiteral("Click Here"));
    connect(Label1, &QToolButton::clicked, this, &frmTray::Label1_Click);
    Label2 = linkLabel("Label2", QStringLiteral("&Help"), QStringLiteral("Click Here!"));
    connect(Label2, &QToolButton::clicked, this, &frmTray::Label2_Click);

    // Browser on the left, preview and show list on the right, commands underneath.
    auto* browser = new QVBoxLayout;
    browser->addWidget(Drive1);
    browser->addWidget(Dir1, 1);
    browser->addWidget(File1, 1);

    auto* time = new QHBoxLayout;
    time->addWidget(ComboTime);
    time->addWidget(Label3);
    time->addStretch();

    auto* right = new QVBoxLayout;
    right->addWidget(picPreview);
    right->addWidget(ShowList, 1);
    right->addLayout(time);

    auto* commands = new QGridLayout;
    commands->addWidget(cmdNew, 0, 0);
    commands->addWidget(cmdSaveImg, 0, 1);
    commands->addWidget(cmdMoveUp, 0, 2);
    commands->addWidget(cmdDelete, 1, 0);
    commands->addWidget(cmdSaveSetup, 1, 1);
    commands->addWidget(cmdMoveDn, 1, 2);

    auto* links = new QHBoxLayout;
    links->addWidget(Label2);
    links->addStretch();
    links->addWidget(Label1);

    auto* top = new QHBoxLayout;
    top->addLayout(browser, 1);
    top->addLayout(right);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(commands);
    layout->addLayout(links);
}

void frmTray::connectShowListCommands() {
    connect(cmdNew, &QPushButton::clicked, this, &frmTray::cmdNew_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmTray::cmdDelete_Click);
    connect(cmdMoveUp, &QPushButton::clicked, this, &frmTray::cmdMoveUp_Click);
    connect(cmdMoveDn, &QPushButton::clicked, this, &frmTray::cmdMoveDn_Click);
    connect(cmdSaveImg, &QPushButton::clicked, this, &frmTray::cmdSaveImg_Click);
    connect(Drive1, &QComboBox::currentIndexChanged, this, &frmTray::Drive1_Change);
    // A folder opens on a double click or Enter, as in a file manager; a single click only
    // marks it.
    connect(Dir1, &QListWidget::itemActivated, this, &frmTray::Dir1_Change);
    // A click selects, also a click on the entry already highlighted: after Save Image has used
    // the selection up, clicking the same file again must select it again. The press starts
    // the preview's decode; the release shows it.
    new ListClicks(
        *File1, [this] { File1_Click(); }, [this] { settlePreview(); });
    new ListClicks(
        *ShowList, [this] { ShowList_Click(); }, [this] { settlePreview(); });
    // The pointer rests on an entry before it presses: its preview starts then.
    for (QListWidget* list : {File1, ShowList}) {
        list->setMouseTracking(true);
        connect(list, &QListWidget::itemEntered, this,
                [this, list](QListWidgetItem* item) { prefetchPointedAt(list, item); });
    }
}

QString frmTray::databasePath() const {
    return services_.desktop.programFolder() + QDir::separator() + QStringLiteral("ZARN.DAT");
}

bool frmTray::isShowing() const { return isVisible() && !isMinimized() && !minimizedAsTray_; }

void frmTray::Form_Load() {
    skipOnError([&] { Data1.open(databasePath()); });
    ComboTime->clear();
    ComboTime->addItems(kDisplayTimes);
    ComboTime->setEditText(QStringLiteral("15"));
    browser_->start(showlist::availableDrives(), QDir::homePath());
}

void frmTray::Form_Activate() {
    lists_->clear();
    rotation::Scheduler& rotation = *rotation_;
    int count = 0;
    skipOnError([&] { count = Data1.RecordCount(); });
    if (count > 0) {
        const bool found = skipOnError([&] {
                               rotation.OldWallPaper = showlist::savedWallPaper(Data1);
                               showlist::fillLists(Data1, *lists_);
                           }) &&
                           skipOnError([&] {
                               if (!showlist::findPath(Data1, rotation.OldWallPaper))
                                   throw showlist::StoreError("");
                           });
        if (found) {
            rotation.ChangeWallPaper(rotation.OldWallPaper);
            // A display time that cannot be read keeps the countdown where it was rather
            // than stopping the window from opening.
            skipOnError([&] {
                if (const auto ticks = showlist::toInt16(Data1.Fields(QStringLiteral("ViewTime"))))
                    rotation.Longest = *ticks;
            });
            rotation.LongTime();
            return;
        }
    }
    if (lists_->count() > 0) cmdSaveSetup->setEnabled(true);
    rotation.LongTime();
}

void frmTray::tellStoreUnusable(const QString& reason) {
    const QString path = QDir::toNativeSeparators(databasePath());
    std::fputs(QStringLiteral("quorvane: the show list cannot be kept in %1: %2\n")
                   .arg(path, reason)
                   .toLocal8Bit()
                   .constData(),
               stderr);
    services_.prompter.message(
        QStringLiteral("The show list cannot be kept in\r\n%1\r\n(%2).\r\n\r\nIt starts "
                       "empty, and Save Setup will fail until this is mended.")
            .arg(path, reason),
        platform::Buttons::Ok, platform::Icon::Exclamation, QStringLiteral("Quorvane"), this);
}

void frmTray::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    RemoveTrayIcon();
    QCoreApplication::processEvents();
    if (lists_->count() == 0)
        skipOnError([&] { showlist::emptyStore(Data1); });
    else
        skipOnError([&] { showlist::recordWallPaper(Data1, rotation_->ShowingWallPaper); });
    rotation_->Timer1.stop();
}

void frmTray::AddTrayIcon() {
    // Installed once only: a second hook would swallow the first.
    if (!hookInstalled_) {
        installEventFilter(this);
        hookInstalled_ = true;
    }
    trayIcon_->add(windowIcon(), trayTip(rotation_->isPaused()));
}

void frmTray::RemoveTrayIcon() {
    if (hookInstalled_) {
        removeEventFilter(this);
        hookInstalled_ = false;
    }
    trayIcon_->remove();
}

void frmTray::AnimateTray(int direction) {
    if (direction == 0) {
        // Out of the place the icon left, to wherever the window system shows the window.
        zoomCaption(trayIcon_->lastPlacement(), [window = QPointer<QWidget>(this)] {
            return window ? window->frameGeometry() : QRect();
        });
    } else if (direction == 1) {
        // The notification area finds a new icon its place a moment after it is added.
        const QRect window = frameGeometry();
        trayIcon_->whenPlaced(
            [window](const QRect& icon) { zoomCaption(window, [icon] { return icon; }); });
    }
}

void frmTray::reStart() { cmdSaveSetup->setEnabled(true); }

bool frmTray::eventFilter(QObject* watched, QEvent* event) {
    if (watched == picPreview && event->type() == QEvent::MouseButtonDblClick) {
        picPreview_DblClick();
        return true;
    }
    if (watched == this && hookInstalled_) reStart();
    return QWidget::eventFilter(watched, event);
}

void frmTray::hideToTray(bool animate) {
    // Days in the notification area are no time to hold previews the user may not come back to.
    previews_->cache().clear();
    AddTrayIcon();
    if (trayIcon_->mode() == TrayMode::MinimizeInstead) {
        minimizedAsTray_ = true;
        showMinimized();
        return;
    }
    if (animate) AnimateTray(1);
    hide();
}

void frmTray::onTrayDoubleClick() {
    if (!hookInstalled_) return;
    RemoveTrayIcon();
    AnimateTray(0);
    QCoreApplication::processEvents();
    minimizedAsTray_ = false;
    if (isVisible()) {
        // Restored from the minimised stand-in: already shown, so activate by hand.
        showNormal();
        Form_Activate();
    } else {
        show();
    }
    reStart();
}

void frmTray::mnuRestore_Click() {
    RemoveTrayIcon();
    const bool wasVisible = isVisible();
    minimizedAsTray_ = false;
    showNormal();
    if (wasVisible) Form_Activate();
    if (lists_->count() > 0) cmdSaveSetup->setEnabled(true);
}

void frmTray::cmdSaveSetup_Click() {
    rotation::Scheduler& rotation = *rotation_;
    try {
        showlist::writeShowList(Data1, *lists_);
        if (showlist::findPath(Data1, rotation.OldWallPaper)) {
            const auto ticks = showlist::toInt16(Data1.Fields(QStringLiteral("ViewTime")));
            if (!ticks) throw showlist::StoreError("unreadable display time");
            rotation.Longest = *ticks;
        } else if (Data1.RecordCount() > 0) {
            Data1.MoveFirst();
            rotation.OldWallPaper = Data1.Fields(QStringLiteral("Path")).value_or(QString());
            const auto ticks = showlist::toInt16(Data1.Fields(QStringLiteral("ViewTime")));
            if (!ticks) throw showlist::StoreError("unreadable display time");
            rotation.Longest = *ticks;
            cmdSaveSetup->setEnabled(true);
        } else {
            throw showlist::StoreError("the show list is empty");
        }
    } catch (const std::exception&) {
        services_.prompter.message(QStringLiteral("Error saving setup."), platform::Buttons::Ok,
                                   platform::Icon::Exclamation, QStringLiteral("Try Again"), this);
        return;
    }
    hideToTray(true);
    rotation.LongTime();
}

void frmTray::Label1_Click() {
    const platform::Answer answer =
        services_.prompter.message(QStringLiteral("Disable Quorvane?"), platform::Buttons::YesNo,
                                   platform::Icon::Question, QStringLiteral("Unloading ..."), this);
    if (answer == platform::Answer::No) return;
    Form_Unload();
    hide();
    services_.endProgram();
}

void frmTray::Label2_Click() {
    editor::showAboutAndHelp(services_.prompter, services_.desktop, QStringLiteral("Help About..."),
                             this);
}

void frmTray::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Standing minimised in place of a tray icon is not being shown to the user.
    if (!event->spontaneous() && !minimizedAsTray_) Form_Activate();
}

void frmTray::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !minimizedAsTray_) return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    // Without a notification area the minimised window stands for the icon, and restoring
    // it stands for the double click on the icon.
    if ((change->oldState() & Qt::WindowMinimized) && !isMinimized())
        QTimer::singleShot(0, this, &frmTray::onTrayDoubleClick);
}

void frmTray::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
    services_.endProgram();
}

void frmTray::showPreview(const QImage& picture) {
    picPreview->setPixmap(QPixmap::fromImage(picture));
}

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
