#include "EditorFixture.h"

namespace {

using namespace imaging;

// Info values are told apart by type as well: a 16-bit 1 is not a truth value.
QString typed(const QVariant& value) { return value.typeName() + (' ' + value.toString()); }

class ImgAtribTest : public ::testing::Test {
protected:
    // Runs one use of the dialog: `whileShown` plays the user, then `leave`, if any, is clicked.
    void use(int format, const QString& typeFile, QPushButton* leave,
             const std::function<void()>& whileShown = {}) {
        QTimer::singleShot(0, &dialog, [&] {
            if (whileShown) whileShown();
            if (leave) leave->click();
        });
        dialog.Setup(image, format, "/pictures/cat.x", typeFile);
    }
    void type(const QString& keys) {
        QApplication::setActiveWindow(&dialog);  // only there does leaving the field count
        dialog.txtJPGQuality->setFocus();
        dialog.txtJPGQuality->clear();
        QTest::keyClicks(dialog.txtJPGQuality, keys);
    }
    QString options() {
        return typed(image.Info(kInfoJpegQuality)) + ", " + typed(image.Info(kInfoPlaceable)) +
               ", " + typed(image.Info(kInfoInterlaced)) + ", " +
               typed(image.Info(kInfoJpegDctMethod));
    }

    editor::ImgAtrib dialog;
    ImgX image;
};

TEST_F(ImgAtribTest, IsPreparedForTheFormatAndWritesExactlyTheOptionsItOffers) {
    QStringList captions{dialog.windowTitle(), dialog.lstJPGDCT->itemText(3)};
    for (QWidget* c : std::initializer_list<QWidget*>{
             dialog.lblJPGQuality, dialog.opt8BPP, dialog.opt24BPP, dialog.btnOK, dialog.btnCancel})
        captions << c->property("text").toString();
    EXPECT_EQ(captions.join('|'),
              "  Save Image|Floating Point|JPG Quality (10..100)|"
              "&8 Bits Per Pixel|&24 Bits Per Pixel|&OK|&Cancel");
    // The format, its label, whether the JPEG fields are on and 24 bits proposed, then the
    // options written (Placeable and Interlaced are carried, never offered).
    const std::tuple<int, const char*, const char*, bool, bool, const char*> cases[] = {
        {1, "JPG", "Joint Photographic Experts Group", true, true,
         "double 75, bool true, short 1, short 2"},
        {6, "BMP", "Windows Bitmap", false, false, "double 90, bool true, bool true, int 2"},
        {2, "BMP", "Portable Network Graphics", false, false,
         "double 90, bool true, short 1, int 2"},
        {7, "BMP", "Windows Metafile", false, true, "double 90, short 1, bool true, int 2"}};
    for (const auto& [format, typeFile, label, jpeg, bits24, written] : cases) {
        image.setInfo(kInfoJpegQuality, 90.0);
        image.setInfo(kInfoPlaceable, true);
        image.setInfo(kInfoInterlaced, true);
        image.setInfo(kInfoJpegDctMethod, 2);
        bool shownAsExpected = false;
        use(format, typeFile, dialog.btnOK, [&, jpeg = jpeg, bits24 = bits24] {
            shownAsExpected = !dialog.chkPlaceable->isVisible() &&
                              dialog.lstJPGDCT->isEnabled() == jpeg &&
                              dialog.txtJPGQuality->text() == (jpeg ? "90" : "") &&
                              dialog.opt24BPP->isChecked() == bits24;
            if (jpeg) type("75");
        });
        EXPECT_EQ(std::tuple(shownAsExpected, dialog.lblFormat->text(), dialog.windowTitle(),
                             options(), dialog.Cancelled),
                  std::tuple(true, QString("Format:   ") + label, QString("/pictures/cat.x"),
                             QString(written), false));
    }
}

}  // namespace
