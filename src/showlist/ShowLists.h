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
// always have the same length. Changes made here emit no selection signals: only the user's
// own clicks reach the window's handlers. An index outside the list throws
// std::out_of_range and changes nothing.
class ShowLists {
public:
    ShowLists(QListWidget* showList, QListWidget* hiddenList1, QListWidget* hiddenList2);

    int count() const;
    ShowListEntry entry(int index) const;
    void append(const ShowListEntry& entry);
    // Removes entry `index` from the display times, then the paths, then the names. No entry
    // is selected afterwards.
    void removeAt(int index);
    // Exchanges two entries in all three lists; the others keep their places.
    void swap(int first, int second);
    void clear();

    // The entry selected in the visible list, or -1.
    int selectedIndex() const;
    // Selects entry `index` in all three lists.
    void select(int index);

private:
    void requireIndex(int index) const;

    QListWidget* showList_;
    QListWidget* paths_;
    QListWidget* viewTimes_;
};

}  // namespace showlist
