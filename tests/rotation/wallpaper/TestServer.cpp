#include "TestServer.h"

namespace wallpaper_test {

TestServer::TestServer(const QString& program, const QStringList& arguments) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program, arguments);
    if (!process_.waitForStarted()) return;
    // Generous: a loaded CI machine may take a while to bring a server up.
    while (!process_.canReadLine() && process_.state() == QProcess::Running)
        process_.waitForReadyRead(30000);
    address_ = QString::fromUtf8(process_.readLine()).trimmed();
}

TestServer::~TestServer() {
    process_.terminate();
    if (!process_.waitForFinished(5000)) process_.kill();
    process_.waitForFinished();
}

}  // namespace wallpaper_test
