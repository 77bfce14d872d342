#pragma once

#include <QSize>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;

namespace imaging {
class ImgX;
}

namespace platform {
class Prompter;
}

namespace operations {

// The four-in-one dialog: four images, one for each quarter of a screen-sized black
// picture, which then becomes the editor's document. It stays (hidden) after OK and keeps
// its choices; Cancel closes it.
class Quad final : public QWidget {
    Q_OBJECT
public:
    struct Services {
        platform::Prompter& prompter;
        QSize screen;
        std::function<void()> showEditor;
        // Hands the finished picture to the editor as its document.
        std::function<void(std::unique_ptr<imaging::ImgX>)> adopt;
    };

    explicit Quad(Services services, QWidget* parent = nullptr);
    ~Quad() override;

    // Picks the image of slot 1 to 4.
    void pick(int slot);
    void cmdOk_Click();
    void cmdCancel_Click();
    void Form_Activate();

    // The file chosen for a slot, empty while none is.
    const QString& chosen(int slot) const { return chosen_.at(std::size_t(slot - 1)); }

    QLabel* Label1;
    std::array<QPushButton*, 4> cmd;  // cmd1 to cmd4
    std::array<QLabel*, 4> Picture;   // Picture1 to Picture4, 75 x 55 thumbnails
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void notSelected();

    Services services_;
    std::array<QString, 4> chosen_;
};

}  // namespace operations
