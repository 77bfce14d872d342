#pragma once

#include <QObject>
#include <QString>

namespace app {

class TrayIcon;

// Tells the user that the wallpaper cannot be changed, and again once it can, without a
// question and without taking the focus: one line on standard error and a desktop
// notification - or, where no notification service runs, a balloon from the tray icon.
class WallpaperNotice final : public QObject {
    Q_OBJECT
public:
    // `backend` is the name the user knows the wallpaper backend by ("gnome", "sway"...).
    WallpaperNotice(QString backend, TrayIcon& icon, QObject* parent = nullptr);

    void failing(const QString& reason);
    void worksAgain();

private:
    void show(const QString& summary, const QString& body, bool problem);

    QString backend_;
    TrayIcon& icon_;
};

}  // namespace app
