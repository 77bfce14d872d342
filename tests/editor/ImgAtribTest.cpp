#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "editor/ImgAtrib.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "support/QtPrinting.h"

namespace {

using namespace imaging;

// Info values are told apart by type as well: a 16-bit 1 is not a truth value.
std::string typed(const QVariant& value) {
    return value.typeName() + (' ' + value.toString().toStdString());
}

class ImgAtribTest : public ::testing::Test {
protected:
    // Runs one use of the dialog: `whileShown` plays the user, then `leave`, if any, is
    // clicked.
    void use(int format, const QString& typeFile, QPushButton* leave,
             const std::function<void()>& whileShown = {}) {
        QTimer::singleShot(0, &dialog, [&] {
            if (whileShown) whileShown();
            if (leave) leave->click();
        });
        dialog.Setup(image, format, "/pictures/cat.x", typeFile);
    }
    void type(const QString& keys) {
        // Focus moves, and so leaving the field counts, only in the active window.
        QApplication::setActiveWindow(&dialog);
        dialog.txtJPGQuality->setFocus();
        dialog.txtJPGQuality->clear();
        QTest::keyClicks(dialog.txtJPGQuality, keys);
    }

    editor::ImgAtrib dialog;
    ImgX image;
};

TEST_F(ImgAtribTest, StartsAsDesigned) {
    QString captions;
    for (const char* name : {"lblFormat", "lblJPGDCT", "txtJPGQuality", "lblJPGQuality", "opt8BPP",
                             "opt24BPP", "chkPlaceable", "chkInterlaced", "btnOK", "btnCancel"}) {
        const QWidget* control = dialog.findChild<QWidget*>(name);
        captions +=
            QString("|") + name + ": " + (control ? control->property("text").toString() : "-");
    }
    EXPECT_EQ(captions,
              "|lblFormat: The File Format|lblJPGDCT: JPG Compression|txtJPGQuality: 100|"
              "lblJPGQuality: JPG Quality (10..100)|opt8BPP: &8 Bits Per Pixel|"
              "opt24BPP: &24 Bits Per Pixel|chkPlaceable: &Placeable|chkInterlaced: &Interlaced|"
              "btnOK: &OK|btnCancel: &Cancel");
    EXPECT_EQ(dialog.windowTitle(), "  Save Image");
    QStringList methods;
    for (int i = 0; i < dialog.lstJPGDCT->count(); ++i) methods << dialog.lstJPGDCT->itemText(i);
    EXPECT_EQ(methods, QStringList({"Default", "Accurate", "Fast", "Floating Point"}));
    EXPECT_TRUE(dialog.btnOK->isDefault());
    EXPECT_TRUE(dialog.chkPlaceable->isHidden());
    EXPECT_TRUE(dialog.chkInterlaced->isHidden());
}

TEST_F(ImgAtribTest, IsPreparedForTheFormatAndTheImagesOptions) {
    image.setInfo(kInfoJpegDctMethod, 2);
    image.setInfo(kInfoInterlaced, true);
    // The format, its label, and whether the JPEG fields, 24 bits, Placeable and Interlaced
    // are on (the image's Placeable is true by default).
    const std::tuple<int, const char*, const char*, bool, bool, bool, bool> cases[] = {
        {6, "BMP", "Format:   Windows Bitmap", false, false, false, false},
        {1, "JPG", "Format:   Joint Photographic Experts Group", true, true, false, true},
        {2, "BMP", "Format:   Portable Network Graphics", false, false, false, true},
        {7, "BMP", "Format:   Windows Metafile", false, true, true, false},
        {8, "BMP", "Format:   Windows Enhanced Metafile", false, true, false, false}};
    for (const auto& [format, typeFile, label, jpeg, bits24, placeable, interlaced] : cases) {
        SCOPED_TRACE(label);
        bool checkBoxesShown = true;
        use(format, typeFile, dialog.btnCancel, [&] {
            checkBoxesShown = dialog.chkPlaceable->isVisible() || dialog.chkInterlaced->isVisible();
        });
        EXPECT_FALSE(checkBoxesShown);
        EXPECT_TRUE(dialog.Cancelled);
        EXPECT_EQ(dialog.windowTitle(), "/pictures/cat.x");
        EXPECT_EQ(dialog.lblFormat->text(), label);
        EXPECT_EQ(dialog.txtJPGQuality->text(), jpeg ? "90" : "");
        EXPECT_EQ(dialog.lstJPGDCT->currentIndex(), jpeg ? 2 : -1);
        const QColor background =
            QApplication::palette().color(jpeg ? QPalette::Base : QPalette::Button);
        for (QWidget* field : {(QWidget*)dialog.txtJPGQuality, (QWidget*)dialog.lstJPGDCT}) {
            EXPECT_EQ(field->isEnabled(), jpeg);
            EXPECT_EQ(field->palette().color(QPalette::Base), background);
        }
        EXPECT_EQ(std::tuple(dialog.opt24BPP->isChecked(), dialog.opt8BPP->isChecked()),
                  std::tuple(bits24, !bits24));
        EXPECT_EQ(std::tuple(dialog.chkPlaceable->isEnabled(), dialog.chkPlaceable->isChecked(),
                             dialog.chkInterlaced->isEnabled(), dialog.chkInterlaced->isChecked()),
                  std::tuple(placeable, placeable, interlaced, interlaced));
    }
    // A format outside the list repeats the prefix on the last name.
    use(0, "BMP", dialog.btnCancel);
    EXPECT_EQ(dialog.lblFormat->text(), "Format:   Format:   Windows Enhanced Metafile");
}

// A fractional quality shows as it is. Digits only, typed or pasted; a value left out of
// range is brought into it, Enter included.
TEST_F(ImgAtribTest, QualityTakesDigitsOnlyAndIsBroughtIntoRange) {
    image.setInfo(kInfoJpegQuality, 87.5);
    QStringList seen;
    use(1, "JPG", nullptr, [&] {
        seen << dialog.txtJPGQuality->text();
        type("7a.b -5");
        seen << dialog.txtJPGQuality->text();
        QTest::keyClick(dialog.txtJPGQuality, Qt::Key_Backspace);
        seen << dialog.txtJPGQuality->text();
        QApplication::clipboard()->setText("x4 2%");
        dialog.txtJPGQuality->paste();
        seen << dialog.txtJPGQuality->text();
        for (const char* entry : {"5", "250", "", "55", "100"}) {
            type(entry);
            dialog.lstJPGDCT->setFocus();
            seen << dialog.txtJPGQuality->text();
        }
        type("5");
        QTest::keyClick(dialog.txtJPGQuality, Qt::Key_Return);
    });
    EXPECT_EQ(seen, QStringList({"87.5", "75", "7", "742", "10", "100", "10", "55", "100"}));
    EXPECT_FALSE(dialog.Cancelled);
    EXPECT_EQ(typed(image.Info(kInfoJpegQuality)), typed(10.0));
}

TEST_F(ImgAtribTest, OkWritesExactlyTheOptionsItOffersForTheFormat) {
    const QVariant one = QVariant::fromValue(qint16(1));
    // The format, then the quality, Placeable, Interlaced and DCT method written.
    const std::tuple<int, QVariant, QVariant, QVariant, QVariant> cases[] = {
        {1, 75.0, true, one, QVariant::fromValue(qint16(2))},
        {2, 90.0, true, one, 2},
        {6, 90.0, true, true, 2},
        {7, 90.0, one, true, 2}};
    for (const auto& [format, quality, placeable, interlaced, dct] : cases) {
        // The options start as types the dialog never writes, so each one written shows.
        image.setInfo(kInfoJpegQuality, 90.0);
        image.setInfo(kInfoPlaceable, true);
        image.setInfo(kInfoInterlaced, true);
        image.setInfo(kInfoJpegDctMethod, 2);
        use(format, "BMP", dialog.btnOK, [&] {
            if (dialog.txtJPGQuality->isEnabled()) type("75");
        });
        EXPECT_FALSE(dialog.Cancelled);
        EXPECT_EQ(typed(image.Info(kInfoJpegQuality)), typed(quality)) << format;
        EXPECT_EQ(typed(image.Info(kInfoPlaceable)), typed(placeable)) << format;
        EXPECT_EQ(typed(image.Info(kInfoInterlaced)), typed(interlaced)) << format;
        EXPECT_EQ(typed(image.Info(kInfoJpegDctMethod)), typed(dct)) << format;
    }
}

TEST_F(ImgAtribTest, CancelWritesNothingAndChoicesSetupLeavesAloneAreKept) {
    image.setInfo(kInfoJpegDctMethod, 1);
    use(1, "JPG", dialog.btnCancel, [&] {
        type("42");
        dialog.lstJPGDCT->setCurrentIndex(3);
    });
    EXPECT_TRUE(dialog.Cancelled);
    EXPECT_EQ(typed(image.Info(kInfoJpegQuality)), typed(90.0));
    EXPECT_EQ(typed(image.Info(kInfoJpegDctMethod)), typed(1));
    EXPECT_EQ(typed(image.Info(kInfoInterlaced)), typed(false));

    use(6, "BMP", dialog.btnOK, [&] { dialog.opt24BPP->setChecked(true); });
    ASSERT_FALSE(dialog.Cancelled);
    QWidget* focusWhenShown = nullptr;
    dialog.opt8BPP->setFocus();
    use(3, "", nullptr, [&] {
        focusWhenShown = dialog.focusWidget();
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_TRUE(dialog.Cancelled) << "Escape after an earlier OK leaves as Cancel";
    EXPECT_TRUE(dialog.opt24BPP->isChecked()) << "a choice Setup leaves alone is kept";
    EXPECT_EQ(focusWhenShown, dialog.btnOK);
}

}  // namespace
