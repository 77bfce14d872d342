#pragma once

#include <gtest/gtest.h>
#include <QImage>
#include <QStringList>
#include <memory>
#include <optional>

#include "e2e/DesktopSession.h"
#include "e2e/FailureScreenshots.h"
#include "e2e/ProgramUnderTest.h"
#include "support/QtPrinting.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace e2e {

// Store records as lines of text, so a failed comparison prints them readably.
QStringList asText(const std::vector<testing_support::StoredRecord>& records);

// The fixture every journey shares: a desktop of its own, the program on it, and the ways a
// user meets the program there - its windows by their titles, the keyboard, the pointer, the
// window manager's title bar and the pixels on the screen.
class DesktopJourney : public virtual ::testing::Test {
protected:
    DesktopJourney();
    ~DesktopJourney() override;

    // Each returns what went wrong, or nothing. The program exists, not yet started, once
    // the desktop does.
    QString startDesktop(QSize screen);
    QString startProgram(double scaleFactor = 1.0);

    bool waitUntil(const std::function<bool()>& condition) { return desktop->waitUntil(condition); }
    // True once the program has handled every event the server queued for it so far: the
    // first echo of a ping shows it has read them, the second that its event loop has
    // turned since, which is when Qt hands input to the widgets and paints.
    bool settle();

    // The program's windows the window manager shows, by their titles.
    QStringList shownTitles();
    std::optional<ShownWindow> shownWindow(const QString& title);
    std::optional<ShownWindow> waitForWindow(const QString& title);
    bool waitForWindowGone(XWindowId window);
    // Whether the window with its frame lies within the screen.
    ::testing::AssertionResult withinScreen(const ShownWindow& window);

    // Input to a window once the window manager has given it the keyboard; each key
    // (an xdotool key name) is handled before the next is sent.
    bool keys(const ShownWindow& window, const QStringList& keyNames);
    bool typeInto(const ShownWindow& window, const QString& text);
    // Waits for the program's question titled `title` and answers it with a key (the
    // underlined letter of a button), then waits for it to go; returns the question as it
    // was shown. What the answer sets going may still be running: settle() waits for that.
    std::optional<ShownWindow> answer(const QString& title, const QString& key);
    // Clicks the close button of the window manager's title bar above the window.
    bool closeWithTitleButton(const ShownWindow& window);
    bool click(QPoint at, int button = 1);
    bool doubleClick(QPoint at);
    // Presses the left button at `from`, moves through `via` and lets go there, each step
    // handled before the next, so no move is merged with another.
    bool drag(QPoint from, const std::vector<QPoint>& via);

    // The program's icon in the notification area, once it has found its place there:
    // trayer first puts a new icon at the panel's left end and moves it later, so the icon
    // is ready for the pointer only when a round trip with both programs leaves it where it
    // was.
    std::optional<EmbeddedWindow> trayIcon();
    std::optional<EmbeddedWindow> waitForTrayIcon();

    // The screen as it is now; polls screenshots until `check` accepts one.
    QImage screen() const { return desktop->grabScreen(); }
    bool waitForScreen(const std::function<bool(const QImage&)>& check, QImage* last = nullptr);

    testing_support::TempFolder folder;
    std::unique_ptr<DesktopSession> desktop;
    std::unique_ptr<ProgramUnderTest> program;

private:
    std::vector<XWindowId> managedProgramWindows();

    FailureScreenshots screenshots_;
};

}  // namespace e2e
