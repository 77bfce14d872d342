#include "WindowsWallpaperSetter.h"

#ifdef Q_OS_WIN

#include <QDir>
#include <string>

#include <windows.h>

namespace rotation {

QString WindowsWallpaperSetter::apply(const QString& path) {
    // The call takes a writable buffer and wants backslashes.
    std::wstring nativePath = QDir::toNativeSeparators(path).toStdWString();
    if (SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, nativePath.data(),
                              SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE))
        return {};
    return QStringLiteral("Windows refused the image (error %1).").arg(GetLastError());
}

}  // namespace rotation

#endif
