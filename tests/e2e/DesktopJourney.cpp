#include "e2e/DesktopJourney.h"

#include <algorithm>

namespace e2e {

QStringList asText(const std::vector<testing_support::StoredRecord>& records) {
    const auto field = [](const showlist::FieldValue& value) {
        return value ? '"' + *value + '"' : QStringLiteral("null");
    };
    QStringList lines;
    for (const testing_support::StoredRecord& record : records)
        lines << QStringList{field(record.path), field(record.image), field(record.viewTime),
                             field(record.setup)}
                     .join(QStringLiteral(" | "));
    return lines;
}

DesktopJourney::DesktopJourney()
    : screenshots_([this](const QString& path) { return desktop && desktop->saveScreen(path); }) {}

DesktopJourney::~DesktopJourney() {
    program.reset();
    desktop.reset();
}

QString DesktopJourney::startDesktop(QSize screen) {
    desktop = std::make_unique<DesktopSession>(folder.path(), screen);
    program = std::make_unique<ProgramUnderTest>(*desktop, folder.path());
    return desktop->start();
}

QString DesktopJourney::startProgram(double scaleFactor) {
    return program->start(scaleFactor) ? QString() : "quorvane: " + program->errorString();
}

bool DesktopJourney::settle() {
    XConnection& x = desktop->x();
    if (!program || !program->isRunning()) return false;
    // Any top-level window of the program answers; the oldest lives the longest.
    std::vector<XWindowId> windows = x.windowsOf(program->pid());
    std::sort(windows.begin(), windows.end());
    for (const XWindowId window : windows)
        if (x.hasProperty(window, "WM_PROTOCOLS"))
            return x.ping(window, kDeadlineMs) && x.ping(window, kDeadlineMs);
    return false;
}

std::vector<XWindowId> DesktopJourney::managedProgramWindows() {
    std::vector<XWindowId> windows;
    for (const XWindowId window : desktop->x().managedClients())
        if (desktop->x().pidOf(window) == program->pid()) windows.push_back(window);
    return windows;
}

QStringList DesktopJourney::shownTitles() {
    QStringList titles;
    for (const XWindowId window : managedProgramWindows())
        if (const auto shown = desktop->x().describe(window); shown && shown->viewable)
            titles << shown->title;
    titles.sort();
    return titles;
}

std::optional<ShownWindow> DesktopJourney::shownWindow(const QString& title) {
    for (const XWindowId window : managedProgramWindows())
        if (const auto shown = desktop->x().describe(window);
            shown && shown->viewable && shown->title == title)
            return shown;
    return std::nullopt;
}

std::optional<ShownWindow> DesktopJourney::waitForWindow(const QString& title) {
    if (!waitUntil([&] { return shownWindow(title).has_value(); }) || !settle())
        return std::nullopt;
    // Placed and framed by now: the window manager handled the map before the program
    // could answer the ping.
    return shownWindow(title);
}

bool DesktopJourney::waitForWindowGone(XWindowId window) {
    return waitUntil([&] {
        const auto shown = desktop->x().describe(window);
        return !shown || !shown->viewable;
    });
}

::testing::AssertionResult DesktopJourney::withinScreen(const ShownWindow& window) {
    const QRect screen(QPoint(0, 0), desktop->screenSize());
    if (screen.contains(window.frameGeometry)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << '"' << window.title.toStdString() << "\" at " << window.frameGeometry.width() << 'x'
           << window.frameGeometry.height() << '+' << window.frameGeometry.x() << '+'
           << window.frameGeometry.y() << " reaches beyond the " << screen.width() << 'x'
           << screen.height() << " screen";
}

bool DesktopJourney::keys(const ShownWindow& window, const QStringList& keyNames) {
    if (!waitUntil([&] { return desktop->x().activeWindow() == window.id; })) return false;
    return std::all_of(keyNames.begin(), keyNames.end(),
                       [&](const QString& name) { return desktop->key(name) && settle(); });
}

bool DesktopJourney::typeInto(const ShownWindow& window, const QString& text) {
    return waitUntil([&] { return desktop->x().activeWindow() == window.id; }) &&
           desktop->type(text) && settle();
}

std::optional<ShownWindow> DesktopJourney::answer(const QString& title, const QString& key) {
    const std::optional<ShownWindow> question = waitForWindow(title);
    // No round trip after the key: the answer may well end the program.
    if (question && waitUntil([&] { return desktop->x().activeWindow() == question->id; }) &&
        desktop->key(key) && waitForWindowGone(question->id))
        return question;
    return std::nullopt;
}

bool DesktopJourney::closeWithTitleButton(const ShownWindow& window) {
    const std::optional<QRect> button = desktop->x().closeButton(window);
    return button && click(button->center());
}

bool DesktopJourney::click(QPoint at, int button) { return desktop->click(at, button) && settle(); }

bool DesktopJourney::doubleClick(QPoint at) { return desktop->click(at, 1, 2) && settle(); }

bool DesktopJourney::drag(QPoint from, const std::vector<QPoint>& via) {
    if (!desktop->press(from) || !settle()) return false;
    for (const QPoint& at : via)
        if (!desktop->moveTo(at) || !settle()) return false;
    return desktop->release() && settle();
}

std::optional<EmbeddedWindow> DesktopJourney::trayIcon() {
    return desktop->x().embeddedWindow(program->pid(), desktop->trayPid());
}

std::optional<EmbeddedWindow> DesktopJourney::waitForTrayIcon() {
    std::optional<EmbeddedWindow> icon;
    const bool placed = waitUntil([&] {
        const std::optional<EmbeddedWindow> before = trayIcon();
        if (!before || !desktop->x().ping(before->host, kDeadlineMs) ||
            !desktop->x().ping(before->host, kDeadlineMs) || !settle())
            return false;
        icon = trayIcon();
        return icon && icon->geometry == before->geometry;
    });
    return placed ? icon : std::nullopt;
}

bool DesktopJourney::waitForScreen(const std::function<bool(const QImage&)>& check, QImage* last) {
    QImage shot;
    const bool seen = waitUntil([&] {
        shot = screen();
        return !shot.isNull() && check(shot);
    });
    if (last) *last = shot;
    return seen;
}

}  // namespace e2e
