#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace imaging {
class ImgX;
}

namespace editor {

// The save options dialog: format options of the image being saved (JPEG quality, DCT
// method, bits per pixel, placeable metafile, interlacing), moved between the image's Info
// settings and the controls. Made by the first Save As and kept, hidden, between uses: the
// controls keep what the user left in them except what Setup sets.
class ImgAtrib final : public QDialog {
    Q_OBJECT
public:
    explicit ImgAtrib(QWidget* parent = nullptr);

    // Prepares the controls from `TheImgX` for a file of format `ImageFormat` at
    // `ImagePath`, shows the dialog modally and returns when the user has left it. `typeFile`
    // is the editor's choice of the last Save As, "BMP" or "JPG".
    void Setup(imaging::ImgX& TheImgX, int ImageFormat, const QString& ImagePath,
               const QString& typeFile);

    // How the dialog was left: true for Cancel (or closing it), false for OK.
    bool Cancelled = true;

    void btnOK_Click();
    void btnCancel_Click();
    void txtJPGQuality_LostFocus();

    QLabel* lblFormat;
    QComboBox* lstJPGDCT;
    QLabel* lblJPGDCT;
    QLineEdit* txtJPGQuality;
    QLabel* lblJPGQuality;
    QRadioButton* opt8BPP;
    QRadioButton* opt24BPP;
    QCheckBox* chkPlaceable;
    QCheckBox* chkInterlaced;
    QPushButton* btnOK;
    QPushButton* btnCancel;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    imaging::ImgX* TheImgX_ = nullptr;
};

}  // namespace editor
