#pragma once

#include <QColor>
#include <QString>
#include <optional>

class QWidget;
class QPrinter;

namespace platform {

// The buttons a message box offers, as the program's questions name them.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };

enum class Icon { None, Critical, Question, Exclamation, Information };

// The button the user pressed. Closing a box with the window's close button gives the answer
// of its cancelling button (Cancel, No or Ok), as a keyboard Escape would.
enum class Answer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

struct FileDialogRequest {
    QString title;
    QString initialFolder;
    QString fileName;
    // Filter in the "Description|*.a;*.b|Other|*.c" form: pairs of caption and patterns.
    QString filter;
    // 1-based index of the filter pair shown first.
    int filterIndex = 1;
};

struct FileDialogResult {
    QString path;
    int filterIndex = 1;
};

// The only way the program asks the user anything. Production shows Qt dialogs; tests
// answer from a script and fail on any question they did not expect.
class Prompter {
public:
    virtual ~Prompter() = default;

    virtual Answer message(const QString& text, Buttons buttons, Icon icon, const QString& title,
                           QWidget* parent = nullptr) = 0;

    // Empty optional when the user cancels.
    virtual std::optional<QString> input(const QString& prompt, const QString& title,
                                         const QString& defaultText, QWidget* parent = nullptr) = 0;

    virtual std::optional<FileDialogResult> openFile(const FileDialogRequest& request,
                                                     QWidget* parent = nullptr) = 0;
    virtual std::optional<FileDialogResult> saveFile(const FileDialogRequest& request,
                                                     QWidget* parent = nullptr) = 0;

    // The colour dialog, starting from `initial`; an empty title leaves the dialog's own.
    virtual std::optional<QColor> color(const QColor& initial, const QString& title,
                                        QWidget* parent = nullptr) = 0;

    // Lets the user choose and set up the printer; false when cancelled.
    virtual bool printerSetup(QPrinter& printer, QWidget* parent = nullptr) = 0;
};

// The title of questions that have none of their own: the program's name.
inline QString defaultTitle() { return QStringLiteral("Quorvane"); }

// Turns "Images|*.bmp|All|*.*" into the name filters a Qt file dialog shows.
QStringList toQtNameFilters(const QString& filter);

}  // namespace platform
