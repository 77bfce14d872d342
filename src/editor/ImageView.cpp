#include "editor/ImageView.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace editor {

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ImageView"));
    setAutoFillBackground(true);
    // The position of the last move places overlays on a right click, so moves without a
    // button held count as much as drags.
    setMouseTracking(true);
}

void ImageView::setPicture(const QImage& picture) {
    picture_ = picture;
    feedback_.clear();
    update();
}

void ImageView::showSelector(const QRect& pixels) {
    const QRect before = selectorShown_ ? selector_ : QRect();
    selector_ = pixels;
    selectorShown_ = true;
    update(logicalRectFor(before | pixels));
}

void ImageView::hideSelector() {
    if (!selectorShown_) return;
    selectorShown_ = false;
    update(logicalRectFor(selector_));
}

QSize ImageView::sizeInPixels() const {
    const double scale = devicePixelRatioF();
    return QSize(int(std::lround(width() * scale)), int(std::lround(height() * scale)));
}

QSize ImageView::logicalSizeFor(const QSize& pixels) const {
    const double scale = devicePixelRatioF();
    return QSize(int(std::ceil(pixels.width() / scale)), int(std::ceil(pixels.height() / scale)));
}

QRect ImageView::logicalRectFor(const QRect& pixels) const {
    const double scale = devicePixelRatioF();
    const QPoint topLeft(int(std::floor(pixels.left() / scale)),
                         int(std::floor(pixels.top() / scale)));
    const QPoint beyond(int(std::ceil((pixels.right() + 1) / scale)),
                        int(std::ceil((pixels.bottom() + 1) / scale)));
    return QRect(topLeft, beyond - QPoint(1, 1));
}

QPoint ImageView::pixelAt(const QPointF& position) const {
    // Pointer positions arrive in logical pixels; the window system knows them in whole device
    // pixels, which these give back exactly.
    const double scale = devicePixelRatioF();
    return QPoint(int(std::lround(position.x() * scale)), int(std::lround(position.y() * scale)));
}

void ImageView::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    // Painted in device pixels: one image pixel to each.
    const double scale = devicePixelRatioF();
    painter.scale(1 / scale, 1 / scale);
    painter.drawImage(QPoint(0, 0), picture_);
    for (const Line& line : feedback_) {
        painter.setPen(line.colour);
        painter.drawLine(line.from, line.to);
    }
    if (selectorShown_) {
        // A tinted area with an outline, as a rubber band looks, on the selected pixels only.
        const QColor highlight = palette().color(QPalette::Highlight);
        QColor tint = highlight;
        tint.setAlpha(64);
        painter.fillRect(selector_, tint);
        painter.setPen(highlight);
        painter.drawRect(selector_.adjusted(0, 0, -1, -1));
    }
}

void ImageView::drawFeedbackLine(QPoint from, QPoint to, const QColor& colour) {
    feedback_.append({from, to, colour});
    update(logicalRectFor(QRect(from, to).normalized()).adjusted(-1, -1, 1, 1));
}

void ImageView::mouseDoubleClickEvent(QMouseEvent*) { emit doubleClicked(); }

void ImageView::mousePressEvent(QMouseEvent* event) {
    emit mousePressed(event->button(), pixelAt(event->position()));
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(event->buttons(), pixelAt(event->position()));
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseReleased(event->button(), pixelAt(event->position()));
}

}  // namespace editor
