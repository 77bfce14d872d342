// The mouse over the editor's picture: the rubber-band selection, pencil strokes and the
// placement of overlay images.
#include <cmath>

#include "editor/ImageView.h"
#include "editor/Zarn.h"
#include "imaging/ImgX.h"
#include "operations/LinePoints.h"
#include "operations/OperationFrame.h"
#include "platform/Desktop.h"
#include "platform/Prompter.h"
#include "platform/SkipOnError.h"

namespace editor {
namespace {

// The divisor of each overlay size (1 tiny to 5 quarter).
double overlayDivisor(int size) {
    static constexpr double kDivisors[] = {5.0, 4.25, 3.5, 2.75, 2.0};
    return size >= 1 && size <= 5 ? kDivisors[size - 1] : 1.0;
}

}  // namespace

void Zarn::Form_MouseDown(Qt::MouseButton button, QPoint position) {
    if (NoLine) return;
    if (button == Qt::LeftButton) {
        AnchorX = position.x();
        AnchorY = position.y();
        view_->hideSelector();
        services_.desktop.confineCursor(*view_);
    }
    if (PencilOn) {
        LastX = -1;
        LastY = -1;
    }
}

void Zarn::Form_MouseMove(Qt::MouseButtons buttons, QPoint position) {
    PointX = position.x();
    PointY = position.y();
    if (imgX_->Width() == 0 || NoLine || !(buttons & Qt::LeftButton)) return;
    if (PencilOn) {
        view_->hideSelector();
        if (LastX == -1 || LastY == -1) {
            platform::skipOnError(
                [&] { imgX_->SetPixel(PointX, PointY, int(PenColor & 0xFFFFFF)); });
        } else {
            DrawLine(LastX, LastY, PointX, PointY, PenColor);
            view_->drawFeedbackLine(QPoint(LastX, LastY), position, QColor::fromRgb(PenColor));
        }
        LastX = PointX;
        LastY = PointY;
        return;
    }
    const QSize client = view_->sizeInPixels();
    const int x = std::max(0, std::min(position.x(), client.width() - 1));
    const int y = std::max(0, std::min(position.y(), client.height() - 1));
    // The rectangle always holds both the anchor pixel and the one under the pointer.
    view_->showSelector(QRect(QPoint(std::min(x, AnchorX), std::min(y, AnchorY)),
                              QPoint(std::max(x, AnchorX), std::max(y, AnchorY))));
}

void Zarn::Form_MouseUp(Qt::MouseButton button, QPoint position) {
    services_.desktop.releaseCursor();
    // Where the button comes up is where the pointer was last seen, whatever moves the window
    // system reported before: a right click places the overlay there.
    PointX = position.x();
    PointY = position.y();
    if (button == Qt::LeftButton) {
        if (NoLine) return;
        if (PencilOn) {
            // Strokes are plotted pixel by pixel without change notices; the picture and the
            // Undo item catch up here.
            view_->setPicture(imgX_->files().Picture());
            refreshHistoryItems();
            return;
        }
        const QRect selection = view_->selector();
        if (selection.width() <= 1 || selection.height() <= 1) view_->hideSelector();
        return;
    }
    if (button == Qt::RightButton && placement.OverlayArmed && !placement.OverlayFile.isEmpty())
        placeOverlay();
}

void Zarn::DrawLine(int X1, int Y1, int X2, int Y2, QRgb Color) {
    for (const QPoint& point : operations::linePoints(X1, Y1, X2, Y2))
        platform::skipOnError(
            [&] { imgX_->SetPixel(point.x(), point.y(), int(Color & 0xFFFFFF)); });
}

void Zarn::placeOverlay() {
    operations::OperationFrame frame(services_.prompter, this);
    const bool placed = frame.attempt([&] {
        imaging::ImgX overlay;
        overlay.canvas().LoadFile(placement.OverlayFile, 1, 0);
        if (placement.OverlaySize >= 1 && placement.OverlaySize <= 5) {
            const double divisor = overlayDivisor(placement.OverlaySize);
            // nearbyint follows the default rounding mode, round-half-to-even.
            overlay.effects().Resize(int(std::nearbyint(overlay.Width() / divisor)),
                                     int(std::nearbyint(overlay.Height() / divisor)), -1, -1, 0);
        }
        imgX_->effects().Merge(overlay, PointX, PointY, placement.OverlayTransparent ? 70 : 100, -1,
                               0);
    });
    if (!placed) {
        // Nothing was placed: the settings stay as they were, ready for another try.
        frame.report(operations::ReportStyle::Full, operations::Reported::AnyError);
        return;
    }
    const platform::Answer another = services_.prompter.message(
        QStringLiteral("Insert additional images?"), platform::Buttons::YesNo,
        platform::Icon::Question, QStringLiteral("Another?"), this);
    if (another == platform::Answer::No) {
        placement.OverlayArmed = false;
        return;
    }
    placement.OverlayFile.clear();
    emit anotherOverlayRequested();
}

}  // namespace editor
