#include "QtDesktop.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform {

QtDesktop::QtDesktop(QString programFolder) : programFolder_(std::move(programFolder)) {}

QSize QtDesktop::screenSizePixels() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    return screen->size() * screen->devicePixelRatio();
}

QString QtDesktop::programFolder() const { return programFolder_; }

}  // namespace platform
