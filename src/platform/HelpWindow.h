#pragma once

#include <QDialog>

class QTextBrowser;

namespace platform {

// The help viewer: the program's HTML help in a window of its own that stays open beside
// the program's windows.
class HelpWindow final : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows `path` from its beginning and brings the window to the front.
    void showFile(const QString& path, QWidget* owner);

    QTextBrowser* Browser;
};

}  // namespace platform
