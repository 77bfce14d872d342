#include <gtest/gtest.h>
#include <QApplication>

// Every test executable runs inside one QApplication on the offscreen platform, so widgets,
// timers and images behave as in the program without a display.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
