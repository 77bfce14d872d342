#include "ListClicks.h"

#include <QEvent>
#include <QListWidget>

namespace app {

ListClicks::ListClicks(QListWidget& list, std::function<void()> handler)
    : QObject(&list), handler_(std::move(handler)) {
    list.viewport()->installEventFilter(this);
    connect(&list, &QListWidget::itemSelectionChanged, this, [this] {
        handledSincePress_ = true;
        handler_();
    });
    connect(&list, &QListWidget::itemClicked, this, [this] {
        if (!handledSincePress_) handler_();
    });
}

bool ListClicks::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) handledSincePress_ = false;
    if (event->type() == QEvent::MouseButtonDblClick) handledSincePress_ = true;
    return false;
}

}  // namespace app
