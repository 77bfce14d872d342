#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace platform {
class Desktop;
class Prompter;
}  // namespace platform

namespace showlist {
class ShowLists;
}  // namespace showlist

namespace app {

// What adding dropped images needs from the main window.
struct DropServices {
    platform::Prompter& prompter;
    const platform::Desktop& desktop;
    showlist::ShowLists& lists;
    QWidget* parent;  // of the questions asked
};

// Adds images to the end of the show list as Save Image does, one entry each in the order
// given, all with display time `viewTime`. A folder stands for the images directly inside it,
// in the file list's order; its other files are passed over. A bitmap is copied into the
// program folder; any other image is converted after one "Size to fit Display?" for all of
// them. A bitmap that already is the program folder's copy is listed as it is. An entry is
// added only once its bitmap is in the program folder; the files that could not be added are
// named together at the end. Returns how many entries were added.
int addDroppedImages(const QStringList& paths, const QString& viewTime,
                     const DropServices& services);

// The message naming the files of a drop that could not be added: the names, one a line,
// the first kMostNamed of them when there are more.
QString notAddedMessage(const QStringList& names);
inline constexpr int kMostNamed = 20;

}  // namespace app
