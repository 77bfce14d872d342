#pragma once

#include <memory>

#include "Desktop.h"

namespace platform {

class HelpWindow;
class Prompter;

class QtDesktop final : public Desktop {
public:
    // `executableFolder` is where the help file is looked for first (see findHelpFile);
    // `prompter` says when it is missing.
    QtDesktop(QString programFolder, QString executableFolder, Prompter& prompter);
    ~QtDesktop() override;

    QSize screenSizePixels() const override;
    QRect screenArea() const override;
    QString programFolder() const override;
    void confineCursor(QWidget& area) override;
    void releaseCursor() override;
    void showHelp(QWidget* owner) override;
    bool startDisplaySettings() override;

    // The help window once the help has been opened, else null.
    HelpWindow* helpWindow() const { return help_.get(); }

private:
    QString programFolder_;
    QString executableFolder_;
    Prompter& prompter_;
    // One help window for the whole program, however often and from wherever it is opened.
    std::unique_ptr<HelpWindow> help_;
};

}  // namespace platform
