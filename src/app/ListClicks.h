#pragma once

#include <QObject>
#include <functional>

class QListWidget;

namespace app {

// Runs a list's click handler once for every click on one of its entries - the entry already
// highlighted included, for which the list itself reports no change - and once for every
// change of the highlighted entry from the keyboard. The second click of a double click is
// not a click of its own.
class ListClicks final : public QObject {
    Q_OBJECT
public:
    ListClicks(QListWidget& list, std::function<void()> handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> handler_;
    // Set once the handler has run for the press under way, so its click does not run it again.
    bool handledSincePress_ = false;
};

}  // namespace app
