#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered on the UI thread, so that a
// logout or a kill runs the same clean-up as the program's own exit command.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* notifier_ = nullptr;
};

// Until a TerminationSignals watcher exists, a termination signal ends the program at once
// with status 0: nothing has been changed yet that a clean exit would have to record. Called
// first thing, so that a logout during start-up is never taken for a crash.
void endQuietlyOnTerminationUntilWatched();

// Whether a termination signal has arrived: long waits on the UI thread look at it so that
// the program can end at once, before the signal reaches its event loop.
bool terminationPending();

}  // namespace platform
