#include "CaptionZoom.h"

#include <QApplication>
#include <QPalette>
#include <QVariantAnimation>
#include <QWidget>

namespace app {

namespace {

constexpr int kDurationMs = 250;
constexpr int kCaptionHeight = 22;

QRect captionOf(const QRect& rect) {
    return QRect(rect.topLeft(), QSize(rect.width(), qMin(rect.height(), kCaptionHeight)));
}

int between(int from, int to, double progress) { return from + qRound((to - from) * progress); }

QRect between(const QRect& from, const QRect& to, double progress) {
    return QRect(
        QPoint(between(from.left(), to.left(), progress), between(from.top(), to.top(), progress)),
        QSize(between(from.width(), to.width(), progress),
              between(from.height(), to.height(), progress)));
}

}  // namespace

void zoomCaption(const QRect& from, const std::function<QRect()>& to) {
    if (from.isEmpty() || to().isEmpty()) return;
    auto* caption =
        new QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                                 Qt::WindowDoesNotAcceptFocus);
    caption->setObjectName(QStringLiteral("CaptionZoom"));
    caption->setAttribute(Qt::WA_DeleteOnClose);
    caption->setAttribute(Qt::WA_ShowWithoutActivating);
    caption->setAutoFillBackground(true);
    QPalette palette = caption->palette();
    palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Highlight));
    caption->setPalette(palette);
    caption->setGeometry(captionOf(from));
    caption->show();

    auto* zoom = new QVariantAnimation(caption);
    zoom->setDuration(kDurationMs);
    zoom->setStartValue(0.0);
    zoom->setEndValue(1.0);
    zoom->setEasingCurve(QEasingCurve::InOutQuad);
    QObject::connect(
        zoom, &QVariantAnimation::valueChanged, caption,
        [caption, start = captionOf(from), to](const QVariant& progress) {
            const QRect target = to();
            if (!target.isEmpty())
                caption->setGeometry(between(start, captionOf(target), progress.toDouble()));
        });
    QObject::connect(zoom, &QVariantAnimation::finished, caption, &QWidget::close);
    zoom->start();
}

}  // namespace app
