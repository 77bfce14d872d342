#include "basMain.h"

#include <QTimer>

#include "frmTray.h"
#include "rotation/Scheduler.h"
#include "showlist/StoreReader.h"

namespace app {

void Main(frmTray& tray) {
    showlist::RecordSet& store = tray.Data1;
    rotation::Scheduler& rotation = tray.rotation();
    try {
        store.refresh();
        if (store.RecordCount() < 1) {
            tray.show();
            return;
        }
        rotation.OldWallPaper = showlist::savedWallPaper(store);
        rotation.ShowingWallPaper = rotation.OldWallPaper;
        showlist::fillLists(store, tray.showLists());

        // The rotation advances before it applies, so the cursor goes one past the saved
        // wallpaper; the first change then shows the record after that.
        if (showlist::findPath(store, rotation.OldWallPaper)) {
            store.MoveNext();
            if (store.Eof()) store.MoveFirst();
        } else {
            store.MoveFirst();
        }
        rotation.OldWallPaper = store.Fields(QStringLiteral("Path")).value_or(QString());
        rotation.Longest = 2;
        tray.hideToTray(false);
        rotation.LongTime();
    } catch (const std::exception& error) {
        tray.show();
        // Told once the event loop runs, over the window: start-up itself never waits on a
        // question.
        if (!store.isOpen())
            QTimer::singleShot(0, &tray, [&tray, reason = QString::fromStdString(error.what())] {
                tray.tellStoreUnusable(reason);
            });
    }
}

}  // namespace app
