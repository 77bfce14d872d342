#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

#include "platform/Desktop.h"

namespace testing_support {

// A desktop with a 1024 x 768 screen (times `scale` in device pixels) and the given program folder
// that remembers whether the pointer is held in an area, for which windows the help was opened, and
// how often the display settings were started (they start when displaySettingsStart says so).
class FixedDesktop final : public platform::Desktop {
public:
    explicit FixedDesktop(QString folder) : folder_(std::move(folder)) {}
    QSize screenSizePixels() const override { return QSize(1024, 768) * scale; }
    QRect screenArea() const override { return {0, 0, 1024, 768}; }
    QString programFolder() const override { return folder_; }
    void confineCursor(QWidget& area) override { confinedTo = &area; }
    void releaseCursor() override {
        confinedTo = nullptr;
        ++releases;
    }
    void showHelp(QWidget* owner) override { helpOwners.push_back(owner); }
    bool startDisplaySettings() override {
        ++displaySettingsStarts;
        return displaySettingsStart;
    }

    int scale = 1;
    QWidget* confinedTo = nullptr;
    int releases = 0;
    std::vector<QWidget*> helpOwners;
    bool displaySettingsStart = true;
    int displaySettingsStarts = 0;

private:
    QString folder_;
};

}  // namespace testing_support
