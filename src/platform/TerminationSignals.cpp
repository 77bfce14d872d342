#include "TerminationSignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#endif

namespace platform {

#ifdef Q_OS_UNIX
namespace {

// A signal handler may only do async-signal-safe work: it writes the signal number into a
// socket that the UI thread watches, and raises a flag that long waits look at.
int signalSocket[2] = {-1, -1};
volatile sig_atomic_t signalArrived = 0;

void onSignal(int number) {
    signalArrived = 1;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalSocket[0], &byte, 1);
}

void endQuietly(int) { ::_exit(0); }

void handleTermination(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP}) sigaction(number, &action, nullptr);
}

}  // namespace

void endQuietlyOnTerminationUntilWatched() { handleTermination(endQuietly); }

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (signalSocket[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSocket) != 0) return;
    notifier_ = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
    handleTermination(onSignal);
}

TerminationSignals::~TerminationSignals() {
    handleTermination(SIG_DFL);
    // What arrived was this watcher's to handle; a later one starts afresh.
    signalArrived = 0;
}

void TerminationSignals::readSignal() {
    unsigned char byte = 0;
    if (::read(signalSocket[1], &byte, 1) == 1) emit terminationRequested(byte);
}
bool terminationPending() { return signalArrived != 0; }
#else
// Windows ends a GUI program through the session manager, which Qt reports as the end of the
// application; there are no POSIX signals to watch.
TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}
TerminationSignals::~TerminationSignals() = default;
void TerminationSignals::readSignal() {}
void endQuietlyOnTerminationUntilWatched() {}
bool terminationPending() { return false; }
#endif

}  // namespace platform
