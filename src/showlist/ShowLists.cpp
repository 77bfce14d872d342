#include "ShowLists.h"

#include <QListWidget>
#include <QSignalBlocker>
#include <stdexcept>

namespace showlist {

ShowLists::ShowLists(QListWidget* showList, QListWidget* hiddenList1, QListWidget* hiddenList2)
    : showList_(showList), paths_(hiddenList1), viewTimes_(hiddenList2) {}

void ShowLists::requireIndex(int index) const {
    if (index < 0 || index >= count()) throw std::out_of_range("no such show-list entry");
}

int ShowLists::count() const { return showList_->count(); }

ShowListEntry ShowLists::entry(int index) const {
    requireIndex(index);
    return {showList_->item(index)->text(), paths_->item(index)->text(),
            viewTimes_->item(index)->text()};
}

void ShowLists::append(const ShowListEntry& entry) {
    const QSignalBlocker quiet(showList_);
    showList_->addItem(entry.image);
    paths_->addItem(entry.path);
    viewTimes_->addItem(entry.viewTime);
}

void ShowLists::removeAt(int index) {
    requireIndex(index);
    const QSignalBlocker quiet(showList_);
    for (QListWidget* list : {viewTimes_, paths_, showList_}) {
        delete list->takeItem(index);
        // A list view selects the neighbour of a removed entry; a second Delete would then
        // take an entry the user never chose.
        list->setCurrentRow(-1);
    }
}

void ShowLists::swap(int first, int second) {
    requireIndex(first);
    requireIndex(second);
    const QSignalBlocker quiet(showList_);
    for (QListWidget* list : {showList_, paths_, viewTimes_}) {
        const QString text = list->item(first)->text();
        list->item(first)->setText(list->item(second)->text());
        list->item(second)->setText(text);
    }
}

void ShowLists::clear() {
    const QSignalBlocker quiet(showList_);
    showList_->clear();
    paths_->clear();
    viewTimes_->clear();
}

int ShowLists::selectedIndex() const {
    const QList<QListWidgetItem*> selected = showList_->selectedItems();
    return selected.isEmpty() ? -1 : showList_->row(selected.first());
}

void ShowLists::select(int index) {
    requireIndex(index);
    const QSignalBlocker quiet(showList_);
    for (QListWidget* list : {showList_, paths_, viewTimes_}) list->setCurrentRow(index);
}

}  // namespace showlist
