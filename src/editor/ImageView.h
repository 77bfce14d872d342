#pragma once

#include <QImage>
#include <QWidget>

namespace editor {

// The editor's client area: the current picture at one screen pixel per image pixel, drawn
// from the top-left corner. Screen pixels are device pixels, so at a display scale of 200 %
// an image pixel takes half a logical pixel each way; positions the view reports are image
// pixels, and so are the rectangles and lines it is given.
class ImageView final : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    // A pencil line shown on the window at once, until the next picture replaces it.
    void drawFeedbackLine(QPoint from, QPoint to, const QColor& colour);

    // The selector: a rectangle of image pixels marked on the picture, drawn over exactly
    // those pixels (at 200 % a rectangle may start or end in the middle of a logical pixel).
    void showSelector(const QRect& pixels);
    void hideSelector();
    bool selectorShown() const { return selectorShown_; }
    QRect selector() const { return selector_; }

    // The client area's size in image pixels.
    QSize sizeInPixels() const;
    // The size the view needs to show a picture of `pixels` whole.
    QSize logicalSizeFor(const QSize& pixels) const;

signals:
    void doubleClicked();
    void mousePressed(Qt::MouseButton button, QPoint position);
    void mouseMoved(Qt::MouseButtons buttons, QPoint position);
    void mouseReleased(Qt::MouseButton button, QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The image pixel under a pointer position.
    QPoint pixelAt(const QPointF& position) const;
    // The smallest widget rectangle that covers these image pixels.
    QRect logicalRectFor(const QRect& pixels) const;

    QImage picture_;
    struct Line {
        QPoint from, to;
        QColor colour;
    };
    QList<Line> feedback_;
    QRect selector_;
    bool selectorShown_ = false;
};

}  // namespace editor
