#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <chrono>

class QLocalSocket;

namespace app {

// One running copy per program folder: two copies on one store would each keep their own
// cursor and overwrite each other's exit record. The copy that holds the folder's lock file
// listens on a local socket named after the folder; a later start asks it to show its window
// and ends.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Start {
        Run,                // this copy holds the folder (or the folder cannot be locked at all)
        HandedOver,         // the running copy took the request; this one ends
        OtherNotAnswering,  // the folder is held by a copy that did not answer in time
    };

    // How long a second start waits for the running copy to take its request.
    static constexpr std::chrono::milliseconds kAnswerWait{2000};

    explicit SingleInstance(const QString& programFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    Start start(std::chrono::milliseconds answerWait = kAnswerWait);

    // The local socket name for a program folder: the same for every path that leads to the
    // folder, different for each user.
    static QString serverName(const QString& programFolder);
    static QString lockFileName() { return QStringLiteral("quorvane.lock"); }

signals:
    // A later start asked this copy to show itself.
    void showRequested();

private:
    void listen();
    void answer(QLocalSocket* client);
    bool handOver(std::chrono::milliseconds answerWait) const;
    bool takeLockNamingNoProcess();

    QString name_;
    QString lockPath_;
    // Declared before the server so that it is released after it: the socket is gone before
    // a next start can take the lock.
    QLockFile lock_;
    QLocalServer server_;
};

}  // namespace app
