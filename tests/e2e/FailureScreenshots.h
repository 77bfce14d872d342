#pragma once

#include <gtest/gtest.h>
#include <QString>
#include <functional>
#include <memory>

namespace e2e {

// Keeps a picture of the screen as it was at the running test's first failed expectation,
// in the build tree's e2e-screenshots folder, and names it in each of the test's failure
// messages. One lives as long as the test's fixture.
class FailureScreenshots {
public:
    // `capture` writes the screen to the path it is given and tells whether it could.
    explicit FailureScreenshots(std::function<bool(const QString&)> capture);
    ~FailureScreenshots();
    FailureScreenshots(const FailureScreenshots&) = delete;
    FailureScreenshots& operator=(const FailureScreenshots&) = delete;

    QString path() const { return path_; }

private:
    class Listener;
    QString path_;
    Listener* listener_;  // owned by GoogleTest's list of listeners while it is on it
    std::unique_ptr<::testing::ScopedTrace> trace_;
};

}  // namespace e2e
