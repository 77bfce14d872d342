#pragma once

#include <QString>

class QListWidget;

namespace showlist {

struct ShowListEntry {
    QString image;     // display name
    QString path;      // full path of the wallpaper file
    QString viewTime;  // display time in minutes, as typed
};

// The show list as three parallel list widgets: names (visible), paths and display times
// (both hidden). Entry i is row i of each; every change goes through here so the three
// always have the same length.
class ShowLists {
public:
    ShowLists(QListWidget* showList, QListWidget* hiddenList1, QListWidget* hiddenList2);

    int count() const;
    ShowListEntry entry(int index) const;
    void append(const ShowListEntry& entry);
    void clear();

private:
    QListWidget* showList_;
    QListWidget* paths_;
    QListWidget* viewTimes_;
};

}  // namespace showlist
