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
#include <utility>

#include "editor/ImgAtrib.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "support/QtPrinting.h"

namespace {

using namespace imaging;

// Info values are told apart by type as well: a 16-bit 1 is not a truth value.
::testing::AssertionResult sameInfo(const QVariant& actual, const QVariant& expected) {
    if (actual.typeId() == expected.typeId() && actual == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << actual.typeName() << ' ' << actual.toString().toStdString() << " instead of "
           << expected.typeName() << ' ' << expected.toString().toStdString();
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
    const std::pair<const char*, const char*> captions[] = {
        {"lblFormat", "The File Format"},
        {"lblJPGDCT", "JPG Compression"},
        {"txtJPGQuality", "100"},
        {"lblJPGQuality", "JPG Quality (10..100)"},
        {"opt8BPP", "&8 Bits Per Pixel"},
        {"opt24BPP", "&24 Bits Per Pixel"},
        {"chkPlaceable", "&Placeable"},
        {"chkInterlaced", "&Interlaced"},
        {"btnOK", "&OK"},
        {"btnCancel", "&Cancel"}};
    for (const auto& [name, caption] : captions) {
        const QWidget* control = dialog.findChild<QWidget*>(name);
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(control->property("text").toString(), caption) << name;
    }
    EXPECT_EQ(dialog.windowTitle(), "  Save Image");
    QStringList methods;
    for (int i = 0; i < dialog.lstJPGDCT->count(); ++i) methods << dialog.lstJPGDCT->itemText(i);
    EXPECT_EQ(methods, QStringList({"Default", "Accurate", "Fast", "Floating Point"}));
    EXPECT_TRUE(dialog.btnOK->isDefault());
    EXPECT_TRUE(dialog.chkPlaceable->isHidden());
    EXPECT_TRUE(dialog.chkInterlaced->isHidden());
}

struct FormatCase {
    int format;
    const char *typeFile, *label;
    bool jpeg, bits24, placeable, interlaced;
};

class PreparedFor : public ImgAtribTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(PreparedFor, TheFormatAndTheImagesOptions) {
    const FormatCase& c = GetParam();
    image.setInfo(kInfoJpegDctMethod, 2);
    image.setInfo(kInfoInterlaced, true);
    bool checkBoxesShown = true;
    use(c.format, c.typeFile, dialog.btnCancel, [&] {
        checkBoxesShown = dialog.chkPlaceable->isVisible() || dialog.chkInterlaced->isVisible();
    });

    EXPECT_FALSE(checkBoxesShown);
    EXPECT_EQ(dialog.windowTitle(), "/pictures/cat.x");
    EXPECT_EQ(dialog.lblFormat->text(), c.label);
    EXPECT_EQ(dialog.txtJPGQuality->text(), c.jpeg ? "90" : "");
    EXPECT_EQ(dialog.lstJPGDCT->currentIndex(), c.jpeg ? 2 : -1);
    const QPalette::ColorRole background = c.jpeg ? QPalette::Base : QPalette::Button;
    for (QWidget* field : {(QWidget*)dialog.txtJPGQuality, (QWidget*)dialog.lstJPGDCT}) {
        EXPECT_EQ(field->isEnabled(), c.jpeg);
        EXPECT_EQ(field->palette().color(QPalette::Base),
                  QApplication::palette().color(background));
    }
    EXPECT_EQ(dialog.opt24BPP->isChecked(), c.bits24);
    EXPECT_EQ(dialog.opt8BPP->isChecked(), !c.bits24);
    EXPECT_EQ(dialog.chkPlaceable->isEnabled(), c.placeable);
    EXPECT_EQ(dialog.chkPlaceable->isChecked(), c.placeable);  // the image's default is true
    EXPECT_EQ(dialog.chkInterlaced->isEnabled(), c.interlaced);
    EXPECT_EQ(dialog.chkInterlaced->isChecked(), c.interlaced);
    EXPECT_TRUE(dialog.Cancelled);
}

INSTANTIATE_TEST_SUITE_P(
    , PreparedFor,
    ::testing::Values(
        FormatCase{6, "BMP", "Format:   Windows Bitmap", false, false, false, false},
        FormatCase{1, "JPG", "Format:   Joint Photographic Experts Group", true, true, false, true},
        FormatCase{2, "BMP", "Format:   Portable Network Graphics", false, false, false, true},
        FormatCase{7, "BMP", "Format:   Windows Metafile", false, true, true, false},
        FormatCase{8, "BMP", "Format:   Windows Enhanced Metafile", false, true, false, false}));

TEST_F(ImgAtribTest, ShowsAFractionalQualityAsItIs) {
    image.setInfo(kInfoJpegQuality, 87.5);
    use(1, "JPG", dialog.btnCancel);
    EXPECT_EQ(dialog.txtJPGQuality->text(), "87.5");
}

TEST_F(ImgAtribTest, FormatOutsideTheListRepeatsThePrefixOnTheOldName) {
    use(6, "BMP", dialog.btnCancel);
    use(0, "BMP", dialog.btnCancel);
    EXPECT_EQ(dialog.lblFormat->text(), "Format:   Format:   Windows Bitmap");
}

struct Clamp {
    const char *typed, *left;
};

class QualityLeftWith : public ImgAtribTest, public ::testing::WithParamInterface<Clamp> {};

TEST_P(QualityLeftWith, IsBroughtIntoRangeWhenTheFieldLosesTheFocus) {
    QString afterLeaving;
    use(1, "JPG", dialog.btnCancel, [&] {
        type(GetParam().typed);
        dialog.lstJPGDCT->setFocus();
        afterLeaving = dialog.txtJPGQuality->text();
    });
    EXPECT_EQ(afterLeaving, GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(, QualityLeftWith,
                         ::testing::Values(Clamp{"5", "10"}, Clamp{"250", "100"}, Clamp{"", "10"},
                                           Clamp{"55", "55"}, Clamp{"100", "100"}));

TEST_F(ImgAtribTest, QualityTakesDigitsOnly) {
    QString typed, afterBackspace, pasted;
    use(1, "JPG", dialog.btnCancel, [&] {
        type("7a.b -5");
        typed = dialog.txtJPGQuality->text();
        QTest::keyClick(dialog.txtJPGQuality, Qt::Key_Backspace);
        afterBackspace = dialog.txtJPGQuality->text();
        QApplication::clipboard()->setText("x4 2%");
        dialog.txtJPGQuality->paste();
        pasted = dialog.txtJPGQuality->text();
    });
    EXPECT_EQ(typed, "75");
    EXPECT_EQ(afterBackspace, "7");
    EXPECT_EQ(pasted, "742");
}

TEST_F(ImgAtribTest, EnterClampsTheQualityBeforeSavingIt) {
    use(1, "JPG", nullptr, [&] {
        type("5");
        QTest::keyClick(dialog.txtJPGQuality, Qt::Key_Return);
    });
    EXPECT_FALSE(dialog.Cancelled);
    EXPECT_TRUE(sameInfo(image.Info(kInfoJpegQuality), 10.0));
}

struct Written {
    int format;
    QVariant quality, placeable, interlaced, dct;
};

class OkWrites : public ImgAtribTest, public ::testing::WithParamInterface<Written> {};

// The options start as types the dialog never writes, so each one written shows.
TEST_P(OkWrites, ExactlyTheOptionsItOffersForTheFormat) {
    const Written& w = GetParam();
    image.setInfo(kInfoJpegQuality, 90.0);
    image.setInfo(kInfoPlaceable, true);
    image.setInfo(kInfoInterlaced, true);
    image.setInfo(kInfoJpegDctMethod, 2);
    use(w.format, "BMP", dialog.btnOK, [&] {
        if (dialog.txtJPGQuality->isEnabled()) type("75");
    });
    EXPECT_FALSE(dialog.Cancelled);
    EXPECT_TRUE(sameInfo(image.Info(kInfoJpegQuality), w.quality));
    EXPECT_TRUE(sameInfo(image.Info(kInfoPlaceable), w.placeable));
    EXPECT_TRUE(sameInfo(image.Info(kInfoInterlaced), w.interlaced));
    EXPECT_TRUE(sameInfo(image.Info(kInfoJpegDctMethod), w.dct));
}

const QVariant kOne = QVariant::fromValue(qint16(1));

INSTANTIATE_TEST_SUITE_P(
    , OkWrites,
    ::testing::Values(Written{1, 75.0, true, kOne, QVariant::fromValue(qint16(2))},
                      Written{2, 90.0, true, kOne, 2}, Written{6, 90.0, true, true, 2},
                      Written{7, 90.0, kOne, true, 2}));

TEST_F(ImgAtribTest, CancelWritesNothing) {
    image.setInfo(kInfoJpegDctMethod, 1);
    use(1, "JPG", dialog.btnCancel, [&] {
        type("42");
        dialog.lstJPGDCT->setCurrentIndex(3);
    });
    EXPECT_TRUE(dialog.Cancelled);
    EXPECT_TRUE(sameInfo(image.Info(kInfoJpegQuality), 90.0));
    EXPECT_TRUE(sameInfo(image.Info(kInfoJpegDctMethod), 1));
    EXPECT_TRUE(sameInfo(image.Info(kInfoInterlaced), false));
}

TEST_F(ImgAtribTest, EscapeAfterAnEarlierOkLeavesAsCancel) {
    use(6, "BMP", dialog.btnOK);
    ASSERT_FALSE(dialog.Cancelled);
    QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    dialog.Setup(image, 6, "cat.bmp", "BMP");
    EXPECT_TRUE(dialog.Cancelled);
}

TEST_F(ImgAtribTest, KeepsTheUsersChoicesSetupLeavesAlone) {
    use(6, "BMP", dialog.btnOK, [&] { dialog.opt24BPP->setChecked(true); });
    QWidget* focusWhenShown = nullptr;
    dialog.opt8BPP->setFocus();
    use(3, "", dialog.btnCancel, [&] { focusWhenShown = dialog.focusWidget(); });
    EXPECT_TRUE(dialog.opt24BPP->isChecked());
    EXPECT_EQ(focusWhenShown, dialog.btnOK);
}

}  // namespace
