#pragma once

#include <QImage>
#include <QWidget>

namespace editor {

// The editor's client area: the current picture at one screen pixel per image pixel, drawn
// from the top-left corner. Mouse coordinates are therefore image coordinates.
class ImageView final : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    // A pencil line shown on the window at once, until the next picture replaces it.
    void drawFeedbackLine(QPoint from, QPoint to, const QColor& colour);

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
    QImage picture_;
    struct Line {
        QPoint from, to;
        QColor colour;
    };
    QList<Line> feedback_;
};

}  // namespace editor
