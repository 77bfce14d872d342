#include "editor/ImgAtrib.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>

#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "operations/ImageFormats.h"

namespace editor {

namespace {

constexpr int kFormatJpeg = 1;
constexpr int kFormatPng = 2;
constexpr int kFormatWmf = 7;
constexpr int kFormatEmf = 8;

// 3615 by 1815 twips at 15 twips per pixel.
constexpr QSize kDesignSize(241, 121);

constexpr int kLowestQuality = 10;
constexpr int kHighestQuality = 100;

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Pasted or dropped text keeps only its digits: users expect a paste to land as typing
// would, not to be refused whole. One decimal point survives, because the quality the image
// already holds may be fractional (87.5) and editing it must not merge its digits.
class QualityValidator final : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override {
        QString kept;
        int keptBeforeCursor = 0;
        bool hasPoint = false;
        for (qsizetype i = 0; i < input.size(); ++i) {
            const QChar c = input.at(i);
            const bool firstPoint = c == u'.' && !hasPoint;
            if (!isAsciiDigit(c) && !firstPoint) continue;
            hasPoint = hasPoint || firstPoint;
            kept.append(c);
            if (i < pos) ++keptBeforeCursor;
        }
        input = kept;
        pos = keptBeforeCursor;
        return Acceptable;
    }
};

// The field holds only digits and one point, so a plain conversion reads it; 0 when empty.
double numericValue(const QString& text) { return text.toDouble(); }

void setBaseColour(QWidget* widget, QPalette::ColorRole source) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(source));
    widget->setPalette(palette);
}

QVariant asInfoShort(int value) { return QVariant::fromValue(qint16(value)); }

}  // namespace

ImgAtrib::ImgAtrib(QWidget* parent) : QDialog(parent) {
    setObjectName("ImgAtrib");
    setWindowTitle("  Save Image");

    lblFormat = new QLabel("The File Format", this);
    lstJPGDCT = new QComboBox(this);
    lstJPGDCT->addItems({"Default", "Accurate", "Fast", "Floating Point"});
    lblJPGDCT = new QLabel("JPG Compression", this);
    txtJPGQuality = new QLineEdit("100", this);
    txtJPGQuality->setValidator(new QualityValidator(txtJPGQuality));
    txtJPGQuality->installEventFilter(this);
    lblJPGQuality = new QLabel("JPG Quality (10..100)", this);
    opt8BPP = new QRadioButton("&8 Bits Per Pixel", this);
    opt24BPP = new QRadioButton("&24 Bits Per Pixel", this);
    auto* bitsPerPixel = new QButtonGroup(this);
    bitsPerPixel->addButton(opt8BPP);
    bitsPerPixel->addButton(opt24BPP);
    chkPlaceable = new QCheckBox("&Placeable", this);
    chkInterlaced = new QCheckBox("&Interlaced", this);
    btnOK = new QPushButton("&OK", this);
    btnOK->setDefault(true);
    btnCancel = new QPushButton("&Cancel", this);

    lblFormat->setObjectName("lblFormat");
    lstJPGDCT->setObjectName("lstJPGDCT");
    lblJPGDCT->setObjectName("lblJPGDCT");
    txtJPGQuality->setObjectName("txtJPGQuality");
    lblJPGQuality->setObjectName("lblJPGQuality");
    opt8BPP->setObjectName("opt8BPP");
    opt24BPP->setObjectName("opt24BPP");
    chkPlaceable->setObjectName("chkPlaceable");
    chkInterlaced->setObjectName("chkInterlaced");
    btnOK->setObjectName("btnOK");
    btnCancel->setObjectName("btnCancel");

    // Both options are carried between the image and the save without being offered.
    chkPlaceable->hide();
    chkInterlaced->hide();

    auto* jpegFields = new QVBoxLayout;
    jpegFields->addWidget(lblJPGQuality);
    jpegFields->addWidget(txtJPGQuality);
    jpegFields->addWidget(lblJPGDCT);
    jpegFields->addWidget(lstJPGDCT);
    jpegFields->addStretch();
    auto* choices = new QVBoxLayout;
    choices->addWidget(opt8BPP);
    choices->addWidget(opt24BPP);
    choices->addWidget(chkPlaceable);
    choices->addWidget(chkInterlaced);
    choices->addStretch();
    choices->addWidget(btnOK);
    choices->addWidget(btnCancel);
    auto* grid = new QGridLayout(this);
    // Tight spacing keeps the dialog near its small design size.
    grid->setContentsMargins(8, 6, 8, 8);
    grid->setSpacing(4);
    jpegFields->setSpacing(2);
    choices->setSpacing(2);
    grid->addWidget(lblFormat, 0, 0, 1, 2);
    grid->addLayout(jpegFields, 1, 0);
    grid->addLayout(choices, 1, 1);
    // The design size, unless the system's fonts need more room to show every caption.
    setFixedSize(kDesignSize.expandedTo(grid->minimumSize()));

    connect(btnOK, &QPushButton::clicked, this, &ImgAtrib::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &ImgAtrib::btnCancel_Click);
    // Escape and the window's close button end in reject() too, and must leave as Cancel does.
    connect(this, &QDialog::rejected, this, [this] {
        Cancelled = true;
        TheImgX_ = nullptr;
    });
}

