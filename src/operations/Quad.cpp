#include "operations/Quad.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <cmath>

#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "operations/ImageFormats.h"
#include "platform/Prompter.h"

namespace operations {
namespace {

constexpr QSize kThumbnail(75, 55);

// nearbyint follows the default rounding mode, round-half-to-even.
int half(int size) { return int(std::nearbyint(size / 2.0)); }

}  // namespace

Quad::Quad(Services services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(std::move(services)) {
    setObjectName(QStringLiteral("Quad"));
    setWindowTitle(QStringLiteral("4 In 1"));
    Label1 = new QLabel(QStringLiteral("Select Images to Merge:"));
    Label1->setObjectName(QStringLiteral("Label1"));
    const char* const captions[] = {"Image &1   (Top Left)", "  Image &2   (Top Right)",
                                    "     Image &3   (Bottom Left)",
                                    "       Image &4   (Bottom Right)"};
    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 2);
    for (int i = 0; i < 4; ++i) {
        cmd[i] = new QPushButton(QString::fromLatin1(captions[i]));
        cmd[i]->setObjectName(QStringLiteral("cmd%1").arg(i + 1));
        Picture[i] = new QLabel;
        Picture[i]->setObjectName(QStringLiteral("Picture%1").arg(i + 1));
        Picture[i]->setFixedSize(kThumbnail);
        Picture[i]->setFrameShape(QFrame::Box);
        grid->addWidget(cmd[i], i + 1, 0);
        grid->addWidget(Picture[i], i + 1, 1);
        connect(cmd[i], &QPushButton::clicked, this, [this, i] { pick(i + 1); });
    }
    cmdOk = new QPushButton(QStringLiteral("&Ok"));
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    grid->addWidget(cmdOk, 5, 0);
    grid->addWidget(cmdCancel, 5, 1);
    connect(cmdOk, &QPushButton::clicked, this, &Quad::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &Quad::cmdCancel_Click);
}

Quad::~Quad() = default;

void Quad::pick(int slot) {
    const auto index = std::size_t(slot - 1);
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Select Image");
    request.filter = openFilter();
    try {
        for (;;) {
            const std::optional<platform::FileDialogResult> file =
                services_.prompter.openFile(request, this);
            if (!file) return;
            imaging::ImgX image;
            image.canvas().LoadFile(file->path, 1, 0);
            const double ratio = double(image.Width()) / image.Height();
            if (ratio < 1.25 || ratio > 1.45) {
                const platform::Answer proceed = services_.prompter.message(
                    QStringLiteral("This image will be distorted. Proceed?"),
                    platform::Buttons::YesNo, platform::Icon::Question,
                    QStringLiteral("%1 x %2").arg(image.Width()).arg(image.Height()), this);
                if (proceed == platform::Answer::No) continue;
            }
            image.effects().Resize(kThumbnail.width(), kThumbnail.height(), -1, -1, 0);
            Picture[index]->setPixmap(QPixmap::fromImage(image.files().Picture()));
            cmd[index]->setText(file->path);
            chosen_[index] = file->path;
            return;
        }
    } catch (const std::exception&) {
        // A file that cannot be read leaves the slot as it was, without a word.
    }
}

void Quad::notSelected() {
    services_.prompter.message(QStringLiteral("An image has not been selected."),
                               platform::Buttons::Ok, platform::Icon::Critical,
                               QStringLiteral("Error"), this);
    show();
}

void Quad::cmdOk_Click() {
    // A slot is chosen when a file was picked for it; its caption, a path, may well contain
    // any words, "Images" among them.
    if (chosen_[0].isEmpty()) {
        notSelected();
        return;
    }
    const QSize screen = services_.screen;
    auto canvas = std::make_unique<imaging::ImgX>();
    // Built without a history: undoing half a composition would help nobody.
    canvas->setInfo(imaging::kInfoUndoEnabled, 0);
    hide();
    try {
        canvas->effects().CreateBlank(screen.width(), screen.height(), 0, 0, 0, 0);
        const int halfWidth = half(canvas->Width()), halfHeight = half(canvas->Height());
        const QPoint corners[] = {{0, 0}, {halfWidth, 0}, {0, halfHeight}, {halfWidth, halfHeight}};
        imaging::ImgX source;
        for (std::size_t i = 0; i < 4; ++i) {
            if (chosen_[i].isEmpty()) {
                notSelected();
                return;
            }
            source.canvas().LoadFile(chosen_[i], 1, 0);
            source.effects().Resize(half(screen.width()), half(screen.height()), -1, -1, 0);
            canvas->effects().Merge(source, corners[i].x(), corners[i].y(), 100, -1, 0);
        }
    } catch (const std::exception&) {
        services_.prompter.message(
            QStringLiteral("There was an error creating the composit image."),
            platform::Buttons::Ok, platform::Icon::Exclamation, QStringLiteral("Error"), this);
        services_.showEditor();
        return;
    }
    services_.adopt(std::move(canvas));
    services_.showEditor();
}

void Quad::cmdCancel_Click() {
    hide();
    services_.showEditor();
    deleteLater();
}

void Quad::Form_Activate() { cmdCancel->setFocus(); }

void Quad::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) Form_Activate();
}

void Quad::closeEvent(QCloseEvent* event) {
    // The title bar's close button is the dialog's Cancel: with the toolbox hidden behind it,
    // anything less would leave the program running with no window to reach.
    event->ignore();
    cmdCancel_Click();
}

}  // namespace operations
