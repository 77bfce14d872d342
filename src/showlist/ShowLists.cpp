#include "ShowLists.h"

#include <QListWidget>

namespace showlist {

ShowLists::ShowLists(QListWidget* showList, QListWidget* hiddenList1, QListWidget* hiddenList2)
    : showList_(showList), paths_(hiddenList1), viewTimes_(hiddenList2) {}

int ShowLists::count() const { return showList_->count(); }

ShowListEntry ShowLists::entry(int index) const {
    return {showList_->item(index)->text(), paths_->item(index)->text(),
            viewTimes_->item(index)->text()};
}

void ShowLists::append(const ShowListEntry& entry) {
    showList_->addItem(entry.image);
    paths_->addItem(entry.path);
    viewTimes_->addItem(entry.viewTime);
}

void ShowLists::clear() {
    showList_->clear();
    paths_->clear();
    viewTimes_->clear();
}

}  // namespace showlist
