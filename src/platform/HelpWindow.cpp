#include "HelpWindow.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace platform {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), Browser(new QTextBrowser) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Quorvane Help"));
    setModal(false);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Browser);
    layout->addWidget(buttons);
    resize(720, 600);
}

void HelpWindow::showFile(const QString& path, QWidget* owner) {
    const QUrl url = QUrl::fromLocalFile(path);
    // Opening the help again starts at its contents, as it did the first time.
    if (Browser->source() == url)
        Browser->home();
    else
        Browser->setSource(url);
    if (!isVisible() && owner) move(owner->frameGeometry().center() - rect().center());
    show();
    raise();
    activateWindow();
}

}  // namespace platform
