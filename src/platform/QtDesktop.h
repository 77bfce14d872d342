#pragma once

#include "Desktop.h"

namespace platform {

class QtDesktop final : public Desktop {
public:
    explicit QtDesktop(QString programFolder);

    QSize screenSizePixels() const override;
    QString programFolder() const override;
    void confineCursor(QWidget& area) override;
    void releaseCursor() override;

private:
    QString programFolder_;
};

}  // namespace platform
