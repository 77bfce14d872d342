#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace wallpaper_test {

// A server for one test (Xvfb, dbus-daemon) that prints where to reach it as the first line
// of its standard output. It is stopped when the object goes.
class TestServer {
public:
    TestServer(const QString& program, const QStringList& arguments);
    ~TestServer();

    // The first line the server printed; empty when it could not be started.
    QString address() const { return address_; }

private:
    QProcess process_;
    QString address_;
};

}  // namespace wallpaper_test
