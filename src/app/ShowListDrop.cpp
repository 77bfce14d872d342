#include "ShowListDrop.h"

#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "DroppedImages.h"
#include "frmTray.h"

namespace app {

namespace {

QStringList localFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

// Accepts a drag or drop as a copy, or refuses it when the source does not allow copying.
void acceptAsCopy(QDropEvent* event) {
    if (!(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

}  // namespace

ShowListDrop::ShowListDrop(frmTray& window, platform::Prompter& prompter,
                           const platform::Desktop& desktop)
    : QObject(&window), window_(window), prompter_(prompter), desktop_(desktop) {
    for (QWidget* target :
         {window.ShowList->viewport(), static_cast<QWidget*>(window.picPreview)}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
}

bool ShowListDrop::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (localFiles(drag->mimeData()).isEmpty())
                drag->ignore();
            else
                acceptAsCopy(drag);
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList paths = localFiles(drop->mimeData());
            if (paths.isEmpty()) {
                drop->ignore();
                return true;
            }
            acceptAsCopy(drop);
            if (!drop->isAccepted()) return true;
            // The file manager waits until the drop returns: the questions and the copying
            // come after, with the display time chosen when the files were let go.
            const QString viewTime = window_.ComboTime->currentText();
            QMetaObject::invokeMethod(
                this, [this, paths, viewTime] { add(paths, viewTime); }, Qt::QueuedConnection);
            return true;
        }
        default:
            return false;
    }
}

void ShowListDrop::add(const QStringList& paths, const QString& viewTime) {
    if (addDroppedImages(paths, viewTime, {prompter_, desktop_, window_.showLists(), &window_}) > 0)
        window_.cmdSaveSetup->setEnabled(true);
}

}  // namespace app
