#include "MonitorWallpaper.h"

#include <QDir>

#include "imaging/Error.h"
#include "platform/monitors/MonitorSource.h"
#include "showlist/RecordSet.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace rotation {

namespace {

const QString kLastMonitor = QStringLiteral("Last monitor");
const QString kDesktopFit = QStringLiteral("Desktop fit");
const QString kPicturePrefix = QStringLiteral("Picture ");

// Monitors come and go within a second of a change; the layout is read once they have.
constexpr int kSettleMs = 300;

// What a monitor's picture is kept under: its name, or its place where it has none.
QString monitorKey(const platform::MonitorLayout& layout, std::size_t index) {
    const QString& name = layout[index].name;
    return name.isEmpty() ? QStringLiteral("#%1").arg(index + 1) : name;
}

std::vector<MonitorPicture> picturesOf(const platform::MonitorLayout& layout,
                                       const std::vector<QString>& paths) {
    std::vector<MonitorPicture> pictures;
    for (std::size_t i = 0; i < layout.size(); ++i) pictures.push_back({layout[i], paths[i]});
    return pictures;
}

// Composing a layout takes tens of megabytes for a moment; the tray program gives them back
// rather than carrying them for hours.
void returnMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace

MonitorWallpaper::MonitorWallpaper(WallpaperSetter& desktop, platform::MonitorSource& monitors,
                                   showlist::MonitorSettings settings, const QString& programFolder,
                                   QObject* parent)
    : QObject(parent),
      desktop_(desktop),
      monitors_(monitors),
      settings_(std::move(settings)),
      composed_(QDir(programFolder).filePath(QStringLiteral("monitors"))) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&monitors_, &platform::MonitorSource::layoutMayHaveChanged, &settle_,
            qOverload<>(&QTimer::start));
    connect(&settle_, &QTimer::timeout, this, &MonitorWallpaper::layoutSettled);
    readStore();
}

void MonitorWallpaper::readStore() {
    const std::map<QString, QString> stored = settings_.read();
    if (stored.empty()) return;
    const auto value = [&stored](const QString& name) {
        const auto found = stored.find(name);
        return found == stored.end() ? QString() : found->second;
    };
    mode_ = storedMonitorMode(stored);
    lastMonitor_ = value(kLastMonitor);
    keptFit_ = value(kDesktopFit);
    pictures_.clear();
    for (const auto& [name, path] : stored)
        if (name.startsWith(kPicturePrefix)) pictures_[name.mid(kPicturePrefix.size())] = path;
}

void MonitorWallpaper::keep(const std::map<QString, std::optional<QString>>& values) {
    try {
        settings_.write(values);
    } catch (const showlist::StoreError&) {
        // Held in memory for this run; the store is the show list's, and its own trouble is
        // told where the show list is saved.
    }
}

MonitorMode MonitorWallpaper::mode() {
    readStore();
    return mode_;
}

QString MonitorWallpaper::setMode(MonitorMode mode, QString* keptProblem) {
    mode_ = mode;
    try {
        settings_.write({{kMonitorModeSetting, monitorModeName(mode)}});
        if (keptProblem) keptProblem->clear();
    } catch (const showlist::StoreError& error) {
        if (keptProblem) *keptProblem = QString::fromStdString(error.what());
    }
    if (latest_.isEmpty()) return {};
    shownLayout_ = monitors_.monitors();
    return show(shownLayout_);
}

QString MonitorWallpaper::apply(const QString& path) {
    latest_ = path;
    readStore();
    shownLayout_ = monitors_.monitors();
    const platform::MonitorLayout& layout = shownLayout_;
    if (mode_ == MonitorMode::Each && layout.size() > 1) {
        std::size_t next = 0;
        for (std::size_t i = 0; i < layout.size(); ++i)
            if (monitorKey(layout, i) == lastMonitor_) next = (i + 1) % layout.size();
        lastMonitor_ = monitorKey(layout, next);
        pictures_[lastMonitor_] = path;
        keep({{kPicturePrefix + lastMonitor_, path}, {kLastMonitor, lastMonitor_}});
    }
    return show(layout);
}

