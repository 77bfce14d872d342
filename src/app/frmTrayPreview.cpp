// The main window's previews: a click on either list shows its file's preview, made on the
// prefetcher's workers, and queues the neighbours so the next click finds them ready.
#include <QComboBox>
#include <QListWidget>

#include "app/frmTray.h"
#include "platform/Prompter.h"
#include "platform/SkipOnError.h"
#include "showlist/FolderListing.h"
#include "showlist/ImageBrowser.h"
#include "showlist/PreviewPrefetcher.h"
#include "showlist/ShowLists.h"

namespace app {

void frmTray::File1_Click() {
    const QString name = browser_->selectedFileName();
    if (name.isEmpty()) return;
    const QString path = showlist::joinFolderAndName(browser_->folder(), name);
    selected_.FileName = path;
    selected_.FileTitle = name;
    selected_.TimeText = ComboTime->currentText();
    awaitedFor_ = PreviewFor::FileList;
    if (std::optional<showlist::Preview> cached = previews_->await(path))
        applyPreview({path, std::move(cached)});
    previews_->prefetch(fileNeighbours());
}

void frmTray::ShowList_Click() {
    // An entry whose file is gone, or no entry selected, leaves the preview as it was.
    platform::skipOnError([&] {
        const int index = lists_->selectedIndex();
        const showlist::ShowListEntry entry = lists_->entry(index);
        lists_->select(index);
        selected_.FileName = entry.path;
        selected_.FileTitle = entry.image;
        ComboTime->setEditText(entry.viewTime);
        awaitedFor_ = PreviewFor::ShowList;
        if (std::optional<showlist::Preview> cached = previews_->await(entry.path))
            showPreview(cached->picture);
        previews_->prefetch(showListNeighbours(index));
    });
}

void frmTray::settlePreview() {
    if (const std::optional<showlist::PreviewOutcome> outcome = previews_->settle())
        applyPreview(*outcome);
}

void frmTray::applyPreview(const showlist::PreviewOutcome& outcome) {
    // A preview that arrives after the selection was used up or replaced has nothing to show.
    if (selected_.FileName != outcome.path) return;
    if (awaitedFor_ == PreviewFor::ShowList) {
        if (outcome.preview) showPreview(outcome.preview->picture);
        return;
    }
    if (!outcome.preview) {
        services_.prompter.message(QStringLiteral("Unknown file format"), platform::Buttons::Ok,
                                   platform::Icon::Information, QStringLiteral("Image Selection"),
                                   this);
        return;
    }
    selected_.WidthText = QString::number(outcome.preview->width);
    selected_.HeightText = QString::number(outcome.preview->height);
    showPreview(outcome.preview->picture);
}

QStringList frmTray::fileNeighbours() const {
    const QList<QListWidgetItem*> selected = File1->selectedItems();
    if (selected.isEmpty()) return {};
    const int row = File1->row(selected.first());
    QStringList paths;
    for (const int near : {row + 1, row - 1})
        if (near >= 0 && near < File1->count())
            paths << showlist::joinFolderAndName(browser_->folder(), File1->item(near)->text());
    return paths;
}

QStringList frmTray::showListNeighbours(int index) const {
    QStringList paths;
    for (const int near : {index + 1, index - 1})
        if (near >= 0 && near < lists_->count()) paths << lists_->entry(near).path;
    return paths;
}

void frmTray::prefetchPointedAt(QListWidget* list, QListWidgetItem* item) {
    const int row = list->row(item);
    if (list == File1) {
        previews_->prefetch(
            QStringList{showlist::joinFolderAndName(browser_->folder(), item->text())} +
            fileNeighbours());
        return;
    }
    const int shown = lists_->selectedIndex();
    platform::skipOnError([&] {
        previews_->prefetch(QStringList{lists_->entry(row).path} +
                            (shown >= 0 ? showListNeighbours(shown) : QStringList()));
    });
}

}  // namespace app
