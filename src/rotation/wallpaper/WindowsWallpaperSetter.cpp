#include "WindowsWallpaperSetter.h"

#ifdef Q_OS_WIN

#include <QDir>
#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include <windows.h>
// After windows.h, which it builds on.
#include <shobjidl.h>

namespace rotation {

QString WindowsWallpaperSetter::apply(const QString& path) {
    // The call takes a writable buffer and wants backslashes.
    std::wstring nativePath = QDir::toNativeSeparators(path).toStdWString();
    if (SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, nativePath.data(),
                              SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE))
        return {};
    return QStringLiteral("Windows refused the image (error %1).").arg(GetLastError());
}

namespace {

struct ShellMonitor {
    std::wstring id;
    RECT rect;
};

QString refused(const char* step, HRESULT result) {
    return QStringLiteral("Windows refused the pictures per monitor (%1: 0x%2).")
        .arg(QLatin1String(step), QString::number(quint32(result), 16));
}

}  // namespace

QString WindowsWallpaperSetter::applyEach(const std::vector<MonitorPicture>& pictures) {
    // The UI thread is already a COM apartment (Qt initialises OLE there); this only makes
    // sure of it, and is undone only where it took effect.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IDesktopWallpaper* wallpaper = nullptr;
    HRESULT result = CoCreateInstance(CLSID_DesktopWallpaper, nullptr, CLSCTX_ALL,
                                      IID_IDesktopWallpaper, reinterpret_cast<void**>(&wallpaper));
    QString problem;
    if (FAILED(result)) {
        problem = refused("CoCreateInstance", result);
    } else {
        std::vector<ShellMonitor> monitors;
        UINT count = 0;
        wallpaper->GetMonitorDevicePathCount(&count);
        for (UINT i = 0; i < count; ++i) {
            LPWSTR id = nullptr;
            RECT rect{};
            if (SUCCEEDED(wallpaper->GetMonitorDevicePathAt(i, &id)) &&
                SUCCEEDED(wallpaper->GetMonitorRECT(id, &rect)))
                monitors.push_back({id, rect});
            CoTaskMemFree(id);
        }
        // The same order as the layout's: left to right, then top to bottom.
        std::sort(
            monitors.begin(), monitors.end(), [](const ShellMonitor& a, const ShellMonitor& b) {
                return std::tuple(a.rect.left, a.rect.top) < std::tuple(b.rect.left, b.rect.top);
            });
        for (std::size_t i = 0; i < monitors.size() && i < pictures.size() && problem.isEmpty();
             ++i) {
            const std::wstring path = QDir::toNativeSeparators(pictures[i].path).toStdWString();
            result = wallpaper->SetWallpaper(monitors[i].id.c_str(), path.c_str());
            if (FAILED(result)) problem = refused("SetWallpaper", result);
        }
        wallpaper->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return problem;
}

}  // namespace rotation

#endif
