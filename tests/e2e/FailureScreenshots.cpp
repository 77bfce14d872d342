#include "e2e/FailureScreenshots.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace e2e {
namespace {

// "Suite/Row.Case/Row" as a file name.
QString screenshotName() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    QString name = test ? QStringLiteral("%1.%2").arg(test->test_suite_name(), test->name())
                        : QStringLiteral("outside-any-test");
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return name + QStringLiteral(".png");
}

}  // namespace

class FailureScreenshots::Listener : public ::testing::EmptyTestEventListener {
public:
    Listener(QString path, std::function<bool(const QString&)> capture)
        : path_(std::move(path)), capture_(std::move(capture)) {}

    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        // The first failure shows the cause; later ones mostly show its consequences.
        if (!result.failed() || taken_) return;
        taken_ = true;
        QDir().mkpath(QFileInfo(path_).path());
        if (!capture_(path_)) QFile::remove(path_);
    }

private:
    QString path_;
    std::function<bool(const QString&)> capture_;
    bool taken_ = false;
};

FailureScreenshots::FailureScreenshots(std::function<bool(const QString&)> capture)
    : path_(QDir(QStringLiteral(QUORVANE_E2E_SCREENSHOTS)).filePath(screenshotName())),
      listener_(new Listener(path_, std::move(capture))) {
    // A picture left from an earlier run would belong to another failure.
    QFile::remove(path_);
    ::testing::UnitTest::GetInstance()->listeners().Append(listener_);
    const std::string note = "screen at the first failure: " + path_.toStdString();
    trace_ = std::make_unique<::testing::ScopedTrace>(__FILE__, __LINE__, note);
}

FailureScreenshots::~FailureScreenshots() {
    trace_.reset();
    delete ::testing::UnitTest::GetInstance()->listeners().Release(listener_);
}

}  // namespace e2e
