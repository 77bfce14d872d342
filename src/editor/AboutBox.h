#pragma once

#include <QString>

class QWidget;

namespace platform {
class Desktop;
class Prompter;
}  // namespace platform

namespace editor {

// The text of the About box, lines joined by line feeds.
QString aboutText();

// The About box titled `title`, then, once it is closed, the help at its contents for `owner`.
// The main window and the toolbox both offer it, under different titles.
void showAboutAndHelp(platform::Prompter& prompter, platform::Desktop& desktop,
                      const QString& title, QWidget* owner);

}  // namespace editor
