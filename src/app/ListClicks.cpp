#include "ListClicks.h"

#include <QEvent>
#include <QListWidget>

namespace app {

ListClicks::ListClicks(QListWidget& list, std::function<void()> handler,
                       std::function<void()> clickEnded)
    : QObject(&list), handler_(std::move(handler)), clickEnded_(std::move(clickEnded)) {
    list.viewport()->installEventFilter(this);
    connect(&list, &QListWidget::itemSelectionChanged, this, [this] {
        handledSincePress_ = true;
        handler_();
    });
    connect(&list, &QListWidget::itemClicked, this, [this] {
        if (!handledSincePress_) handler_();
        endClick();
    });
}

void ListClicks::endClick() {
    if (clickEnded_) clickEnded_();
}

bool ListClicks::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) handledSincePress_ = false;
    if (event->type() == QEvent::MouseButtonDblClick) handledSincePress_ = true;
    // A release away from the pressed entry makes no itemClicked; the click ends all the same.
    if (event->type() == QEvent::MouseButtonRelease) endClick();
    return false;
}

}  // namespace app
