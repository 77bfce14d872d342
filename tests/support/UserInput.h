#pragma once

#include <QTest>
#include <QWidget>

namespace testing_support {

// A double click as the window system delivers it: press, release, the double-click press,
// release. (QTest's own double click sends the middle event alone and leaves the button held
// for every later event.)
inline void doubleClick(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(widget, button, {}, at);
    QTest::mouseDClick(widget, button, {}, at);
    QTest::mouseRelease(widget, button, {}, at);
}

}  // namespace testing_support
