#include "editor/ImageView.h"

#include <QMouseEvent>
#include <QPainter>

namespace editor {

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ImageView"));
    setAutoFillBackground(true);
}

void ImageView::setPicture(const QImage& picture) {
    picture_ = picture;
    feedback_.clear();
    update();
}

void ImageView::paintEvent(QPaintEvent* event) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(event->rect().topLeft(), picture_, event->rect());
    for (const Line& line : feedback_) {
        painter.setPen(line.colour);
        painter.drawLine(line.from, line.to);
    }
}

void ImageView::drawFeedbackLine(QPoint from, QPoint to, const QColor& colour) {
    feedback_.append({from, to, colour});
    update(QRect(from, to).normalized().adjusted(-1, -1, 1, 1));
}

void ImageView::mouseDoubleClickEvent(QMouseEvent*) { emit doubleClicked(); }

void ImageView::mousePressEvent(QMouseEvent* event) {
    emit mousePressed(event->button(), event->position().toPoint());
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(event->buttons(), event->position().toPoint());
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseReleased(event->button(), event->position().toPoint());
}

}  // namespace editor
