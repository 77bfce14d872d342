#pragma once

#include <QObject>
#include <functional>

class QListWidget;

namespace app {

// Runs a list's click handler once for every click on one of its entries - the entry already
// highlighted included, for which the list itself reports no change - and once for every
// change of the highlighted entry from the keyboard. The second click of a double click is
// not a click of its own.
//
// A mouse click runs the handler at its press, where the list highlights the entry, or at its
// release for the entry already highlighted; `clickEnded` runs at the release, after the
// handler, so work the press started is finished before the click counts as done.
class ListClicks final : public QObject {
    Q_OBJECT
public:
    ListClicks(QListWidget& list, std::function<void()> handler,
               std::function<void()> clickEnded = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void endClick();

    std::function<void()> handler_;
    std::function<void()> clickEnded_;
    // Set once the handler has run for the press under way, so its click does not run it again.
    bool handledSincePress_ = false;
};

}  // namespace app