void MonitorWallpaper::layoutSettled() {
    const platform::MonitorLayout layout = monitors_.monitors();
    if (layout == shownLayout_) return;
    const auto plain = [this](const platform::MonitorLayout& monitors) {
        return mode_ == MonitorMode::Same || monitors.size() < 2;
    };
    // A desktop that fits one picture to each monitor does so for new monitors by itself,
    // unless the monitors showed pictures of their own, or parts of one, until now.
    const bool desktopCopes = plain(shownLayout_) && plain(layout) &&
                              desktop_.desktopFitsMonitors() && keptFit_.isEmpty();
    shownLayout_ = layout;
    if (latest_.isEmpty() || desktopCopes) return;
    emit shownForNewLayout(show(layout));
}

QString MonitorWallpaper::show(const platform::MonitorLayout& layout) {
    // A desktop that fits one picture over all its monitors as if they were one screen
    // (pcmanfm-qt) is given the picture fitted to each, as one image of the whole layout.
    const bool spreadsOne =
        layout.size() > 1 && !desktop_.desktopFitsMonitors() && !desktop_.addressesMonitors();
    if ((mode_ == MonitorMode::Same && !spreadsOne) || layout.size() < 2) return showSame(layout);
    std::vector<QString> paths;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const auto own = pictures_.find(monitorKey(layout, i));
        const bool hasOwn = mode_ == MonitorMode::Each && own != pictures_.end();
        paths.push_back(hasOwn ? own->second : latest_);
    }
    QString problem;
    try {
        problem =
            desktop_.addressesMonitors() ? showParts(layout, paths) : showComposed(layout, paths);
    } catch (const imaging::Error& error) {
        problem = error.description;
    }
    returnMemory();
    return problem;
}

QString MonitorWallpaper::showSame(const platform::MonitorLayout& layout) {
    if (!keptFit_.isEmpty()) {
        if (const QString problem = desktop_.restoreFit(keptFit_); !problem.isEmpty())
            return problem;
        keptFit_.clear();
        keep({{kDesktopFit, std::nullopt}});
    }
    QString problem;
    if (desktop_.desktopFitsMonitors() || layout.empty())
        problem = desktop_.apply(latest_);
    else
        problem =
            desktop_.applyEach(picturesOf(layout, std::vector<QString>(layout.size(), latest_)));
    if (problem.isEmpty()) composed_.keepOnly({});
    returnMemory();
    return problem;
}

QString MonitorWallpaper::showParts(const platform::MonitorLayout& layout,
                                    const std::vector<QString>& paths) {
    if (mode_ == MonitorMode::Each) {
        const QString problem = desktop_.applyEach(picturesOf(layout, paths));
        if (problem.isEmpty()) composed_.keepOnly({});
        return problem;
    }
    // Across all, each monitor is given its own part of one picture.
    const LayoutCanvas canvas = layoutCanvas(layout);
    const QImage whole = composeAcross(canvas, decodeWallpaper(latest_));
    std::vector<QString> parts;
    for (std::size_t i = 0; i < layout.size(); ++i)
        parts.push_back(composed_.write(monitorPart(whole, canvas.regions[i], layout[i].pixels),
                                        QString::number(i + 1)));
    const QString problem = desktop_.applyEach(picturesOf(layout, parts));
    if (problem.isEmpty()) composed_.keepOnly(QStringList(parts.begin(), parts.end()));
    return problem;
}

QString MonitorWallpaper::showComposed(const platform::MonitorLayout& layout,
                                       const std::vector<QString>& paths) {
    const LayoutCanvas canvas = layoutCanvas(layout);
    QImage whole;
    if (mode_ != MonitorMode::Span) {
        std::vector<QImage> pictures;
        for (const QString& path : paths) pictures.push_back(decodeWallpaper(path));
        whole = composeEach(canvas, pictures);
    } else {
        whole = composeAcross(canvas, decodeWallpaper(latest_));
    }
    const QString path = composed_.write(whole, QStringLiteral("all"));
    whole = QImage();
    const bool hadKept = !keptFit_.isEmpty();
    const QString problem = desktop_.applyAcross(path, keptFit_);
    if (!hadKept && !keptFit_.isEmpty()) keep({{kDesktopFit, keptFit_}});
    if (problem.isEmpty()) composed_.keepOnly({path});
    return problem;
}

}  // namespace rotation
