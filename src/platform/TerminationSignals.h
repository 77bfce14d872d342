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

// Whether a termination signal has arrived: long waits on the UI thread look at it so that
// the program can end at once, before the signal reaches its event loop.
bool terminationPending();

}  // namespace platform
