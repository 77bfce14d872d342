#include <gtest/gtest.h>
#include <QEventLoop>
#include <QTimer>
#include <csignal>

#include "platform/TerminationSignals.h"

namespace {

class TerminationSignal : public ::testing::TestWithParam<int> {};

TEST_P(TerminationSignal, ArrivesAsAQtSignalOnTheUiThread) {
    platform::TerminationSignals termination;
    int received = 0;
    QEventLoop loop;
    QObject::connect(&termination, &platform::TerminationSignals::terminationRequested,
                     [&](int number) {
                         received = number;
                         loop.quit();
                     });
    QTimer::singleShot(0, [] { std::raise(GetParam()); });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(received, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

}  // namespace
