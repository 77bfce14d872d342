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
    update();
}

void ImageView::paintEvent(QPaintEvent* event) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(event->rect().topLeft(), picture_, event->rect());
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
