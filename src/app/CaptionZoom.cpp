#include "CaptionZoom.h"

#include <QApplication>
#include <QPalette>
#include <QPropertyAnimation>
#include <QWidget>

namespace app {

namespace {

constexpr int kDurationMs = 250;
constexpr int kCaptionHeight = 22;

QRect captionOf(const QRect& rect) {
    return QRect(rect.topLeft(), QSize(rect.width(), qMin(rect.height(), kCaptionHeight)));
}

}  // namespace

void zoomCaption(const QRect& from, const QRect& to) {
    if (from.isEmpty() || to.isEmpty()) return;
    auto* caption =
        new QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                                 Qt::WindowDoesNotAcceptFocus);
    caption->setAttribute(Qt::WA_DeleteOnClose);
    caption->setAttribute(Qt::WA_ShowWithoutActivating);
    caption->setAutoFillBackground(true);
    QPalette palette = caption->palette();
    palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Highlight));
    caption->setPalette(palette);
    caption->setGeometry(captionOf(from));
    caption->show();

    auto* zoom = new QPropertyAnimation(caption, "geometry", caption);
    zoom->setDuration(kDurationMs);
    zoom->setStartValue(captionOf(from));
    zoom->setEndValue(captionOf(to));
    zoom->setEasingCurve(QEasingCurve::InOutQuad);
    QObject::connect(zoom, &QPropertyAnimation::finished, caption, &QWidget::close);
    zoom->start();
}

}  // namespace app
