#pragma once

#include <QSize>
#include <QString>

#include "platform/Desktop.h"

namespace testing_support {

// A desktop with a 1024 x 768 screen and the given program folder that remembers whether the
// pointer is held in an area.
class FixedDesktop final : public platform::Desktop {
public:
    explicit FixedDesktop(QString folder) : folder_(std::move(folder)) {}
    QSize screenSizePixels() const override { return {1024, 768}; }
    QString programFolder() const override { return folder_; }
    void confineCursor(QWidget& area) override { confinedTo = &area; }
    void releaseCursor() override {
        confinedTo = nullptr;
        ++releases;
    }

    QWidget* confinedTo = nullptr;
    int releases = 0;

private:
    QString folder_;
};

}  // namespace testing_support