void ImgAtrib::Setup(imaging::ImgX& TheImgX, int ImageFormat, const QString& ImagePath,
                     const QString& typeFile) {
    TheImgX_ = &TheImgX;
    setWindowTitle(ImagePath);

    if (ImageFormat >= 1 && ImageFormat <= 8)
        lblFormat->setText(operations::formatName(ImageFormat));
    lblFormat->setText("Format:   " + lblFormat->text());
    // The longer format names need more than the design width.
    setFixedSize(kDesignSize.expandedTo(layout()->minimumSize()));

    const bool jpeg = ImageFormat == kFormatJpeg;
    if (jpeg) {
        txtJPGQuality->setText(QString::number(TheImgX.Info(imaging::kInfoJpegQuality).toDouble()));
        lstJPGDCT->setCurrentIndex(TheImgX.Info(imaging::kInfoJpegDctMethod).toInt());
    } else {
        txtJPGQuality->clear();
        lstJPGDCT->setCurrentIndex(-1);
    }
    const QPalette::ColorRole background = jpeg ? QPalette::Base : QPalette::Button;
    for (QWidget* field :
         {static_cast<QWidget*>(txtJPGQuality), static_cast<QWidget*>(lstJPGDCT)}) {
        field->setEnabled(jpeg);
        setBaseColour(field, background);
    }

    if (typeFile == "JPG") opt24BPP->setChecked(true);
    if (typeFile == "BMP") opt8BPP->setChecked(true);
    if (ImageFormat == kFormatWmf || ImageFormat == kFormatEmf) opt24BPP->setChecked(true);

    chkPlaceable->setEnabled(ImageFormat == kFormatWmf);
    chkPlaceable->setChecked(chkPlaceable->isEnabled() &&
                             TheImgX.Info(imaging::kInfoPlaceable).toBool());
    chkInterlaced->setEnabled(ImageFormat == kFormatJpeg || ImageFormat == kFormatPng);
    chkInterlaced->setChecked(chkInterlaced->isEnabled() &&
                              TheImgX.Info(imaging::kInfoInterlaced).toBool());

    exec();
}

void ImgAtrib::btnOK_Click() {
    // Enter takes the default button without the field losing the focus, so its value is
    // brought into range here as leaving the field would have done.
    if (txtJPGQuality->isEnabled()) txtJPGQuality_LostFocus();
    if (TheImgX_) {
        if (!txtJPGQuality->text().isEmpty())
            TheImgX_->setInfo(imaging::kInfoJpegQuality, numericValue(txtJPGQuality->text()));
        if (chkPlaceable->isEnabled())
            TheImgX_->setInfo(imaging::kInfoPlaceable, asInfoShort(chkPlaceable->isChecked()));
        if (chkInterlaced->isEnabled())
            TheImgX_->setInfo(imaging::kInfoInterlaced, asInfoShort(chkInterlaced->isChecked()));
        if (lstJPGDCT->currentIndex() >= 0)
            TheImgX_->setInfo(imaging::kInfoJpegDctMethod, asInfoShort(lstJPGDCT->currentIndex()));
    }
    Cancelled = false;
    TheImgX_ = nullptr;
    accept();
}

void ImgAtrib::btnCancel_Click() { reject(); }

void ImgAtrib::txtJPGQuality_LostFocus() {
    const double value = numericValue(txtJPGQuality->text());
    if (value < kLowestQuality) txtJPGQuality->setText(QString::number(kLowestQuality));
    if (numericValue(txtJPGQuality->text()) > kHighestQuality)
        txtJPGQuality->setText(QString::number(kHighestQuality));
}

void ImgAtrib::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    btnOK->setFocus();
}

bool ImgAtrib::eventFilter(QObject* watched, QEvent* event) {
    if (watched != txtJPGQuality) return QDialog::eventFilter(watched, event);

    if (event->type() == QEvent::KeyPress) {
        // Only typed characters are judged: keys without text (arrows, Delete) and control
        // characters (backspace, Tab, Enter, Escape, Ctrl shortcuts) keep their usual work.
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        const bool refused = std::any_of(typed.cbegin(), typed.cend(),
                                         [](QChar c) { return c.isPrint() && !isAsciiDigit(c); });
        if (refused) {
            QApplication::beep();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        // A context menu or a switch to another window is not leaving the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            txtJPGQuality_LostFocus();
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace editor
