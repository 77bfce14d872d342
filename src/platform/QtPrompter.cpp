#include "QtPrompter.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace platform {

namespace {

QMessageBox::StandardButtons standardButtons(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return QMessageBox::Ok;
        case Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case Buttons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case Buttons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        case Buttons::AbortRetryIgnore:
            return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon boxIcon(Icon icon) {
    switch (icon) {
        case Icon::None:
            return QMessageBox::NoIcon;
        case Icon::Critical:
            return QMessageBox::Critical;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::Exclamation:
            return QMessageBox::Warning;
        case Icon::Information:
            return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

Answer toAnswer(int button, Buttons offered) {
    switch (button) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Retry:
            return Answer::Retry;
        case QMessageBox::Abort:
            return Answer::Abort;
        case QMessageBox::Ignore:
            return Answer::Ignore;
        default:
            break;
    }
    // Closed without a button: the box's cancelling answer.
    switch (offered) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::YesNo:
            return Answer::No;
        case Buttons::AbortRetryIgnore:
            return Answer::Abort;
        default:
            return Answer::Cancel;
    }
}

QString initialPath(const FileDialogRequest& request) {
    if (request.fileName.isEmpty()) return request.initialFolder;
    if (request.initialFolder.isEmpty()) return request.fileName;
    return QDir(request.initialFolder).filePath(request.fileName);
}

std::optional<FileDialogResult> runFileDialog(const FileDialogRequest& request, QWidget* parent,
                                              QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    const QStringList filters = toQtNameFilters(request.filter);
    dialog.setNameFilters(filters);
    // The dialog keeps its filters simplified (runs of blanks made one), so they are chosen
    // and found again in that form.
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters.at(request.filterIndex - 1).simplified());
    if (!request.initialFolder.isEmpty()) dialog.setDirectory(request.initialFolder);
    if (!request.fileName.isEmpty()) dialog.selectFile(initialPath(request));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    FileDialogResult result;
    result.path = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    QStringList simplified;
    for (const QString& filter : filters) simplified << filter.simplified();
    result.filterIndex = int(simplified.indexOf(dialog.selectedNameFilter().simplified())) + 1;
    if (result.filterIndex < 1) result.filterIndex = 1;
    return result;
}

}  // namespace

QStringList toQtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(parts.at(i), patterns);
    }
    return filters;
}

Answer QtPrompter::message(const QString& text, Buttons buttons, Icon icon, const QString& title,
                           QWidget* parent) {
    QMessageBox box(boxIcon(icon), title, text, standardButtons(buttons), parent);
    return toAnswer(box.exec(), buttons);
}

std::optional<QString> QtPrompter::input(const QString& prompt, const QString& title,
                                         const QString& defaultText, QWidget* parent) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok) return {};
    return text;
}

std::optional<FileDialogResult> QtPrompter::openFile(const FileDialogRequest& request,
                                                     QWidget* parent) {
    return runFileDialog(request, parent, QFileDialog::AcceptOpen);
}

std::optional<FileDialogResult> QtPrompter::saveFile(const FileDialogRequest& request,
                                                     QWidget* parent) {
    return runFileDialog(request, parent, QFileDialog::AcceptSave);
}

std::optional<QColor> QtPrompter::color(const QColor& initial, const QString& title,
                                        QWidget* parent) {
    // Any colour, with the custom-colour part open at once.
    const QColor chosen = QColorDialog::getColor(initial, parent, title);
    if (!chosen.isValid()) return {};
    return chosen;
}

bool QtPrompter::printerSetup(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace platform
