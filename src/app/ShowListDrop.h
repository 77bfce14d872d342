#pragma once

#include <QObject>
#include <QStringList>

namespace platform {
class Desktop;
class Prompter;
}  // namespace platform

namespace app {

class frmTray;

// Takes image files dragged from a file manager onto the show list or the preview of the main
// window and adds them as Save Image would (see addDroppedImages). Only local files are
// taken, always as copies: a drag offered as a move must never cost the user the originals.
// A child of the window it serves.
class ShowListDrop final : public QObject {
public:
    ShowListDrop(frmTray& window, platform::Prompter& prompter, const platform::Desktop& desktop);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void add(const QStringList& paths, const QString& viewTime);

    frmTray& window_;
    platform::Prompter& prompter_;
    const platform::Desktop& desktop_;
};

}  // namespace app
