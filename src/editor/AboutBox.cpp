#include "editor/AboutBox.h"

#include <QStringList>

#include "platform/Desktop.h"
#include "platform/Prompter.h"

namespace editor {

QString aboutText() {
    return QStringList{QStringLiteral("Quorvane   v1.0"),
                       QStringLiteral("Copyright (C) 2026 The Quorvane developers."),
                       QStringLiteral("All rights reserved."),
                       QString(),
                       QStringLiteral("Compliments of:"),
                       QStringLiteral("-   Tallowfen Screen Clock"),
                       QStringLiteral("-   Brindlemark Photo Album"),
                       QStringLiteral("-   Quillstone Font Browser")}
        .join(QLatin1Char('\n'));
}

void showAboutAndHelp(platform::Prompter& prompter, platform::Desktop& desktop,
                      const QString& title, QWidget* owner) {
    prompter.message(aboutText(), platform::Buttons::Ok, platform::Icon::Information, title, owner);
    desktop.showHelp(owner);
}

}  // namespace editor
