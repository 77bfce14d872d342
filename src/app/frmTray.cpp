#include "frmTray.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "ListClicks.h"
#include "ShowListDrop.h"
#include "TrayMenu.h"
#include "rotation/MonitorWallpaper.h"
#include "WallpaperNotice.h"
#include "editor/AboutBox.h"
#include "imaging/effects/RowBands.h"
#include "platform/Desktop.h"
#include "platform/Prompter.h"
#include "rotation/Scheduler.h"
#include "showlist/ImageBrowser.h"
#include "showlist/Preview.h"
#include "showlist/PreviewFit.h"
#include "showlist/PreviewPrefetcher.h"

namespace app {

namespace {

template <typename Widget>
Widget* named(Widget* widget, const char* name, const QString& toolTip = {}) {
    widget->setObjectName(QLatin1String(name));
    if (!toolTip.isEmpty()) widget->setToolTip(toolTip);
    return widget;
}

QPushButton* button(const char* name, const QString& caption, const QString& toolTip) {
    return named(new QPushButton(caption), name, toolTip);
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
                              services_.autostart, services_.monitors, [this] { Label1_Click(); },
                              this},
                             this);
    if (services_.monitors)
        connect(services_.monitors, &rotation::MonitorWallpaper::shownForNewLayout,
                rotation_.get(), &rotation::Scheduler::tellOutcome);
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

bool frmTray::isShowing() const { return isVisible() && !isMinimized() && !minimizedAsTray_; }

bool frmTray::eventFilter(QObject* watched, QEvent* event) {
    if (watched == picPreview && event->type() == QEvent::MouseButtonDblClick) {
        picPreview_DblClick();
        return true;
    }
    if (watched == this && hookInstalled_) reStart();
    return QWidget::eventFilter(watched, event);
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

void frmTray::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
    services_.endProgram();
}

void frmTray::showPreview(const QImage& picture) {
    picPreview->setPixmap(QPixmap::fromImage(picture));
}

}  // namespace app
