#pragma once

#include "Prompter.h"

namespace platform {

// Asks with the standard Qt dialogs.
class QtPrompter final : public Prompter {
public:
    Answer message(const QString& text, Buttons buttons, Icon icon, const QString& title,
                   QWidget* parent) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText, QWidget* parent) override;
    std::optional<FileDialogResult> openFile(const FileDialogRequest& request,
                                             QWidget* parent) override;
    std::optional<FileDialogResult> saveFile(const FileDialogRequest& request,
                                             QWidget* parent) override;
    std::optional<QColor> color(const QColor& initial, const QString& title,
                                QWidget* parent) override;
    bool printerSetup(QPrinter& printer, QWidget* parent) override;
};

}  // namespace platform
