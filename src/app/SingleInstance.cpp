#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace app {

namespace {

const QByteArray kShowRequest = QByteArrayLiteral("show\n");
const QByteArray kShownAnswer = QByteArrayLiteral("shown\n");

// A request is one short line; a client that sends more than this without a line end is not
// one of ours.
constexpr qint64 kLongestRequest = 64;

// How often a second start knocks again while the holder of the lock is not listening yet.
constexpr unsigned long kKnockIntervalMs = 50;

// A copy making its lock file writes its process into it at once; one that has named no
// process for this long never will.
constexpr qint64 kUnnamedLockGraceMs = 1000;

QString userIdentity() {
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

int remainingMs(const QDeadlineTimer& deadline) { return int(deadline.remainingTime()); }

}  // namespace

SingleInstance::SingleInstance(const QString& programFolder, QObject* parent)
    : QObject(parent),
      name_(serverName(programFolder)),
      lockPath_(QDir(programFolder).filePath(lockFileName())),
      lock_(lockPath_) {
    // Only a lock whose process is gone counts as stale, however long a copy has been running.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString& programFolder) {
    const QFileInfo folder(programFolder);
    QString path = folder.canonicalFilePath();
    if (path.isEmpty()) path = folder.absoluteFilePath();
    // Sockets of every user share one temporary folder, and a socket path has little room.
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(userIdentity().toUtf8());
    hash.addData(QByteArrayLiteral("\n"));
    hash.addData(path.toUtf8());
    return QStringLiteral("quorvane-") + QString::fromLatin1(hash.result().toHex().left(16));
}

SingleInstance::Start SingleInstance::start(std::chrono::milliseconds answerWait) {
    if (lock_.tryLock(0) || takeLockNamingNoProcess()) {
        listen();
        return Start::Run;
    }
    // A folder where no lock file can be made (read-only, say) cannot be guarded, and no copy
    // listens for it: this one runs as it would have before.
    if (lock_.error() != QLockFile::LockFailedError) return Start::Run;
    if (handOver(answerWait)) return Start::HandedOver;
    // The copy that held the folder may have ended while this one waited for it.
    if (lock_.tryLock(0) || takeLockNamingNoProcess()) {
        listen();
        return Start::Run;
    }
    return Start::OtherNotAnswering;
}

// A copy that ended between making the lock file and writing its process into it (killed at
// that moment, or out of disk) leaves a file that names no process. QLockFile counts only the
// lock of a process that is gone as stale (there is no stale time here, so that a copy running
// for weeks keeps its folder): without this every later start would give up on the folder.
bool SingleInstance::takeLockNamingNoProcess() {
    qint64 pid = 0;
    QString host, application;
    const QFileInfo file(lockPath_);
    if (!file.exists() || lock_.getLockInfo(&pid, &host, &application)) return false;
    if (file.lastModified().msecsTo(QDateTime::currentDateTime()) < kUnnamedLockGraceMs)
        return false;
    return lock_.removeStaleLockFile() && lock_.tryLock(0);
}

void SingleInstance::listen() {
    // A copy killed outright leaves its socket file behind, in the way of listening. Only the
    // holder of the lock may remove it: anyone else would cut off the running copy.
    QLocalServer::removeServer(name_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_.nextPendingConnection()) answer(client);
    });
    if (!server_.listen(name_))
        std::fprintf(stderr, "quorvane: a second start cannot reach this copy: %s\n",
                     server_.errorString().toLocal8Bit().constData());
}

void SingleInstance::answer(QLocalSocket* client) {
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    const auto serve = [this, client] {
        if (!client->canReadLine()) {
            if (client->bytesAvailable() > kLongestRequest) client->abort();
            return;
        }
        const bool show = client->readLine(kLongestRequest + 1) == kShowRequest;
        if (show) {
            // Answered before the window comes up: showing it may re-apply the wallpaper,
            // which can take longer than the other start waits.
            client->write(kShownAnswer);
            client->flush();
        }
        client->disconnectFromServer();
        if (show) emit showRequested();
    };
    connect(client, &QLocalSocket::readyRead, this, serve);
    serve();
}

bool SingleInstance::handOver(std::chrono::milliseconds answerWait) const {
    const QDeadlineTimer deadline(answerWait);
    QLocalSocket socket;
    // The holder of the lock may still be starting and not listen yet.
    for (;;) {
        socket.connectToServer(name_);
        if (socket.waitForConnected(remainingMs(deadline))) break;
        if (deadline.hasExpired()) return false;
        QThread::msleep(kKnockIntervalMs);
    }
    socket.write(kShowRequest);
    if (socket.bytesToWrite() > 0 && !socket.waitForBytesWritten(remainingMs(deadline)))
        return false;
    while (!socket.canReadLine())
        if (deadline.hasExpired() || !socket.waitForReadyRead(remainingMs(deadline))) return false;
    return socket.readLine(kLongestRequest + 1) == kShownAnswer;
}

}  // namespace app
